// Support for the shell's window tests: a temporary program folder with the skin "Blue" and
// its own settings file, and a watcher that answers skinned message boxes.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <vector>

// A program folder with Skinz/Blue copied from the repository (less the files named in
// `skip`), and a settings file of its own; both are made current while it lives.
class TempProgramFolder {
  public:
    explicit TempProgramFolder(const QStringList& skip = {});
    ~TempProgramFolder();

    QString path() const { return dir_.path(); }
    QString skinFile(const QString& skin, const QString& name) const;
    void writeFile(const QString& relative, const QByteArray& bytes) const;

  private:
    QTemporaryDir dir_;
};

struct SeenMsgBox {
    QString prompt;
    QString title;
};

// Closes every skinned message box that opens while it lives (with its OK button) and
// records what it said.
class MsgBoxWatcher {
  public:
    MsgBoxWatcher();
    const std::vector<SeenMsgBox>& seen() const { return seen_; }

  private:
    void poll();
    QTimer timer_;
    std::vector<SeenMsgBox> seen_;
};
