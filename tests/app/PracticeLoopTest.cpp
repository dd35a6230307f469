// The drill in real time: a generated spoken lesson (three sentences, a second
// of silence between them) played through libmpv, separators in the silences.
#include "tests/support/LessonTimes.h"
#include "tests/support/AppHarness.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>

#include <map>

namespace {

using qmtest::AppHarness;

std::map<std::string, std::pair<int, int>> lessonTimes() { return qmtest::lessonTimes(qmtest::testMedia("lesson.times")); }

class PracticeLoop : public ::testing::Test {
protected:
    void SetUp() override {
        const auto times = lessonTimes();
        ASSERT_TRUE(times.count("silence 1") && times.count("silence 2"));
        sep1 = (times.at("silence 1").first + times.at("silence 1").second) / 2;
        sep2 = (times.at("silence 2").first + times.at("silence 2").second) / 2;
        w.show();
        ASSERT_TRUE(w.OpenFile(qmtest::testMedia("lesson.mp3")));
        s.blocks().assign({0, sep1, sep2, s.mediaLength});
        w.bars().RedrawBars();
    }
    void choose(int mode, int after) {
        w.RadioGroup1Items->button(mode)->setChecked(true);
        w.RadioGroup2Items->button(after)->setChecked(true);
    }
    // Plays from ms with block n current, once the seek has been carried out.
    void playFrom(int32_t ms, int32_t block) {
        w.SelectBlock(block);
        frmMain->session().engineForTesting().SeekTo(ms);
        frmMain->session().engineForTesting().MediaPlay();
    }
    bool waitPlaying(bool playing, int timeoutMs) {
        return qmtest::waitFor([&] { return frmMain->session().isPlaying() == playing; }, timeoutMs);
    }
    int32_t position() {
        frmMain->session().engineForTesting().ReadPosition();
        return s.mediaPos;
    }

    AppHarness app;
    TfrmMain& w = *frmMain;
    const qm::PracticeState& s = frmMain->state();
    int32_t sep1 = 0;
    int32_t sep2 = 0;
};

TEST_F(PracticeLoop, NextWithPausePausesOnceJustAfterEachSeparator) {
    choose(0, 1);
    playFrom(sep1 - 600, 1);
    ASSERT_TRUE(waitPlaying(true, 3000));
    ASSERT_TRUE(waitPlaying(false, 3000));
    EXPECT_EQ(s.curBlock, 2);
    const int32_t at = position();
    EXPECT_GT(at, sep1);
    EXPECT_LT(at, sep1 + 200);

    frmMain->session().engineForTesting().MediaPlay();
    ASSERT_TRUE(waitPlaying(true, 3000));
    ASSERT_TRUE(waitPlaying(false, sep2 - sep1 + 3000));
    EXPECT_EQ(s.curBlock, 3);
    const int32_t at2 = position();
    EXPECT_GT(at2, sep2);
    EXPECT_LT(at2, sep2 + 200);
}

TEST_F(PracticeLoop, RepeatWithNonePlaysTheBlockAgainAndAgain) {
    choose(1, 0);
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
    EXPECT_TRUE(frmMain->session().isPlaying());
}

TEST_F(PracticeLoop, AutoPauseWaitsAsLongAsTheBlockAndGoesOnByItself) {
    choose(0, 2);
    playFrom(sep1 - 400, 1);
    ASSERT_TRUE(waitPlaying(true, 3000));
    ASSERT_TRUE(waitPlaying(false, 3000));
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(s.pauseWaiting);
    EXPECT_EQ(s.curBlock, 2);
    ASSERT_TRUE(waitPlaying(true, sep1 + 2000));
    const qint64 waited = t.elapsed();
    EXPECT_NEAR(static_cast<double>(waited), static_cast<double>(sep1), 100.0);  // block 1 is sep1 long
    EXPECT_FALSE(s.pauseWaiting);
    EXPECT_TRUE(w.Timer1->isActive());
}

TEST_F(PracticeLoop, RepeatRestartsTheLastBlockWhenTheMediaEnds) {
    choose(1, 0);
    playFrom(s.mediaLength - 1200, 3);
    ASSERT_TRUE(waitPlaying(true, 3000));
    // The end of the media restarts block 3 from its start.
    const auto inBlock3Start = [&] {
        const int32_t p = position();
        return p >= sep2 && p < sep2 + 300 && frmMain->session().isPlaying();
    };
    EXPECT_TRUE(qmtest::waitFor(inBlock3Start, 4000)) << "position " << position();
    EXPECT_EQ(s.curBlock, 3);
}

TEST_F(PracticeLoop, NextLeavesTheMediaStoppedAtItsEnd) {
    choose(0, 0);
    playFrom(s.mediaLength - 1500, 3);
    ASSERT_TRUE(waitPlaying(true, 3000));
    ASSERT_TRUE(waitPlaying(false, 4000));
    // Nothing plays it again: the session's position watch has looked twice since.
    QSignalSpy ticks(w.Timer1, &QTimer::timeout);
    ASSERT_TRUE(qmtest::waitForSignals(ticks, 2, 2000));
    EXPECT_FALSE(frmMain->session().isPlaying());
    EXPECT_EQ(s.curBlock, 3);
}

TEST_F(PracticeLoop, MarksWhilePlayingSplitTheBlockAndSpacePlaysWhenPaused) {
    choose(0, 0);
    s.blocks().reset(s.mediaLength);
    frmMain->session().pause();
    ASSERT_TRUE(waitPlaying(false, 2000));
    w.FormKeyPress(QChar(' '));  // paused: plays, no mark
    ASSERT_TRUE(waitPlaying(true, 2000));
    EXPECT_EQ(s.blocks().count(), 1);
    const int32_t from = position();
    ASSERT_TRUE(qmtest::waitFor([&] { return position() >= from + 300; }, 3000));  // the mark lands inside
    w.FormKeyPress(QChar(' '));
    EXPECT_EQ(s.blocks().count(), 2);
    EXPECT_TRUE(frmMain->session().unsaved());
    EXPECT_GT(s.blocks()[1], 0);
    EXPECT_LT(s.blocks()[1], s.mediaLength);
    EXPECT_EQ(w.lblBlock->text(), QStringLiteral("%1/2").arg(s.curBlock));
    frmMain->session().pause();
    ASSERT_TRUE(waitPlaying(false, 2000));
    w.FormKeyPress(QChar('x'));  // x while paused does nothing
    EXPECT_EQ(s.blocks().count(), 2);
}

TEST_F(PracticeLoop, AClickOnTheBlockBarPlaysThatBlockFromItsStart) {
    frmMain->session().pause();
    ASSERT_TRUE(waitPlaying(false, 2000));
    const int x = qm::barColumn(sep1 + 100, w.Image2->width(), s.mediaLength);
    w.Image2MouseDown(Qt::LeftButton, x, 5);
    EXPECT_EQ(s.curBlock, 2);
    EXPECT_EQ(s.cursorPos, sep1);  // moved at once while paused
    EXPECT_TRUE(waitPlaying(true, 2000));
    EXPECT_GE(position(), sep1);
}

}  // namespace
