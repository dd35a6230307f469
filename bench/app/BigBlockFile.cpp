// Opening a block file near the size limit: 1000 blocks and a million note
// lines (12.9 MB), through the program's windows with the memo window shown.
// Measures what the open adds to the process's memory and the longest time
// the event loop was held, beside the same open of a block file with ten
// notes on the same media, each in a fresh process.
//
//   bench_big_blockfile [MEDIA]      (default: the sample lesson)
#include "ui/Application.h"
#include "blockfile/BlockFile.h"
#include "ui/Dialogs.h"
#include "app/Program.h"
#include "mainwindow/Unit1.h"
#include "memo/Unit2.h"
#include "files/WholeFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <memory>
#include <cstdio>
#include <string>

namespace {

QString lessonPath(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) != "--measure") return QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    return QStringLiteral(QM5_SOURCE_DIR "/samples/lesson.mp3");
}

// A field of /proc/self/status in MB ("VmRSS", "VmHWM").
double statusMb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (!line.startsWith(field)) continue;
        return line.mid(line.indexOf(':') + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// The longest gap between two turns of the event loop while it runs.
class StallMeter : public QObject {
public:
    StallMeter() {
        timer_.setInterval(1);
        connect(&timer_, &QTimer::timeout, this, [this] {
            longest_ = std::max(longest_, since_.restart());
        });
    }
    void start() {
        longest_ = 0;
        since_.start();
        timer_.start();
    }
    qint64 longestMs() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer since_;
    qint64 longest_ = 0;
};

// Questions (the media's length may come out a little different at the
// second open) are answered Yes, so that nothing waits for a user.
class YesDialogs : public qm::Dialogs {
public:
    void message(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }
    qm::Answer confirm(QWidget*, const QString&) override { return qm::Answer::Yes; }
    bool warningYesNo(QWidget*, const QString&) override { return true; }
    std::optional<QString> openFile(QWidget*, const qm::FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(QWidget*, const qm::FileDialogRequest&) override { return std::nullopt; }
    std::optional<QFont> font(QWidget*, const QFont&) override { return std::nullopt; }
};

// One open in this process: prints "notes MB-added peak-MB-added longest-stall-ms".
int measure(const QString& media, int notes) {
    QTemporaryDir dir;
    qm::qmApp()->setDialogs(std::make_unique<YesDialogs>());
    qm::Program program(dir.filePath(QStringLiteral("QM4.ini")));
    frmMain->show();
    frmMemo->show();
    if (!frmMain->OpenFile(media)) return 3;
    const int32_t length = frmMain->state().mediaLength;

    qm::blockfile::BlockData data;
    data.mediaPath = media.toStdString();
    data.mediaLength = length;
    for (int i = 0; i <= 1000; ++i) data.separators.push_back(static_cast<int32_t>(int64_t{length} * i / 1000));
    data.memoLines.reserve(static_cast<std::size_t>(notes));
    char line[32];
    for (int i = 0; i < notes; ++i) {
        std::snprintf(line, sizeof line, "note %06d", i);
        data.memoLines.emplace_back(line);
    }
    const QString bsd = dir.filePath(QStringLiteral("big.bsd"));
    if (qm::files::writeWholeFile(bsd.toStdString(), qm::blockfile::serialize(data))) return 4;
    data = {};
    const double fileMb = static_cast<double>(QFile(bsd).size()) / (1024.0 * 1024.0);

    // Settle: the media's analysis and the first paints are done.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double rssBefore = statusMb("VmRSS");
    const double peakBefore = statusMb("VmHWM");

    StallMeter stalls;
    stalls.start();
    QTimer::singleShot(0, frmMain, [bsd] { frmMain->OpenFile(bsd); });
    QElapsedTimer run;
    run.start();
    // The open, its load, and the memo list's paint, with time to spare.
    while (run.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (frmMemo->lines().size() != notes) return 5;
    std::printf("%d %.1f %.1f %.1f %lld\n", notes, fileMb, statusMb("VmRSS") - rssBefore,
                statusMb("VmHWM") - peakBefore, static_cast<long long>(stalls.longestMs()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[argc - 2]) == "--measure") {
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
        qputenv("QM5_AO", "null");
        qm::TApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        return measure(lessonPath(argc - 2, argv), std::atoi(argv[argc - 1]));
    }
    QCoreApplication app(argc, argv);
    const QString media = lessonPath(argc, argv);
    std::printf("%-34s %9s %9s %10s %12s\n", "block file", "size MB", "RSS +MB", "peak +MB", "stall ms");
    for (const int notes : {10, 1000000}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QCoreApplication::applicationFilePath(), {media, QStringLiteral("--measure"), QString::number(notes)});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            std::printf("the run with %d notes failed (status %d)\n", notes, p.exitCode());
            return 1;
        }
        const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
        if (f.size() != 5) return 1;
        const QString what = notes == 10 ? QStringLiteral("1000 blocks, 10 notes (yardstick)")
                                         : QStringLiteral("1000 blocks, 1000000 notes");
        std::printf("%-34s %9s %9s %10s %12s\n", what.toUtf8().constData(), f[1].constData(), f[2].constData(),
                    f[3].constData(), f[4].constData());
    }
    return 0;
}
