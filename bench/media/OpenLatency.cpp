// Open latency: from LoadIntoEngine to the length known (LoadIntoEngine,
// MediaPlay unless playing, WaitForLength) with the real controls on libmpv
// (null audio output), for a 60-minute mp3 made here; printed beside the time
// ffprobe needs to read the same file's duration. Median of several runs.
#include "media/MediaEngine.h"
#include "media/MetafileFetch.h"
#include "media/StreamingAudioControl.h"
#include "transport/TRealAudio.h"
#include "media/MediaPlayerControl.h"
#include "transport/TWindowsMediaPlayer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <vector>

namespace {

constexpr int kMinutes = 60;

bool run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10 * 60 * 1000) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     p.readAllStandardError().constData());
        return false;
    }
    if (out) *out = p.readAllStandardOutput();
    return true;
}

// A 60-minute tone at a low bit rate, made once per build tree.
QString longMp3() {
    const QString dir = QStringLiteral(QM5_BENCH_WORK_DIR);
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/tone60min.mp3");
    if (QFile::exists(path)) return path;
    const QString tmp = path + QStringLiteral(".part.mp3");
    std::printf("making %s ...\n", qPrintable(path));
    if (!run(QStringLiteral("ffmpeg"),
             {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
              QStringLiteral("sine=frequency=440:sample_rate=16000:duration=%1").arg(kMinutes * 60),
              "-ac", "1", "-c:a", "libmp3lame", "-b:a", "24k", tmp}))
        return {};
    if (!QFile::rename(tmp, path)) return {};
    return path;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // libmpv refuses to start otherwise
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    const QString file = longMp3();
    if (file.isEmpty()) return 1;

    qm::MediaPlayerControl wmp(nullptr, QStringLiteral("null"));
    qm::StreamingAudioControl ra(nullptr, QStringLiteral("null"));
    qm::PracticeState s;
    qm::MediaEngine engine(s, wmp, ra, qm::qtEventPump());

    std::vector<double> openMs, probeMs;
    int32_t length = 0;
    for (int i = 0; i < runs; ++i) {
        engine.MediaStop();
        QElapsedTimer t;
        t.start();
        engine.LoadIntoEngine(file, qm::Engine::MediaPlayer);
        if (!engine.IsPlaying()) engine.MediaPlay();
        length = engine.WaitForLength();
        openMs.push_back(t.nsecsElapsed() / 1e6);
        if (length == 0) {
            std::fprintf(stderr, "no length found for %s\n", qPrintable(file));
            return 1;
        }
    }
    engine.MediaShutdown();

    QByteArray probed;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if (!run(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format=duration",
                                              "-of", "csv=p=0", file},
                 &probed))
            return 1;
        probeMs.push_back(t.nsecsElapsed() / 1e6);
    }

    std::printf("file: %s (%d min, %lld bytes)\n", qPrintable(file), kMinutes,
                static_cast<long long>(QFile(file).size()));
    std::printf("length: engine %d ms, ffprobe %s s\n", length, probed.trimmed().constData());
    std::printf("runs: %d\n", runs);
    std::printf("open to length known (median): %8.2f ms   (first %.2f, min %.2f, max %.2f)\n",
                median(openMs), openMs.front(), *std::min_element(openMs.begin(), openMs.end()),
                *std::max_element(openMs.begin(), openMs.end()));
    std::printf("ffprobe duration (median):     %8.2f ms   (process start included)\n",
                median(probeMs));
    return 0;
}
