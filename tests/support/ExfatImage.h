// An exFAT file system in an image file of 64 MiB, made by mkfs.exfat and mounted through FUSE
// (mount.exfat-fuse) on a loop device, mode 755, as a stick is mounted for its user (root here).
// It needs root, exfatprogs, exfat-fuse, /dev/fuse and a loop device: mounted() says whether it
// worked.
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
        QFile image(dir_.filePath("exfat.img"));
        if (::geteuid() != 0 || !image.open(QIODevice::WriteOnly) || !image.resize(64 << 20))
            return;
        mounted_ = run("losetup", {"--find", "--show", image.fileName()}, &loop_) &&
                   run("mkfs.exfat", {loop_}) && QDir().mkpath(path()) &&
                   run("mount.exfat-fuse", {"-o", "umask=022", loop_, path()});
    }
    // FUSE releases the files of a program that ended a while later: the file system goes once
    // they are, and so does the loop device.
    ~ExfatImage() {
        if (mounted_) ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
        if (!loop_.isEmpty()) run("losetup", {"--detach", loop_});
    }

    bool mounted() const { return mounted_; }
    QString path() const { return dir_.filePath("mnt"); }

  private:
    // Whether the program ran and succeeded; what it printed goes to `out`.
    static bool run(const QString& program, const QStringList& args, QString* out = nullptr) {
        QProcess p;
        p.start(program, args);
        const bool ran = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit;
        if (out) *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        return ran && p.exitCode() == 0;
    }

    QTemporaryDir dir_;
    QString loop_;
    bool mounted_ = false;
};
