#include "platform/Settings.h"

#include <QSettings>
#include <QStandardPaths>

namespace platform {
namespace {

QString& overrideFile() {
    static QString path;
    return path;
}

}  // namespace

QString SettingsFile(const QString& appName) {
    if (!overrideFile().isEmpty()) return overrideFile();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/PraveltaKVT/" + appName + ".ini";
}

void SetSettingsFile(const QString& path) {
    overrideFile() = path;
}

QString ReadSetting(const QString& appName, const QString& section, const QString& key,
                    const QString& defaultValue) {
    QSettings store(SettingsFile(appName), QSettings::IniFormat);
    return store.value(section + "/" + key, defaultValue).toString();
}

void WriteSetting(const QString& appName, const QString& section, const QString& key,
                  const QString& value) {
    QSettings store(SettingsFile(appName), QSettings::IniFormat);
    store.setValue(section + "/" + key, value);
    store.sync();
}

}  // namespace platform
