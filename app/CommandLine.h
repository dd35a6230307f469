#pragma once

#include <QString>
#include <QStringList>

namespace qm {

// What the command line asks for: run (opening a file or web address when
// one is given) or print a text and end, without a window.
struct CommandLine {
    enum class Action { Run, Print };
    Action action = Action::Run;
    QString output;    // for Print
    QString openPath;  // for Run; empty opens nothing
};

// Reads the arguments after the program's name. --help (-h) and --version
// print and end; the first other argument is opened, a relative path made
// absolute against currentDir; a web address stays as it is. Further
// arguments are ignored.
CommandLine readCommandLine(const QStringList& arguments, const QString& currentDir);

}  // namespace qm
