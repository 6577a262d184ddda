#include "shell/JournalRecovery.h"

#include "platform/MsgBox.h"
#include "platform/storage/Database.h"
#include "platform/storage/PrivateFolder.h"

using platform::DbError;
using platform::DbFault;
using platform::JournalFit;
using platform::LeftoverJournal;
using Outcome = platform::LeftoverJournal::Outcome;

namespace {

// The sentence that opens the boxes of a journal that was looked into.
const std::string kJournalLeft = "上次保存没有完成，数据库文件旁留下了日志文件";
const std::string kUndone = kJournalLeft + "。已按日志文件撤销未完成的保存，";
const std::string kRolledBack = kUndone + "数据库文件检查无误。";
const std::string kUnsureWhoseJournal =
    "但无法确定这个日志文件属于现在的数据库文件。如果数据库文件是刚从备份复制回来的，请退出程序，"
    "把下面另存的处理前的数据库文件复制回原处。";
const std::string kRolledBackUnsure =
    kUndone + "撤销后的数据库文件检查无误，" + kUnsureWhoseJournal;
const std::string kNotItsJournal =
    "上次保存没有完成，数据库文件旁留下的日志文件与现在的数据库文件不符（例如数据库文件是从备份"
    "复制回来的）";
const std::string kNothingToUndo = kJournalLeft + "，但其中没有需要撤销的内容。";
const std::string kUndoneByAnInterruptedStart =
    "上次启动在处理它时中断，未完成的保存已由那次启动撤销，数据库文件检查无误。";
const std::string kNamesSuperJournal =
    kJournalLeft +
    "，但它指向另一个日志文件（super-journal）。本程序的日志文件从不这样，它不是本程序写的。";
const std::string kCheckFailed = "按日志文件撤销后的数据库文件检查不通过：";
const std::string kMaybeNotItsJournal = "，无法确定这个日志文件属于现在的数据库文件，";
const std::string kLeftAsIs = "未使用日志文件，数据库文件保持原样。日志文件已移至：\n";
const std::string kNeedsWriting =
    "数据库文件旁留有上次未完成的保存所留下的日志文件，必须能写入数据库文件才能处理。程序不能"
    "启动，文件未被改动。\n";
const std::string kNotAFile =
    "数据库文件旁的日志文件不是普通文件（可能是文件夹或链接），程序无法处理，不能启动，文件未被"
    "改动。请把它移出数据库文件夹后再启动程序：\n";
const std::string kNoAccess =
    "没有读写数据库文件旁的日志文件的权限，程序不能启动，文件未被改动。请以数据库文件的所有者"
    "启动程序，或请管理员处理这个文件：\n";
const std::string kFailed =
    "处理数据库文件旁上次未完成的保存所留下的日志文件时出错，程序不能启动。";
// Only where the next start can succeed: once there is room on the disk, or the other program
// is done.
const std::string kRetried = "下次启动时会重新处理。";

// The copies kept of the file and the journal as first found, where there are any.
std::string copiesText(const LeftoverJournal& journal) {
    std::string names;
    for (const std::string& copy : {journal.DatabaseCopy(), journal.JournalCopy()})
        if (!copy.empty()) names += "\n" + copy;
    return names.empty() ? names : "\n处理前的数据库文件和日志文件已另存为：" + names;
}

// The journal moved aside unused, and why.
std::string leftAsIsText(const LeftoverJournal& journal, const std::string& why) {
    return why + kLeftAsIs + journal.JournalAside() + copiesText(journal);
}

std::string failedCheckText(const LeftoverJournal& journal) {
    const std::string opening =
        kJournalLeft + (journal.Fit() == JournalFit::Belongs ? "，" : kMaybeNotItsJournal);
    return leftAsIsText(journal, opening + kCheckFailed + journal.Problem() + "。\n");
}

// The box of an outcome; "" for none. `starts` tells whether the program goes on.
std::string boxFor(const LeftoverJournal& journal, Outcome outcome, bool& starts) {
    starts = true;
    switch (outcome) {
        case Outcome::NoJournal:
        case Outcome::NotHot:
            return std::string();
        case Outcome::RolledBack:
            return (journal.Fit() == JournalFit::Belongs ? kRolledBack : kRolledBackUnsure) +
                   copiesText(journal);
        case Outcome::NothingToUndo:
            return leftAsIsText(journal, kNothingToUndo);
        case Outcome::UndoneBefore:
            return kJournalLeft + "。" + kUndoneByAnInterruptedStart +
                   (journal.Fit() == JournalFit::Belongs ? "" : kUnsureWhoseJournal) +
                   copiesText(journal);
        case Outcome::NotOurs:
            return leftAsIsText(journal, kNamesSuperJournal);
        case Outcome::Foreign:
            return leftAsIsText(journal, kNotItsJournal + "。");
        case Outcome::FailedCheck:
            return failedCheckText(journal);
        case Outcome::Busy:
            starts = false;
            return DbError(DbFault::Busy, "", journal.File(), "a lock held on the file").what();
        case Outcome::NotWritable:
            starts = false;
            return kNeedsWriting + DbError(DbFault::NotWritable, "", journal.File(), "").what();
        case Outcome::NotAFile:
            starts = false;
            return kNotAFile + journal.Journal();
        case Outcome::NoAccess:
            starts = false;
            return kNoAccess + journal.Journal();
        case Outcome::NotUsable:
            starts = false;
            return platform::BesideFileText(journal.Place(), journal.Place().Files(),
                                            journal.Place().JournalName());
    }
    return std::string();
}

}  // namespace

bool RecoverLeftoverJournal(LeftoverJournal& journal, RecoveryBox& box) {
    box = RecoveryBox();
    if (!journal.Present()) {
        // Without a journal the copies left behind are only in the way: the start goes on. So
        // are trial folders a killed start of this user's left.
        journal.RemoveTemporaryCopies();
        if (const std::string parent = platform::PrivateFolder::Parent(); !parent.empty())
            platform::PrivateFolder::RemoveAbandoned(parent);
        return true;
    }
    try {
        bool starts = true;
        const Outcome outcome = journal.Recover(platform::BusyTimeoutMs());
        const std::string told = boxFor(journal, outcome, starts);
        if (starts) {
            box.text = told;
            box.saysChecked = outcome == Outcome::RolledBack || outcome == Outcome::UndoneBefore;
        } else {
            platform::MsgBox(told);
        }
        return starts;
    } catch (const DbError& e) {
        const bool retried = e.Fault() == DbFault::Full || e.Fault() == DbFault::Busy;
        platform::MsgBox(kFailed + (retried ? kRetried : std::string()) + "\n" + e.what() +
                         copiesText(journal));
        return false;
    }
}
