#include "shell/ProgramStart.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <cstdio>
#include <filesystem>
#include <map>

#include "db/DatabaseSchema.h"
#include "platform/AppPath.h"
#include "platform/MsgBox.h"
#include "platform/storage/ForeignLink.h"
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

// A db/ or db/db.mdb that is a link another user made, in a program folder others may write,
// would lead the start to make its lock file and open a database wherever they chose: it is
// named, and the program does not start.
bool followsNoForeignLink() {
    const std::filesystem::path db = std::filesystem::path(platform::AppPath()) / "db";
    for (const std::filesystem::path& path : {db, db / "db.mdb"}) {
        if (!platform::IsForeignLink(path.string())) continue;
        platform::MsgBox("数据库文件夹或数据库文件是其他用户建立的链接，程序不跟随它，不能启动：" +
                         path.string());
        return false;
    }
    return true;
}

bool ownProgramFolder() {
    const std::string folder = platform::AppPath();
    switch (programLock().Acquire(folder, platform::DatabasePath())) {
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
// file, or its folder (where each save writes its journal), may not be written.
std::string writeProblem(const std::string& file) {
    DbFault fault = DbFault::Other;
    if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0)
        fault = DbFault::NotWritable;
    else if (::faccessat(AT_FDCWD, std::filesystem::path(file).parent_path().c_str(), W_OK | X_OK,
                         AT_EACCESS) != 0)
        fault = DbFault::FolderNotWritable;
    if (fault == DbFault::Other) return std::string();
    return std::string(DbError::Description(fault)) + "，只能查看数据，不能保存。\n文件：" + file;
}

// The database must be this program's and whole, indexes included, before anything reads or
// writes it; a journal a crashed save left is dealt with first. Then the file is brought to the
// current schema. A failed upgrade is reported and the program goes on without it.
bool checkDatabase() {
    const std::string db = platform::DatabasePath();
    if (const std::string missing = platform::DatabaseFileProblem(db); !missing.empty()) {
        platform::MsgBox(missing);
        return false;
    }
    platform::LeftoverJournal journal(db, DatabaseSchema::Problem);
    RecoveryBox recovered;
    if (!RecoverLeftoverJournal(journal, recovered)) return false;
    // What the recovery did is told before a failed check, unless it says the file passed it.
    const auto tellRecoveryUnlessChecked = [&] {
        if (!recovered.saysChecked && !recovered.text.empty()) platform::MsgBox(recovered.text);
    };
    try {
        const std::string problem = DatabaseSchema::Problem(db);
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
    if (!followsNoForeignLink() || !ownProgramFolder() || !checkDatabase()) return false;
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
