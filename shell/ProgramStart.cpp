#include "shell/ProgramStart.h"

#include <QCoreApplication>
#include <QPointer>
#include <cstdio>
#include <filesystem>
#include <map>

#include "db/DatabaseSchema.h"
#include "platform/AppPath.h"
#include "platform/InstanceLock.h"
#include "platform/MsgBox.h"
#include "shell/frmMainCode.h"
#include "shell/login_form.h"

namespace {

// Held until the process ends, so that a second copy on the same folder cannot start.
bool ownProgramFolder() {
    static std::map<std::string, platform::InstanceLock> locks;
    const std::string folder = platform::AppPath();
    return locks[folder].Acquire(folder);
}

// The database must be this program's, and readable, before anything reads or writes it; the
// check also rolls back a save that a crash cut short (the folder's lock is held by then, so no
// other copy is writing). Then the file is brought to the current schema. A failed upgrade is
// reported and the program goes on without it.
bool checkDatabase() {
    const std::string db = platform::DatabasePath();
    std::error_code unreachable;  // a folder on the way the user may not enter
    if (!std::filesystem::is_regular_file(db, unreachable)) {
        if (unreachable && unreachable != std::errc::no_such_file_or_directory)
            platform::MsgBox(
                platform::DbError(platform::DbFault::CannotOpen, "", db, unreachable.message())
                    .what());
        else
            platform::MsgBox("找不到数据库文件：" + db);
        return false;
    }
    try {
        const std::string problem = DatabaseSchema::Problem(db);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", db.c_str(), problem.c_str());
            platform::MsgBox("数据库文件已损坏或不是本程序的数据库：" + db);
            return false;
        }
    } catch (const platform::DbError& e) {
        platform::MsgBox(e.what());
        return false;
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
    if (!ownProgramFolder()) {
        platform::MsgBox("程序已在运行");
        return false;
    }
    if (!checkDatabase()) return false;
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
