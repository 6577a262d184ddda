#include "platform/ErrorText.h"

#include <cstdio>

#include "platform/storage/Database.h"
#include "platform/Printer.h"
#include "platform/Runtime.h"

namespace platform {

std::string UserMessageOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const DbError& e) {
        return e.what();
    } catch (const RuntimeError& e) {
        return e.what();
    } catch (const PrinterError& e) {
        return e.what();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unexpected error in an action: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "unexpected error in an action: not a std::exception\n");
    }
    return kUnexpectedError;
}

}  // namespace platform
