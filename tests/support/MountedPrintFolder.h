// A print folder that refuses the print file: a tmpfs of 16 KiB mounted on <program folder>/print,
// filled to the last byte or read-only. Mounting needs root; mounted() says whether it worked.
#pragma once

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "platform/AppPath.h"
#include "tests/support/ScriptedMsgBox.h"

class MountedPrintFolder {
  public:
    enum Kind { Full, ReadOnly };
    explicit MountedPrintFolder(Kind kind)
        : path_(QFile::encodeName(QString::fromStdString(platform::AppPath()) + "/print")) {
        QDir().mkpath(path_);
        mounted_ =
            ::mount("tmpfs", path_, "tmpfs", kind == ReadOnly ? MS_RDONLY : 0, "size=16k") == 0;
        QFile filler(path_ + "/.filler");
        if (mounted_ && kind == Full && filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            while (filler.write(QByteArray(1024, 'x')) == 1024) {
            }
    }
    ~MountedPrintFolder() {
        if (mounted_) ::umount2(path_, MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

  private:
    QByteArray path_;
    bool mounted_ = false;
};

// Runs print(): one box titled "错误" says that the print file could not be written into the
// folder, why and under which name, and no file but the filler is left there.
inline void ExpectUnwrittenPrintReported(const std::function<void()>& print, const QString& folder,
                                         const QString& cause) {
    ScriptedMsgBox box;
    box.answer(platform::MsgResult::OK);
    print();
    ASSERT_EQ(box.shown().size(), 1u);
    const QString prompt = QString::fromStdString(box.shown()[0].prompt);
    EXPECT_EQ(box.shown()[0].title, "错误");
    EXPECT_TRUE(prompt.startsWith("打印文件无法写入：" + cause + "。\n" + folder + "/") &&
                prompt.endsWith(".pdf"))
        << prompt.toStdString();
    QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    left.removeAll(".filler");
    EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}
