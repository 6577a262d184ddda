#include "shell/ProgramStart.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>

#include "db/DatabaseSchema.h"
#include "platform/AppPath.h"
#include "platform/MsgBox.h"
#include "platform/storage/AccessRemedy.h"
#include "platform/storage/DatabasePlace.h"
#include "platform/storage/FileHelpers.h"
#include "platform/storage/InstanceLock.h"
#include "platform/storage/LeftoverJournal.h"
#include "shell/JournalRecovery.h"
#include "shell/frmMainCode.h"
#include "shell/login_form.h"

using platform::DbError;
using platform::DbFault;

namespace {

// The program's lock, held until the process ends, so that a second copy on the same folder, or
// on the same database file through another folder, cannot start. Without a lock the program
// does not start: two copies would overwrite each other's saves.
platform::InstanceLock& programLock() {
    static std::map<std::string, platform::InstanceLock> locks;
    return locks[platform::AppPath()];
}

// The database's place, walked and judged once before anything reads the file, and held until
// the process ends: every handle of the program opens the file through it.
std::shared_ptr<platform::DatabasePlace>& programPlace() {
    static std::shared_ptr<platform::DatabasePlace> place;
    return place;
}

// A link another user made on the way to the database would lead the start to make its lock file
// and open a database wherever they chose: it is named, and the program does not start.
bool followsNoForeignLink(const platform::DatabasePlace& place) {
    if (!place.Doubt().foreignLink) return true;
    platform::MsgBox("数据库文件夹或数据库文件是其他用户建立的链接，程序不跟随它，不能启动：" +
                     place.Doubt().folder);
    return false;
}

// SQLite would take the pages of a write-ahead log beside the file for the database's, and open
// its index by name: the program uses none, whoever made it, and the owner finishes it.
bool noWriteAheadLog(const platform::DatabasePlace& place) {
    const std::string wal = place.Name() + "-wal", shm = place.Name() + "-shm";
    char header[20] = {};
    const int fd = place.OpenFile(false);
    const bool walMode = fd >= 0 && ::pread(fd, header, sizeof header, 0) == sizeof header &&
                         header[18] == 2 && header[19] == 2;
    if (fd >= 0) ::close(fd);
    const bool log = walMode || place.Files().Has(wal);
    if (!log && !place.Files().Has(shm)) return true;
    const bool planted = !place.BesideProblem(wal).empty() || !place.BesideProblem(shm).empty();
    // SQLite takes up a log it finds beside the file, finishes it at the change of mode and
    // removes the log's index with it. An index alone indexes nothing: SQLite leaves it be.
    platform::MsgBox(
        "数据库使用了预写日志（数据库文件旁有 -wal 或 -shm 文件，或数据库处于预写日志模式）。本程序"
        "不使用预写日志，没有打开数据库，不能启动。\n文件：" +
        place.File() +
        (planted ? "\n这些文件不是能写入数据库的用户留下的：请把它们移到别处。"
         : log ? "\n请由数据库文件的所有者用 SQLite 的命令行程序（apt-get install sqlite3）结束"
                 "预写日志：\nsqlite3 " +
                     platform::ShellQuoted(place.File()) + " 'pragma journal_mode=delete'"
               : "\n预写日志已经结束，只留下了它的索引文件（-shm）。请由数据库文件的所有者删除"
                 "它：\nrm -f " +
                     platform::ShellQuoted(place.Files().PathOf(shm))));
    return false;
}

// A journal beside the database that no writer made, or that lets others more than the
// database does, is neither played back nor moved: the start names it and stops. Where the
// program only views the database, the viewer's box tells of any journal.
bool journalUsable(const platform::DatabasePlace& place) {
    // One that is no regular file is the recovery's to name.
    const std::string journal = place.JournalName();
    if (!place.Doubt().Empty() || place.Error() ||
        place.Files().What(journal) != platform::Folder::Entry::File)
        return true;
    const std::string text = platform::BesideFileText(place, place.Files(), journal);
    if (text.empty()) return true;
    platform::MsgBox(text);
    return false;
}

bool ownProgramFolder(const platform::DatabasePlace& place, bool viewOnly) {
    const std::string folder = platform::AppPath();
    switch (programLock().Acquire(folder, place, viewOnly)) {
        case platform::InstanceLock::Result::Taken:
            return true;
        case platform::InstanceLock::Result::HeldByOther:
            platform::MsgBox("程序已在运行");
            return false;
        case platform::InstanceLock::Result::NoPermission:
            platform::MsgBox("没有读取程序文件夹的权限，程序不能启动：" + folder);
            return false;
        case platform::InstanceLock::Result::LockFileNotAFile:
            platform::MsgBox("锁文件不是普通文件（例如是链接或管道），程序不能启动：" +
                             platform::InstanceLock::LockFilePath(folder));
            return false;
        case platform::InstanceLock::Result::LockFileForeign:
            platform::MsgBox(platform::BesideFileText(place, place.Named(), "PraveltaKVT.lock"));
            return false;
        case platform::InstanceLock::Result::Impossible:
            break;
    }
    platform::MsgBox("无法锁定程序文件夹，不能保证只有一个程序在使用数据库，程序不能启动：" +
                     folder);
    return false;
}

// The copies that starts kept beside the database, for a box that refuses the file.
std::string keptCopiesText(const platform::LeftoverJournal& journal) {
    std::string text;
    for (const std::string& copy : journal.KeptCopies()) text += "\n" + copy;
    return text.empty() ? text : "\n数据库文件夹中另存的文件：" + text;
}

// What keeps the user from saving, told before the login rather than at the first save: the
// file, or its folder (where each save writes its journal), may not be written; and, where the
// user lacks the right (not on a read-only file system), what would give it.
std::string writeProblem(const std::string& file) {
    const std::string folder = std::filesystem::path(file).parent_path().string();
    const struct Target {
        DbFault fault;
        const std::string& path;
        unsigned may;
        const char* what;
    } targets[] = {{DbFault::NotWritable, file, platform::kMayWrite, "数据库文件"},
                   {DbFault::FolderNotWritable, folder, platform::kMayWrite | platform::kMayEnter,
                    "数据库文件夹"}};
    for (const Target& target : targets) {
        const int mode = target.may & platform::kMayEnter ? W_OK | X_OK : W_OK;
        if (::faccessat(AT_FDCWD, target.path.c_str(), mode, AT_EACCESS) == 0) continue;
        const bool mayNot = errno == EACCES;
        std::string text = std::string(DbError::Description(target.fault)) +
                           "，只能查看数据，不能保存。\n文件：" + file;
        platform::FileAccess access;
        if (mayNot && platform::FileAccessAt(target.path, access) == 0)
            text += "\n解决办法：" +
                    platform::AccessRemedy(access, target.may, ::geteuid(), target.what);
        return text;
    }
    return std::string();
}

// Why the program only views a database whose folder others may change, what follows
// (`consequence`) and how to mend it.
std::string viewOnlyText(const platform::FolderDoubt& doubt, const std::string& consequence) {
    const std::string opening =
        doubt.unjudged
            ? "程序无法判断数据库文件所在的位置是否安全：不能排除不能写入数据库文件的用户也能改动"
              "下面这个文件夹中的文件，而他们放入的日志文件会改写数据库。"
            : "数据库文件所在的位置不安全：不能写入数据库文件的用户也能改动下面这个文件夹中的文件，"
              "他们放入的日志文件会改写数据库。";
    return opening + consequence + "\n文件夹：" + doubt.folder + "\n原因：" + doubt.why +
           (doubt.fix.empty() ? std::string()
                              : "\n改正的方法（由文件夹的所有者或 root 执行）：" + doubt.fix) +
           "\n改正只防止以后的改动：改正前其他用户放在数据库旁的文件，程序以后也不会使用。";
}

// Where the program only views the database, a journal beside it is neither played back nor
// moved: one that SQLite would roll back (or that cannot be looked into) keeps the program from
// starting, since a read-only handle cannot read the file past it.
bool journalLeftAlone(const platform::LeftoverJournal& journal,
                      const platform::FolderDoubt& doubt) {
    if (!journal.LooksHot()) return true;
    platform::MsgBox(viewOnlyText(doubt,
                                  "数据库文件旁留有上次未完成的保存所留下的日志文件，程序没有使用"
                                  "也没有移动它，不能启动。改正后第一次启动程序时：日志文件若是能"
                                  "写入数据库的用户留下的，就按它撤销未完成的保存；否则不使用它，"
                                  "并说明如何处理。") +
                     "\n日志文件：" + journal.Journal());
    return false;
}

// The database must be this program's and whole, indexes included, before anything reads or
// writes it; a journal a crashed save left is dealt with first, unless the program only views the
// file (`doubt`). Then the file is brought to the current schema. A failed upgrade is reported and
// the program goes on without it.
bool checkDatabase(const platform::DatabasePlace& place) {
    const platform::FolderDoubt& doubt = place.Doubt();
    const std::string db = platform::DatabasePath();
    if (const std::string missing = platform::DatabaseFileProblem(db); !missing.empty()) {
        platform::MsgBox(missing);
        return false;
    }
    if (place.Error()) {
        platform::MsgBox(platform::DbError(DbFault::CannotOpen, "", place.ErrorPath(), "").what());
        return false;
    }
    platform::LeftoverJournal journal(place, DatabaseSchema::Problem);
    RecoveryBox recovered;
    if (!doubt.Empty() ? !journalLeftAlone(journal, doubt)
                       : !RecoverLeftoverJournal(journal, recovered))
        return false;
    // What the recovery did is told before a failed check, unless it says the file passed it.
    const auto tellRecoveryUnlessChecked = [&] {
        if (!recovered.saysChecked && !recovered.text.empty()) platform::MsgBox(recovered.text);
    };
    try {
        const std::string problem = DatabaseSchema::Problem(place);
        if (!problem.empty()) {
            tellRecoveryUnlessChecked();
            std::fprintf(stderr, "%s: %s\n", db.c_str(), problem.c_str());
            platform::MsgBox("数据库文件已损坏或不是本程序的数据库：" + db +
                             keptCopiesText(journal));
            return false;
        }
    } catch (const DbError& e) {
        tellRecoveryUnlessChecked();
        platform::MsgBox(e.what() + keptCopiesText(journal));
        return false;
    }
    if (!recovered.text.empty()) platform::MsgBox(recovered.text);
    if (!doubt.Empty()) {
        platform::MsgBox(viewOnlyText(doubt, "程序只能查看数据，不能保存。"));
        return true;
    }
    if (const std::string problem = writeProblem(journal.File()); !problem.empty()) {
        platform::MsgBox(problem);
        return true;
    }
    try {
        platform::Connection conn;
        platform::OpenProgramDatabase(conn);
        DatabaseSchema::Upgrade(conn);
    } catch (const std::exception& e) {
        platform::MsgBox(e.what());
    }
    return true;
}

}  // namespace

bool StartProgram() {
    // Without /proc/self/fd neither the program folder nor anything in it can be opened.
    if (const int error = platform::ProcFdProblem()) {
        platform::MsgBox(platform::NeedsProcText(error) + "，程序不能启动。");
        return false;
    }
    programPlace() = platform::DatabasePlace::Of(platform::DatabasePath());
    const platform::DatabasePlace& place = *programPlace();
    if (!followsNoForeignLink(place)) return false;
    // Where others who may not write the database may change its folder, the program writes
    // nothing there: SQLite would play back a journal they put beside the file. So where the
    // place cannot be judged.
    const bool viewOnly = !place.Doubt().Empty();
    platform::SetViewOnly(viewOnly);
    if (!place.Error() && (!noWriteAheadLog(place) || !journalUsable(place))) return false;
    if (!ownProgramFolder(place, viewOnly) || !checkDatabase(place)) return false;
    auto* login = new login_form;
    auto* loggedIn = new bool(false);
    QObject::connect(login, &login_form::loggedIn, [loggedIn] {
        *loggedIn = true;
        auto* strip = new frmMainCode;
        strip->Show();
    });
    // Closing the login window without logging in ends the program.
    QObject::connect(login, &platform::Form::unloaded, [loggedIn] {
        if (!*loggedIn) QCoreApplication::exit(0);
        delete loggedIn;
    });
    login->Show();
    return true;
}
