// Whether a rollback journal left beside a database belongs to the file that now bears the
// database's name. SQLite rolls a hot journal into whatever file it finds there; rolled into a
// backup copied back after a crash, it mixes pages of two dates into a file that still passes
// every check. The file's header keeps a change counter (bytes 24-27) that every write
// transaction raises by one, and a journal holds page 1 as it was before its transaction
// whenever the transaction wrote page 1 (every commit does, and so does every transaction that
// grows or shrinks the file). The journal belongs when the file's counter is that page's counter
// (the crash came before the commit reached the file) or one more (it came after).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace platform {

enum class JournalFit {
    NotHot,   // SQLite would not roll it back: empty, or a zeroed first byte
    Belongs,  // it holds page 1 of this file's state before the unfinished transaction
    Foreign,  // it belongs to another state of the file (or an emptied file), or SQLite could
              // not use it
    Unknown,  // it holds no page 1: the file's own data cannot tell
};

// SQLite's own test of a hot journal, which needs only its first bytes: not empty, and its first
// byte not zero.
inline bool SqliteWouldPlayBack(std::string_view journal) {
    return !journal.empty() && journal[0] != 0;
}

// Reads the journal as SQLite's rollback would: its segments in order, each record up to the
// first one that is cut short or fails its checksum. `database` is the file, or at least its
// first 100 bytes (fewer: an empty or cut file).
JournalFit JudgeJournal(std::string_view journal, std::string_view database);

// Whether the journal ends in the record that names a super-journal: SQLite would open that file,
// wherever it lies, after the playback, and delete it. The program's own journals never name one.
bool NamesSuperJournal(std::string_view journal);

// The pages the playback would restore (SQLite's order, within its limits), and the page size.
std::vector<std::uint32_t> JournaledPages(std::string_view journal, std::uint32_t& pageSize);

}  // namespace platform
