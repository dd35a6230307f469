// The pictures of the README: the main, memo and info windows in Japanese and
// in English, at the start size and enlarged, and the main window over a long
// lesson (a 16-minute recording cut at its pauses into 270 blocks) with the
// block bar zoomed in.
//
//   bench_screenshots [OUTDIR]   (default: the current folder)
//
// The recording is made here: 270 stretches of noise shaped like speech, with
// pauses between them, written as a WAV file into a temporary folder. It is
// opened, analysed and cut through the program's own windows, offscreen
// unless QT_QPA_PLATFORM says otherwise, without sound.
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "app/Program.h"
#include "mainwindow/Unit1.h"
#include "memo/Unit2.h"
#include "info/Unit4.h"
#include "memo/DictationPanel.h"
#include "dictation/ReviewSchedule.h"
#include <QDateTime>
#include <QLineEdit>

#include <QCoreApplication>
#include <QDir>
#include <QTabWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QTemporaryDir>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 8000;
constexpr int kPhrases = 270;

// Nothing waits for a user: a message goes to stderr, a question is answered No.
class NoDialogs : public qm::Dialogs {
public:
    void message(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }
    qm::Answer confirm(QWidget*, const QString&) override { return qm::Answer::No; }
    bool warningYesNo(QWidget*, const QString&) override { return false; }
    std::optional<QString> openFile(QWidget*, const qm::FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(QWidget*, const qm::FileDialogRequest&) override { return std::nullopt; }
    std::optional<QFont> font(QWidget*, const QFont&) override { return std::nullopt; }
};

void putLe(QByteArray& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Phrases of 2.2 to 3.8 s with syllables of 150 to 300 ms that never fall
// silent, pauses of 0.45 to 0.85 s between them with a faint hiss, half a
// second of hiss at each end: the pause finder cuts it into kPhrases blocks.
// Always the same recording (a fixed seed).
QByteArray lessonWav() {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<int16_t> samples;
    const auto hiss = [&](double seconds) {
        for (int i = 0; i < static_cast<int>(seconds * kRate); ++i)
            samples.push_back(static_cast<int16_t>(std::lround(noise(random) * 20)));
    };
    hiss(0.5);
    for (int phrase = 0; phrase < kPhrases; ++phrase) {
        if (phrase > 0) hiss(0.45 + 0.4 * uniform(random));
        const int length = static_cast<int>((2.2 + 1.6 * uniform(random)) * kRate);
        int syllable = 0;
        int syllableLength = 1;
        double loudness = 1.0;
        for (int i = 0; i < length; ++i, ++syllable) {
            if (syllable == syllableLength) {
                syllable = 0;
                syllableLength = static_cast<int>((0.15 + 0.15 * uniform(random)) * kRate);
                loudness = 0.4 + 0.6 * uniform(random);
            }
            const double shape = 0.35 + 0.65 * std::sin(M_PI * syllable / syllableLength);
            samples.push_back(static_cast<int16_t>(std::lround(std::clamp(noise(random) * 5000 * loudness * shape, -32000.0, 32000.0))));
        }
    }
    hiss(0.5);

    QByteArray wav;
    const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
    wav.append("RIFF");
    putLe(wav, 36 + dataBytes, 4);
    wav.append("WAVEfmt ");
    putLe(wav, 16, 4);
    putLe(wav, 1, 2);  // PCM
    putLe(wav, 1, 2);  // mono
    putLe(wav, kRate, 4);
    putLe(wav, kRate * 2, 4);
    putLe(wav, 2, 2);
    putLe(wav, 16, 2);
    wav.append("data");
    putLe(wav, dataBytes, 4);
    for (int16_t s : samples) putLe(wav, static_cast<uint16_t>(s), 2);
    return wav;
}

template <typename Pred>
bool waitFor(Pred pred, int timeoutMs) {
    QElapsedTimer since;
    since.start();
    while (!pred()) {
        if (since.hasExpired(timeoutMs)) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

bool save(QWidget* window, const QString& path) {
    waitFor([] { return false; }, 300);  // the last paints
    if (window->grab().save(path, "PNG")) {
        std::printf("%s\n", path.toUtf8().constData());
        return true;
    }
    std::fprintf(stderr, "cannot write %s\n", path.toUtf8().constData());
    return false;
}

// A sentence for each block, as a learner's notes would be.
QStringList notesFor(int32_t blocks, bool english) {
    const QStringList ja = {QStringLiteral("今日はいい天気ですね。"), QStringLiteral("駅までどのくらいかかりますか。"),
                            QStringLiteral("もう一度ゆっくり言ってください。"), QStringLiteral("週末は家族と海へ行きました。")};
    const QStringList en = {QStringLiteral("It is a fine day today."), QStringLiteral("How long does it take to the station?"),
                            QStringLiteral("Please say that again slowly."), QStringLiteral("We went to the sea at the weekend.")};
    QStringList notes;
    for (int32_t i = 0; i < blocks; ++i) notes << (english ? en : ja)[i % 4];
    return notes;
}

// What a learner writes down for a block on a day of practice: the note with
// some words (characters, in Japanese) left out, fewer as the days go by.
QString answerFor(const QString& note, int32_t block, int day, bool english) {
    const QStringList units = english ? note.split(QLatin1Char(' ')) : [&] {
        QStringList chars;
        for (const QChar c : note) chars << QString(c);
        return chars;
    }();
    const int dropPercent = std::clamp(45 - 3 * day + (block * 7) % 5 * 6, 0, 70);
    QStringList kept;
    for (int i = 0; i < units.size(); ++i)
        if ((block * 31 + i * 17 + day * 13) % 100 >= dropPercent) kept << units[i];
    return kept.join(english ? QStringLiteral(" ") : QString());
}

// Five weeks of practice on the session's clock, as a learner would do it:
// each day the blocks due first, then up to a dozen new ones in order; a few
// days missed. Returns the day after the last.
int64_t practiseFiveWeeks(qm::PracticeSession& session, int64_t& now, bool english) {
    constexpr int64_t kDay = 24 * 60 * 60;
    constexpr int kDays = 35;
    const int64_t first = QDateTime(QDate(2026, 11, 2), QTime(19, 0), Qt::UTC).toSecsSinceEpoch();
    const QStringList notes = session.notes();
    auto check = [&](int32_t block, int day) {
        session.SelectBlock(block);
        session.checkDictation(answerFor(notes[block - 1], block, day * 3 / 5, english));
    };
    int32_t nextNew = 1;
    for (int day = 0; day < kDays; ++day) {
        if (day == 5 || day == 6 || day == 12 || day == 23) continue;
        now = first + day * kDay;
        if (session.startReview()) {
            while (session.reviewing()) {
                check(session.state().curBlock, day);
                session.nextReviewBlock();
            }
        }
        for (int i = 0; i < 12 && nextNew <= session.state().blocks().count(); ++i) check(nextNew++, day);
    }
    session.pause();
    return first + kDays * kDay;
}

// Every picture of one language: the windows at the start size, then enlarged.
int shoot(const QString& media, const QString& settingsDir, const QString& outDir, bool english) {
    const QString lang = english ? QStringLiteral("en") : QStringLiteral("ja");
    QFile conf(settingsDir + QStringLiteral("/qm5.conf"));
    if (!conf.open(QIODevice::WriteOnly) || conf.write(english ? "language=en\n" : "language=ja\n") < 0) return 1;
    conf.close();
    qm::Program program(settingsDir + QStringLiteral("/QM4.ini"));
    qm::PracticeSession& session = program.session();
    frmMain->show();
    if (!frmMain->OpenFile(media)) return 2;
    session.pause();
    if (!waitFor([&] { return session.envelope() != nullptr; }, 120000)) {
        std::fprintf(stderr, "the analysis of the lesson did not finish\n");
        return 3;
    }
    if (!session.cutAtPauses()) return 4;
    const int32_t blocks = session.state().blocks().count();
    session.editNotes(notesFor(blocks, english));
    session.SelectBlock(3);
    session.pause();
    frmMemo->show();
    const auto at = [&](const QString& name) { return outDir + QLatin1Char('/') + name + QLatin1Char('-') + lang + QStringLiteral(".png"); };

    bool saved = save(frmMain, at(QStringLiteral("main")));
    saved = save(frmMemo, at(QStringLiteral("memo"))) && saved;
    frmInfo->show();
    frmInfo->PageControl1->setCurrentIndex(1);
    saved = save(frmInfo, at(QStringLiteral("info"))) && saved;

    // A block in the middle, current and under the cursor; the zoom keys act around the cursor.
    const int32_t middle = blocks / 2;
    session.seekTransport(session.state().blocks()[middle - 1] + 100);
    session.pause();
    for (int i = 0; i < 4; ++i) frmMain->FormKeyPress(u'+');
    if (!english) saved = save(frmMain, outDir + QStringLiteral("/long-lesson-zoomed.png")) && saved;
    frmMain->resize(760, 420);
    saved = save(frmMain, at(QStringLiteral("main-large"))) && saved;
    frmMemo->resize(520, 460);
    saved = save(frmMemo, at(QStringLiteral("memo-large"))) && saved;
    frmInfo->resize(640, 460);
    frmInfo->PageControl1->setCurrentIndex(2);
    saved = save(frmInfo, at(QStringLiteral("info-large"))) && saved;

    // After five weeks of dictation: a review round under way, the
    // lesson's progress and its blocks due in the history.
    int64_t now = 0;
    session.setWallClock([&now] { return now; });
    frmMemo->btnDictationClick();
    now = practiseFiveWeeks(session, now, english);
    qm::DictationPanel& dictation = *frmMemo->Dictation;
    dictation.btnReviewClick();
    if (!session.reviewing()) return 7;
    const int32_t reviewed = session.state().curBlock;
    session.pause();
    dictation.edtAnswer->setText(answerFor(session.notes()[reviewed - 1], reviewed, 35, english));
    dictation.check();
    saved = save(frmMemo, at(QStringLiteral("review"))) && saved;
    frmInfo->PageControl1->setCurrentIndex(4);
    saved = save(frmInfo, at(QStringLiteral("progress"))) && saved;
    // Other lessons in the history: one with blocks due, one answered today
    // (nothing due), one never written down; the lesson itself at the head.
    const QString folder = QFileInfo(media).absolutePath();
    auto lessonWithAnswers = [&](const QString& name, int blocksAnswered, int64_t when) {
        qm::dictation::DictationLog log;
        for (int b = 0; b < blocksAnswered; ++b) log.addAttempt(b, 0, "", 80, when);
        QFile answers(folder + QLatin1Char('/') + name + QStringLiteral(".dictation.tsv"));
        const std::string bytes = qm::dictation::serialize(log);
        if (answers.open(QIODevice::WriteOnly)) answers.write(bytes.data(), static_cast<qint64>(bytes.size()));
        session.AddHistory(folder + QLatin1Char('/') + name + QStringLiteral(".mp3"));
    };
    session.AddHistory(folder + QStringLiteral("/news-2026-11-30.mp3"));
    lessonWithAnswers(QStringLiteral("unit-03"), 12, now - 60);
    lessonWithAnswers(QStringLiteral("unit-02"), 5, now - 3 * 24 * 60 * 60);
    session.AddHistory(media);
    frmInfo->PageControl1->setCurrentIndex(0);
    waitFor([] { return frmInfo->dueOf(0) >= 0 && frmInfo->dueOf(2) >= 0; }, 5000);
    saved = save(frmInfo, at(QStringLiteral("history"))) && saved;
    std::printf("%s: after five weeks, %d blocks due, %d in the history's count, %zu days of practice\n",
                lang.toUtf8().constData(), session.dueNow(), frmInfo->dueOf(0),
                qm::dictation::progressByDay(session.dictationLog()).size());

    const auto& s = session.state();
    std::printf("%s: %d blocks over %d s, block %d current, the block bar shows %.1f s from %.1f s\n",
                lang.toUtf8().constData(), blocks, s.mediaLength / 1000, s.curBlock,
                frmMain->bars().viewSpan() / 1000.0, frmMain->bars().viewStart() / 1000.0);
    if (!saved) return 5;
    return blocks == kPhrases ? 0 : 6;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("QM5_AO", "null");
    qm::TApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QString outDir = QFileInfo(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")).absoluteFilePath();
    QDir().mkpath(outDir);

    qm::qmApp()->setDialogs(std::make_unique<NoDialogs>());
    for (const bool english : {false, true}) {
        // A lesson of its own per language: its answers file starts empty.
        QTemporaryDir dir;
        const QString media = dir.filePath(QStringLiteral("lesson.wav"));
        QFile file(media);
        if (!file.open(QIODevice::WriteOnly) || file.write(lessonWav()) < 0 || !file.flush()) {
            std::fprintf(stderr, "cannot write %s\n", media.toUtf8().constData());
            return 1;
        }
        file.close();
        QTemporaryDir settings;
        if (const int failed = shoot(media, settings.path(), outDir, english)) return failed;
    }
    return 0;
}
