#include "platform/PrintFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/AppPath.h"
#include "platform/storage/AccessRemedy.h"
#include "platform/storage/DatabasePlace.h"
#include "platform/storage/FileAccess.h"
#include "platform/storage/FolderTrust.h"
#include "platform/storage/PathWalk.h"

namespace platform {
namespace {

// Whether this process is a member of the group `gid`.
bool inGroup(gid_t gid) {
    const std::vector<gid_t> mine = GroupsOf(::geteuid());
    return std::find(mine.begin(), mine.end(), gid) != mine.end();
}

// The database file's access, read through its held folder without opening the file: closing a
// descriptor of it would drop the locks of the program's own handles.
std::optional<FileAccess> databaseAccess(const DatabasePlace& place) {
    FileAccess access;
    if (place.Error() || FileAccessIn(place.Files().Fd(), place.Name(), access) != 0)
        return std::nullopt;
    return access;
}

}  // namespace

PrintFolder::PrintFolder()
    : path_((std::filesystem::path(AppPath()) / "print").string()),
      place_(DatabasePlace::Of(DatabasePath())),
      database_(databaseAccess(*place_)) {}

PrintFolder::~PrintFolder() = default;

mode_t PrintFolder::ModeFor(const FileAccess& database) {
    mode_t mode = 0700;
    if (database.groupMay & kMayRead) mode |= 0050;
    if (database.groupMay & kMayWrite) mode |= 02070;
    if (database.othersMay & kMayRead) mode |= 0005;
    return mode;
}

int PrintFolder::Open() {
    const bool made = ::mkdir(path_.c_str(), 0700) == 0;
    if (!made && errno != EEXIST) return errno;
    PathWalk walk;
    const int error = walk.Walk(path_);
    const TrustedOwners owners = TrustedOwners::Program(walk);
    // A link on the way is followed only when it is no other user's (others may write a shared
    // program folder).
    if (!ForeignLinkIn(walk, owners).Empty()) return ELOOP;
    if (error) return error;
    if (walk.FinalFolder() < 0) return ENOTDIR;
    if (const int held = folder_.Hold(walk.Folders()[std::size_t(walk.FinalFolder())].fd, path_))
        return held;
    if (made) giveAccess();
    // Whoever may write the database may change the prints; no one else.
    doubt_ = Judge(walk, FolderRule{place_->FileWriters(), owners, true});
    return 0;
}

// print/ was made private; it gets its owner, group and mode through its descriptor. What
// cannot be given (a file system that keeps no owners or modes) stays as made: never wider.
void PrintFolder::giveAccess() const {
    if (!database_) {
        ::fchmod(folder_.Fd(), 0755);
        return;
    }
    const FileAccess& database = *database_;
    ::fchown(folder_.Fd(), ::geteuid() == 0 ? database.owner : uid_t(-1), database.group);
    mode_t mode = ModeFor(database);
    struct stat st {};
    // Left in another group (not a member of the database's), the group gets what others get.
    if (::fstat(folder_.Fd(), &st) != 0 || st.st_gid != database.group)
        mode = (mode & ~mode_t(02070)) | (mode & 07) << 3;
    ::fchmod(folder_.Fd(), mode);
}

bool PrintFolder::MayWrite() const {
    return folder_.IsOpen() &&
           (::faccessat(folder_.Fd(), ".", W_OK | X_OK, AT_EACCESS) == 0 || errno != EACCES);
}

AccessLike PrintFolder::PdfAccess() const {
    return database_ ? AccessLike(*database_, true) : AccessLike(folder_.Fd(), true);
}

std::string PrintFolder::Refusal() const {
    const uid_t me = ::geteuid();
    const std::string user = UserName(me), where = ShellQuoted(path_);
    const bool known = database_.has_value();
    const FileAccess database = database_.value_or(FileAccess{});
    const bool groupWrites = known && (database.groupMay & kMayWrite) != 0;
    std::string why, fix;
    // The database as its place holds it: no name looked up again.
    if (::faccessat(place_->Files().Fd(), place_->Name().c_str(), W_OK, AT_EACCESS) != 0) {
        why = "只有可以修改数据库的用户才能保存打印文件，用户 " + user + " 只能查看数据库";
        fix = groupWrites ? JoinGroupText(database.group, me)
                          : "请以数据库的所有者 " + UserName(database.owner) + " 运行程序打印";
    } else {
        struct stat st {};
        const bool exists = ::stat(path_.c_str(), &st) == 0;
        why = exists ? "打印文件夹属于用户 " + UserName(st.st_uid) + "，用户 " + user +
                           " 不能在其中建立文件"
                     : "程序文件夹中没有打印文件夹，用户 " + user + " 也不能建立它";
        const std::string give = me == database.owner ? "chown " + ShellQuoted(user)
                                 : groupWrites && inGroup(database.group)
                                     ? "chgrp " + ShellQuoted(GroupName(database.group))
                                     : "setfacl -m " + ShellQuoted("u:" + user + ":rwx");
        fix = "请管理员执行 " + (exists ? std::string() : "mkdir " + where + " && ") + give + " " +
              where + " && chmod " + OctalMode(known ? ModeFor(database) : 0755) + " " + where;
    }
    return "打印文件无法写入：用户 " + user + " 不能在打印文件夹中建立文件。\n文件夹：" + path_ +
           "\n原因：" + why + "\n解决办法：" + fix;
}

}  // namespace platform
