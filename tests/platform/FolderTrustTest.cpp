// Which folders the program trusts with its files, where its private folders go, how a file is
// published into a folder, and the commands a box gives for a file beside the database: on real
// folders, owners and ACLs made under a fresh folder of /tmp whose name has a space (root's, 0755:
// /tmp's sticky bit shields it). Making files of other users needs root.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>

#include "platform/storage/AccessRemedy.h"
#include "platform/storage/DatabasePlace.h"
#include "platform/storage/Folder.h"
#include "platform/storage/FolderTrust.h"
#include "platform/storage/PrivateFolder.h"
#include "tests/support/AccessAcl.h"
#include "tests/support/AnotherUser.h"

namespace {

constexpr uid_t N = kAnotherUser;  // nobody, and its group nogroup

// One entry to make: a folder (path ending in '/'), a link (to `link`; "=path": a hard link)
// or a file, with exactly `mode` and its owner, and an access ACL when `acl` is set (and a
// default ACL with `defaultAcl`).
struct Node {
    std::string path;
    mode_t mode = 0755;
    uid_t uid = 0;
    gid_t gid = 0;
    std::string link = {}, acl = {}, defaultAcl = {};
};

class TrustedTree : public testing::Test {
  protected:
    void SetUp() override {
        if (!CanActAsAnotherUser()) GTEST_SKIP() << "giving files other owners needs root";
        char name[] = "/tmp/folder trust-XXXXXX";
        ASSERT_TRUE(::mkdtemp(name) && ::chmod(name, 0755) == 0);
        base_ = name;
    }
    void TearDown() override {
        if (!base_.empty()) std::filesystem::remove_all(base_);
    }
    std::string at(const std::string& path) const { return base_ + "/" + path; }

    void make(const std::vector<Node>& nodes) const {
        for (const Node& node : nodes) {
            const std::string path = at(node.path);
            const char* const p = path.c_str();
            if (!node.link.empty() && node.link[0] == '=') {
                ASSERT_EQ(::link(at(node.link.substr(1)).c_str(), p), 0) << p;
                continue;
            }
            if (!node.link.empty()) {
                ASSERT_EQ(::symlink(node.link.c_str(), p) | ::lchown(p, node.uid, node.gid), 0)
                    << p;
                continue;
            }
            ASSERT_EQ(path.back() == '/' ? ::mkdir(p, 0700) : ::close(::creat(p, 0600)), 0) << p;
            ASSERT_EQ(::chown(p, node.uid, node.gid) | ::chmod(p, node.mode), 0) << p;
            ASSERT_TRUE(node.acl.empty() || SetAccessAcl(path, node.acl)) << p;
            ASSERT_TRUE(node.defaultAcl.empty() || SetDefaultAcl(path, node.defaultAcl)) << p;
        }
    }

    std::string base_;
};

// An environment variable set ("" unsets it) for as long as the object lives.
struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : name(name) {
        if (const char* was = ::getenv(name)) before = was;
        value.empty() ? ::unsetenv(name) : ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { before ? ::setenv(name, before->c_str(), 1) : ::unsetenv(name); }
    const char* name;
    std::optional<std::string> before;
};

// Gives this process a mount namespace of its own; false where it cannot.
bool ownMounts() {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Makes /proc empty for this process alone: a file made unnamed can then not be linked in.
bool withoutProc() {
    return ownMounts() && ::mount("none", "/proc", "tmpfs", 0, nullptr) == 0;
}

// Users the rows add: one in its private group, one whose group of its name lists a member, one
// whose group of its name is not its own group, which has another name.
constexpr uid_t kSolo = 3101, kJoined = 3102, kOdd = 3103;
constexpr gid_t kOddOwn = 3104;

// Makes this (child) process see /etc/passwd and /etc/group with those added, in a mount
// namespace of its own (copies in `folder`); false where it cannot.
bool withTestUsers(const std::string& folder) {
    const auto extended = [&](const std::string& file, const std::string& more) {
        const std::string copy = folder + file.substr(file.rfind('/'));
        std::ofstream(copy) << std::ifstream(file).rdbuf() << more;
        return ::mount(copy.c_str(), file.c_str(), nullptr, MS_BIND, nullptr) == 0;
    };
    return ownMounts() &&
           extended("/etc/passwd",
                    "kvt-solo:x:3101:3101::/:/bin/false\nkvt-joined:x:3102:3102::/:/bin/false\n"
                    "kvt-odd:x:3103:3104::/:/bin/false\n") &&
           extended("/etc/group",
                    "kvt-solo:x:3101:\nkvt-joined:x:3102:nobody\nkvt-odd:x:3103:\n"
                    "kvt-odd-own:x:3104:\n");
}

// What a row changes in the answers of the calls the judgement makes, as another file system, a
// failing disk or another user would give them, and who judges.
struct Steer {
    std::string path = {};       // the entry of the tree the calls below ask about
    long fsType = 0;             // fstatfs of it tells this file system's type
    std::string attribute = {};  // getxattr of this attribute of it ...
    int error = 0;               // ... fails with this error (0: finds the attribute)
    std::string swapWith = {};   // opening it as a folder first exchanges it with this entry
    uid_t as = 0;                // the user who judges, in their own group
};
Steer steering;  // with absolute paths; only ever set in a child process

// The path a descriptor's /proc/self/fd link stands for, with what follows it.
std::string pathOf(const std::string& path) {
    const std::size_t slash = path.find('/', 14);
    std::error_code none;
    const std::string target = std::filesystem::read_symlink(path.substr(0, slash), none);
    return !path.starts_with("/proc/self/fd/") || none
               ? path
               : target + (slash == std::string::npos ? "" : path.substr(slash));
}

template <typename Function>
Function real(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

ssize_t steeredAttribute(const char* call, const char* path, const char* name, void* value,
                         std::size_t size) {
    if (steering.attribute != name || pathOf(path) != steering.path)
        return real<ssize_t (*)(const char*, const char*, void*, std::size_t)>(call)(path, name,
                                                                                     value, size);
    errno = steering.error;
    return steering.error ? -1 : 0;
}

}  // namespace

// The calls of this test program (the program's code is linked in) go through these first.
extern "C" int fstatfs(int fd, struct statfs* out) {
    const int rc = real<int (*)(int, struct statfs*)>("fstatfs")(fd, out);
    if (rc == 0 && steering.fsType != 0 &&
        pathOf("/proc/self/fd/" + std::to_string(fd)) == steering.path)
        out->f_type = steering.fsType;
    return rc;
}

extern "C" ssize_t getxattr(const char* path, const char* name, void* value, size_t size) {
    return steeredAttribute("getxattr", path, name, value, size);
}

extern "C" ssize_t lgetxattr(const char* path, const char* name, void* value, size_t size) {
    return steeredAttribute("lgetxattr", path, name, value, size);
}

extern "C" int openat(int dirFd, const char* name, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const mode_t mode =
        (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, int) : 0;
    va_end(rest);
    if (!steering.swapWith.empty() && (flags & O_PATH) &&
        pathOf("/proc/self/fd/" + std::to_string(dirFd) + "/" + name) == steering.path) {
        ::renameat2(AT_FDCWD, steering.path.c_str(), AT_FDCWD, steering.swapWith.c_str(),
                    RENAME_EXCHANGE);
        steering.swapWith.clear();
    }
    return real<int (*)(int, const char*, int, ...)>("openat")(dirFd, name, flags, mode);
}

TEST_F(TrustedTree, TheDatabaseIsWrittenOnlyWhereNoOneButItsWritersMayChangeItsFolders) {
    struct Row {
        const char* what;
        std::string database;
        std::string doubt;  // "<folder>: <how the command mending it starts>", "" for none
        std::vector<Node> nodes;
        Steer steer = {};
        std::string beside = {};  // why the journal beside the database is not used
    };
    const std::string fileAcl = AclLetting(N, 6), folderAcl = AclLetting(N, 7);
    const std::string maskedAcl = AclLetting(N, 7, 5);  // N named with rwx, the mask lets r-x
    const std::string share = "把数据库移到属于本用户的文件夹中";
    const char* const kNfs4 = "system.nfs4_acl";
    const std::string userOnly = Letting(AclLetting(N, 6), 2, 0);  // the group: nothing
    const std::string groupOnly = Letting(AclLetting(N, 6, -1, true), 1, 0);
    const std::string wider = "不能写入数据库的用户也能写入它";
    const std::string readable = "不能读取数据库的用户也能读取它";
    const std::vector<Node> plain = {{"db/"}, {"db/db.mdb"}};
    // db/ writable by its group `group`, and the file, both of `user`'s, judged by `user`.
    const auto own = [](uid_t user, gid_t group) {
        return std::vector<Node>{{"db/", 02775, user, group}, {"db/db.mdb", 0644, user, user}};
    };
    const auto as = [](uid_t user) { return Steer{"", 0, "", 0, "", user}; };
    // A database of mode `mode` and a journal beside it of `owner`'s with `journal` and `acl`.
    const auto beside = [](mode_t mode, mode_t journal, uid_t owner = 0, std::string acl = "") {
        return std::vector<Node>{
            {"db/"}, {"db/db.mdb", mode}, {"db/db.mdb-journal", journal, owner, owner, "", acl}};
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"db/ root's, 0755", "db/db.mdb", "", {{"db/"}, {"db/db.mdb", 0644}}},
        // root's group has no member but root: it counts as root
        {"group and others may write db/", "db/db.mdb", "db: chmod o-w",
         {{"db/", 0777}, {"db/db.mdb", 0644}}},
        {"group and others may write db/, its group another's", "db/db.mdb", "db: chmod go-w",
         {{"db/", 0777, 0, N}, {"db/db.mdb", 0644}}},
        {"db/ sticky", "db/db.mdb", "db: " + share, {{"db/", 01777}, {"db/db.mdb", 0664}}},
        {"db/ and the file writable by group G", "db/db.mdb", "",
         {{"db/", 02775, 0, N}, {"db/db.mdb", 0660, 0, N}}},
        {"db/ writable by group G, the file not", "db/db.mdb", "db: chmod g-w",
         {{"db/", 02775, 0, N}, {"db/db.mdb", 0640, 0, N}}},
        // others may write the file, but members of its group are held to the group's bits
        {"db/ writable by group G, the file by others only", "db/db.mdb", "db: chmod g-w",
         {{"db/", 02775, 0, N}, {"db/db.mdb", 0606, 0, N}}},
        {"the ACL lets group G write db/ only", "db/db.mdb", "db: setfacl -x g:",
         {{"db/", 0755, 0, 0, "", AclLetting(N, 7, -1, true)}, {"db/db.mdb", 0664}}},
        {"a sticky folder above, the one below root's", "u/p/db/db.mdb", "",
         {{"u/", 01777}, {"u/p/"}, {"u/p/db/"}, {"u/p/db/db.mdb"}}},
        {"a sticky folder above, the one below another user's", "u/p/db/db.mdb", "u: " + share,
         {{"u/", 01777}, {"u/p/", 0755, N, N}, {"u/p/db/"}, {"u/p/db/db.mdb"}}},
        {"a sticky folder above, the one below and the file another user's", "u/p/db/db.mdb",
         "u: " + share,
         {{"u/", 01777}, {"u/p/", 0755, N, N}, {"u/p/db/"}, {"u/p/db/db.mdb", 0644, N}}},
        {"a sticky folder above, below it another user's link", "u/p/db/db.mdb", "u/p: ",
         {{"u/", 01777}, {"r/"}, {"r/db/"}, {"r/db/db.mdb"}, {"u/p", 0, N, N, "../r"}}},
        {"a sticky folder above, below it root's link", "u/p/db/db.mdb", "",
         {{"u/", 01777}, {"r/"}, {"r/db/"}, {"r/db/db.mdb"}, {"u/p", 0, 0, 0, "../r"}}},
        {"inside a link's target another user's link", "u/db/db.mdb", "r/x: ",
         {{"r/"}, {"o/"}, {"o/db/"}, {"o/db/db.mdb"}, {"r/x", 0, N, N, "../o"},
          {"u", 0, 0, 0, "r/x"}}},
        {"db/ another user's", "db/db.mdb", "db: 以用户 nobody 的身份运行程序",
         {{"db/", 0755, N, N}, {"db/db.mdb"}}},
        {"db/ and the file another user's", "db/db.mdb", "db: 以用户 nobody 的身份运行程序",
         {{"db/", 0755, N, N}, {"db/db.mdb", 0644, N}}},
        {"db/ root's, the file another user's", "db/db.mdb", "db/db.mdb: 把数据库文件交给",
         {{"db/"}, {"db/db.mdb", 0644, N}}},
        {"the file has a second link", "db/db.mdb", "db/db.mdb: 复制一份数据库文件",
         {{"db/"}, {"db/db.mdb", 0644}, {"db/other", 0, 0, 0, "=db/db.mdb"}}},
        {"no file: it fails closed", "db/none.mdb", "?db/none.mdb: ", {{"db/"}}},
        {"the ACLs let user N write db/ and the file", "db/db.mdb", "",
         {{"db/", 0755, 0, 0, "", folderAcl}, {"db/db.mdb", 0644, 0, 0, "", fileAcl}}},
        {"the ACL lets user N write db/ only", "db/db.mdb", "db: setfacl -x u:nobody",
         {{"db/", 0755, 0, 0, "", folderAcl}, {"db/db.mdb", 0664}}},
        {"the ACL names user N for db/, its mask lets no one write", "db/db.mdb", "",
         {{"db/", 0755, 0, 0, "", maskedAcl}, {"db/db.mdb", 0664}}},
        {"a default ACL gives user N the new files", "db/db.mdb", "db: setfacl -k",
         {{"db/", 0755, 0, 0, "", "", folderAcl}, {"db/db.mdb", 0600}}},
        {"a default ACL gives new files what the file gives", "db/db.mdb", "",
         {{"db/", 0755, 0, 0, "", "", folderAcl}, {"db/db.mdb", 0600, 0, 0, "", fileAcl}}},
        {"db.mdb a link to a file in a folder all may write", "db/db.mdb", "o: chmod o-w",
         {{"db/"}, {"o/", 0777}, {"o/db.mdb", 0664}, {"db/db.mdb", 0, 0, 0, "../o/db.mdb"}}},
        {"the ACL lets db/'s group write, its mask does not", "db/db.mdb", "",
         {{"db/", 0755, 0, N, "", maskedAcl}, {"db/db.mdb", 0644}}},
        {"a default ACL names user N, its mask lets nothing", "db/db.mdb", "",
         {{"db/", 0755, 0, 0, "", "", AclLetting(N, 7, 0)}, {"db/db.mdb", 0600}}},
        {"db/ on FUSE no trusted user mounted", "db/db.mdb", "db: " + share, plain,
         {"db", 0x65735546}},
        {"db/ in procfs", "db/db.mdb", "db: 把数据库移到普通的文件夹中", plain, {"db", 0x9fa0}},
        {"db/ on a CIFS share", "db/db.mdb", "?db: 把数据库移到本机", plain, {"db", 0xFF534D42}},
        {"db/ on an SMB2 share", "db/db.mdb", "?db: 把数据库移到本机", plain, {"db", 0xFE534D42}},
        {"db/ on an SMB share", "db/db.mdb", "?db: 把数据库移到本机", plain, {"db", 0x517B}},
        {"db/ on FAT mounted with umask=000", "db/db.mdb", "db: 以 umask=022 重新挂载",
         {{"db/", 0777}, {"db/db.mdb"}}, {"db", 0x4d44}},
        {"db/ with an NFSv4 ACL", "db/db.mdb", "?db: " + share, plain, {"db", 0, kNfs4}},
        {"db/ with a CIFS ACL", "db/db.mdb", "?db: " + share, plain, {"db", 0, "system.cifs_acl"}},
        {"db/'s NFSv4 ACL unread", "db/db.mdb", "?db: ", plain, {"db", 0, kNfs4, EIO}},
        {"db/'s ACL unread", "db/db.mdb", "?db: ", plain, {"db", 0, kAccessAcl, EIO}},
        {"db/'s default ACL unread", "db/db.mdb", "?db: ", plain, {"db", 0, kDefaultAcl, EIO}},
        {"the file's ACL unread", "db/db.mdb", "?db/db.mdb: ", plain,
         {"db/db.mdb", 0, kAccessAcl, EIO}},
        {"db/ swapped for another folder as the walk opens it", "db/db.mdb", "?db: ",
         {{"db/"}, {"db/db.mdb"}, {"s/"}, {"s/db.mdb"}}, {"db", 0, "", 0, "s"}},
        {"db/'s group the owner's private group", "db/db.mdb", "", own(kSolo, kSolo), as(kSolo)},
        {"db/'s group named after its owner lists a member", "db/db.mdb", "db: chmod g-w",
         own(kJoined, kJoined), as(kJoined)},
        {"db/'s group named after its owner is not the owner's group", "db/db.mdb",
         "db: chmod g-w", own(kOdd, kOdd), as(kOdd)},
        {"db/'s group the owner's own, named otherwise", "db/db.mdb", "db: chmod g-w",
         own(kOdd, kOddOwn), as(kOdd)},
        // A journal beside the database:
        {"of a user who may not write it", "db/db.mdb", "", beside(0644, 0600, N), {},
         "它属于不能写入数据库的用户"},
        {"others may read", "db/db.mdb", "", beside(0600, 0604), {}, readable},
        {"its group may read", "db/db.mdb", "", beside(0600, 0640), {}, readable},
        {"its ACL lets user N write", "db/db.mdb", "", beside(0600, 0600, 0, userOnly), {}, wider},
        {"its ACL lets group N write", "db/db.mdb", "", beside(0600, 0600, 0, groupOnly), {},
         wider},
        {"its ACL unread", "db/db.mdb", "", beside(0600, 0600),
         {"db/db.mdb-journal", 0, kAccessAcl, EIO}, "无法查看这个文件"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const char* top : {"db", "u", "r", "o", "s"}) std::filesystem::remove_all(at(top));
        make(row.nodes);
        // Judged in a child process, which the steering and the users it becomes change alone:
        // "?<folder>: <fix>" where it could not judge the folder, then a line for the journal.
        const std::string said = InAnotherProcess([&] {
            if (!withTestUsers(base_)) return std::string("-");
            steering = row.steer;
            for (std::string* path : {&steering.path, &steering.swapWith})
                if (!path->empty()) *path = at(*path);
            if (row.steer.as) BecomeUser(row.steer.as, ::getpwuid(row.steer.as)->pw_gid);
            const platform::DatabasePlace place(at(row.database));
            const platform::FolderDoubt& doubt = place.Doubt();
            return std::string(doubt.folder.empty() || !doubt.why.empty() ? "" : "(no why) ") +
                   (doubt.unjudged ? "?" : "") +
                   (doubt.folder.empty() ? "" : doubt.folder.substr(base_.size() + 1) + ": ") +
                   doubt.fix + "\n" +
                   (row.beside.empty() ? "" : place.BesideProblem("db.mdb-journal"));
        });
        if (said == "-") GTEST_SKIP() << "no mount namespace of its own here";
        const std::size_t end = said.find('\n');
        EXPECT_TRUE(said.starts_with(row.doubt) && (end == 0) == row.doubt.empty()) << said;
        EXPECT_TRUE(said.substr(end + 1).starts_with(row.beside)) << said;
    }
}

TEST_F(TrustedTree, PrivateFoldersGoIntoTheFirstCandidateOnlyThisUserMayChange) {
    struct Row {
        const char* what;
        std::string runtime, tmp;  // $XDG_RUNTIME_DIR and $TMPDIR in the tree, "" for unset
        std::string chosen;
        std::vector<Node> nodes;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"a private runtime folder", "run", "t", "run", {{"run/", 0700}, {"t/", 0700}}},
        {"a sticky runtime folder of root's", "run", "", "run", {{"run/", 01777}}},
        {"a sticky runtime folder of another user's", "run", "t", "t",
         {{"run/", 01777, N, N}, {"t/", 0700}}},
        {"a runtime folder all may write", "run", "", "/tmp", {{"run/", 0777}}},
        {"no runtime folder", "", "t", "t", {{"t/", 0700}}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const char* top : {"run", "t"}) std::filesystem::remove_all(at(top));
        make(row.nodes);
        const ScopedEnv runtime("XDG_RUNTIME_DIR", row.runtime.empty() ? "" : at(row.runtime));
        const ScopedEnv tmp("TMPDIR", row.tmp.empty() ? "" : at(row.tmp));
        EXPECT_EQ(platform::PrivateFolder::Parent(),
                  row.chosen.front() == '/' ? row.chosen : at(row.chosen));
    }
}

// Publish never replaces a name nor follows a link there, and gives the file its bytes and the
// access asked for; where a file made unnamed cannot be linked in (no /proc), just the same, and
// so on a file system without unnamed files and hard links (PublishingWithoutLinks runs this
// again so). It removes the temporary files a killed publishing left, and no other's.
TEST_F(TrustedTree, APublishedFileTakesAFreeNameTheBytesAndTheAccessAskedFor) {
    // The owner may read and write, user N too, the group nothing: the mode shows the mask, 0660.
    const std::string groupNothing = Letting(AclLetting(N, 6), 2, 0);
    make({{"elsewhere/"}, {"plain", 0640, N, N}, {"acl", 0600, 0, N, "", groupNothing}});
    ASSERT_EQ(AccessAclOf(at("acl")), groupNothing);
    const auto access = [](const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        char owner[64];
        std::snprintf(owner, sizeof owner, "%u %u %o ", st.st_uid, st.st_gid, st.st_mode & 07777);
        return owner + AccessAclOf(path);
    };
    struct Row {
        std::string planted;  // at "a.pdf": "file", "link" or nothing
        bool numbered;        // the names "a.pdf", "a-2.pdf" ... or "a.pdf" only
        std::string like;     // the file whose access it takes, "" for the default
        std::string result;   // the error number and the name given
    };
    const std::vector<Row> rows = {
        {"", false, "plain", "0 a.pdf"}, {"file", false, "plain", "17 "},
        {"link", false, "", "17 "},      {"file", true, "acl", "0 a-2.pdf"},
        {"link", true, "", "0 a-2.pdf"}, {"", true, "acl", "0 a.pdf"},
    };
    const platform::Folder::NameFor numbered = [](int attempt) {
        return attempt == 1 ? std::string("a.pdf") : "a-" + std::to_string(attempt) + ".pdf";
    };
    const struct Umask {
        mode_t before = ::umask(027);
        ~Umask() { ::umask(before); }
    } umask;
    for (const bool noProc : {false, true}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.planted + " at the name, like " + row.like +
                         (row.numbered ? ", numbered" : "") + (noProc ? ", without /proc" : ""));
            std::filesystem::remove_all(at("out"));
            // Temporary files of publishings: one a killed publishing left, which goes, and one
            // that another is writing (it holds its lock), which stays.
            make({{"out/"}, {"out/.kvt.part-left"}, {"out/.kvt.part-held"}});
            HeldByUser writing(0, 0, [&] {
                const int fd = ::open(at("out/.kvt.part-held").c_str(), O_RDWR);
                return std::string(::flock(fd, LOCK_EX | LOCK_NB) == 0 ? "held" : "not held");
            });
            ASSERT_EQ(writing.result(), "held");
            if (row.planted == "file") make({{"out/a.pdf", 0644, N, N}});
            if (row.planted == "link") make({{"out/a.pdf", 0, N, N, "../elsewhere/a.pdf"}});
            platform::Folder folder;
            ASSERT_EQ(folder.Open(at("out")), 0);
            const int like = row.like.empty() ? -1 : ::open(at(row.like).c_str(), O_RDONLY);
            const auto publish = [&] {
                std::string name = "a.pdf";
                const int error = row.numbered ? folder.Publish("%PDF", like, numbered, name)
                                               : folder.Publish(name, "%PDF", like);
                return std::to_string(error) + " " + (error ? "" : name);
            };
            const std::string result =
                noProc ? InAnotherProcess([&] { return withoutProc() ? publish() : "-"; })
                       : publish();
            ::close(like);
            if (result == "-") GTEST_SKIP() << "/proc cannot be hidden here";
            EXPECT_EQ(result, row.result);

            const std::string name = row.result.substr(row.result.find(' ') + 1);
            std::set<std::string> names{name, row.planted.empty() ? "" : "a.pdf", ".kvt.part-held"};
            names.erase("");  // and no other, hidden name left
            EXPECT_EQ(folder.Names(), std::vector<std::string>(names.begin(), names.end()));
            EXPECT_FALSE(std::filesystem::exists(at("elsewhere/a.pdf")));
            std::string bytes;
            const bool plantedFile = row.planted == "file";
            EXPECT_TRUE(!plantedFile || (folder.ReadFile("a.pdf", bytes) == 0 && bytes.empty()));
            if (name.empty()) continue;
            EXPECT_TRUE(folder.ReadFile(name, bytes) == 0 && bytes == "%PDF");
            EXPECT_EQ(access(at("out/" + name)),
                      row.like.empty() ? "0 0 600 none" : access(at(row.like)));  // 0600 - umask
        }
    }
}

// A user who may not give a copy the original's group (not a member) leaves it in their own: the
// copy gives that group nothing, and the original's group its rights through a named entry of
// the ACL. Where the file system has no ACLs (ramfs), the copy's group gets only what both others
// and the original's group have; never the original group's rights.
TEST_F(TrustedTree, ACopyLeftInAnotherGroupGivesThatGroupNothingAndTheOriginalsGroupItsRights) {
    const std::string groupWrites = Letting(AclLetting(N + 1, 6), 4, 4);  // others: r
    make({{"out/", 0777}, {"noacl/", 0777}, {"plain", 0664, 0, 50}, {"narrow", 0604, 0, 50}});
    make({{"acl", 0604, 0, 50, "", groupWrites}});
    const std::string noAcl = at("noacl");
    if (::mount("ramfs", noAcl.c_str(), "ramfs", 0, "mode=0777") != 0)
        GTEST_SKIP() << "no ramfs here";
    const std::unique_ptr<const char, void (*)(const char*)> unmount(
        noAcl.c_str(), [](const char* path) { ::umount2(path, MNT_DETACH); });
    // Temporary files of root's that the user may not open, hence not lock: one written two hours
    // ago goes, as one a killed publishing left; one just written stays.
    make({{"out/.kvt.part-old", 0600}, {"out/.kvt.part-new", 0600}});
    const struct timespec twoHoursAgo[2] = {{std::time(nullptr) - 7200, 0},
                                            {std::time(nullptr) - 7200, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, at("out/.kvt.part-old").c_str(), twoHoursAgo, 0), 0);
    const struct {
        const char *like, *folder;
        std::string access;  // the copy's (AccessOf)
    } rows[] = {
        {"plain", "out", "65534 65534 664 u::6,g::0,g:50:6,m::6,o::4"},
        {"acl", "out", "65534 65534 664 u::6,u:65535:6,g::0,g:50:6,m::6,o::4"},
        {"plain", "noacl", "65534 65534 644 none"},
        {"narrow", "noacl", "65534 65534 604 none"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.like) + " in " + row.folder);
        const std::string made = AsAnotherUser([&] {
            const int from = ::open(at(row.like).c_str(), O_RDONLY);
            platform::Folder folder;
            if (from < 0 || folder.Open(at(row.folder)) != 0) return std::string("cannot open");
            const int error = folder.Publish(row.like, "bytes", from);
            ::close(from);
            return std::to_string(error);
        });
        ASSERT_EQ(made, "0");
        EXPECT_EQ(AccessOf(at(std::string(row.folder) + "/" + row.like)), row.access);
    }
    EXPECT_FALSE(std::filesystem::exists(at("out/.kvt.part-old")));
    EXPECT_TRUE(std::filesystem::exists(at("out/.kvt.part-new")));
}

// A word a box puts into a command reaches the command as it is, from /bin/sh and from bash.
TEST(ShellQuoted, EveryWordReachesTheCommandAsItIs) {
    for (const std::string word : {"/srv/kvt/db", "/tmp/my kvt/db", "it's", "'", "$HOME", "a\\b",
                                   "two\nlines", "`id`", "*", "~root", "", "数据库 文件"})
        for (const char* shell : {"sh", "bash"})
            EXPECT_EQ(RunInShell(shell, "printf '%s|' " + platform::ShellQuoted(word)).second,
                      word + "|")
                << shell << ": " << word;
}

// A writer's journal that lets others more than the database: the box's commands, run as printed
// by root, make it one the next start uses (db/ gets the setgid bit where a member's save left it
// in the member's group). A non-writer's is to be moved away, or that user let write.
TEST_F(TrustedTree, TheCommandsABoxGivesMakeTheFileBesideTheDatabaseUsable) {
    constexpr gid_t G = 3007;
    const std::string groupNothing = Letting(AclLetting(N, 6), 2, 0);  // the group: nothing
    struct Row {
        std::vector<Node> nodes;  // db/, the database, its journal
        bool member;              // N, in group G, judges; else root
        std::string commands;     // the programs the commands run, and what else the box says
    };
    const std::string j = "db/db.mdb-journal";
    // clang-format off
    const Row rows[] = {
        {{{"db/", 0775, 0, G}, {"db/db.mdb", 0660, 0, G}, {j, 0660, N, N}}, true, "chgrp chmod 不要移走"},
        {{{"db/", 02775, 0, G}, {"db/db.mdb", 0660, 0, G}, {j, 0664, N, G}}, true, "chmod "},
        {{{"db/"}, {"db/db.mdb", 0660, 0, G, "", groupNothing}, {j, 0660, 0, G}}, false, "getfacl "},
        {{{"db/", 02775, 0, G}, {"db/db.mdb", 0660, 0, G}, {j, 0660, N, N}}, false, "usermod -aG 3007 nobody"},
        {{{"db/"}, {"db/db.mdb", 0600}, {j, 0600, N, N}}, false, "只有 root 能改变"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.commands);
        std::filesystem::remove_all(at("db"));
        make(row.nodes);
        const auto judged = [&](bool box) {
            const auto judge = [&] {
                const platform::DatabasePlace place(at("db/db.mdb"));
                return box ? platform::BesideFileText(place, place.Files(), "db.mdb-journal")
                           : place.BesideProblem("db.mdb-journal");
            };
            return row.member ? AsUser(N, N, judge, {G}) : InAnotherProcess(judge);
        };
        const std::string box = judged(true);
        std::string script, programs;
        for (const std::string& command : CommandsIn(box)) {
            script += command + "\n";
            programs += command.substr(0, command.find(' ') + 1);
        }
        EXPECT_EQ(row.commands.rfind(programs, 0), 0u) << box;
        EXPECT_NE(box.find(row.commands.substr(programs.size())), std::string::npos) << box;
        EXPECT_EQ(box.find("移到别处") != std::string::npos, script.empty()) << box;
        if (script.empty()) continue;
        EXPECT_EQ(RunInShell("sh", script).first, 0) << script;
        EXPECT_EQ(judged(false), "");
        struct stat db {};
        EXPECT_TRUE(::stat(at("db").c_str(), &db) == 0 &&
                    ((db.st_mode & S_ISGID) != 0) == (row.nodes[0].mode != 0755));
    }
}
