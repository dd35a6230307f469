// Every kind of file the program reads, met as a FIFO or as a link to a
// device: refused at once with the reason, never a hang or a read without end.
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/Waits.h"

#include "session/PracticeSession.h"
#include "session/Recovery.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using qm::PracticeSession;
using qmtest::ScriptedPrompts;

QString media(const QString& name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name;
}

// Should a read block on a FIFO all the same, this opens the other end after
// a while, so that the test ends (and fails on its time) instead of hanging.
class FifoRescue {
public:
    explicit FifoRescue(QString path) : path_(QFile::encodeName(path)) {
        thread_ = std::thread([this] {
            for (int waited = 0; waited < 4000 && !done_; waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (done_) return;
            // O_RDWR never blocks on a FIFO, and lets a blocked reader go on.
            const int fd = ::open(path_.constData(), O_RDWR | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        });
    }
    ~FifoRescue() {
        done_ = true;
        thread_.join();
    }

private:
    QByteArray path_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

enum class Kind { Fifo, Device };

// Makes path a FIFO, or a link to /dev/zero, which claims a size of 0 and never ends.
bool makeHostile(const QString& path, Kind kind) {
    QFile::remove(path);
    const QByteArray p = QFile::encodeName(path);
    return kind == Kind::Fifo ? ::mkfifo(p.constData(), 0600) == 0 : ::symlink("/dev/zero", p.constData()) == 0;
}

const char* name(Kind k) { return k == Kind::Fifo ? "FIFO" : "device"; }

// Runs what reads the file and returns how long it took; whatever it throws
// is the message the general handler would show, kept in thrown.
qint64 timed(const QString& hostile, const std::function<void()>& read, QString& thrown) {
    FifoRescue rescue(hostile);
    QElapsedTimer t;
    t.start();
    try {
        read();
    } catch (const std::exception& e) {
        thrown = QString::fromUtf8(e.what());
    }
    return t.elapsed();
}

class FileKinds : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(media("lesson.mp3"))) << "no test media";
        qm::recovery::setFolderForTesting(dir.filePath("recovery"));
    }
    void TearDown() override { qm::recovery::setFolderForTesting({}); }
    QString at(const QString& n) { return dir.filePath(n); }

    QTemporaryDir dir;
    qm::Settings settings{dir.filePath("QM4.ini")};
    ScriptedPrompts prompts;
};

constexpr qint64 kPromptlyMs = 2000;
const char* const kNotRegular = "not a regular file";

TEST_P(FileKinds, BlockFilesMediaMetafilesTranscriptsAndAnswersAreRefusedWithTheReason) {
    const Kind kind = GetParam();
    PracticeSession session(settings, prompts);
    QString thrown;

    // A block file, the media itself and a metafile, opened: the engine would
    // wait on the last two for ever.
    for (const QString& n : {QStringLiteral("lesson.bsd"), QStringLiteral("talk.mp3"), QStringLiteral("talk.ram")}) {
        prompts.messages.clear();
        ASSERT_TRUE(makeHostile(at(n), kind));
        EXPECT_LT(timed(at(n), [&] { EXPECT_FALSE(session.OpenFile(at(n))); }, thrown), kPromptlyMs) << name(kind);
        ASSERT_EQ(prompts.messages.size(), 1) << n.toStdString();
        EXPECT_TRUE(prompts.messages.first().contains(kNotRegular)) << prompts.messages.first().toStdString();
    }

    // With a lesson open: a transcript and a block file loaded into it.
    QFile::copy(media("lesson.mp3"), at("lesson.mp3"));
    QFile::remove(at("lesson.bsd"));
    ASSERT_TRUE(session.OpenFile(at("lesson.mp3")));
    for (const QString& n : {QStringLiteral("cues.srt"), QStringLiteral("other.bsd")}) {
        thrown.clear();
        ASSERT_TRUE(makeHostile(at(n), kind));
        EXPECT_LT(timed(at(n), [&] { session.loadBlockFile(at(n)); }, thrown), kPromptlyMs) << name(kind);
        EXPECT_TRUE(thrown.contains(kNotRegular)) << n.toStdString() << ": " << thrown.toStdString();
        EXPECT_EQ(session.state().blocks().count(), 1);
    }

    // The answers file beside the lesson, read at its open.
    prompts.messages.clear();
    ASSERT_TRUE(makeHostile(at("lesson.dictation.tsv"), kind));
    EXPECT_LT(timed(at("lesson.dictation.tsv"), [&] { session.OpenFile(at("lesson.mp3")); }, thrown), kPromptlyMs);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages.first().contains(kNotRegular)) << prompts.messages.first().toStdString();

    // A recovery file: nothing offered, nothing stuck.
    QFile::remove(at("lesson.dictation.tsv"));
    QDir().mkpath(at("recovery"));
    const QString kept = qm::recovery::fileFor(at("lesson.mp3").toStdString());
    ASSERT_TRUE(makeHostile(kept, kind));
    prompts.questions.clear();
    EXPECT_LT(timed(kept, [&] { session.OpenFile(at("lesson.mp3")); }, thrown), kPromptlyMs);
    EXPECT_TRUE(prompts.questions.isEmpty());
}

// QM4.ini and qm5.conf are read before any window: a hang there is a program
// that never shows.
TEST_P(FileKinds, TheSettingsFilesAreRefusedAndTheDefaultsStand) {
    const Kind kind = GetParam();
    for (const QString& n : {QStringLiteral("QM4.ini"), QStringLiteral("qm5.conf")}) {
        ASSERT_TRUE(makeHostile(at(n), kind));
        qm::Settings hostile(at("QM4.ini"));
        QString thrown;
        EXPECT_LT(timed(at(n), [&] { hostile.load(); }, thrown), kPromptlyMs) << n.toStdString();
        EXPECT_TRUE(thrown.isEmpty());
        EXPECT_TRUE(hostile.history().isEmpty());
        EXPECT_EQ(hostile.minPauseMs(), qm::Settings::kDefaultMinPauseMs);
        QFile::remove(at(n));
    }
}

INSTANTIATE_TEST_SUITE_P(FifoAndDevice, FileKinds, ::testing::Values(Kind::Fifo, Kind::Device),
                         [](const auto& info) { return std::string(name(info.param)) == "FIFO" ? "Fifo" : "Device"; });

}  // namespace
