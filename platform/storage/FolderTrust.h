// Whether a folder may hold files the program writes. SQLite plays back any hot journal it finds
// beside a database and writes its own journal into whatever file bears the journal's name, so
// whoever may add, remove or rename an entry in the database's folder, or rename that folder or
// one above it, may change the database, whatever the file's own mode says. The program writes
// only where no one but the file's writers may do that.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

// Who may write a file: root, its owner, and everyone its mode and ACL let write it (its group
// when the group may, the ACL's named users and groups that may, everyone when others may).
struct Writers {
    uid_t owner = 0;
    std::vector<uid_t> users;
    std::vector<gid_t> groups;
    bool everyone = false;

    bool User(uid_t uid) const;
    bool Group(gid_t gid) const;
};

// Of the open file `fd`: 0 or the error number.
int WritersOf(int fd, Writers& out);
// Root and `user` only: who may write the files of `user`'s private folders.
Writers OnlyUser(uid_t user);
// Of the file the database's path leads to; where it cannot be opened, root and the user running.
Writers DatabaseWriters(const std::string& database);

// A folder that others may change: which one, why (Chinese, for a box) and the command that
// makes it safe. Empty when every folder is safe.
struct FolderDoubt {
    std::string folder;
    std::string why;
    std::string fix;
    bool Empty() const { return folder.empty(); }
};

// Checks `folder` and each folder above it, up to /, along the path as given and along the path
// with its links resolved. A folder is safe when
//   - its owner is root, the running user or the writers' owner;
//   - its group, each named user and group of its ACL, and others may write it only when they
//     are writers, or when it is sticky (anyone may then add a name, but rename or remove only
//     their own) and the folder below it on the path belongs to root, the running user or the
//     writers' owner. A sticky `folder` itself is safe only with `shareableLeaf`: where the
//     program makes a folder of its own in it, but not where it writes a file under a fixed name
//     (the journal's).
FolderDoubt DoubtAbout(const std::string& folder, const Writers& writers, bool shareableLeaf);

// The doubt about where the database at `database` (a link is resolved) is written: the folder
// of the file the path leads to and the folder of the path itself, for the file's writers.
// EACCES and the like for a file that cannot be opened are the start's to report: no doubt then.
FolderDoubt DoubtAboutDatabase(const std::string& database);

// Names as the boxes give them: a user's, a group's, and a path as a shell command takes it.
std::string UserName(uid_t uid);
std::string GroupName(gid_t gid);
std::string ShellQuoted(const std::string& path);

}  // namespace platform
