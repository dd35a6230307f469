#pragma once
// Scenarios a test binary runs in a child process of its own, for what only
// another process can show (a kill -9 in the middle of the practice). The
// test starts its own executable with "--child NAME ARGS..."; the entry runs
// the scenario registered under NAME instead of the tests.

#include <QCoreApplication>
#include <QStringList>

#include <functional>
#include <map>
#include <string>

namespace qmtest {

using ChildScenario = std::function<int(const QStringList& arguments)>;

inline std::map<std::string, ChildScenario>& childScenarios() {
    static std::map<std::string, ChildScenario> scenarios;
    return scenarios;
}

struct RegisterChild {
    RegisterChild(const std::string& name, ChildScenario run) { childScenarios()[name] = std::move(run); }
};

// In main, once the application object is made: the scenario's exit status,
// or -1 when this run is the tests'.
inline int runChildScenario(int argc, char** argv) {
    if (argc < 3 || std::string(argv[1]) != "--child") return -1;
    const auto found = childScenarios().find(argv[2]);
    if (found == childScenarios().end()) return 2;
    QStringList arguments;
    for (int i = 3; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return found->second(arguments);
}

}  // namespace qmtest
