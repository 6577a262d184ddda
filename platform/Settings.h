// The program's settings store in place of the registry: named values per application and
// section, kept in an INI file per application ([section] key=value). Tests point it at a file
// of their own.
#pragma once

#include <QString>

namespace platform {

// Returns the stored value, or defaultValue when there is none.
QString ReadSetting(const QString& appName, const QString& section, const QString& key,
                    const QString& defaultValue = QString());
void WriteSetting(const QString& appName, const QString& section, const QString& key,
                  const QString& value);

// Makes every application's settings live in this file from now on; an empty path restores
// the user's own files.
void SetSettingsFile(const QString& path);
// <user config folder>/PraveltaKVT/<appName>.ini unless SetSettingsFile chose another.
QString SettingsFile(const QString& appName);

}  // namespace platform
