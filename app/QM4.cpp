// QM5: the program entry. Reads the settings, makes the practice session and
// the four windows over it, the main one first, and runs the message loop
// until the main window closes.
#include "ui/Application.h"
#include "app/CommandLine.h"
#include "media/MpvLibrary.h"
#include "app/Program.h"
#include "app/ProgramEnd.h"
#include "mainwindow/Unit1.h"

#include <QDir>

#include <clocale>
#include <cstdio>
#include <exception>

namespace {

int run(int argc, char** argv) {
    // Read before the application object, which needs a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const qm::CommandLine command = qm::readCommandLine(arguments, QDir::currentPath());
    if (command.action == qm::CommandLine::Action::Print) {
        std::fputs(command.output.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (command.action == qm::CommandLine::Action::Fail) {
        std::fputs(command.output.toLocal8Bit().constData(), stderr);
        return 2;
    }
    // Aligning needs no window, nor a display.
    if (command.action == qm::CommandLine::Action::Align) return qm::runAlign(command);
    if (command.action == qm::CommandLine::Action::ExportAnki) return qm::runExportAnki(command);
    // A file to play: the engine's library loads while the windows are made.
    if (!command.openPath.isEmpty()) qm::preloadMpv();

    qm::TApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // libmpv refuses to start otherwise
    app.setApplicationName(QStringLiteral("QM5"));
    app.setTitle(QStringLiteral("QM5"));
    app.setDesktopFileName(QStringLiteral(QM5_APP_ID));  // Wayland shells find the menu entry by it

    qm::Program program({}, qm::PracticeSession::Clock::real(), qm::Program::Windows::MainFirst);

    // Qt's own options (-platform, ...) are out of app.arguments() by now.
    const QString openPath = qm::readCommandLine(app.arguments().mid(1), QDir::currentPath()).openPath;
    if (!openPath.isEmpty()) frmMain->setCommandLine({openPath});
    frmMain->show();
    program.makeHiddenWindowsAfterTheFirstPaint();
    // Writes the settings when the loop ends, asks at a logout, keeps work at a signal.
    qm::ProgramEnd end(program.session(), program.settings());
    const int rc = app.exec();
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (...) {
        // Past the event loop no handler is left to show it.
        std::fprintf(stderr, "QM5: %s\n", qm::currentErrorMessage().c_str());
        return 1;
    }
}
