#include "platform/storage/FolderTrust.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>

#include "platform/AppPath.h"
#include "platform/storage/FileAccess.h"
#include "platform/storage/PathWalk.h"

namespace platform {
namespace {

constexpr long kNfs = 0x6969, kProcFs = 0x9fa0, kFuse = 0x65735546, kMsdos = 0x4d44,
               kExfat = 0x2011BAB0, kCifs = 0xFF534D42, kSmb2 = 0xFE534D42, kSmb = 0x517B;

uid_t overflowUid() {
    std::ifstream in("/proc/sys/kernel/overflowuid");
    long uid = 65534;
    in >> uid;
    return uid_t(uid);
}

}  // namespace

std::vector<gid_t> GroupsOf(uid_t uid) {
    if (uid == ::geteuid()) {
        std::vector<gid_t> mine(std::size_t(std::max(::getgroups(0, nullptr), 0)));
        mine.resize(std::size_t(std::max(::getgroups(int(mine.size()), mine.data()), 0)));
        mine.push_back(::getegid());
        return mine;
    }
    const passwd* user = ::getpwuid(uid);
    if (!user) return {};
    const std::string name = user->pw_name;
    const gid_t primary = user->pw_gid;
    int count = 32;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(name.c_str(), primary, groups.data(), &count) < 0) {
        groups.resize(std::size_t(count));
        if (::getgrouplist(name.c_str(), primary, groups.data(), &count) < 0) return {primary};
    }
    groups.resize(std::size_t(count));
    return groups;
}

namespace {

// Whether `gid` is the private group of `owner`: named after the owner, the owner's own group,
// and listing no member. Who else may have it as their own group is not asked: a directory service
// (sssd, LDAP) need not list its users, so no list of all users proves that no one else is in it.
bool privateGroupOf(gid_t gid, uid_t owner) {
    const passwd* user = ::getpwuid(owner);
    if (!user || user->pw_gid != gid) return false;
    const std::string name = user->pw_name;
    const group* g = ::getgrgid(gid);
    return g && name == g->gr_name && (!g->gr_mem || !*g->gr_mem);
}

// The mount of the device `dev` as /proc/self/mountinfo tells it: its file system type and its
// options of the super block ("" when not found).
struct Mount {
    std::string type, options;
};
Mount mountOf(dev_t dev) {
    std::ifstream in("/proc/self/mountinfo");
    const std::string id = std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string mountId, parent, devId, word;
        fields >> mountId >> parent >> devId;
        if (devId != id) continue;
        while (fields >> word && word != "-") {
        }
        Mount mount;
        std::string source;
        fields >> mount.type >> source >> mount.options;
        return mount;
    }
    return {};
}

// The user a FUSE file system was mounted by (its user_id option); -1 when unknown.
long fuseUser(const Mount& mount) {
    const std::string key = "user_id=";
    const std::size_t at = mount.options.find(key);
    return at == std::string::npos ? -1 : std::atol(mount.options.c_str() + at + key.size());
}

// What could not be read, and why: a folder that cannot be judged is a doubt.
std::string unreadable(const std::string& what, int error) {
    return "无法读取" + what + "（" + std::strerror(error) + "）";
}

bool fatLike(long type, const Mount& mount) {
    return type == kMsdos || type == kExfat || mount.type.find("fat") != std::string::npos ||
           mount.type == "fuseblk";
}

// Whether `path` (links resolved) is the program folder or lies in it.
bool inProgramFolder(const std::string& path) {
    const std::string program = ResolvedPath(AppPath());
    return !program.empty() &&
           (path == program || path.rfind(program == "/" ? program : program + "/", 0) == 0);
}

class Judging {
  public:
    Judging(const PathWalk& walk, const FolderRule& rule) : walk_(walk), rule_(rule) {}

    FolderDoubt run() const {
        const auto& steps = walk_.Steps();
        for (const PathWalk::Step& step : steps) {
            if (FolderDoubt doubt = folder(step.folder, &step); !doubt.Empty()) return doubt;
            if (FolderDoubt doubt = ForeignLinkIn(walk_, rule_.owners, &step); !doubt.Empty())
                return doubt;
        }
        if (walk_.FinalFolder() >= 0) return folder(std::size_t(walk_.FinalFolder()), nullptr);
        return {};
    }

  private:
    // The folder `index`, passed through on the way to `below` (none: the walk's final folder).
    FolderDoubt folder(std::size_t index, const PathWalk::Step* below) const {
        const PathWalk::Folder& held = walk_.Folders()[index];
        const auto doubt = [&](std::string why, std::string fix, bool unjudged = false) {
            return FolderDoubt{held.path, std::move(why), std::move(fix), false, unjudged};
        };
        FileAccess access;
        if (const int error = FileAccessIn(held.fd, "", access))
            return doubt(unreadable("文件夹的访问权限", error), "", true);
        struct statfs fs {};
        if (::fstatfs(held.fd, &fs) != 0)
            return doubt(unreadable("文件夹所在的文件系统", errno), "", true);
        // Only a FUSE file system's mounting user and type need the mount table.
        const Mount mount = fs.f_type == kFuse ? mountOf(held.st.st_dev) : Mount{};
        if (fs.f_type == kProcFs) return doubt("文件夹在 /proc 中", "把数据库移到普通的文件夹中");
        if (fs.f_type == kFuse && !rule_.owners.Has(uid_t(fuseUser(mount))))
            return doubt("文件系统是其他用户挂载的（FUSE）", "把数据库移到属于本用户的文件夹中");
        // A share's owners and modes are what its mount options say, not who may write it.
        if (fs.f_type == kCifs || fs.f_type == kSmb2 || fs.f_type == kSmb)
            return doubt("文件夹在 CIFS/SMB 共享上，其中的所有者和权限来自挂载选项，无法判断",
                         "把数据库移到本机磁盘上属于本用户的文件夹中", true);
        for (const char* acl : {"system.nfs4_acl", "system.cifs_acl"}) {
            bool has = false;
            if (const int error = HasAttribute(held.fd, acl, has))
                return doubt(unreadable("文件夹的访问控制列表", error), "", true);
            if (has)
                return doubt("文件夹带有无法判断的 NFSv4 或 CIFS 访问控制列表",
                             "把数据库移到属于本用户的文件夹中", true);
        }
        if (!rule_.owners.Has(access.owner))
            return doubt("文件夹属于用户 " + UserName(access.owner) +
                             "，这个用户可以在其中建立、改名或删除文件",
                         "以用户 " + UserName(access.owner) +
                             " 的身份运行程序，或把数据库移到属于本用户的文件夹中");
        if (FolderDoubt writes = writers(held, access, below, fatLike(fs.f_type, mount));
            !writes.Empty())
            return writes;
        if (rule_.readers && below && below->final) return defaultAcl(held);
        return {};
    }

    // Whether the sticky bit keeps others who may write the folder from what matters: the entry
    // below it on the way is one they cannot rename.
    bool shielded(const FileAccess& access, const PathWalk::Step* below) const {
        if ((access.mode & S_ISVTX) == 0) return false;
        if (!below) return rule_.shareableLeaf;
        // The folder of a file written under a fixed name (the database's and its journal's).
        if ((below->final || below->givenLast) && walk_.FinalFolder() < 0) return false;
        return rule_.owners.Has(below->entry.st_uid);
    }

    FolderDoubt writers(const PathWalk::Folder& held, const FileAccess& access,
                        const PathWalk::Step* below, bool fat) const {
        const auto doubt = [&](std::string why, std::string fix) {
            return FolderDoubt{held.path, std::move(why),
                               std::move(fix) + " " + ShellQuoted(held.path)};
        };
        const bool shield = shielded(access, below);
        const auto mayWrite = [&](unsigned may) { return (may & kMayWrite) != 0 && !shield; };
        const Writers& w = rule_.writers;
        const bool others = mayWrite(access.othersMay) && !w.everyone;
        const bool group = mayWrite(access.groupMay) && !w.Group(access.group) &&
                           !privateGroupOf(access.group, access.owner);
        if (others && fat)
            return FolderDoubt{
                held.path,
                "U 盘一类的文件系统（FAT、exFAT）以 umask=000 "
                "挂载，任何用户都可以在其中建立、改名或删除文件",
                "以 umask=022 重新挂载这个文件系统，或把数据库移到属于本用户的文件夹中"};
        // /tmp and the like, which every user shares: the database moves, not the folder. The
        // program folder and what lies in it are the user's to mend.
        if (others && (access.mode & S_ISVTX) && !inProgramFolder(held.path))
            return FolderDoubt{held.path,
                               "这是所有用户共用的文件夹（粘滞位）：任何用户都可以在其中建立文件，"
                               "并改名或删除自己的文件",
                               "把数据库移到属于本用户的文件夹中"};
        if (others || group)
            return doubt(others && (access.mode & S_ISVTX)
                             ? "任何用户都可以在其中建立文件，并改名或删除自己的文件（粘滞位）"
                         : others ? "任何用户都可以在其中建立、改名或删除文件"
                                  : "组 " + GroupName(access.group) +
                                        " 的成员可以在其中建立、改名或删除文件",
                         std::string("chmod ") + (group ? "g" : "") + (others ? "o" : "") + "-w");
        for (const auto& [uid, may] : access.users)
            if (mayWrite(may) && !w.User(uid))
                return doubt(
                    "访问控制列表让用户 " + UserName(uid) + " 可以在其中建立、改名或删除文件",
                    "setfacl -x " + ShellQuoted("u:" + UserName(uid)));
        for (const auto& [gid, may] : access.groups)
            if (mayWrite(may) && !w.Group(gid))
                return doubt(
                    "访问控制列表让组 " + GroupName(gid) + " 的成员可以在其中建立、改名或删除文件",
                    "setfacl -x " + ShellQuoted("g:" + GroupName(gid)));
        return {};
    }

    // New files get the folder's default ACL: it may give no one more than the database does.
    FolderDoubt defaultAcl(const PathWalk::Folder& held) const {
        std::vector<AclEntry> entries;
        if (const int error = DefaultAclOf(held.fd, entries))
            return FolderDoubt{held.path, unreadable("文件夹的默认访问控制列表", error), "", false,
                               true};
        const Writers& w = rule_.writers;
        const Writers& r = *rule_.readers;
        for (const AclEntry& e : entries) {
            const bool writes = (e.may & kMayWrite) != 0, reads = (e.may & kMayRead) != 0;
            bool wider = false;
            std::string who;
            if (e.tag == AclEntry::User) {
                wider = (writes && !w.User(e.id)) || (reads && !r.User(e.id));
                who = "用户 " + UserName(e.id);
            } else if (e.tag == AclEntry::Group) {
                wider = (writes && !w.Group(e.id)) || (reads && !r.Group(e.id));
                who = "组 " + GroupName(e.id);
            } else if (e.tag == AclEntry::Other) {
                wider = (writes && !w.everyone) || (reads && !r.everyone);
                who = "任何用户";
            }
            if (wider)
                return FolderDoubt{
                    held.path,
                    "文件夹的默认访问控制列表让" + who + "能读写其中新建的文件（日志文件）",
                    "setfacl -k " + ShellQuoted(held.path)};
        }
        return {};
    }

    const PathWalk& walk_;
    const FolderRule& rule_;
};

}  // namespace

std::string UserName(uid_t uid) {
    const passwd* user = ::getpwuid(uid);
    return user ? user->pw_name : std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    const group* g = ::getgrgid(gid);
    return g ? g->gr_name : std::to_string(gid);
}

std::string ShellQuoted(const std::string& word) {
    // Plain ASCII only: in a locale such as GBK the second byte of a character may be a
    // backslash or a `|`, which only quotes keep as they are.
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::string_view("/._-+,:@%=").find(c) != std::string_view::npos;
    });
    if (plain) return word;
    // Inside single quotes a POSIX shell takes every byte as it is but the quote itself, which
    // is closed, given escaped and opened again.
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

FolderDoubt ForeignLinkIn(const PathWalk& walk, const TrustedOwners& owners,
                          const PathWalk::Step* only) {
    for (const PathWalk::Step& step : walk.Steps()) {
        if (only && &step != only) continue;
        if (!step.link || owners.Has(step.entry.st_uid) ||
            step.entry.st_uid == walk.Folders()[step.folder].st.st_uid)
            continue;
        return FolderDoubt{walk.PathIn(step.folder, step.name),
                           "链接属于用户 " + UserName(step.entry.st_uid), "", true};
    }
    return {};
}

namespace {

template <typename T>
bool contains(const std::vector<T>& list, T item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

bool Writers::User(uid_t uid) const {
    if (uid == 0 || uid == owner || contains(users, uid)) return true;
    return everyone && !contains(namedUsers, uid);
}

bool Writers::Group(gid_t gid) const {
    if (contains(groups, gid)) return true;
    return everyone && gid != fileGroup && !contains(namedGroups, gid);
}

bool Writers::Member(uid_t uid) const {
    if (uid == 0 || uid == owner || contains(namedUsers, uid)) return User(uid);
    const std::vector<gid_t> mine = GroupsOf(uid);
    bool inAGroupEntry = false;
    for (const gid_t gid : mine) {
        if (contains(groups, gid)) return true;
        inAGroupEntry = inAGroupEntry || gid == fileGroup || contains(namedGroups, gid);
    }
    return everyone && !inAGroupEntry;
}

Writers Who(const FileAccess& access, unsigned may) {
    Writers who;
    who.owner = access.owner;
    if (access.groupMay & may) who.groups.push_back(access.group);
    for (const auto& [uid, can] : access.users)
        if (can & may) who.users.push_back(uid);
    for (const auto& [gid, can] : access.groups)
        if (can & may) who.groups.push_back(gid);
    who.everyone = (access.othersMay & may) != 0;
    who.fileGroup = access.group;
    for (const auto& entry : access.users) who.namedUsers.push_back(entry.first);
    for (const auto& entry : access.groups) who.namedGroups.push_back(entry.first);
    return who;
}

Writers OnlyUser(uid_t user) {
    Writers writers;
    writers.owner = user;
    return writers;
}

bool TrustedOwners::Has(uid_t uid) const {
    return std::find(ids.begin(), ids.end(), uid) != ids.end();
}

TrustedOwners TrustedOwners::RunningUser() {
    return TrustedOwners{{0, ::geteuid()}};
}

namespace {

// Root, the user running and the owner of the program folder `program`, held by a walk.
TrustedOwners withProgramFolder(const PathWalk::Folder& program) {
    TrustedOwners owners = TrustedOwners::RunningUser();
    struct statfs fs {};
    // Where a network file system shows owners it cannot map as the overflow user, that user
    // owns nothing.
    if (program.st.st_uid == overflowUid() &&
        (::fstatfs(program.fd, &fs) != 0 || fs.f_type == kNfs))
        return owners;
    owners.ids.push_back(program.st.st_uid);
    return owners;
}

}  // namespace

TrustedOwners TrustedOwners::Program() {
    PathWalk walk;
    if (walk.Walk(AppPath()) != 0 || walk.FinalFolder() < 0) return RunningUser();
    return withProgramFolder(walk.Folders()[std::size_t(walk.FinalFolder())]);
}

TrustedOwners TrustedOwners::Program(const PathWalk& walk) {
    const std::string program = AppPath();
    if (program.empty() || program[0] != '/' || walk.Walked().rfind(program + "/", 0) != 0)
        return Program();
    // The walk looked the first name below the program folder up in it.
    std::size_t components = 0;
    for (std::size_t at = 0; at < program.size(); ++at)
        if (program[at] != '/' && (at == 0 || program[at - 1] == '/')) ++components;
    const long folder = walk.FolderBefore(components);
    return folder < 0 ? RunningUser() : withProgramFolder(walk.Folders()[std::size_t(folder)]);
}

FolderDoubt Judge(const PathWalk& walk, const FolderRule& rule) {
    return Judging(walk, rule).run();
}

FolderDoubt CannotLookUp(const std::string& path, int error) {
    return FolderDoubt{path, "无法查找这个文件夹（" + std::string(std::strerror(error)) + "）", "",
                       false, true};
}

FolderDoubt DoubtAbout(const std::string& folder, const Writers& writers, bool shareableLeaf,
                       const TrustedOwners& owners) {
    PathWalk walk;
    const int error = walk.Walk(folder);
    if (error) return CannotLookUp(walk.ErrorPath(), error);
    return Judge(walk, FolderRule{writers, owners, shareableLeaf});
}

}  // namespace platform
