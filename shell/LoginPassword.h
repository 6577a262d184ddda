// The system's one login password, stored as valueFrom of the settings row loginPwd.
#pragma once

#include <string>

#include "platform/Database.h"

inline constexpr int kMaxPasswordLength = 8;
// The password of a newly installed system (the delivered database holds it).
inline constexpr const char* kDefaultPassword = "123456";

// The stored password as read (the last row's valueFrom; "" when the row is missing or NULL).
std::string ReadLoginPassword(platform::Connection& conn);
