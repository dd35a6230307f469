// The event loop while a script is aligned through the session, as the window
// lives it: the longest gap between ticks of a 5 ms timer, beside the same
// measure with the lesson open and nothing running, in the same run.
//
//   bench_align_stall [SEED]   (default 3: a 30-sentence lesson of about 110 s)
//
// The lesson (the noisy mp3 after an announcement, and its script as running
// text) is made by bench/align/make-align-lessons.sh. Offscreen, no sound.
#include "session/PracticeSession.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Nothing waits for a user: messages go to stderr, questions are answered No.
class NoPrompts : public qm::SessionPrompts {
public:
    void message(const QString& text) override { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }
    qm::Answer confirm(const QString&) override { return qm::Answer::No; }
    bool warningYesNo(const QString&) override { return false; }
    std::optional<QString> saveFile(const qm::FileDialogRequest&) override { return std::nullopt; }
};

// Runs the event loop until done() or timeoutMs, a 5 ms timer ticking: the
// longest gap between two ticks, in ms.
template <typename Done>
double longestGap(Done done, int timeoutMs) {
    QElapsedTimer clock, since;
    clock.start();
    since.start();
    double longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, since.nsecsElapsed() / 1e6);
        since.restart();
    });
    tick.start(5);
    while (!done() && !clock.hasExpired(timeoutMs)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return longest;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QM5_AO", "null");
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const std::string seed = argc > 1 ? argv[1] : "3";
    const std::string lesson = std::string(QM5_BENCH_WORK_DIR) + "/stall-" + seed;
    const std::string make = "'" QM5_SOURCE_DIR "/bench/align/make-align-lessons.sh' '" + lesson + "' 30 " + seed;
    if (std::system(make.c_str()) != 0) return 1;

    QTemporaryDir dir;
    qm::Settings settings(dir.filePath(QStringLiteral("QM4.ini")));
    NoPrompts prompts;
    qm::PracticeSession session(settings, prompts);
    if (!session.OpenFile(QString::fromStdString(lesson + "/hard.mp3"))) return 2;
    session.pause();
    // The yardstick: the same loop with the lesson open and nothing running
    // (the loudness analysis of the open is left to end first).
    longestGap([&] { return session.envelope() != nullptr; }, 60000);
    const double idle = longestGap([] { return false; }, 3000);

    bool ended = false;
    QObject::connect(&session, &qm::PracticeSession::workEnded, [&] { ended = true; });
    QElapsedTimer took;
    took.start();
    if (!session.alignScript(QString::fromStdString(lesson + "/running.txt"))) return 3;
    const double aligning = longestGap([&] { return ended; }, 600000);
    if (!ended) return 4;
    std::printf("aligning %d blocks of %.1f s took %.1f s\n", session.state().blocks().count(),
                session.state().mediaLength / 1000.0, took.elapsed() / 1000.0);
    std::printf("longest gap of the event loop (5 ms timer): while aligning %.1f ms, idle %.1f ms (aim: under 50 ms)\n",
                aligning, idle);
    return 0;
}
