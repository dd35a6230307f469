#pragma once

#include <exception>
#include <functional>
#include <string>

// One way for errors out of any handler: every slot a signal reaches runs
// through guarded(), which hands what it throws to the one error handler (the
// application shows it in a message box and the event loop goes on). Plain
// C++, so every layer can use it.
namespace qm {

using ErrorHandler = std::function<void(const std::string& message)>;

// Set once by the application; without one, errors go to stderr.
void setErrorHandler(ErrorHandler handler);
void reportError(const std::string& message);
// The message of the exception being handled (inside a catch block): what()
// of a std::exception, a fixed text for anything else thrown.
std::string currentErrorMessage();

// A slot that runs f, ignoring the signal's arguments, and reports whatever
// f throws, a non-standard exception included.
template <typename F>
auto guarded(F f) {
    return [f = std::move(f)](auto&&...) {
        try {
            f();
        } catch (...) {
            reportError(currentErrorMessage());
        }
    };
}

// Runs f at once under the same rule, for signals with arguments.
template <typename F>
void runGuarded(F&& f) {
    try {
        f();
    } catch (...) {
        reportError(currentErrorMessage());
    }
}

}  // namespace qm
