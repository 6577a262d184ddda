// What the user is told about an error that stopped an action: the program's own errors say in
// Chinese what went wrong; any other exception's text (often the library's English) is for the
// developer, on standard error, and the user learns only that the action did not finish.
#pragma once

#include <exception>
#include <string>

namespace platform {

// The sentence shown for an error that is not the program's own.
inline constexpr const char* kUnexpectedError = "程序出现意外错误，刚才的操作没有完成。";

// The text for the user: the own error's text (DbError, RuntimeError, PrinterError), otherwise
// kUnexpectedError with the error's own text written to standard error.
std::string UserMessageOf(std::exception_ptr error);

}  // namespace platform
