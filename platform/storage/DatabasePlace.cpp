#include "platform/storage/DatabasePlace.h"

#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>

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
    pinned_ = PinnedVfs::Pin(
        files_.Fd(), [this](const std::string& name, int flags, PinnedVfs::Step step, int opened) {
            return guard(name, flags, int(step), opened);
        });
    // Its descriptor pinned already (a place that never unpinned it): this one is not used.
    if (!pinned_) {
        error_ = EBUSY;
        errorPath_ = files_.Path();
        doubt_ = CannotLookUp(errorPath_, error_);
    }
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
    return ProcFdPath(files_.Fd(), name_);
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
    const int fd = files_.OpenFile(JournalName(), O_RDONLY);
    if (fd < 0) return errno != ENOENT;
    char first = 0;
    const ssize_t n = ::pread(fd, &first, 1, 0);
    ::close(fd);
    return n > 0 && SqliteWouldPlayBack(std::string_view(&first, 1));
}

std::string DatabasePlace::BesideProblemIn(const Folder& folder, const std::string& name) const {
    const auto cannotLook = [](int error) {
        return "无法查看这个文件（" + std::string(std::strerror(error)) + "）";
    };
    struct stat st {};
    if (::fstatat(folder.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? "" : cannotLook(errno);
    FileAccess access;
    if (S_ISREG(st.st_mode) && st.st_nlink == 1)
        if (const int error = FileAccessIn(folder.Fd(), name, access)) return cannotLook(error);
    return problemOf(st, access);
}

// Of a file beside the database that is `st` with `access`.
std::string DatabasePlace::problemOf(const struct stat& st, const FileAccess& access) const {
    if (!S_ISREG(st.st_mode)) return "它不是普通文件";
    if (st.st_nlink != 1) return "它有多个硬链接，写入它会改动其他位置的文件";
    if (!writers_.Member(access.owner))
        return "它属于不能写入数据库的用户 " + UserName(access.owner) + "，是这个用户放进来的";
    return wider(access, writers_, readers_);
}

int DatabasePlace::guard(const std::string& name, int openFlags, int step, int opened) const {
    const bool deleting = step == int(PinnedVfs::Step::Delete);
    if (name == name_) {
        if (deleting) return SQLITE_IOERR_DELETE;
        if (step == int(PinnedVfs::Step::BeforeOpen))
            return StillHolds() ? SQLITE_OK : SQLITE_CANTOPEN;
        struct stat st {};
        return ::fstat(opened, &st) == 0 && SameFile(st, held_) ? SQLITE_OK : SQLITE_CANTOPEN;
    }
    if (name != JournalName()) return deleting ? SQLITE_IOERR_DELETE : SQLITE_CANTOPEN;
    if (deleting) return SQLITE_OK;
    return step == int(PinnedVfs::Step::BeforeOpen) ? beforeJournalOpen(openFlags)
                                                    : afterJournalOpen(opened);
}

// A journal found is opened only while it is one the program may use; one SQLite is about to
// make, the program makes itself.
int DatabasePlace::beforeJournalOpen(int openFlags) const {
    journalMade_ = false;
    journalRefusal_.clear();
    const std::string journal = JournalName();
    struct stat st {};
    if (::fstatat(files_.Fd(), journal.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        // SQLite makes a journal only for a save, holding the database's write lock: an empty
        // one a writer left then (a save killed before its journal had its access) holds
        // nothing, and is made anew rather than given the database's mode bits as it is.
        const bool emptyLeft = (openFlags & SQLITE_OPEN_CREATE) && S_ISREG(st.st_mode) &&
                               st.st_size == 0 && st.st_nlink == 1 && writers_.Member(st.st_uid);
        if (emptyLeft && ::unlinkat(files_.Fd(), journal.c_str(), 0) == 0) return makeJournal();
        return BesideProblem(journal).empty() ? SQLITE_OK : SQLITE_CANTOPEN;
    }
    // None there, and SQLite only looks into one it thinks is there: nothing to open.
    if (errno != ENOENT || !(openFlags & SQLITE_OPEN_CREATE)) return SQLITE_CANTOPEN;
    return makeJournal();
}

// Makes the journal in the held folder, this user's only (0600) until it has the database's
// access: the owner where root runs, the group, the mode and the ACL, as the copies get it. SQLite
// then opens the empty file and gives it the database's mode bits (with the ACL there, the same
// mask as the database's) and, as root, its owner and group. A journal that would let anyone more
// than the database then is removed unused, and the save refused before it wrote a byte.
int DatabasePlace::makeJournal() const {
    const std::string journal = JournalName();
    const int fd = ::openat(files_.Fd(), journal.c_str(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    // As SQLite tells a journal it may not make: the folder may not be written, or is full.
    if (fd < 0)
        return errno == EACCES                      ? SQLITE_READONLY_DIRECTORY
               : errno == ENOSPC || errno == EDQUOT ? SQLITE_FULL
                                                    : SQLITE_CANTOPEN;
    const auto failed = [](const char* what, int error) {
        return std::string(what) + "（" + std::strerror(error) + "）";
    };
    FileAccess database, made;
    std::string why;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = failed("无法查看日志文件", errno);
    } else if (const int error = databaseAccess(database)) {
        why = failed("无法查看数据库文件的权限", error);
    } else {
        TakeAccessOf(fd, AccessLike(database, false));  // what it could not give is judged below
        const mode_t mode = database.mode & 0777;       // what SQLite gives a new journal
        int unread = FileAccessOf(fd, made);
        if (!unread && (made.mode & 0777) != mode && ::fchmod(fd, mode) == 0)
            unread = FileAccessOf(fd, made);
        why = unread ? failed("无法查看日志文件的权限", unread) : problemOf(st, made);
    }
    ::close(fd);
    if (why.empty()) {
        journalMade_ = true;
        made_ = st;
        return SQLITE_OK;
    }
    struct stat named {};
    if (::fstatat(files_.Fd(), journal.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        SameFile(named, st))
        ::unlinkat(files_.Fd(), journal.c_str(), 0);
    journalRefusal_ = refusalText(why, made, database);
    return SQLITE_CANTOPEN;
}

// The journal SQLite opened: the one just made, or one found that is still usable.
int DatabasePlace::afterJournalOpen(int opened) const {
    struct stat st {};
    if (::fstat(opened, &st) != 0) return SQLITE_CANTOPEN;
    if (journalMade_) {
        journalMade_ = false;
        return SameFile(st, made_) ? SQLITE_OK : SQLITE_CANTOPEN;
    }
    FileAccess access;
    return FileAccessOf(opened, access) == 0 && problemOf(st, access).empty() ? SQLITE_OK
                                                                              : SQLITE_CANTOPEN;
}

// Read through the held folder, never by opening the file: closing any descriptor of it would
// drop this process's locks on it.
int DatabasePlace::databaseAccess(FileAccess& out) const {
    if (const int error = FileAccessIn(files_.Fd(), name_, out)) return error;
    return StillHolds() ? 0 : ESTALE;
}

std::string DatabasePlace::refusalText(const std::string& why, const FileAccess& journal,
                                       const FileAccess& database) const {
    std::string text =
        "没有保存，数据库文件没有任何改动：保存时的日志文件不能只让能使用数据库的用户使用。\n文件"
        "：" +
        files_.PathOf(JournalName()) + "\n原因：";
    const std::string user = UserName(::geteuid()), group = GroupName(database.group);
    if (journal.group == database.group) return text + why;
    text += "用户 " + user + " 不在数据库文件的组 " + group + " 中，日志文件只能属于组 " +
            GroupName(journal.group) +
            (journal.acl.empty() ? "，这里的文件系统又不能用 ACL 只让组 " + group + " 使用它"
                                 : std::string()) +
            "：" + why + "\n解决办法：";
    struct stat folder {};
    // In a setgid folder of the database's group, new files take that group whoever makes them.
    // Root sets the bit: the kernel drops it for an owner outside the folder's group.
    if (::fstat(files_.Fd(), &folder) == 0 && !(folder.st_mode & S_ISGID) &&
        folder.st_gid == database.group)
        text += "请管理员执行 chmod g+s " + ShellQuoted(files_.Path()) +
                "，此后新建的日志文件属于组 " + group + "；或执行 ";
    else
        text += "请管理员执行 ";
    return text + "usermod -aG " + group + " " + user + "（重新登录后生效）";
}

}  // namespace platform
