// A print folder on a file system that refuses the print file: a small tmpfs mounted on
// <program folder>/print, either filled to the last byte (every write fails with "no space left")
// or read-only. Mounting needs root; where it is not permitted, mounted() is false and the test
// skips. The file system is unmounted when the object goes.
#pragma once

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <functional>
#include <string>

#include "platform/AppPath.h"
#include "platform/MsgBox.h"
#include "tests/support/ScriptedMsgBox.h"

class MountedPrintFolder {
  public:
    enum Kind { Full, ReadOnly };
    // The file that fills a full folder up.
    static constexpr const char* kFiller = ".filler";

    explicit MountedPrintFolder(Kind kind)
        : path_(QDir(QString::fromStdString(platform::AppPath())).filePath("print")) {
        QDir().mkpath(path_);
        const QByteArray target = QFile::encodeName(path_);
        mounted_ = ::mount("tmpfs", target.constData(), "tmpfs", kind == ReadOnly ? MS_RDONLY : 0,
                           "size=16k") == 0;
        if (mounted_ && kind == Full) fill();
    }
    ~MountedPrintFolder() {
        if (mounted_) ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
    }
    MountedPrintFolder(const MountedPrintFolder&) = delete;
    MountedPrintFolder& operator=(const MountedPrintFolder&) = delete;

    bool mounted() const { return mounted_; }
    const QString& path() const { return path_; }

  private:
    // Writes a file until the file system has no byte left.
    void fill() const {
        QFile filler(QDir(path_).filePath(kFiller));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return;
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size()) {
        }
    }

    QString path_;
    bool mounted_ = false;
};

// Runs print() and checks that the print file could not be written into `folder` for `cause`:
// one box titled "错误" says so with the cause and the file's path, and no file is left there.
inline void ExpectUnwrittenPrintReported(const std::function<void()>& print, const QString& folder,
                                         const QString& cause) {
    ScriptedMsgBox box;
    box.answer(platform::MsgResult::OK);
    print();
    ASSERT_EQ(box.shown().size(), 1u);
    const QString prompt = QString::fromStdString(box.shown()[0].prompt);
    EXPECT_EQ(box.shown()[0].title, "错误");
    EXPECT_TRUE(prompt.startsWith("打印文件无法写入：" + cause + "。\n" + folder + "/"))
        << prompt.toStdString();
    EXPECT_TRUE(prompt.endsWith(".pdf")) << prompt.toStdString();
    EXPECT_FALSE(prompt.contains("已保存")) << prompt.toStdString();
    QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    left.removeAll(MountedPrintFolder::kFiller);
    EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}
