#include "platform/GuardedApplication.h"

#include <cstdio>
#include <exception>

#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/Runtime.h"

namespace platform {
namespace {

// The program's own errors say in Chinese what went wrong; any other exception's text is for
// the developer (standard error), and the user learns only that the action stopped.
std::string messageOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const DbError& e) {
        return e.what();
    } catch (const RuntimeError& e) {
        return e.what();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "uncaught in an event handler: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "uncaught in an event handler: not a std::exception\n");
    }
    return "程序出现意外错误，刚才的操作没有完成。";
}

}  // namespace

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const std::string message = messageOf(std::current_exception());
        try {
            MsgBox(message);
        } catch (...) {
            // The box itself failed: the event is dropped all the same.
        }
    }
    return false;
}

}  // namespace platform
