// Start-up probe for the smallest Qt Widgets program: one empty window,
// reported at its first paint like the program's probe.
#include "bench/browser/FirstPaint.h"
#include "bench/browser/StartupProbe.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    const double mainMs = qmbench::msSinceSpawn();  // what loading the libraries cost
    QApplication app(argc, argv);
    QWidget window;
    window.resize(640, 480);
    qmbench::FirstPaint seen(&window, [mainMs] {
        qmbench::report("minimal", mainMs, qmbench::msSinceSpawn(), qmbench::residentKb(), qmbench::webEngineProcesses());
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    });
    window.show();
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
    return app.exec();
}
