// An exFAT file system in an image file of 64 MiB, made by mkfs.exfat and mounted through FUSE
// (mount.exfat-fuse) on a loop device, as a stick is mounted for its user (root here): with
// umask=022 only its owner may write it, with umask=000 everyone. With `fat` a FAT file system
// instead (mkfs.vfat, mounted by fusefat), which keeps no owners or modes and takes no name that
// is not ASCII; mounted on `at` where given. It needs root, exfatprogs and exfat-fuse (dosfstools
// and fusefat), /dev/fuse and a loop device: mounted() says whether it worked.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

class ExfatImage {
  public:
    explicit ExfatImage(const QString& umask = "022", bool fat = false, const QString& at = {})
        : path_(at.isEmpty() ? dir_.filePath("mnt") : at) {
        QFile image(dir_.filePath("exfat.img"));
        if (::geteuid() != 0 || !image.open(QIODevice::WriteOnly) || !image.resize(64 << 20))
            return;
        image.close();
        const QString options = "umask=" + umask;
        if (fat)
            mounted_ = run("mkfs.vfat", {image.fileName()}) && QDir().mkpath(path()) &&
                       run("fusefat", {"-o", "rw+," + options, image.fileName(), path()});
        else
            mounted_ = run("losetup", {"--find", "--show", image.fileName()}, &loop_) &&
                       run("mkfs.exfat", {loop_}) && QDir().mkpath(path()) &&
                       run("mount.exfat-fuse", {"-o", options, loop_, path()});
    }
    // FUSE releases the files of a program that ended a while later: the file system goes once
    // they are, and so does the loop device.
    ~ExfatImage() {
        if (mounted_) ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
        if (!loop_.isEmpty()) run("losetup", {"--detach", loop_});
    }

    bool mounted() const { return mounted_; }
    QString path() const { return path_; }

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
    QString path_, loop_;
    bool mounted_ = false;
};
