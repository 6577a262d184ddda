#include "tests/shell/ShellTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>

#include "platform/AppPath.h"
#include "platform/Label.h"
#include "platform/Settings.h"
#include "shell/frmMsgBox.h"

TempProgramFolder::TempProgramFolder(const QStringList& skip) {
    const QDir source(QString(SKIN_SOURCE_DIR) + "/Blue");
    QDir(dir_.path()).mkpath("Skinz/Blue");
    for (const QString& file : source.entryList({"*.gif"}, QDir::Files)) {
        if (skip.contains(QFileInfo(file).completeBaseName())) continue;
        QFile::copy(source.filePath(file), dir_.path() + "/Skinz/Blue/" + file);
    }
    platform::SetAppPath(dir_.path().toStdString());
    platform::SetSettingsFile(dir_.path() + "/settings.ini");
}

TempProgramFolder::~TempProgramFolder() {
    platform::SetAppPath(std::string());
    platform::SetSettingsFile(QString());
}

QString TempProgramFolder::skinFile(const QString& skin, const QString& name) const {
    return dir_.path() + "/Skinz/" + skin + "/" + name + ".gif";
}

void TempProgramFolder::writeFile(const QString& relative, const QByteArray& bytes) const {
    const QString full = dir_.path() + "/" + relative;
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

MsgBoxWatcher::MsgBoxWatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(20);
}

void MsgBoxWatcher::poll() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<frmMsgBox*>(w);
        if (box == nullptr || !box->isVisible()) continue;
        seen_.push_back({box->lblMessage()->text(), box->chrome().lblTitle->text()});
        box->cmdOK()->click();
    }
}
