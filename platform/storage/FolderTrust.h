// Whether a folder may hold files the program writes. SQLite plays back any hot journal it finds
// beside a database and writes its own journal into whatever file bears the journal's name, so
// whoever may add, remove or rename an entry in the database's folder, or rename that folder or
// one above it, may change the database, whatever the file's own mode says. The program writes
// only where no one but the file's writers may do that.
//
// Trust starts from who runs the program, never from a file found at the end of a path: the
// folders on the way must belong to root, the user running or the owner of the program folder.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/storage/PathWalk.h"

namespace platform {

struct FileAccess;

// Who may write (or, of Readers, read) a file: root, its owner, and everyone its mode and ACL let
// (its group when the group may, the ACL's named users and groups that may, everyone when others
// may).
struct Writers {
    uid_t owner = 0;
    std::vector<uid_t> users;
    std::vector<gid_t> groups;
    bool everyone = false;  // others may
    // Those the file's mode and ACL name, whatever they may: what others may does not reach them.
    gid_t fileGroup = gid_t(-1);
    std::vector<uid_t> namedUsers;
    std::vector<gid_t> namedGroups;

    // Root, the owner, a named user that may, or one others' bits reach.
    bool User(uid_t uid) const;
    // Members of `gid` through its own entry, or through others' bits where it has none.
    bool Group(gid_t gid) const;
    // Whether the user `uid` may, as the kernel decides it: the owner's class, a named user's
    // entry, else the entries of the groups the user is in (the system's group list), else
    // others' bits.
    bool Member(uid_t uid) const;
};

// Those whom `access` lets do `may` (kMayWrite, kMayRead).
Writers Who(const FileAccess& access, unsigned may);
// The groups of `uid` as the system's group list says: its own and the supplementary ones; of
// the user running, the groups this process has.
std::vector<gid_t> GroupsOf(uid_t uid);
// Root and `user` only: who may write the files of `user`'s private folders.
Writers OnlyUser(uid_t user);

// The owners whose folders are trusted: root, the user running and, for the program's own
// folders, the owner of the program folder (AppPath(): the folder the running program lies in,
// whose owner controls the program anyway; never the overflow user a network file system shows
// for owners it cannot map).
struct TrustedOwners {
    std::vector<uid_t> ids;
    bool Has(uid_t uid) const;
    static TrustedOwners Program();
    // The same, with the program folder's owner as `walk` found it where the walk went through
    // the program folder (a path in it); else as Program().
    static TrustedOwners Program(const PathWalk& walk);
    static TrustedOwners RunningUser();
};

// A folder that others may change: which one, why (Chinese, for a box) and how to make it safe
// (a command where one does it). Empty when every folder is safe.
struct FolderDoubt {
    std::string folder;
    std::string why;
    std::string fix;
    bool foreignLink = false;  // `folder` is a link another user made: not followed
    // The program could not tell who may change the folder (a failed look-up or read, a share
    // whose owners and modes are the mount's): not that others may, only that none can be ruled
    // out.
    bool unjudged = false;
    bool Empty() const { return folder.empty() && why.empty(); }
};

// What the rule asks of the folders of one walk.
struct FolderRule {
    const Writers& writers;
    const TrustedOwners& owners;
    // A sticky folder holding the walk's final entry is safe only where the program makes a
    // folder of its own in it, not where it writes a file under a fixed name (the journal's).
    bool shareableLeaf = false;
    // Where given, a default ACL of the folder holding the final entry may give new files no more
    // than these readers and the writers have of the database.
    const Writers* readers = nullptr;
};

// Judges every folder the walk passed through, each link met and the folder holding it. A folder
// is safe when
//   - its owner is one of the trusted owners;
//   - its group (unless it is its owner's private group: named after the owner, the owner's own
//     group, with no member listed), each named user and group of its ACL, and others may write
//     it only when they are writers, or when it is sticky (anyone may then add a name, but rename
//     or remove only their own) and the entry below it on the way belongs to a trusted owner; a
//     sticky folder holding the final entry only with `shareableLeaf`;
//   - it is no procfs, no FUSE file system another user mounted, no CIFS or SMB share (whose
//     owners and modes come from its mount options), and bears no NFSv4 or CIFS ACL.
// What cannot be read (its access, ACLs, file system) is a doubt too.
// A link is followed only when it belongs to a trusted owner or to the owner of its folder.
FolderDoubt Judge(const PathWalk& walk, const FolderRule& rule);

// The first link of the walk (or the step `only`) that belongs neither to a trusted owner nor to
// the owner of the folder holding it: such a link is not followed. Empty when there is none.
FolderDoubt ForeignLinkIn(const PathWalk& walk, const TrustedOwners& owners,
                          const PathWalk::Step* only = nullptr);

// Walks `folder` and judges it as Judge does; a folder that cannot be looked up is a doubt too.
FolderDoubt DoubtAbout(const std::string& folder, const Writers& writers, bool shareableLeaf,
                       const TrustedOwners& owners);

// The doubt about a folder that cannot be walked: `path` could not be looked up (`error`).
FolderDoubt CannotLookUp(const std::string& path, int error);

// Names as the boxes give them: a user's, a group's.
std::string UserName(uid_t uid);
std::string GroupName(gid_t gid);
// A path, a name or any other word as one word of a command a box shows: as it is where it holds
// only letters, digits and /._-+,:@%=, otherwise in single quotes, which a POSIX shell and bash
// alike take literally. Every command a box gives quotes its words so, so that it works pasted
// into a shell as printed.
std::string ShellQuoted(const std::string& word);

}  // namespace platform
