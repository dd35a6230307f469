// The cost of one 50 ms tick of the block timer on the real engine: the
// position read, the block-end test and the position display.
#include "ui/Application.h"
#include "app/Program.h"
#include "mainwindow/Unit1.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <clocale>

namespace {

QString lessonPath() {
    const QString fromEnv = qEnvironmentVariable("QM5_BENCH_MEDIA");
    if (!fromEnv.isEmpty()) return fromEnv;
    return QStringLiteral(QM5_SOURCE_DIR "/samples/lesson.mp3");
}

void BM_BlockTimerTick(benchmark::State& state) {
    QTemporaryDir dir;
    qm::Program program(dir.filePath(QStringLiteral("QM4.ini")));
    frmMain->show();
    if (!frmMain->OpenFile(lessonPath())) {
        state.SkipWithError("the lesson did not open");
        return;
    }
    const auto& s = frmMain->state();
    // Ten blocks, so the end test has a list to look at; Next and None.
    std::vector<int32_t> seps;
    for (int i = 0; i < 10; ++i) seps.push_back(s.mediaLength / 10 * i);
    seps.push_back(s.mediaLength);
    frmMain->session().openLessonForTesting(s.mediaLength, {seps, {}});
    frmMain->Timer1->stop();  // the benchmark runs the ticks itself
    QElapsedTimer since;
    since.start();
    for (auto _ : state) {
        frmMain->Timer1->start();  // a tick runs only while the timer is on
        frmMain->session().tickBlockTimerForTesting();
        frmMain->Timer1->stop();
        if (since.elapsed() > 15) {  // let the engine's events in, as the event loop would
            state.PauseTiming();
            QCoreApplication::processEvents();
            since.restart();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_BlockTimerTick)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("QM5_AO", "null");
    qm::TApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
