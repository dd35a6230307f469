// The program finds the pauses of the open media: the loudness behind the
// block bar, cuts at the pauses by key and menu, marks that snap, separators
// that move. On the generated lesson (three sentences, a second of silence
// between them) with the real engine.
#include "tests/support/LessonTimes.h"
#include "tests/support/AppHarness.h"

#include "blockfile/BlockFile.h"
#include "core/BlockList.h"

#include <QFile>
#include <QLabel>
#include <QMenu>
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
        ASSERT_TRUE(qmtest::waitFor([&] { return app.session->envelope() != nullptr; }, 10000));
    }
    int32_t middle(const char* pause) const { return (times.at(pause).first + times.at(pause).second) / 2; }
    int column(int32_t ms) const { return qm::barColumn(ms, w.Image2->bitmap().width(), s.mediaLength); }

    AppHarness app;
    TfrmMain& w = *frmMain;
    const qm::PracticeState& s = frmMain->state();
    std::map<std::string, std::pair<int, int>> times;
};

TEST_F(PauseWindow, KeyACutsAtThePausesAndTheFileStaysABlockFile) {
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

    // With separators of the user's the menu asks first; No keeps them.
    qm::insertSeparator(s, 700);
    app.dialogs->warningAnswers = {false};
    w.actCutAtPauses->trigger();
    EXPECT_EQ(app.dialogs->questions.size(), 1);
    EXPECT_EQ(s.blocks().count(), 4);

    // What is saved is a block file the old program reads: the same lines.
    qmtest::setBlocks(frmMain->session(), {0, s.blocks()[2], s.blocks()[3], s.mediaLength});
    const QString path = app.dir.filePath("cut.bsd");
    app.dialogs->saveAnswers = {path};
    ASSERT_TRUE(w.SaveBlockData());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const auto parsed = qm::blockfile::parse(f.readAll().toStdString());
    ASSERT_EQ(parsed.status, qm::blockfile::ParseStatus::Ok);
    EXPECT_EQ(parsed.data.separators, s.blocks().separators());
}

TEST_F(PauseWindow, AMarkNearAPauseLandsInItsMiddleUnlessSnappingIsOff) {
    const auto [from, to] = times.at("silence 1");
    frmMain->session().engineForTesting().SeekTo(from + 120);  // a little after the sentence, as a reaction comes
    frmMain->session().engineForTesting().MediaPlay();
    ASSERT_TRUE(qmtest::waitFor([&] { return frmMain->session().isPlaying(); }, 3000));
    w.btnMarkClick();
    ASSERT_EQ(s.blocks().count(), 2);
    EXPECT_NEAR(s.blocks()[1], (from + to) / 2, 30);

    app.settings->setSnapMarks(false);
    const auto [from2, to2] = times.at("silence 2");
    frmMain->session().engineForTesting().SeekTo(from2 + 120);
    ASSERT_TRUE(qmtest::waitFor([&] { return frmMain->session().isPlaying(); }, 3000));
    w.btnMarkClick();
    ASSERT_EQ(s.blocks().count(), 3);
    EXPECT_LT(s.blocks()[2], (from2 + to2) / 2 - 200);  // where the key was pressed
    frmMain->session().pause();
}

TEST_F(PauseWindow, ASeparatorDraggedMovesAndAClickOnItStillPlays) {
    frmMain->session().pause();
    qmtest::setBlocks(frmMain->session(), {0, 3000, 6000, s.mediaLength});
    w.bars().RedrawBlockBar();
    s.dirty = false;
    const int x = column(3000);
    QTest::mousePress(w.Image2, Qt::LeftButton, {}, QPoint(x, 10));
    QTest::mouseMove(w.Image2, QPoint(x + 20, 10));
    QTest::mouseRelease(w.Image2, Qt::LeftButton, {}, QPoint(x + 20, 10));
    EXPECT_EQ(s.blocks()[1], qm::barTime(x + 20, w.Image2->width(), s.mediaLength));
    EXPECT_TRUE(frmMain->session().unsaved());
    EXPECT_EQ(countColour(w.Image2->bitmap(), qm::kBarBlack, x), 0);  // the old place shows the loudness again
    EXPECT_FALSE(frmMain->session().isPlaying());

    // Dragged past its neighbour, it stops just before it: no block is ever empty.
    const int x2 = column(s.blocks()[1]);
    QTest::mousePress(w.Image2, Qt::LeftButton, {}, QPoint(x2, 10));
    QTest::mouseMove(w.Image2, QPoint(column(9000), 10));
    QTest::mouseRelease(w.Image2, Qt::LeftButton, {}, QPoint(column(9000), 10));
    EXPECT_EQ(s.blocks()[1], 5999);

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

TEST_F(PauseWindow, TheWaveformCanBeTurnedOff) {
    app.settings->setShowWaveform(false);
    EXPECT_EQ(countColour(w.Image2->bitmap(), qm::kBarWave), 0);
    app.settings->setShowWaveform(true);
    EXPECT_GT(countColour(w.Image2->bitmap(), qm::kBarWave), 100);
}

}  // namespace
