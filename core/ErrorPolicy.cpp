#include "core/ErrorPolicy.h"

#include <cstdio>
#include <mutex>

namespace qm {

namespace {
std::mutex handlerMutex;
ErrorHandler& handler() {
    static ErrorHandler h;
    return h;
}
}  // namespace

void setErrorHandler(ErrorHandler h) {
    std::lock_guard lock(handlerMutex);
    handler() = std::move(h);
}

void reportError(const std::string& message) {
    ErrorHandler h;
    {
        std::lock_guard lock(handlerMutex);
        h = handler();
    }
    if (h) {
        h(message);
        return;
    }
    std::fprintf(stderr, "QM5: %s\n", message.c_str());
}

std::string currentErrorMessage() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "予期しないエラーが発生しました";  // thrown by something that is no std::exception
    }
}

}  // namespace qm
