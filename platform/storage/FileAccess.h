// Who may do what with a file or folder: its mode and its access ACL (what setfacl writes, kept by
// the kernel in the attribute system.posix_acl_access), read without the acl package.
#pragma once

#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

namespace platform {

// The permission bits of one class of users.
constexpr unsigned kMayRead = 4, kMayWrite = 2, kMayEnter = 1;

struct FileAccess {
    uid_t owner = 0;
    gid_t group = 0;
    mode_t mode = 0;  // the file's mode as it is (with an ACL, its group bits are the ACL's mask)
    // What each class may, the named entries and the group as the ACL's mask limits them.
    unsigned ownerMay = 0, groupMay = 0, othersMay = 0;
    std::vector<std::pair<uid_t, unsigned>> users;   // named users of the ACL
    std::vector<std::pair<gid_t, unsigned>> groups;  // named groups of the ACL
    std::string acl;  // the ACL as the kernel keeps it; "" without one

    // The mode with the group bits the group itself has: a file given this mode without the ACL
    // lets no one more than the ACL does.
    mode_t ModeWithoutAcl() const;
    // Gives the owning group, in the mode and in the ACL's group entry, what others have: for a
    // copy left in another group, whose members are others to this file.
    void GroupAsOthers();
    // Takes away execute (search) from every class and ACL entry, and the set-id and sticky bits:
    // the access of a data file made in the image of a program or a folder.
    void AsDataFile();
};

// Of the open file `fd`; of the path (following links) with At. 0 or the error number.
int FileAccessOf(int fd, FileAccess& out);
int FileAccessAt(const std::string& path, FileAccess& out);

}  // namespace platform
