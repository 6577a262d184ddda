#include "shell/JournalRecovery.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "db/DatabaseSchema.h"
#include "platform/storage/Database.h"
#include "platform/storage/DatabaseWriteLock.h"
#include "platform/MsgBox.h"

using platform::DbError;
using platform::DbFault;
using platform::JournalFit;
using platform::LeftoverJournal;

namespace {

const std::string kRolledBack =
    "上次保存没有完成，数据库文件旁留下了日志文件。已按日志文件撤销未完成的保存，数据库文件检查"
    "无误。";
const std::string kRolledBackUnsure =
    "上次保存没有完成，数据库文件旁留下了日志文件。已按日志文件撤销未完成的保存，撤销后的数据库"
    "文件检查无误，但无法确定这个日志文件属于现在的数据库文件。如果数据库文件是刚从备份复制回来"
    "的，请退出程序，把下面另存的处理前的数据库文件复制回原处。";
const std::string kNotItsJournal =
    "上次保存没有完成，数据库文件旁留下的日志文件与现在的数据库文件不符（例如数据库文件是从备份"
    "复制回来的）";
const std::string kLeftAsIs = "未使用日志文件，数据库文件保持原样。日志文件已移至：\n";
const std::string kNeedsWriting =
    "数据库文件旁留有上次未完成的保存所留下的日志文件，必须能写入数据库文件才能处理。程序不能"
    "启动，文件未被改动。\n";
const std::string kFailed =
    "处理数据库文件旁上次未完成的保存所留下的日志文件时出错，程序不能启动。下次启动时会重新处理。"
    "\n";

std::string copiesText(const LeftoverJournal& journal) {
    return "\n处理前的数据库文件和日志文件已另存为：\n" + journal.DatabaseCopy() + "\n" +
           journal.JournalCopy();
}

// Rolls the journal into a copy of the file; a copy that passes the whole check replaces the
// file, one that does not is dropped and the journal is kept aside unused.
void rollBack(LeftoverJournal& journal, JournalFit fit) {
    const std::string copy = journal.MakeRollbackCopy();
    const std::string problem = DatabaseSchema::Problem(copy);
    std::error_code error;
    if (std::filesystem::exists(copy + "-journal", error)) {
        journal.DiscardRollbackCopy();  // SQLite did not take it for a hot journal
        return;
    }
    if (!problem.empty()) {
        std::fprintf(stderr, "%s after its journal: %s\n", journal.File().c_str(), problem.c_str());
        journal.DiscardRollbackCopy();
        platform::MsgBox(kNotItsJournal + "，按日志文件撤销后的数据库文件检查不通过。" + kLeftAsIs +
                         journal.MoveAside());
        return;
    }
    journal.SetAside();
    journal.Replace(copy);
    const std::string& said = fit == JournalFit::Belongs ? kRolledBack : kRolledBackUnsure;
    platform::MsgBox(said + copiesText(journal));
}

// Under the database's write lock: no other program is in the middle of a save, and none starts
// one until the journal is dealt with.
bool recoverLocked(LeftoverJournal& journal) {
    platform::DatabaseWriteLock lock;
    const std::string& file = journal.File();
    switch (lock.Acquire(file, platform::BusyTimeoutMs())) {
        case platform::DatabaseWriteLock::Result::Taken:
            break;
        case platform::DatabaseWriteLock::Result::Busy:
            platform::MsgBox(DbError(DbFault::Busy, "", file, "a lock held on the file").what());
            return false;
        case platform::DatabaseWriteLock::Result::NotWritable:
            platform::MsgBox(kNeedsWriting +
                             std::string(DbError(DbFault::NotWritable, "", file, "").what()));
            return false;
        case platform::DatabaseWriteLock::Result::Failed:
            throw DbError(DbFault::CannotOpen, "", file, std::strerror(lock.Error()));
    }
    journal.RemoveLeftovers();
    // Another program may have rolled it back while the lock was awaited.
    if (!journal.Present()) return true;
    const JournalFit fit = journal.Judge();
    if (fit == JournalFit::Foreign)
        platform::MsgBox(kNotItsJournal + "。" + kLeftAsIs + journal.MoveAside());
    else if (fit != JournalFit::NotHot)
        rollBack(journal, fit);
    return true;
}

}  // namespace

bool RecoverLeftoverJournal(LeftoverJournal& journal) {
    if (!journal.Present()) return true;
    try {
        return recoverLocked(journal);
    } catch (const DbError& e) {
        journal.DiscardRollbackCopy();
        platform::MsgBox(kFailed + e.what());
        return false;
    }
}
