// The drill in real time on the session alone: the generated spoken lesson
// (three sentences, a second of silence between them) played through libmpv,
// separators in the silences, the block mode and what follows a block set as
// the radio groups would set them.
#include "tests/support/LessonTimes.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/Waits.h"

#include "session/PracticeSession.h"
#include "session/Recovery.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace {

using qm::AfterBlock;
using qm::BlockMode;
using qm::PracticeSession;

QString media(const QString& name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name;
}

class RepeatLoop : public ::testing::Test {
protected:
    void SetUp() override {
        const auto times = qmtest::lessonTimes(media(QStringLiteral("lesson.times")));
        ASSERT_TRUE(times.count("silence 1") && times.count("silence 2")) << "no test media";
        qm::recovery::setFolderForTesting(recoveryDir.path());
        sep1 = (times.at("silence 1").first + times.at("silence 1").second) / 2;
        sep2 = (times.at("silence 2").first + times.at("silence 2").second) / 2;
        ASSERT_TRUE(session.OpenFile(media("lesson.mp3"))) << prompts.messages.join(" | ").toStdString();
        session.openLessonForTesting(s.mediaLength, {{0, sep1, sep2, s.mediaLength}, {}});
    }
    void TearDown() override { qm::recovery::setFolderForTesting({}); }

    void choose(BlockMode mode, AfterBlock after) {
        session.setBlockMode(mode);
        session.setAfterBlock(after);
    }
    // Plays from ms with block n current.
    void playFrom(int32_t ms, int32_t block) {
        session.SelectBlock(block);
        session.engineForTesting().SeekTo(ms);
        session.engineForTesting().MediaPlay();
    }
    bool waitPlaying(bool playing, int timeoutMs) {
        return qmtest::waitFor([&] { return session.isPlaying() == playing; }, timeoutMs);
    }
    int32_t position() { return session.readPosition(); }

    QTemporaryDir dir;
    QTemporaryDir recoveryDir;
    qm::Settings settings{dir.filePath("QM4.ini")};
    qmtest::ScriptedPrompts prompts;
    PracticeSession session{settings, prompts};
    const qm::PracticeState& s = session.state();
    int32_t sep1 = 0;
    int32_t sep2 = 0;
};

TEST_F(RepeatLoop, NextWithPausePausesOnceJustAfterEachSeparator) {
    choose(BlockMode::Next, AfterBlock::Pause);
    playFrom(sep1 - 600, 1);
    ASSERT_TRUE(waitPlaying(true, 3000));
    ASSERT_TRUE(waitPlaying(false, 3000));
    EXPECT_EQ(s.curBlock, 2);
    const int32_t at = position();
    EXPECT_GT(at, sep1);
    EXPECT_LT(at, sep1 + 200);

    session.play();
    ASSERT_TRUE(waitPlaying(true, 3000));
    ASSERT_TRUE(waitPlaying(false, sep2 - sep1 + 3000));
    EXPECT_EQ(s.curBlock, 3);
    const int32_t at2 = position();
    EXPECT_GT(at2, sep2);
    EXPECT_LT(at2, sep2 + 200);
}

TEST_F(RepeatLoop, RepeatWithNonePlaysTheBlockAgainAndAgain) {
    choose(BlockMode::Repeat, AfterBlock::None);
    playFrom(sep2 - 500, 2);
    int jumpsBack = 0;
    int32_t last = 0;
    // The position, read as the events come, until the second jump back.
    qmtest::waitFor(
        [&] {
            const int32_t now = position();
            if (now < last - 1000) {
                ++jumpsBack;
                EXPECT_LT(std::abs(now - sep1), 200) << "jumped back to " << now;
            }
            last = now;
            return jumpsBack >= 2;
        },
        2 * (sep2 - sep1) + 3000);
    EXPECT_EQ(jumpsBack, 2);
    EXPECT_EQ(s.curBlock, 2);
    EXPECT_TRUE(session.isPlaying());
}

TEST_F(RepeatLoop, AutoPauseWaitsAsLongAsTheBlockAndGoesOnByItself) {
    choose(BlockMode::Next, AfterBlock::AutoPause);
    playFrom(sep1 - 400, 1);
    ASSERT_TRUE(waitPlaying(true, 3000));
    ASSERT_TRUE(waitPlaying(false, 3000));
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(s.pauseWaiting);
    EXPECT_TRUE(session.waitTimer()->isActive());
    EXPECT_EQ(s.curBlock, 2);
    ASSERT_TRUE(waitPlaying(true, sep1 + 2000));
    const qint64 waited = t.elapsed();
    EXPECT_NEAR(static_cast<double>(waited), static_cast<double>(sep1), 100.0);  // block 1 is sep1 long
    EXPECT_FALSE(s.pauseWaiting);
    EXPECT_TRUE(session.blockTimer()->isActive());
}

TEST_F(RepeatLoop, RepeatRestartsTheLastBlockWhenTheMediaEnds) {
    choose(BlockMode::Repeat, AfterBlock::None);
    playFrom(s.mediaLength - 1200, 3);
    ASSERT_TRUE(waitPlaying(true, 3000));
    // The end of the media restarts block 3 from its start.
    const auto inBlock3Start = [&] {
        const int32_t p = position();
        return p >= sep2 && p < sep2 + 300 && session.isPlaying();
    };
    EXPECT_TRUE(qmtest::waitFor(inBlock3Start, 4000)) << "position " << position();
    EXPECT_EQ(s.curBlock, 3);
}

TEST_F(RepeatLoop, NextLeavesTheMediaStoppedAtItsEnd) {
    choose(BlockMode::Next, AfterBlock::None);
    playFrom(s.mediaLength - 1500, 3);
    ASSERT_TRUE(waitPlaying(true, 3000));
    ASSERT_TRUE(waitPlaying(false, 4000));
    // Nothing plays it again: the session's position watch has looked twice since.
    QSignalSpy ticks(session.blockTimer(), &QTimer::timeout);
    ASSERT_TRUE(qmtest::waitForSignals(ticks, 2, 2000));
    EXPECT_FALSE(session.isPlaying());
    EXPECT_EQ(s.curBlock, 3);
}

// Space: paused it plays and marks nothing; playing it marks. The block
// marked in keeps its note, the part after it gets an empty one, so the
// later notes stay with their blocks. A mark while paused adds nothing.
TEST_F(RepeatLoop, SpaceMarksWhilePlayingAndPlaysWhenPaused) {
    choose(BlockMode::Next, AfterBlock::None);
    settings.setSnapMarks(false);  // marks where they are made; the snap has a test of its own
    session.openLessonForTesting(s.mediaLength, {{0, sep2, s.mediaLength}, {"one two", "three"}});
    session.SelectBlock(1);
    session.pause();
    ASSERT_TRUE(waitPlaying(false, 2000));
    session.markOrPlay();
    ASSERT_TRUE(waitPlaying(true, 2000));
    EXPECT_EQ(s.blocks().count(), 2);
    EXPECT_FALSE(session.unsaved());

    const int32_t from = position();
    ASSERT_TRUE(qmtest::waitFor([&] { return position() >= from + 300; }, 3000));  // the mark lands inside
    session.markOrPlay();
    ASSERT_EQ(s.blocks().count(), 3);
    EXPECT_GT(s.blocks()[1], from);
    EXPECT_LT(s.blocks()[1], sep2);
    EXPECT_EQ(session.notes(), (QStringList{"one two", "", "three"}));
    EXPECT_TRUE(session.unsaved());

    session.pause();
    ASSERT_TRUE(waitPlaying(false, 2000));
    session.mark();
    EXPECT_EQ(s.blocks().count(), 3);
    session.undo();  // the one mark was one step
    EXPECT_EQ(s.blocks().separators(), (std::vector<int32_t>{0, sep2, s.mediaLength}));
    EXPECT_EQ(session.notes(), (QStringList{"one two", "three"}));
    EXPECT_FALSE(session.unsaved());
}

}  // namespace
