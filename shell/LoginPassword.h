// The system's one login password, stored as valueFrom of the settings row loginPwd.
#pragma once

#include <string>

#include "platform/storage/Database.h"

inline constexpr int kMaxPasswordLength = 8;
// The password of a newly installed system (the delivered database holds it).
inline constexpr const char* kDefaultPassword = "123456";

// The stored password (the last row's valueFrom; "" when the row is missing or NULL), trimmed
// of blanks as typed passwords are: a row written by another tool with blanks around the
// password still matches at the login and at a password change alike.
std::string ReadLoginPassword(platform::Connection& conn);
