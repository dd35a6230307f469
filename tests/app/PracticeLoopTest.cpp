// The main window over the drill on the real engine: the repeat options, the
// keys and the Mark button reach the session, and a click on the block bar
// plays the block there and moves the cursor at once. The repeat loop itself
// is tested on the session (tests/session/RepeatLoopTest.cpp).
#include "tests/support/LessonTimes.h"
#include "tests/support/AppHarness.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

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
        qmtest::setBlocks(session, {0, sep1, sep2, s.mediaLength});
    }
    bool waitPlaying(bool playing, int timeoutMs) {
        return qmtest::waitFor([&] { return session.isPlaying() == playing; }, timeoutMs);
    }

    AppHarness app;
    TfrmMain& w = *frmMain;
    qm::PracticeSession& session = frmMain->session();
    const qm::PracticeState& s = frmMain->state();
    int32_t sep1 = 0;
    int32_t sep2 = 0;
};

// The radio groups set the session's options, and follow them when they are
// set elsewhere (the dictation mode, a media key).
TEST_F(PracticeLoop, TheRadioGroupsAreTheSessionsRepeatOptions) {
    w.RadioGroup1Items->button(1)->setChecked(true);
    w.RadioGroup2Items->button(2)->setChecked(true);
    EXPECT_EQ(session.blockMode(), qm::BlockMode::Repeat);
    EXPECT_EQ(session.afterBlock(), qm::AfterBlock::AutoPause);
    w.RadioGroup1Items->button(0)->setChecked(true);
    w.RadioGroup2Items->button(1)->setChecked(true);
    EXPECT_EQ(session.blockMode(), qm::BlockMode::Next);
    EXPECT_EQ(session.afterBlock(), qm::AfterBlock::Pause);

    session.setBlockMode(qm::BlockMode::Repeat);
    session.setAfterBlock(qm::AfterBlock::None);
    EXPECT_EQ(w.RadioGroup1Items->checkedId(), 1);
    EXPECT_EQ(w.RadioGroup2Items->checkedId(), 0);
}

// Space while paused plays; the Mark button while playing marks, and the
// counter shows the new block count.
TEST_F(PracticeLoop, SpacePlaysAndTheMarkButtonMarks) {
    qmtest::setBlocks(session, {0, s.mediaLength});
    session.pause();
    ASSERT_TRUE(waitPlaying(false, 2000));
    w.FormKeyPress(QChar(' '));
    ASSERT_TRUE(waitPlaying(true, 2000));
    EXPECT_EQ(s.blocks().count(), 1);
    const int32_t from = session.readPosition();
    ASSERT_TRUE(qmtest::waitFor([&] { return session.readPosition() >= from + 300; }, 3000));  // the mark lands inside
    QTest::mouseClick(w.btnMark, Qt::LeftButton);
    EXPECT_EQ(s.blocks().count(), 2);
    EXPECT_EQ(w.lblBlock->text(), QStringLiteral("%1/2").arg(s.curBlock));
    session.pause();
}

TEST_F(PracticeLoop, AClickOnTheBlockBarPlaysThatBlockFromItsStart) {
    session.pause();
    ASSERT_TRUE(waitPlaying(false, 2000));
    const int x = qm::barColumn(sep1 + 100, w.Image2->width(), s.mediaLength);
    w.Image2MouseDown(Qt::LeftButton, x, 5);
    EXPECT_EQ(s.curBlock, 2);
    EXPECT_EQ(w.bars().cursorPos(), sep1);  // moved at once while paused
    EXPECT_TRUE(waitPlaying(true, 2000));
    EXPECT_GE(session.readPosition(), sep1);
}

}  // namespace
