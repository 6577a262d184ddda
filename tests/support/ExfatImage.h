// An exFAT file system in an image file of 64 MiB, made by mkfs.exfat and mounted through FUSE
// (mount.exfat-fuse) on a loop device, owned by root with mode 755, as a stick is mounted for its
// user. It needs root, exfatprogs, exfat-fuse, /dev/fuse and a loop device; mounted() says
// whether it worked.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

class ExfatImage {
  public:
    ExfatImage() {
        if (::geteuid() != 0 || !dir_.isValid()) return;
        const QString image = dir_.filePath("exfat.img"), mountPoint = dir_.filePath("mnt");
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(64 << 20)) return;
        file.close();
        loop_ = run("losetup", {"--find", "--show", image});
        mounted_ = !loop_.isEmpty() && run("mkfs.exfat", {loop_}) != QString() &&
                   QDir().mkpath(mountPoint) &&
                   run("mount.exfat-fuse", {"-o", "uid=0,gid=0,umask=022", loop_, mountPoint}) !=
                       QString();
    }
    ~ExfatImage() {
        // FUSE releases the files of a program that ended a while later: the file system goes
        // once they are, and so does the loop device.
        if (mounted_) ::umount2(QFile::encodeName(dir_.filePath("mnt")).constData(), MNT_DETACH);
        if (!loop_.isEmpty()) run("losetup", {"--detach", loop_});
    }
    ExfatImage(const ExfatImage&) = delete;
    ExfatImage& operator=(const ExfatImage&) = delete;

    bool mounted() const { return mounted_; }
    QString path() const { return dir_.filePath("mnt"); }

  private:
    // The program's output, "-" for none; "" when it cannot run or fails.
    static QString run(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode())
            return QString();
        const QString out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        return out.isEmpty() ? QStringLiteral("-") : out;
    }

    QTemporaryDir dir_;
    QString loop_;
    bool mounted_ = false;
};
