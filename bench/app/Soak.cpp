// A long practice on the real engine, with no window: Repeat with Auto Pause
// at the highest rate, three times each block, then the next one, over the
// whole lesson and round again, until the given span of media has played.
// Prints, per stretch of the run and at the end:
//  - where each repetition began against its block's start: the engine's
//    position at the first tick after the wait, less what the rate played
//    since the wait ended (so it holds the sound output's start-up too),
//  - how far past its block's end each end was caught,
//  - the resident memory of the process,
//  - the longest stall of the event loop (a 10 ms timer's lateness).
// Usage: bench_soak BLOCK_FILE_OR_MEDIA [MEDIA_SECONDS=3600] [RATE=2.0]
#include "core/BlockList.h"
#include "session/PracticeSession.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

class NoPrompts : public qm::SessionPrompts {
public:
    void message(const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    qm::Answer confirm(const QString&) override { return qm::Answer::No; }
    bool warningYesNo(const QString&) override { return false; }
    std::optional<QString> saveFile(const qm::FileDialogRequest&) override { return std::nullopt; }
};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

struct Figures {
    std::vector<double> startError;  // ms, per repetition
    std::vector<double> endLate;
    double longestStallMs = 0;
    void clear() { *this = Figures{}; }
};

double mean(const std::vector<double>& v) {
    double sum = 0;
    for (double x : v) sum += x;
    return v.empty() ? 0 : sum / static_cast<double>(v.size());
}
double maxAbs(const std::vector<double>& v) {
    double m = 0;
    for (double x : v) m = std::max(m, std::abs(x));
    return m;
}

}  // namespace

// Runs a function before each tick of a timer is handled.
class BeforeTick : public QObject {
public:
    BeforeTick(QObject* timer, std::function<void()> f) : f_(std::move(f)) { timer->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Timer) f_();
        return false;
    }

private:
    std::function<void()> f_;
};

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s BLOCK_FILE_OR_MEDIA [MEDIA_SECONDS] [RATE]\n", argv[0]);
        return 2;
    }
    // Cache, recovery and settings in a folder of the run's own.
    QTemporaryDir home;
    qputenv("XDG_CACHE_HOME", home.filePath("cache").toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
    if (qEnvironmentVariableIsEmpty("QM5_AO")) qputenv("QM5_AO", "null");
    QCoreApplication app(argc, argv);
    const double mediaSeconds = argc > 2 ? std::atof(argv[2]) : 3600.0;
    const double rate = argc > 3 ? std::atof(argv[3]) : 2.0;

    qm::Settings settings(home.filePath("QM4.ini"));
    NoPrompts prompts;
    qm::PracticeSession session(settings, prompts);
    auto& s = session.state();
    session.OpenFile(QString::fromLocal8Bit(argv[1]));
    if (s.mediaLength <= 0 || s.blocks().count() < 2) {
        std::fprintf(stderr, "no media, or fewer than two blocks: nothing to soak\n");
        return 1;
    }
    session.setRate(rate);
    session.setBlockMode(qm::BlockMode::Repeat);
    session.setAfterBlock(qm::AfterBlock::AutoPause);
    session.playBlock(1);

    Figures stretch, all;
    QElapsedTimer run, playing;
    run.start();
    double playedMs = 0;  // wall time playing, times the rate: media played
    bool wasPlaying = false;
    int repetitions = 0;
    const long startKiB = residentKiB();
    long warmKiB = -1, peakKiB = startKiB;
    // The last block ends with the media, where Repeat starts it again with no
    // wait: the round goes over the blocks before it.
    const int32_t lastBlock = s.blocks().count() - 1;

    // Each tick of the block timer: the position it is about to act on.
    QElapsedTimer sinceResume;
    bool measureStart = false, wasWaiting = false;
    int32_t tickPos = 0, tickBlock = 0;
    BeforeTick beforeTick(session.blockTimer(), [&] {
        tickPos = session.readPosition();
        tickBlock = s.curBlock;
        if (measureStart && tickPos != qm::blockStart(s, s.curBlock)) {
            const double err = tickPos - qm::blockStart(s, s.curBlock) - static_cast<double>(sinceResume.elapsed()) * rate;
            stretch.startError.push_back(err);
            all.startError.push_back(err);
            measureStart = false;
        }
    });
    QObject::connect(&session, &qm::PracticeSession::positionChanged, &app, [&] {
        const bool nowPlaying = session.isPlaying();
        if (nowPlaying && !wasPlaying) playing.start();
        if (!nowPlaying && wasPlaying) playedMs += static_cast<double>(playing.elapsed()) * rate;
        wasPlaying = nowPlaying;
        if (s.pauseWaiting && !wasWaiting) {
            const double late = tickPos - s.blocks()[tickBlock];
            stretch.endLate.push_back(late);
            all.endLate.push_back(late);
        }
        wasWaiting = s.pauseWaiting;
    });
    // The wait's end plays the block again from its start; every third time the next one.
    QObject::connect(session.waitTimer(), &QTimer::timeout, &app, [&] {
        ++repetitions;
        if (repetitions % 3 == 0) {
            if (s.curBlock >= lastBlock)
                session.playBlock(1);
            else
                session.nextBlock();
        }
        sinceResume.start();
        measureStart = true;
    });

    // The event loop's lateness, at 10 ms.
    QElapsedTimer tick;
    tick.start();
    QTimer stallProbe;
    stallProbe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&stallProbe, &QTimer::timeout, &app, [&] {
        const double late = static_cast<double>(tick.nsecsElapsed()) / 1e6 - 10.0;
        tick.restart();
        stretch.longestStallMs = std::max(stretch.longestStallMs, late);
        all.longestStallMs = std::max(all.longestStallMs, late);
    });
    stallProbe.start(10);

    std::printf("%8s %10s %6s %22s %22s %10s %10s\n", "wall s", "media s", "reps", "start err ms mean/max",
                "end late ms mean/max", "RSS KiB", "stall ms");
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, &app, [&] {
        const double media = (playedMs + (wasPlaying ? static_cast<double>(playing.elapsed()) * rate : 0)) / 1000.0;
        const long kib = residentKiB();
        peakKiB = std::max(peakKiB, kib);
        if (warmKiB < 0) warmKiB = kib;
        std::printf("%8.0f %10.0f %6d %10.1f /%10.1f %10.1f /%10.1f %10ld %10.1f\n", run.elapsed() / 1000.0, media,
                    repetitions, mean(stretch.startError), maxAbs(stretch.startError), mean(stretch.endLate),
                    maxAbs(stretch.endLate), kib, stretch.longestStallMs);
        std::fflush(stdout);
        stretch.clear();
        if (media >= mediaSeconds) app.quit();
    });
    report.start(60'000);
    app.exec();

    const long endKiB = residentKiB();
    const size_t n = all.startError.size();
    const size_t tenth = std::max<size_t>(1, n / 10);
    const std::vector<double> first(all.startError.begin(), all.startError.begin() + static_cast<long>(std::min(n, tenth)));
    const std::vector<double> last(all.startError.end() - static_cast<long>(std::min(n, tenth)), all.startError.end());
    std::printf("\nsoak over %.0f s of media at rate %.1f, %d repetitions, %.0f s of wall time\n", mediaSeconds, rate,
                repetitions, run.elapsed() / 1000.0);
    std::printf("  start error, first tenth of the run: mean %.1f ms; last tenth: mean %.1f ms; drift %.1f ms\n",
                mean(first), mean(last), mean(last) - mean(first));
    std::printf("  start error, worst: %.1f ms; end caught late, mean %.1f ms, worst %.1f ms\n",
                maxAbs(all.startError), mean(all.endLate), maxAbs(all.endLate));
    std::printf("  resident memory: %ld KiB at the start, %ld KiB after the first minute, %ld KiB at the end (peak %ld)\n",
                startKiB, warmKiB, endKiB, peakKiB);
    std::printf("  longest stall of the event loop: %.1f ms\n", all.longestStallMs);
    session.shutdown();
    return 0;
}
