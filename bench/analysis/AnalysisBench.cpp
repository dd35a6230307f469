// Loudness analysis of a generated 60-minute spoken mp3 (44.1 kHz stereo,
// 128 kb/s), timed beside `ffmpeg -i FILE -af silencedetect=n=-40dB:d=0.3 -f
// null -` on the same file in the same run (runs alternate; medians of wall
// and CPU time). Then the same file through the worker, with the cache off,
// while a 5 ms timer on the event loop measures the longest gap between its
// ticks; the finished slot finds the pauses, as a window would. The same
// loop idle for as long gives the machine's own jitter.
// Run by hand: bin/bench_analysis [runs]
#include "loudness/LoudnessAnalysis.h"
#include "analysis/MediaAnalyzer.h"
#include "pauses/Pauses.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <sys/resource.h>

namespace {

constexpr int kMinutes = 60;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(30 * 60 * 1000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        return false;
    }
    return true;
}

// Twenty generated sentences (about 70 s with their pauses), looped to 60
// minutes and encoded once per build tree.
QString longMp3() {
    const QString dir = QStringLiteral(QM5_BENCH_WORK_DIR);
    const QString path = dir + QStringLiteral("/lesson60min.mp3");
    if (QFile::exists(path)) return path;
    QDir().mkpath(dir);
    std::printf("making %s (a minute or two) ...\n", qPrintable(path));
    std::fflush(stdout);
    const QString seed = dir + QStringLiteral("/seed");
    if (!run(QStringLiteral(QM5_SOURCE_DIR "/scripts/make-pause-lessons.sh"), {seed, "20", "7"})) return {};
    const QString part = path + QStringLiteral(".part.mp3");
    if (!run(QStringLiteral("ffmpeg"),
             {"-nostdin", "-v", "error", "-y", "-stream_loop", "-1", "-i", seed + "/lesson.wav", "-t",
              QString::number(kMinutes * 60), "-ar", "44100", "-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k",
              part}))
        return {};
    if (!QFile::rename(part, path)) return {};
    return path;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The longest gap between ticks of a 5 ms timer while the loop runs until
// done() holds (or, with no condition, for idleMs).
struct Gaps {
    std::vector<double> ms;
    double longest() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
    double percentile(double p) const {
        if (ms.empty()) return 0;
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        return v[std::min(v.size() - 1, static_cast<size_t>(p / 100 * v.size()))];
    }
    long over(double limit) const { return std::count_if(ms.begin(), ms.end(), [&](double g) { return g > limit; }); }
};

Gaps measureGaps(QEventLoop& loop, QTimer& ticker) {
    Gaps g;
    auto last = Clock::now();
    const auto connection = QObject::connect(&ticker, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        g.ms.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    });
    ticker.start();
    loop.exec();
    ticker.stop();
    QObject::disconnect(connection);
    return g;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const QString file = longMp3();
    if (file.isEmpty()) return 1;
    const std::string path = QFile::encodeName(file).toStdString();

    std::vector<double> oursWall, oursCpu, ffWall, ffCpu;
    qm::analysis::Envelope envelope;
    for (int i = 0; i < runs; ++i) {
        auto t = Clock::now();
        double cpu = cpuSeconds(RUSAGE_SELF);
        auto result = qm::analysis::analyzeLoudness(path, {}, nullptr);
        oursWall.push_back(secondsSince(t));
        oursCpu.push_back(cpuSeconds(RUSAGE_SELF) - cpu);
        if (result.error) {
            std::fprintf(stderr, "analysis failed: %s\n", result.error->reason.c_str());
            return 1;
        }
        envelope = std::move(result.envelope);

        t = Clock::now();
        cpu = cpuSeconds(RUSAGE_CHILDREN);
        if (!run(QStringLiteral("ffmpeg"), {"-nostdin", "-hide_banner", "-v", "error", "-i", file, "-af",
                                            "silencedetect=n=-40dB:d=0.3", "-f", "null", "-"}))
            return 1;
        ffWall.push_back(secondsSince(t));
        ffCpu.push_back(cpuSeconds(RUSAGE_CHILDREN) - cpu);
    }
    auto t = Clock::now();
    const auto pauses = qm::analysis::findPauses(envelope);
    const double findMs = secondsSince(t) * 1000;

    std::printf("file: %s (%d min, %lld bytes, 44.1 kHz stereo 128 kb/s)\n", qPrintable(file), kMinutes,
                static_cast<long long>(QFile(file).size()));
    std::printf("envelope: %zu frames, %d ms; %zu pauses\n", envelope.rms.size(), envelope.durationMs,
                pauses.size());
    std::printf("runs: %d (medians)\n", runs);
    std::printf("analyzeLoudness:          wall %6.2f s   cpu %6.2f s\n", median(oursWall), median(oursCpu));
    std::printf("ffmpeg -af silencedetect: wall %6.2f s   cpu %6.2f s   (process start included)\n",
                median(ffWall), median(ffCpu));
    std::printf("findPauses on the envelope: %.1f ms\n", findMs);
    std::fflush(stdout);

    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(5);

    // The worker, the cache off, the pauses found in the finished slot.
    qm::analysis::MediaAnalyzer analyzer(QString(), 0);
    QEventLoop loop;
    double workerSeconds = 0, slotMs = 0;
    bool ok = false;
    QObject::connect(&analyzer, &qm::analysis::MediaAnalyzer::finished,
                     [&](const QString&, qm::analysis::EnvelopePtr e, bool) {
                         const auto s = Clock::now();
                         ok = !qm::analysis::findPauses(*e).empty();
                         slotMs = secondsSince(s) * 1000;
                         loop.quit();
                     });
    QObject::connect(&analyzer, &qm::analysis::MediaAnalyzer::failed, [&](const QString&, const QString& reason) {
        std::fprintf(stderr, "worker failed: %s\n", qPrintable(reason));
        loop.quit();
    });
    t = Clock::now();
    QTimer::singleShot(0, [&] { analyzer.start(file); });
    const Gaps busy = measureGaps(loop, ticker);
    workerSeconds = secondsSince(t);
    if (!ok) return 1;

    QEventLoop idleLoop;
    QTimer::singleShot(static_cast<int>(workerSeconds * 1000), &idleLoop, &QEventLoop::quit);
    const Gaps idle = measureGaps(idleLoop, ticker);

    std::printf("worker run: %.2f s; finished slot with findPauses: %.1f ms\n", workerSeconds, slotMs);
    const auto report = [](const char* what, const Gaps& g) {
        std::printf("%s: longest %6.1f ms, 99th percentile %5.1f ms, over 50 ms: %ld of %zu ticks\n", what,
                    g.longest(), g.percentile(99), g.over(50), g.ms.size());
    };
    report("event-loop gaps (5 ms timer) while the worker analyses", busy);
    report("event-loop gaps (5 ms timer), idle for as long       ", idle);
    return 0;
}
