#include "platform/GuardedApplication.h"

#include <exception>

#include "platform/ErrorText.h"
#include "platform/MsgBox.h"

namespace platform {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const std::string message = UserMessageOf(std::current_exception());
        try {
            MsgBox(message);
        } catch (...) {
            // The box itself failed: the event is dropped all the same.
        }
    }
    return false;
}

}  // namespace platform
