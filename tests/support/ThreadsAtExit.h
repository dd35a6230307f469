// Under the leak checker only: Qt's own threads (its D-Bus connection, its
// thread pool) give back their thread data after wait() on them has returned,
// as the thread itself ends. A leak check that runs while one is still ending
// counts that data as lost, now and then. Registered first in main(), this
// handler runs after every later exit handler and static destructor (the
// D-Bus thread is stopped by one) and waits, bounded, until this is the
// process's only thread.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

namespace qm::test {

inline int threadsOfThisProcess() {
    std::error_code ec;
    int n = 0;
    for (std::filesystem::directory_iterator it("/proc/self/task", ec), end; !ec && it != end; it.increment(ec))
        ++n;
    return n;
}

inline void awaitOtherThreadsAtExit() {
    std::atexit([] {
        using namespace std::chrono_literals;
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (threadsOfThisProcess() > 1 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(2ms);
    });
}

}  // namespace qm::test
#else
namespace qm::test {
inline void awaitOtherThreadsAtExit() {}
}  // namespace qm::test
#endif
