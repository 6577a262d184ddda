#include "shell/ProgramStart.h"

#include <QCoreApplication>
#include <QPointer>
#include <cstdio>
#include <map>

#include "db/DatabaseSchema.h"
#include "platform/AppPath.h"
#include "platform/InstanceLock.h"
#include "platform/LeftoverJournal.h"
#include "platform/MsgBox.h"
#include "shell/frmMainCode.h"
#include "shell/login_form.h"

namespace {

// Held until the process ends, so that a second copy on the same folder cannot start. Without
// a lock the program does not start: two copies would overwrite each other's saves.
bool ownProgramFolder() {
    static std::map<std::string, platform::InstanceLock> locks;
    const std::string folder = platform::AppPath();
    switch (locks[folder].Acquire(folder)) {
        case platform::InstanceLock::Result::Taken:
            return true;
        case platform::InstanceLock::Result::HeldByOther:
            platform::MsgBox("程序已在运行");
            return false;
        case platform::InstanceLock::Result::NoPermission:
            platform::MsgBox("没有读取程序文件夹的权限，程序不能启动：" + folder);
            return false;
        case platform::InstanceLock::Result::Impossible:
            break;
    }
    platform::MsgBox("无法锁定程序文件夹，不能保证只有一个程序在使用数据库，程序不能启动：" +
                     folder);
    return false;
}

// Where the copies of a leftover journal and its database are, for every box about it.
std::string copiesText(const platform::LeftoverJournal& journal) {
    return "\n处理前的数据库文件和日志文件已另存为：\n" + journal.DatabaseCopy() + "\n" +
           journal.JournalCopy();
}

// A journal left by a save that never finished is copied aside with its database before
// anything opens them; without the copies the program does not start.
bool setAside(platform::LeftoverJournal& journal) {
    try {
        journal.SetAside();
        return true;
    } catch (const platform::DbError& e) {
        platform::MsgBox(
            "数据库文件旁留有上次未完成的保存所留下的日志文件，需要先另存数据库文件和日志文件，"
            "但另存失败。程序不能启动，文件未被改动。\n" +
            std::string(e.what()));
        return false;
    }
}

// What is wrong with the database (rolling back a leftover journal on the way), "" when it is
// sound. When the journal made it unsound, the copy of the database is put back without the
// journal and judged again. The user is told what became of a journal.
std::string problemAfterJournal(const std::string& db, platform::LeftoverJournal& journal) {
    std::string problem = DatabaseSchema::Problem(db, journal.IsSetAside());
    if (!journal.IsSetAside()) return problem;
    if (problem.empty()) {
        journal.RemoveJournal();
        platform::MsgBox(
            "上次保存没有完成，数据库文件旁留下了日志文件。已按日志文件撤销未完成的保存，"
            "数据库文件检查无误。" +
            copiesText(journal));
        return problem;
    }
    std::fprintf(stderr, "%s after its journal: %s\n", db.c_str(), problem.c_str());
    journal.PutBack();
    problem = DatabaseSchema::Problem(db, true);
    if (problem.empty())
        platform::MsgBox(
            "上次保存没有完成，数据库文件旁留下的日志文件与现在的数据库文件不符（例如数据库文件"
            "是从备份复制回来的），按日志文件撤销后数据库文件已损坏。已放回原来的数据库文件，"
            "未使用日志文件。" +
            copiesText(journal));
    return problem;
}

// The database must be this program's, and readable, before anything reads or writes it; the
// check also rolls back a save that a crash cut short (the folder's lock is held by then, so no
// other copy is writing). Then the file is brought to the current schema. A failed upgrade is
// reported and the program goes on without it.
bool checkDatabase() {
    const std::string db = platform::DatabasePath();
    if (const std::string missing = platform::DatabaseFileProblem(db); !missing.empty()) {
        platform::MsgBox(missing);
        return false;
    }
    platform::LeftoverJournal journal(db);
    if (journal.Present() && !setAside(journal)) return false;
    const std::string copies = journal.IsSetAside() ? copiesText(journal) : std::string();
    try {
        const std::string problem = problemAfterJournal(db, journal);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", db.c_str(), problem.c_str());
            platform::MsgBox("数据库文件已损坏或不是本程序的数据库：" + db + copies);
            return false;
        }
    } catch (const platform::DbError& e) {
        platform::MsgBox(e.what() + copies);
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
    if (!ownProgramFolder() || !checkDatabase()) return false;
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
