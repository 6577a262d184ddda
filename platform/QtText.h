// Conversions between Qt's text and the UTF-8 std::string the core uses.
#pragma once

#include <QString>
#include <string>

namespace platform {

inline std::string S(const QString& s) { return s.toStdString(); }
inline QString Q(const std::string& s) { return QString::fromStdString(s); }

// Trimmed of blanks (spaces) only, as the checks of the forms expect.
QString TrimQ(const QString& s);
// Length in characters (code points), as the password rules count them.
int CharCount(const QString& s);

}  // namespace platform
