// QM5: the program entry. Creates the four windows, the main one first, and
// runs the message loop until the main window closes.
#include "Application.h"
#include "CommandLine.h"
#include "ProgramEnd.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"

#include <QDir>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv) {
    // Read before the application object, which needs a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const qm::CommandLine command = qm::readCommandLine(arguments, QDir::currentPath());
    if (command.action == qm::CommandLine::Action::Print) {
        std::fputs(command.output.toLocal8Bit().constData(), stdout);
        return 0;
    }

    qm::TApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // libmpv refuses to start otherwise
    app.setApplicationName(QStringLiteral("QM5"));
    app.setTitle(QStringLiteral("QM5"));
    app.installQtTranslation();

    frmMain = new TfrmMain;
    frmMemo = new TfrmMemo;
    frmIE = new TfrmIE;
    frmInfo = new TfrmInfo;  // reads the settings file

    // Qt's own options (-platform, ...) are out of app.arguments() by now.
    const QString openPath = qm::readCommandLine(app.arguments().mid(1), QDir::currentPath()).openPath;
    if (!openPath.isEmpty()) frmMain->setCommandLine({openPath});
    frmMain->setWindowIconText(app.title());
    frmMain->show();
    qm::ProgramEnd end;  // writes the settings when the loop ends, handles logout and signals
    const int rc = app.exec();

    delete frmInfo;
    delete frmIE;
    delete frmMemo;
    delete frmMain;
    return rc;
}
