// QM5: the program entry. Creates the four windows, the main one first, and
// runs the message loop until the main window closes.
#include "Application.h"
#include "ProgramEnd.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"

#include <clocale>

int main(int argc, char** argv) {
    qm::TApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // libmpv refuses to start otherwise
    app.setApplicationName(QStringLiteral("QM5"));
    app.setTitle(QStringLiteral("QM5"));

    frmMain = new TfrmMain;
    frmMemo = new TfrmMemo;
    frmIE = new TfrmIE;
    frmInfo = new TfrmInfo;  // reads the settings file

    const QStringList args = app.arguments();
    frmMain->setCommandLine(args.mid(1, 1));  // the first argument only
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
