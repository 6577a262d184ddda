#include "platform/storage/FolderTrust.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>

#include "platform/AppPath.h"
#include "platform/storage/FileAccess.h"
#include "platform/storage/FileHelpers.h"

namespace platform {
namespace {

std::string userName(uid_t uid) {
    const passwd* user = ::getpwuid(uid);
    return user ? user->pw_name : std::to_string(uid);
}

std::string groupName(gid_t gid) {
    const group* g = ::getgrgid(gid);
    return g ? g->gr_name : std::to_string(gid);
}

// A path as a shell command takes it.
std::string quoted(const std::string& path) {
    const bool plain = std::all_of(path.begin(), path.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c >= 0x80;
    });
    if (plain) return path;
    std::string out = "'";
    for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The folders from `folder` up to /, nearest first.
std::vector<std::string> folderChain(const std::filesystem::path& folder) {
    std::vector<std::string> chain;
    for (std::filesystem::path at = folder;; at = at.parent_path()) {
        chain.push_back(at.string());
        if (at == at.root_path() || at.parent_path() == at) break;
    }
    return chain;
}

class FolderRule {
  public:
    FolderRule(const Writers& writers, bool shareableLeaf)
        : writers_(writers), shareableLeaf_(shareableLeaf) {}

    FolderDoubt check(const std::vector<std::string>& chain) const {
        for (std::size_t i = 0; i < chain.size(); ++i) {
            FolderDoubt doubt = checkOne(chain[i], i == 0 ? std::string() : chain[i - 1]);
            if (!doubt.Empty()) return doubt;
        }
        return {};
    }

  private:
    bool trustedOwner(uid_t uid) const {
        return uid == 0 || uid == ::geteuid() || uid == writers_.owner;
    }

    // Whether the sticky bit keeps others who may write `folder` from what matters: the entry
    // below it on the path (none for the folder itself) is one they cannot rename.
    bool stickyShields(const FileAccess& folder, const std::string& below) const {
        if ((folder.mode & S_ISVTX) == 0) return false;
        if (below.empty()) return shareableLeaf_;
        struct stat entry {};
        return ::lstat(below.c_str(), &entry) == 0 && trustedOwner(entry.st_uid);
    }

    FolderDoubt checkOne(const std::string& folder, const std::string& below) const {
        FileAccess access;
        if (FileAccessAt(folder, access) != 0) return {};  // not there: nothing to write into
        const auto doubt = [&](std::string why, std::string fix) {
            return FolderDoubt{folder, std::move(why), std::move(fix) + " " + quoted(folder)};
        };
        if (!trustedOwner(access.owner))
            return doubt("文件夹属于用户 " + userName(access.owner) +
                             "，这个用户可以在其中建立、改名或删除文件",
                         "chown " + userName(writers_.owner));
        const bool shielded = stickyShields(access, below);
        const auto mayWrite = [&](unsigned may) { return (may & kMayWrite) != 0 && !shielded; };
        // The mode's classes first, in one command: "chmod go-w" for a folder of mode 777.
        const bool others = mayWrite(access.othersMay) && !writers_.everyone;
        const bool group = mayWrite(access.groupMay) && !writers_.Group(access.group);
        if (others || group)
            return doubt(
                others ? "任何用户都可以在其中建立、改名或删除文件"
                       : "组 " + groupName(access.group) + " 的成员可以在其中建立、改名或删除文件",
                std::string("chmod ") + (group ? "g" : "") + (others ? "o" : "") + "-w");
        for (const auto& [uid, may] : access.users)
            if (mayWrite(may) && !writers_.User(uid))
                return doubt(
                    "访问控制列表让用户 " + userName(uid) + " 可以在其中建立、改名或删除文件",
                    "setfacl -x u:" + userName(uid));
        for (const auto& [gid, may] : access.groups)
            if (mayWrite(may) && !writers_.Group(gid))
                return doubt(
                    "访问控制列表让组 " + groupName(gid) + " 的成员可以在其中建立、改名或删除文件",
                    "setfacl -x g:" + groupName(gid));
        return {};
    }

    const Writers& writers_;
    bool shareableLeaf_;
};

// The path made absolute, without "." and ".." (as far as they go lexically) or a trailing "/".
std::filesystem::path absolute(const std::string& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    full = (ec ? std::filesystem::path(path) : full).lexically_normal();
    return full.has_relative_path() && !full.has_filename() ? full.parent_path() : full;
}

}  // namespace

bool Writers::User(uid_t uid) const {
    return everyone || uid == 0 || uid == owner ||
           std::find(users.begin(), users.end(), uid) != users.end();
}

bool Writers::Group(gid_t gid) const {
    return everyone || std::find(groups.begin(), groups.end(), gid) != groups.end();
}

int WritersOf(int fd, Writers& out) {
    FileAccess access;
    if (const int error = FileAccessOf(fd, access)) return error;
    out = Writers();
    out.owner = access.owner;
    if (access.groupMay & kMayWrite) out.groups.push_back(access.group);
    for (const auto& [uid, may] : access.users)
        if (may & kMayWrite) out.users.push_back(uid);
    for (const auto& [gid, may] : access.groups)
        if (may & kMayWrite) out.groups.push_back(gid);
    out.everyone = (access.othersMay & kMayWrite) != 0;
    return 0;
}

Writers OnlyUser(uid_t user) {
    Writers writers;
    writers.owner = user;
    return writers;
}

namespace {

// The writers of `file`, a resolved path ("" for none): 0 or the error number.
int writersOfFile(const std::string& file, Writers& writers) {
    const int fd = file.empty() ? -1 : OpenRegularFile(file, O_RDONLY);
    if (fd < 0) return file.empty() ? ENOENT : errno;
    const int error = WritersOf(fd, writers);
    ::close(fd);
    return error;
}

}  // namespace

Writers DatabaseWriters(const std::string& database) {
    Writers writers;
    return writersOfFile(ResolvedPath(database), writers) == 0 ? writers : OnlyUser(::geteuid());
}

FolderDoubt DoubtAbout(const std::string& folder, const Writers& writers, bool shareableLeaf) {
    const FolderRule rule(writers, shareableLeaf);
    const std::filesystem::path given = absolute(folder);
    FolderDoubt doubt = rule.check(folderChain(given));
    const std::string resolved = ResolvedPath(given.string());
    if (doubt.Empty() && !resolved.empty() && resolved != given.string())
        doubt = rule.check(folderChain(resolved));
    return doubt;
}

FolderDoubt DoubtAboutDatabase(const std::string& database) {
    // A file that cannot be opened is the start's to report.
    const std::string file = ResolvedPath(database);
    Writers writers;
    if (writersOfFile(file, writers) != 0) return {};
    const std::string folder = std::filesystem::path(file).parent_path().string();
    const std::string named = absolute(database).parent_path().string();
    FolderDoubt doubt = DoubtAbout(folder, writers, false);
    if (doubt.Empty() && named != folder) doubt = DoubtAbout(named, writers, false);
    return doubt;
}

std::string UserName(uid_t uid) {
    return userName(uid);
}

std::string GroupName(gid_t gid) {
    return groupName(gid);
}

std::string ShellQuoted(const std::string& path) {
    return quoted(path);
}

}  // namespace platform
