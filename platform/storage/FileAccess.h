// Who may do what with a file or folder: its mode and its access ACL (what setfacl writes, kept by
// the kernel in the attribute system.posix_acl_access), read without the acl package.
#pragma once

#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

namespace platform {

// The attribute the kernel keeps a file's access ACL in.
inline constexpr const char* kAccessAclAttribute = "system.posix_acl_access";

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
    // For a file left in another group than `group` (its maker is not in that one): its own group
    // gets nothing in the ACL, whose named entry for `group` gives that group its rights (the
    // ACL is made from the mode where there is none), and in the mode only what both others
    // and `group` may, for a file system without ACLs. Never more than this access gives anyone.
    void GroupByName();
    // Takes away execute (search) from every class and ACL entry, and the set-id and sticky bits:
    // the access of a data file made in the image of a program or a folder.
    void AsDataFile();
};

// Of the open file `fd`; of the path (following links) with At. 0 or the error number.
int FileAccessOf(int fd, FileAccess& out);
int FileAccessAt(const std::string& path, FileAccess& out);
// Of the entry `name` of the folder `dirFd`, a link not followed ("": the folder itself). Any
// descriptor will do, O_PATH ones too: the ACL is read through /proc/self/fd.
int FileAccessIn(int dirFd, const std::string& name, FileAccess& out);

// One entry of a folder's default ACL: what new files in it get.
struct AclEntry {
    enum Tag : unsigned {
        UserObj = 0x01,
        User = 0x02,
        GroupObj = 0x04,
        Group = 0x08,
        Mask = 0x10,
        Other = 0x20
    };
    unsigned tag = 0, may = 0, id = 0;
};
// The default ACL of the folder `dirFd` (none: empty), each entry limited by its mask.
int DefaultAclOf(int dirFd, std::vector<AclEntry>& out);
// Whether the folder or file `fd` bears the attribute `name` (an ACL of another kind): 0 with
// `has` set, where the file system tells it (an attribute it does not support is none); else the
// error number, and nothing is known.
int HasAttribute(int fd, const char* name, bool& has);

}  // namespace platform
