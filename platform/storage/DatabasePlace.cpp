#include "platform/storage/DatabasePlace.h"

#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "platform/storage/AccessRemedy.h"
#include "platform/storage/FileAccess.h"
#include "platform/storage/FileHelpers.h"
#include "platform/storage/JournalFit.h"
#include "platform/storage/PathWalk.h"
#include "platform/storage/PinnedVfs.h"

namespace platform {
namespace {

// Where a file gives someone more than the database: "" when it does not.
std::string wider(const FileAccess& file, const Writers& writers, const Writers& readers) {
    const auto check = [](unsigned may, bool writer, bool reader) {
        if ((may & kMayWrite) && !writer) return "不能写入数据库的用户也能写入它";
        if ((may & kMayRead) && !reader) return "不能读取数据库的用户也能读取它";
        return "";
    };
    std::string why = check(file.ownerMay, writers.Member(file.owner), readers.Member(file.owner));
    if (why.empty())
        why = check(file.groupMay, writers.Group(file.group), readers.Group(file.group));
    for (const auto& [uid, may] : file.users)
        if (why.empty()) why = check(may, writers.Member(uid), readers.Member(uid));
    for (const auto& [gid, may] : file.groups)
        if (why.empty()) why = check(may, writers.Group(gid), readers.Group(gid));
    if (why.empty()) why = check(file.othersMay, writers.everyone, readers.everyone);
    return why;
}

}  // namespace

DatabasePlace::DatabasePlace(const std::string& database,
                             const std::optional<TrustedOwners>& owners)
    : given_(database) {
    walk(owners);
    pin();
}

DatabasePlace::DatabasePlace(const Folder& folder, const std::string& name)
    : given_(folder.PathOf(name)), name_(name) {
    struct stat file {};
    FileAccess access;
    const PathWalk::Folder held{folder.Fd(), folder.Path(), {}};
    if (::fstatat(folder.Fd(), name.c_str(), &file, AT_SYMLINK_NOFOLLOW) != 0) {
        error_ = errno;
        errorPath_ = given_;
        doubt_ = CannotLookUp(errorPath_, error_);
    } else if (hold(held, held, file, access)) {
        pin();
    }
}

void DatabasePlace::pin() {
    if (error_ != 0) return;
    PinnedVfs::Pin(files_.Fd(), [this](const std::string& name, int flags, PinnedVfs::Step step) {
        return guard(name, flags, int(step));
    });
    pinned_ = true;
}

DatabasePlace::~DatabasePlace() {
    if (pinned_) PinnedVfs::Unpin(files_.Fd());
}

std::shared_ptr<DatabasePlace> DatabasePlace::Of(const std::string& database) {
    static std::map<std::string, std::weak_ptr<DatabasePlace>> places;
    // A child process that became another user judges anew.
    std::weak_ptr<DatabasePlace>& slot = places[std::to_string(::geteuid()) + ":" + database];
    if (std::shared_ptr<DatabasePlace> place = slot.lock()) {
        // Only whether to walk again is asked of the name: a new walk is judged anew.
        struct stat now {};
        if (place->error_ == 0 && place->StillHolds() && ::stat(database.c_str(), &now) == 0 &&
            SameFile(now, place->held_))
            return place;
    }
    auto place = std::make_shared<DatabasePlace>(database);
    slot = place;
    return place;
}

void DatabasePlace::walk(const std::optional<TrustedOwners>& given) {
    PathWalk walk;
    error_ = walk.Walk(given_);
    errorPath_ = walk.ErrorPath();
    const TrustedOwners owners = given ? *given : TrustedOwners::Program(walk);
    // A link another user made is not followed, whether or not the walk got past it.
    if (FolderDoubt foreign = ForeignLinkIn(walk, owners); !foreign.Empty()) {
        error_ = ELOOP;
        errorPath_ = foreign.folder;
        doubt_ = std::move(foreign);
        return;
    }
    if (error_) {
        doubt_ = CannotLookUp(errorPath_, error_);
        return;
    }
    name_ = walk.FinalName();
    const PathWalk::Folder& holder = walk.Folders()[walk.Holder()];
    FileAccess access;
    if (!hold(holder, walk.Folders()[walk.NamedFolder()], walk.Final(), access)) return;
    doubt_ = Judge(walk, FolderRule{writers_, owners, false, &readers_});
    if (!doubt_.Empty()) return;
    // Below a user's folder the file must be that user's; below root's, a trusted owner's.
    const uid_t folderOwner = holder.st.st_uid;
    const uid_t fileOwner = access.owner;
    if (folderOwner != 0 ? fileOwner != folderOwner : !owners.Has(fileOwner))
        doubt_ = FolderDoubt{
            file_,
            "数据库文件属于用户 " + UserName(fileOwner) + "，不属于文件夹的所有者或运行程序的用户",
            "把数据库文件交给文件夹的所有者（chown）"};
    else if (held_.st_nlink != 1)
        doubt_ = FolderDoubt{file_, "数据库文件有多个硬链接，其他位置的名字也能改动它",
                             "复制一份数据库文件，用它替换原来的文件"};
}

// Holds the regular file `name_` (found as `file`) of the folder `files`, with the folder of its
// name as given, and reads its access; false, with why not, where it cannot.
bool DatabasePlace::hold(const PathWalk::Folder& files, const PathWalk::Folder& named,
                         const struct stat& file, FileAccess& access) {
    file_ = files.path == "/" ? "/" + name_ : files.path + "/" + name_;
    held_ = file;
    errorPath_ = file_;
    if (!S_ISREG(held_.st_mode))
        error_ = ENODEV;
    else if ((error_ = files_.Hold(files.fd, files.path)) ||
             (error_ = named_.Hold(named.fd, named.path)))
        errorPath_ = files.path;
    if (error_) {
        doubt_ = CannotLookUp(errorPath_, error_);
        return false;
    }
    errorPath_.clear();
    if (const int error = FileAccessIn(files_.Fd(), name_, access)) {
        // Its ACL is read through /proc/self/fd, as SQLite opens it.
        const int proc = ProcFdProblem();
        doubt_ = proc ? FolderDoubt{"/proc/self/fd", NeedsProcText(proc), ""}
                      : CannotLookUp(file_, error);
        return false;
    }
    writers_ = Who(access, kMayWrite);
    readers_ = Who(access, kMayRead);
    return true;
}

std::string DatabasePlace::SqlitePath() const {
    return PinnedVfs::PathIn(files_.Fd(), name_);
}

bool DatabasePlace::StillHolds() const {
    struct stat now {};
    return error_ == 0 && ::fstatat(files_.Fd(), name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(now.st_mode) && SameFile(now, held_);
}

int DatabasePlace::OpenFile(bool forWriting) const {
    const int fd =
        forWriting ? files_.OpenFileForWritingIfAllowed(name_) : files_.OpenFile(name_, O_RDONLY);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !SameFile(st, held_))) {
        ::close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

bool DatabasePlace::JournalLooksHot() const {
    if (error_) return false;
    const int fd = files_.OpenFile(name_ + "-journal", O_RDONLY);
    if (fd < 0) return errno != ENOENT;
    char first = 0;
    const ssize_t n = ::pread(fd, &first, 1, 0);
    ::close(fd);
    return n > 0 && SqliteWouldPlayBack(std::string_view(&first, 1));
}

std::string DatabasePlace::BesideProblemIn(const Folder& folder, const std::string& name) const {
    struct stat st {};
    if (::fstatat(folder.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? ""
                               : "无法查看这个文件（" + std::string(std::strerror(errno)) + "）";
    if (!S_ISREG(st.st_mode)) return "它不是普通文件";
    if (st.st_nlink != 1) return "它有多个硬链接，写入它会改动其他位置的文件";
    FileAccess access;
    if (const int error = FileAccessIn(folder.Fd(), name, access))
        return "无法查看这个文件（" + std::string(std::strerror(error)) + "）";
    if (!writers_.Member(access.owner))
        return "它属于不能写入数据库的用户 " + UserName(access.owner) + "，是这个用户放进来的";
    return wider(access, writers_, readers_);
}

int DatabasePlace::guard(const std::string& name, int openFlags, int step) const {
    if (name == name_) {
        if (step == int(PinnedVfs::Step::Delete)) return SQLITE_IOERR_DELETE;
        return StillHolds() ? SQLITE_OK : SQLITE_CANTOPEN;
    }
    if (name != name_ + "-journal" || (openFlags & SQLITE_OPEN_WAL))
        return step == int(PinnedVfs::Step::Delete) ? SQLITE_IOERR_DELETE : SQLITE_CANTOPEN;
    if (step == int(PinnedVfs::Step::Delete)) return SQLITE_OK;
    struct stat st {};
    const bool there = ::fstatat(files_.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (step == int(PinnedVfs::Step::BeforeOpen)) {
        journalMadeHere_ = !there;
        return !there || BesideProblem(name).empty() ? SQLITE_OK : SQLITE_CANTOPEN;
    }
    // After the open the journal must be there: the one this open made, this user's (root's
    // SQLite gives it the database's owner), with one link; or the one found, still one the
    // program may use.
    if (!there) return SQLITE_CANTOPEN;
    const bool mine = st.st_uid == ::geteuid() || (::geteuid() == 0 && st.st_uid == writers_.owner);
    if (journalMadeHere_)
        return S_ISREG(st.st_mode) && st.st_nlink == 1 && mine ? SQLITE_OK : SQLITE_CANTOPEN;
    return BesideProblem(name).empty() ? SQLITE_OK : SQLITE_CANTOPEN;
}

}  // namespace platform
