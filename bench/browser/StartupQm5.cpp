// Start-up probe for the program: makes the application and the four windows
// as the program's entry does, shows the main window and reports, at its first
// paint, the time since the process was started, its resident memory and how
// many web engine processes exist. With --browser it then shows the browser
// window and reports when the web engine's processes have come up. With
// QM5_BENCH_PLAY=FILE it opens FILE as from the command line and reports when
// it plays.
#include "ui/Application.h"
#include "bench/browser/FirstPaint.h"
#include "media/MpvLibrary.h"
#include "bench/browser/StartupProbe.h"
#include "app/Program.h"
#include "mainwindow/Unit1.h"
#include "browser/Unit3.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <clocale>
#include <cstring>

namespace {

// Shows the browser and waits (handling events) for its engine processes.
void showBrowserAndReport() {
    QElapsedTimer t;
    t.start();
    frmIE->show();
    int engines = 0;
    while (t.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        engines = qmbench::webEngineProcesses();
        if (engines > 0) break;
        QThread::msleep(20);
    }
    std::printf("browser shown_after_ms=%lld webengine=%d rss_kb=%ld\n", static_cast<long long>(t.elapsed()),
                engines, qmbench::residentKb());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const double mainMs = qmbench::msSinceSpawn();  // what loading the libraries cost
    const bool thenBrowser = argc > 1 && std::strcmp(argv[1], "--browser") == 0;
    if (!qEnvironmentVariableIsEmpty("QM5_BENCH_PLAY")) qm::preloadMpv();  // as the program does for a file
    qm::TApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // libmpv refuses to start otherwise
    app.setApplicationName(QStringLiteral("QM5"));
    app.setTitle(QStringLiteral("QM5"));

    QTemporaryDir settings;  // the probe leaves no settings file behind
    if (!settings.isValid()) return 1;
    qm::Program program(settings.filePath(QStringLiteral("QM4.ini")), qm::PracticeSession::Clock::real(),
                        qm::Program::Windows::MainFirst);

    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        std::fprintf(stderr, "the main window was never painted\n");
        QCoreApplication::exit(1);
    });
    qmbench::FirstPaint seen(frmMain, [thenBrowser, mainMs, &watchdog] {
        watchdog.stop();
        qmbench::report("qm5", mainMs, qmbench::msSinceSpawn(), qmbench::residentKb(), qmbench::webEngineProcesses());
        QTimer::singleShot(0, [thenBrowser] {
            if (thenBrowser) showBrowserAndReport();
            QCoreApplication::exit(0);  // quit() would ask the windows, and frmIE only hides
        });
    });
    // With QM5_BENCH_PLAY the probe is given that file, as on the command
    // line, and reports when it plays instead.
    const QString play = qEnvironmentVariable("QM5_BENCH_PLAY");
    QTimer playing;
    if (!play.isEmpty()) {
        seen.disarm();
        frmMain->setCommandLine({play});
        playing.setInterval(2);
        QObject::connect(&playing, &QTimer::timeout, [&watchdog] {
            if (!frmMain->session().isPlaying()) return;
            watchdog.stop();
            std::printf("playing ms=%.3f\n", qmbench::msSinceSpawn());
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
        playing.start();
    }
    frmMain->show();
    program.makeHiddenWindowsAfterTheFirstPaint();  // as the program does
    watchdog.start(10000);
    return app.exec();
}
