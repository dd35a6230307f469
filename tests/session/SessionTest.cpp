// The practice session without any window: QtCore, the real engine on the
// generated lesson, and prompts the test answers.
#include "tests/support/LessonTimes.h"
#include "tests/support/HttpServer.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/Waits.h"
#include "blockfile/BlockFile.h"
#include "media/MetafileFetch.h"
#include "session/PracticeSession.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <stdexcept>

namespace {

using qm::PracticeSession;

QString media(const QString& name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name;
}

std::map<std::string, std::pair<int, int>> lessonTimes() { return qmtest::lessonTimes(media(QStringLiteral("lesson.times"))); }

using Prompts = qmtest::ScriptedPrompts;

int32_t position(PracticeSession& s) {
    return s.readPosition();
}

// Open, mark in the pauses, save, load into a fresh list, and repeat a block:
// the practice from start to end with no window at all.
TEST(Session, OpenMarkSaveLoadAndRepeatOnTheRealEngine) {
    const auto times = lessonTimes();
    ASSERT_TRUE(times.count("silence 1") && times.count("silence 2")) << "no test media";
    QTemporaryDir dir;
    qm::Settings settings(dir.filePath("QM4.ini"));
    Prompts prompts;
    PracticeSession session(settings, prompts);
    auto& s = session.state();

    ASSERT_TRUE(session.OpenFile(media("lesson.mp3"))) << prompts.messages.join(" | ").toStdString();
    EXPECT_EQ(s.blocks().count(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.isPlaying(); }, 3000));
    session.setRate(2.0);  // the lesson at twice the speed: the same times, half the wait

    // A mark in each of the two pauses, made while the lesson plays.
    for (const char* pause : {"silence 1", "silence 2"}) {
        const auto [from, to] = times.at(pause);
        ASSERT_TRUE(QTest::qWaitFor([&] { return position(session) >= (from + to) / 2; }, 8000)) << pause;
        session.mark();
    }
    ASSERT_EQ(s.blocks().count(), 3);
    EXPECT_TRUE(session.unsaved());
    const std::vector<int32_t> marked = s.blocks().separators();
    EXPECT_GE(marked[1], times.at("silence 1").first);
    EXPECT_LE(marked[1], times.at("silence 1").second);

    session.editNotes({"one", "two", "three"});
    const QString bsd = dir.filePath("lesson.bsd");
    prompts.saveAnswers = {bsd};
    ASSERT_TRUE(session.SaveBlockData());
    EXPECT_FALSE(session.unsaved());
    EXPECT_EQ(settings.history().first(), bsd);

    // Back to one block, then the file gives the marks and notes back.
    session.clearBlocks();
    session.editNotes({});
    prompts.confirmAnswers = {qm::Answer::No};  // the cleared list is not saved
    session.loadBlockFile(bsd);
    EXPECT_EQ(s.blocks().separators(), marked);
    EXPECT_EQ(session.notes(), (QStringList{"one", "two", "three"}));

    // Repeat: at the end of block 1 the engine goes back to its start.
    session.setBlockMode(qm::BlockMode::Repeat);
    session.playBlock(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return position(session) > marked[1] - 300; }, 8000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return position(session) < 1000; }, 3000)) << "block 1 did not start again";
    EXPECT_EQ(s.curBlock, 1);
}

// A hasty learner presses twice inside one pause: both marks snap to its
// middle, and the second adds nothing, so no empty block shifts the notes.
TEST(Session, TwoMarksInOnePauseMakeOneSeparator) {
    const auto times = lessonTimes();
    ASSERT_TRUE(times.count("silence 1")) << "no test media";
    QTemporaryDir dir;
    qm::Settings settings(dir.filePath("QM4.ini"));
    Prompts prompts;
    PracticeSession session(settings, prompts);
    QSignalSpy analysed(&session, &PracticeSession::analysisReady);
    ASSERT_TRUE(session.OpenFile(media("lesson.mp3")));
    ASSERT_TRUE(qmtest::waitForSignals(analysed, 1, 30000)) << "no loudness analysis";
    const auto [from, to] = times.at("silence 1");
    session.positionBarClicked(from - 600);
    ASSERT_TRUE(QTest::qWaitFor([&] { return position(session) >= from + 50; }, 5000));
    session.mark();
    qmtest::pumpFor(150);
    session.mark();
    const auto& seps = session.state().blocks().separators();
    ASSERT_EQ(seps.size(), 3u);
    EXPECT_GE(seps[1], from);
    EXPECT_LE(seps[1], to);
}

// A web address is judged by its path: a query does not hide a metafile,
// which goes to the streaming control, and is fetched and played there.
TEST(Session, AMetafileAddressWithAQueryGoesToTheStreamingControl) {
    QTemporaryDir dir;
    qm::Settings settings(dir.filePath("QM4.ini"));
    Prompts prompts;
    QNetworkAccessManager network;
    PracticeSession session(settings, prompts, PracticeSession::Clock::real(), {}, qm::networkMetafileFetcher(network));
    qmtest::HttpServer server;
    QFile mp3(media("lesson.mp3"));
    ASSERT_TRUE(mp3.open(QIODevice::ReadOnly));
    server.serve("/lesson.mp3", "audio/mpeg", mp3.readAll());
    server.serve("/clip.ram", "audio/x-pn-realaudio", server.url("/lesson.mp3").toUtf8() + "\n");
    ASSERT_TRUE(session.OpenFile(server.url("/clip.ram?id=3"))) << prompts.messages.join(" | ").toStdString();
    EXPECT_TRUE(session.state().useReal);
    EXPECT_GT(session.state().mediaLength, 10000);
}

// The wait for a length runs on the session's own clock and pump: a pump
// that moves the clock on makes the 5 s deadline pass at once.
struct FakeClock {
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    int pumps = 0;
    std::function<void()> onPump;
    PracticeSession::Clock clock() {
        return {[this](int) {
                    ++pumps;
                    now += std::chrono::milliseconds(100);
                    QCoreApplication::processEvents();
                    if (onPump) onPump();
                },
                [this] { return now; }};
    }
};

// A server that takes the connection and never answers: no length, ever.
class SilentServer {
public:
    SilentServer() { server_.listen(QHostAddress::LocalHost, 0); }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }

private:
    QTcpServer server_;
};

TEST(Session, TheLengthDeadlineIsTheSessionsClockNotTheWall) {
    QTemporaryDir dir;
    qm::Settings settings(dir.filePath("QM4.ini"));
    Prompts prompts;
    FakeClock fake;
    PracticeSession session(settings, prompts, fake.clock());
    SilentServer silent;
    const QString address = silent.url("/never.mp3");

    QElapsedTimer wall;
    wall.start();
    EXPECT_FALSE(session.OpenFile(address));
    EXPECT_LT(wall.elapsed(), 3000);
    EXPECT_GE(fake.pumps, 50);  // 5000 ms in steps of 100
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages.first(), QStringLiteral("ファイル %1 は開けません\nno length within 5 s").arg(address));
    EXPECT_TRUE(settings.history().isEmpty());
}

// A close asked for while an open waits must come when the wait ends, also
// when the wait fails with an error, and never later, after another open.
TEST(Session, ACloseDuringAWaitThatFailsIsNotLeftPending) {
    QTemporaryDir dir;
    qm::Settings settings(dir.filePath("QM4.ini"));
    Prompts prompts;
    FakeClock fake;
    PracticeSession session(settings, prompts, fake.clock());
    QSignalSpy closes(&session, &PracticeSession::closeDue);
    SilentServer silent;

    fake.onPump = [&] {
        if (fake.pumps == 1) {
            EXPECT_FALSE(session.requestClose());  // waiting: later
            return;
        }
        throw std::runtime_error("the engine broke");
    };
    EXPECT_THROW(session.OpenFile(silent.url("/a.mp3")), std::runtime_error);
    EXPECT_FALSE(session.openInProgress());
    ASSERT_TRUE(closes.wait(2000));
    EXPECT_EQ(closes.count(), 1);

    // A later open that waits and ends brings no second close.
    fake.onPump = nullptr;
    EXPECT_FALSE(session.OpenFile(silent.url("/b.mp3")));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(closes.count(), 1);
    EXPECT_TRUE(session.requestClose());  // nothing waits: at once
}

}  // namespace
