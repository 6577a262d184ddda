// Saves cut short, for the tests of the real program's start: the test writer (INTERRUPTED_WRITER)
// killed in the middle of a save, or by strace as its commit removes its journal.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <filesystem>
#include <string>

inline bool HaveStrace() {
    return !QStandardPaths::findExecutable("strace").isEmpty();
}

// A large save cut short in its middle (kill -9, a power cut), its changed pages already in the
// file: it commits one year of 34 amounts first. Its journal holds no page 1.
inline void CrashDuringASave(const std::string& db) {
    QProcess writer;
    writer.start(INTERRUPTED_WRITER, {QString::fromStdString(db)});
    ASSERT_TRUE(writer.waitForReadyRead(60000)) << writer.readAllStandardError().toStdString();
    ASSERT_EQ(writer.readAllStandardOutput().trimmed(), "ready");
    writer.kill();
    writer.waitForFinished();
    ASSERT_GT(std::filesystem::file_size(db + "-journal"), 0u);
}

// A save killed after its commit wrote the file, as it removes its journal (beside `file`, the
// file a linked `db` names); made by the user `as` sets (setpriv and its options) where given.
inline void CrashAtTheJournalsRemoval(const std::string& db, const std::string& file = {},
                                      const QStringList& as = {}) {
    QProcess writer;
    writer.start("strace",
                 QStringList{"-f", "-o", "/dev/null", "-e", "inject=unlink:signal=SIGKILL"} + as +
                     QStringList{INTERRUPTED_WRITER, QString::fromStdString(db), "save"});
    ASSERT_TRUE(writer.waitForFinished(60000));
    ASSERT_GT(std::filesystem::file_size((file.empty() ? db : file) + "-journal"), 0u);
}
