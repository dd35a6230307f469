// The main window over the pauses of the open media: the loudness behind the
// block bar, the cut at pauses by key and menu, separators dragged on the
// bar. On the generated lesson (three sentences, a second of silence between
// them) with the real engine. Where the cuts and marks land, and the rules of
// a drag, are tested on the session (tests/session/BlockCommandsTest.cpp).
#include "tests/support/LessonTimes.h"
#include "tests/support/AppHarness.h"

#include "core/BlockList.h"

#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <map>

namespace {

using qmtest::AppHarness;

std::map<std::string, std::pair<int, int>> lessonTimes() { return qmtest::lessonTimes(qmtest::testMedia("lesson.times")); }

int countColour(const QImage& image, QRgb colour, int x = -1) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int c = (x < 0 ? 0 : x); c < (x < 0 ? image.width() : x + 1); ++c)
            if ((image.pixel(c, y) & 0xFFFFFF) == colour) ++n;
    return n;
}

class PauseWindow : public ::testing::Test {
protected:
    void SetUp() override {
        times = lessonTimes();
        ASSERT_TRUE(times.count("silence 2")) << "no test media";
        w.show();
        ASSERT_TRUE(w.OpenFile(qmtest::testMedia("lesson.mp3")));
        // The analysis runs at a low priority: on a busy machine it takes a while.
        ASSERT_TRUE(qmtest::waitFor([&] { return app.session->envelope() != nullptr; }, 30000));
    }
    int32_t middle(const char* pause) const { return (times.at(pause).first + times.at(pause).second) / 2; }
    int column(int32_t ms) const { return qm::barColumn(ms, w.Image2->bitmap().width(), s.mediaLength); }

    AppHarness app;
    TfrmMain& w = *frmMain;
    const qm::PracticeState& s = frmMain->state();
    std::map<std::string, std::pair<int, int>> times;
};

TEST_F(PauseWindow, KeyAAndTheMenuCutAtThePausesAndTheBarShowsTheCuts) {
    const QImage& bar = w.Image2->bitmap();
    EXPECT_GT(countColour(bar, qm::kBarWave), 100);  // the loudness shows behind the bar
    EXPECT_EQ(countColour(bar, qm::kBarBlack), 0);
    EXPECT_TRUE(w.lblAnalysis->text().isEmpty());

    w.setFocus();
    QTest::keyClick(&w, Qt::Key_A);
    ASSERT_EQ(s.blocks().count(), 3);
    EXPECT_NEAR(s.blocks()[1], middle("silence 1"), 30);
    EXPECT_NEAR(s.blocks()[2], middle("silence 2"), 30);
    EXPECT_TRUE(frmMain->session().unsaved());
    EXPECT_GT(countColour(bar, qm::kBarBlack, column(s.blocks()[1])), 0);
    EXPECT_TRUE(app.dialogs->questions.isEmpty());  // one block only: nothing to ask

    // The menu's cut reaches the session too, which asks first over separators
    // that are there; No keeps them.
    qmtest::setBlocks(frmMain->session(), {0, 700, s.mediaLength});
    app.dialogs->warningAnswers = {false};
    w.actCutAtPauses->trigger();
    EXPECT_EQ(app.dialogs->questions.size(), 1);
    EXPECT_EQ(s.blocks().count(), 2);
    app.dialogs->warningAnswers = {true};
    w.actCutAtPauses->trigger();
    EXPECT_EQ(s.blocks().count(), 3);
    EXPECT_GT(countColour(bar, qm::kBarBlack, column(s.blocks()[2])), 0);
    EXPECT_EQ(countColour(bar, qm::kBarBlack, column(700)), 0);
}

TEST_F(PauseWindow, ASeparatorDraggedMovesAndAClickOnItStillPlays) {
    frmMain->session().pause();
    qmtest::setBlocks(frmMain->session(), {0, 3000, 6000, s.mediaLength});
    const int x = column(3000);
    QTest::mousePress(w.Image2, Qt::LeftButton, {}, QPoint(x, 10));
    QTest::mouseMove(w.Image2, QPoint(x + 20, 10));
    QTest::mouseRelease(w.Image2, Qt::LeftButton, {}, QPoint(x + 20, 10));
    EXPECT_EQ(s.blocks()[1], qm::barTime(x + 20, w.Image2->width(), s.mediaLength));
    EXPECT_TRUE(frmMain->session().unsaved());
    EXPECT_EQ(countColour(w.Image2->bitmap(), qm::kBarBlack, x), 0);  // the old place shows the loudness again
    EXPECT_FALSE(frmMain->session().isPlaying());

    // Dragged past its neighbour, it stops just before it. The release ends
    // the drag: each drag is one step of its own.
    const int32_t afterFirst = s.blocks()[1];
    const int x2 = column(afterFirst);
    QTest::mousePress(w.Image2, Qt::LeftButton, {}, QPoint(x2, 10));
    QTest::mouseMove(w.Image2, QPoint(column(7000), 10));
    QTest::mouseMove(w.Image2, QPoint(column(9000), 10));
    QTest::mouseRelease(w.Image2, Qt::LeftButton, {}, QPoint(column(9000), 10));
    EXPECT_EQ(s.blocks()[1], 5999);
    frmMain->session().undo();
    EXPECT_EQ(s.blocks()[1], afterFirst);
    frmMain->session().undo();
    EXPECT_EQ(s.blocks()[1], 3000);
    EXPECT_FALSE(frmMain->session().unsaved());

    // A press and release without moving plays the block it belongs to.
    qmtest::setBlocks(frmMain->session(), {0, 3000, 6000, s.mediaLength});
    w.SelectBlock(3);
    QTest::mouseClick(w.Image2, Qt::LeftButton, {}, QPoint(column(3000), 10));
    EXPECT_EQ(s.blocks()[1], 3000);
    EXPECT_EQ(s.curBlock, 1);
    EXPECT_TRUE(qmtest::waitFor([&] { return frmMain->session().isPlaying(); }, 3000));

    // The right button offers the cut at pauses.
    QTest::mousePress(w.Image2, Qt::RightButton, {}, QPoint(50, 10));
    EXPECT_TRUE(qmtest::waitFor([&] { return w.blockBarMenu->isVisible(); }, 2000));
    EXPECT_TRUE(w.actCutAtPauses->isEnabled());
    w.blockBarMenu->hide();
}

// Zoomed in as far as the bar goes, the loudness is drawn for the view: none
// at the middle of a pause, high in a sentence. While the lesson plays, the
// view moves on when the cursor leaves it.
TEST_F(PauseWindow, ZoomedInTheLoudnessIsDrawnForTheViewAndPlaybackTakesTheViewAlong) {
    frmMain->session().pause();
    frmMain->session().seekTransport(0);
    w.setFocus();
    for (int i = 0; i < 3; ++i) QTest::keyClick(&w, Qt::Key_Plus, Qt::ShiftModifier);
    auto* scroll = w.findChild<QScrollBar*>(QStringLiteral("blockBarScroll"));
    ASSERT_NE(scroll, nullptr);
    const int span = scroll->pageStep();
    ASSERT_LT(span, s.mediaLength / 2);
    EXPECT_EQ(scroll->value(), 0);

    // Column 201, the bar's middle, shows the time at the middle of the view.
    const QImage& bar = w.Image2->bitmap();
    scroll->setValue(middle("silence 1") - span / 2);
    EXPECT_EQ(countColour(bar, qm::kBarWave, 201), 0);
    const auto& sentence = times.at("sentence 2");
    scroll->setValue((sentence.first + sentence.second) / 2 - span / 2);
    EXPECT_GT(countColour(bar, qm::kBarWave, 201), bar.height() / 3);

    scroll->setValue(0);
    frmMain->session().setRate(2.0);
    frmMain->session().play();
    ASSERT_TRUE(qmtest::waitFor([&] { return scroll->value() > 0; }, 10000));
    frmMain->session().pause();
    EXPECT_GT(s.mediaPos, scroll->value());
    EXPECT_LT(s.mediaPos, scroll->value() + span);
}

TEST_F(PauseWindow, TheWaveformCanBeTurnedOff) {
    app.settings->setShowWaveform(false);
    EXPECT_EQ(countColour(w.Image2->bitmap(), qm::kBarWave), 0);
    app.settings->setShowWaveform(true);
    EXPECT_GT(countColour(w.Image2->bitmap(), qm::kBarWave), 100);
}

}  // namespace
