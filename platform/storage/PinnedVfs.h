// An SQLite file layer (VFS) that opens and removes files only in folders this process holds
// open. SQLite looks a file's name up again at every open: the database's at the start, its
// journal's at every save, and the super-journal a journal may name anywhere on the disk, which
// SQLite would open and then delete. A name "/proc/self/fd/<fd>/<name>" starts that lookup at the
// folder the descriptor holds, so a folder renamed or replaced since it was opened and judged is
// not followed. Every other name is refused, as is any write-ahead log or super-journal: the
// program uses neither. Temporary files (no name) are SQLite's own, as usual.
//
// After each open the file SQLite opened is checked by its descriptor, not by its name again: it
// must be the file the folder holds under the name, and the guard judges that descriptor.
// SQLite's questions whether a journal exists are answered from the held folder too.
//
// Everything else (locking, reading, writing, syncing) is the default unix layer's, on the
// descriptor it opened. Pin a folder before the first open through it and unpin it only after
// the last connection using it is closed and before its descriptor is.
#pragma once

#include <functional>
#include <string>

namespace platform {

class PinnedVfs {
  public:
    enum class Step { BeforeOpen, AfterOpen, Delete };
    // What the folder's owner of the pin says of the file `name` (one component) at `step`; the
    // open flags are SQLite's (SQLITE_OPEN_MAIN_DB, SQLITE_OPEN_MAIN_JOURNAL, ...; 0 for Delete).
    // At AfterOpen `opened` is the descriptor SQLite opened, seen to be the file the folder holds
    // under the name (-1 at the other steps); the guard must not close it. SQLITE_OK lets it
    // through; anything else is returned to SQLite as the result of the open or the delete (at
    // AfterOpen the file just opened is closed first). A guard that throws refuses. An empty
    // guard lets everything through.
    using Guard = std::function<int(const std::string& name, int openFlags, Step step, int opened)>;

    // The name to pass as zVfs to sqlite3_open_v2; registers the VFS on first use (not as the
    // default).
    static const char* Name();
    // SQLite may open and delete files in the open folder `dirFd` (any descriptor of a folder,
    // O_PATH included) through ProcFdPath(dirFd, name), as `guard` allows, until Unpin(dirFd).
    // False, and nothing changed, where `dirFd` is pinned already.
    [[nodiscard]] static bool Pin(int dirFd, Guard guard);
    static void Unpin(int dirFd);
};

}  // namespace platform
