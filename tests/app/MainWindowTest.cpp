// The main window without media: start state, closing, the height cap, the
// general error handler, the keys before any open.
#include "tests/support/AppHarness.h"

#include "transport/TRealAudio.h"
#include "transport/TWindowsMediaPlayer.h"

#include <QAbstractItemView>
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QTabWidget>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace {

using qmtest::AppHarness;

class MainWindow : public ::testing::Test {
protected:
    AppHarness app;
    TfrmMain& w = *frmMain;
};

TEST_F(MainWindow, StartsWithItsDesignState) {
    EXPECT_EQ(w.windowTitle(), "QM5");
    EXPECT_EQ(qm::qmApp()->title(), "QM5");
    EXPECT_EQ(w.size(), QSize(404, 316));
    EXPECT_EQ(w.lblPos->text(), "0/0");
    EXPECT_EQ(w.lblBlock->text(), "0/0");
    EXPECT_EQ(w.FileName->text(), "");
    EXPECT_EQ(w.Panel2->text(), "↑Position/Block↓");
    EXPECT_EQ(w.cmbRate->count(), 13);
    EXPECT_EQ(w.cmbRate->currentText(), "1.0");
    EXPECT_EQ(w.cmbRate->itemText(0), "2.0");
    EXPECT_EQ(w.cmbRate->itemText(12), "0.5");
    EXPECT_EQ(w.RadioGroup1Items->checkedId(), 0);
    EXPECT_EQ(w.RadioGroup1Items->checkedButton()->text(), "Next");
    EXPECT_EQ(w.RadioGroup2Items->checkedId(), 0);
    EXPECT_EQ(w.RadioGroup2Items->checkedButton()->text(), "None");
    EXPECT_EQ(w.Label1->text(), "再生速度（メディアプレーヤー再生時）");
    EXPECT_EQ(w.btnMark->toolTip(), "ブロック区切りの挿入[space/x]");
    EXPECT_EQ(w.btnRDel->toolTip(), "ブロック区切りの削除[d]");
    EXPECT_EQ(w.btnLDel->toolTip(), w.btnRDel->toolTip());
    EXPECT_EQ(w.Image1->toolTip(), "再生位置の指定");
    EXPECT_EQ(w.Image2->toolTip(), "再生ブロックの指定");
    EXPECT_FALSE(w.WindowsMediaPlayer1->isHidden());
    EXPECT_TRUE(w.RealAudio1->isHidden());
    EXPECT_EQ(w.WindowsMediaPlayer1->geometry(), QRect(1, 250, 402, 65));
    EXPECT_EQ(w.GroupBox2->geometry(), QRect(190, 10, 137, 89));
    EXPECT_EQ(w.btnMark->geometry(), QRect(9, 32, 32, 20));
    EXPECT_EQ(w.btnInfo->geometry(), QRect(75, 194, 50, 23));

    const auto& s = w.state();
    EXPECT_EQ(s.mediaLength, 0);
    EXPECT_EQ(s.blocks().count(), 0);
    EXPECT_EQ(s.curBlock, 0);
    EXPECT_FALSE(frmMain->session().unsaved());
    EXPECT_FALSE(s.useReal);

    EXPECT_TRUE(frmMemo->isHidden());
    EXPECT_TRUE(frmIE->isHidden());
    EXPECT_TRUE(frmInfo->isHidden());
    EXPECT_EQ(frmMemo->windowTitle(), "Memo");
    EXPECT_EQ(frmIE->windowTitle(), "インターネット");
    EXPECT_EQ(frmInfo->windowTitle(), "Info");
    EXPECT_EQ(frmIE->size(), QSize(699, 506));
    EXPECT_EQ(frmInfo->size(), QSize(405, 348));
    EXPECT_EQ(frmMemo->size(), QSize(341, 309));
}

TEST_F(MainWindow, BlockControlsAreOffUntilAnOpenWhileTheRestWorks) {
    EXPECT_FALSE(w.Timer1->isActive());
    for (QWidget* c : {static_cast<QWidget*>(w.Image1), static_cast<QWidget*>(w.Image2),
                       static_cast<QWidget*>(w.btnMark), static_cast<QWidget*>(w.btnClear),
                       static_cast<QWidget*>(w.btnLDel), static_cast<QWidget*>(w.btnRDel),
                       static_cast<QWidget*>(w.btnNext), static_cast<QWidget*>(w.btnRep),
                       static_cast<QWidget*>(w.btnBack), static_cast<QWidget*>(w.btnSave),
                       static_cast<QWidget*>(w.btnLoad), static_cast<QWidget*>(w.btnMemo)}) {
        EXPECT_FALSE(c->isEnabled()) << c->metaObject()->className();
    }
    for (QWidget* c : {static_cast<QWidget*>(w.btnOpen), static_cast<QWidget*>(w.btnIE),
                       static_cast<QWidget*>(w.btnInfo), static_cast<QWidget*>(w.cmbRate),
                       static_cast<QWidget*>(w.RadioGroup1), static_cast<QWidget*>(w.RadioGroup2)}) {
        EXPECT_TRUE(c->isEnabled());
    }
    w.EnableBlockControls(true);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(w.btnMemo->isEnabled());
    w.EnableBlockControls(false);
    EXPECT_FALSE(w.Timer1->isActive());
}

// Tab reaches every control in reading order and Return presses the focused
// button; a click on a speed button does not take the focus from the window's keys.
TEST_F(MainWindow, TabReachesEveryControlInReadingOrderAndReturnPressesIt) {
    for (QToolButton* b : {w.btnMark, w.btnLDel, w.btnRDel, w.btnClear, w.btnOpen, w.btnIE})
        EXPECT_EQ(b->focusPolicy(), Qt::TabFocus);
    qmtest::setBlocks(frmMain->session(), {0, 3000, 9000});
    w.EnableBlockControls(true);
    w.show();
    QApplication::setActiveWindow(&w);
    const std::vector<QWidget*> order = w.tabOrder();
    // A group of radio buttons is one stop, at its chosen button; the arrows move within it.
    std::vector<QWidget*> visible;
    for (QWidget* c : order) {
        const auto* radio = qobject_cast<QRadioButton*>(c);
        if (c->isVisibleTo(&w) && (radio == nullptr || radio->isChecked())) visible.push_back(c);
    }
    ASSERT_GE(visible.size(), 18u);  // options, block buttons, lesson buttons, rate, transport
    for (QWidget* must : std::initializer_list<QWidget*>{w.btnOpen, w.btnMark, w.btnLDel, w.btnRDel, w.btnClear,
                                                         w.btnIE, w.cmbRate})
        EXPECT_NE(std::find(visible.begin(), visible.end(), must), visible.end()) << must->objectName().toStdString();
    visible.front()->setFocus(Qt::TabFocusReason);
    for (std::size_t i = 1; i < visible.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), visible[i])
            << "step " << i << ": " << QApplication::focusWidget()->metaObject()->className() << " "
            << QApplication::focusWidget()->objectName().toStdString() << " instead of "
            << visible[i]->metaObject()->className();
    }
    // The reading order: top to bottom, then left to right.
    EXPECT_LT(std::find(order.begin(), order.end(), w.btnMark), std::find(order.begin(), order.end(), w.btnNext));
    EXPECT_LT(std::find(order.begin(), order.end(), w.btnLoad), std::find(order.begin(), order.end(), w.btnOpen));

    w.btnNext->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.btnNext, Qt::Key_Return);
    EXPECT_TRUE(qmtest::waitFor([&] { return w.state().curBlock == 1; }, 2000));
}

// The usual keys, each said in its control's hint: Ctrl+O, Ctrl+L and
// Ctrl+Shift+S ask for their files; Ctrl+S writes the lesson's block file
// without asking; F1 shows the list of every key.
TEST_F(MainWindow, TheShortcutsOpenLoadSaveAndShowTheKeys) {
    EXPECT_TRUE(w.btnOpen->toolTip().contains("Ctrl+O"));
    EXPECT_TRUE(w.btnSave->toolTip().contains("Ctrl+S"));
    EXPECT_TRUE(w.btnLoad->toolTip().contains("Ctrl+L"));
    EXPECT_TRUE(w.btnInfo->toolTip().contains("F1"));
    qmtest::setMedia(frmMain->session(), app.dir.filePath("lesson.mp3"), 9000);
    w.show();
    QApplication::setActiveWindow(&w);
    QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(app.dialogs->openRequests.size(), 1u);
    QTest::keyClick(&w, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(app.dialogs->openRequests.size(), 2u);

    // No block file yet: Ctrl+S asks for one; then it writes there without asking.
    const QString bsd = app.dir.filePath("lesson.bsd");
    app.dialogs->saveAnswers = {bsd};
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(app.dialogs->saveRequests.size(), 1u);
    ASSERT_TRUE(QFile::exists(bsd));
    frmMain->session().editNotes({"changed"});
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(app.dialogs->saveRequests.size(), 1u);
    EXPECT_FALSE(frmMain->session().unsaved());
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(app.dialogs->saveRequests.size(), 2u);

    QTest::keyClick(&w, Qt::Key_F1);
    EXPECT_TRUE(frmInfo->isVisible());
    EXPECT_EQ(frmInfo->PageControl1->currentWidget(), frmInfo->keysText->parentWidget());
    for (const char* key : {"Ctrl+Z", "Ctrl+O", "Ctrl+S", "Ctrl+L", "F1", "space", "Return"})
        EXPECT_TRUE(frmInfo->keysText->toPlainText().contains(QLatin1String(key))) << key;
}

TEST_F(MainWindow, JapaneseCaptionsUseIpaPGothicAt12Pixels) {
    const QFontInfo info(w.Label1->font());
    EXPECT_EQ(info.family(), "IPAPGothic");
    EXPECT_EQ(w.Label1->font().pixelSize(), 12);
}

TEST_F(MainWindow, ClosingWithNothingOpenAsksNothing) {
    w.show();
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(app.dialogs->questions.isEmpty());
}

// The close asks the session's release question in the program's dialogs; what
// each answer does to the lesson is tested on the session (tests/session/ReleaseTest.cpp).
TEST_F(MainWindow, ClosingWithUnsavedWorkAsksToSave) {
    w.show();
    qmtest::setBlocks(frmMain->session(), {0, 3000, 9000});
    frmMain->session().editNotes({"unsaved"});

    app.dialogs->confirmAnswers = {qm::Answer::Cancel};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(app.dialogs->questions, QStringList{"保存しますか"});

    app.dialogs->confirmAnswers = {qm::Answer::Yes};
    app.dialogs->saveAnswers = {QString()};  // the save dialog is cancelled
    EXPECT_FALSE(w.close());
    EXPECT_EQ(app.dialogs->saveRequests.size(), 1u);

    app.dialogs->confirmAnswers = {qm::Answer::No};
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindow, ClosingWhileAMemoLineIsEditedIsRefusedEvenWithTheMemoHidden) {
    w.show();
    frmMemo->btnEditClick();
    ASSERT_TRUE(frmMemo->isHidden());
    ASSERT_TRUE(frmMemo->inEditMode());
    EXPECT_FALSE(w.close());
    EXPECT_EQ(app.dialogs->messages, QStringList{"Memoの編集を終了してください"});
    frmMemo->btnCancelClick();
    EXPECT_TRUE(w.close());
}

// A bigger window gives its room to the bars: wider bars and transports, a
// taller block bar, the controls under it moved down as they were; it never
// gets smaller than the start size, where the controls just fit.
TEST_F(MainWindow, TheWindowGrowsWithItsBars) {
    qmtest::setBlocks(w.session(), {0, 3000, 6000, 9000});
    w.show();
    const QRect group = w.GroupBox1->geometry(), player = w.WindowsMediaPlayer1->geometry();
    const QRect position = w.lblPos->geometry();
    w.resize(700, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.Image1->width(), 698);
    EXPECT_EQ(w.Image1->bitmap().width(), 698);
    EXPECT_EQ(w.Image2->height(), 22 + 184);
    EXPECT_EQ(w.Image2->bitmap().height(), 22 + 184);
    EXPECT_EQ(w.Image2->bitmap().pixelColor(w.Image2->width() / 3, w.Image2->height() - 2), QColor(Qt::black))
        << "a separator runs the bar's whole height";
    EXPECT_EQ(w.GroupBox1->geometry(), group.translated(0, 184));
    EXPECT_EQ(w.WindowsMediaPlayer1->geometry(), QRect(1, player.y() + 184, 698, player.height()));
    EXPECT_EQ(w.lblPos->geometry(), position.translated(296, 184));
    EXPECT_LE(w.WindowsMediaPlayer1->geometry().bottom(), w.Panel1->height() - 2);

    w.resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.size(), QSize(404, 316));
    EXPECT_EQ(w.GroupBox1->geometry(), group);
    EXPECT_EQ(w.RealAudio1->geometry().bottom(), w.Panel1->height() - 2);
}

TEST_F(MainWindow, AnErrorOfAHandlerIsShownAndTheProgramGoesOn) {
    w.show();
    bool ranAfter = false;
    QTimer::singleShot(0, &w, qm::guarded([] { throw std::runtime_error("engine said no"); }));
    QTimer::singleShot(5, &w, [&] { ranAfter = true; });
    ASSERT_TRUE(qmtest::waitFor([&] { return ranAfter; }, 2000));
    EXPECT_EQ(app.dialogs->messages, QStringList{"engine said no"});
}

TEST_F(MainWindow, AnErrorEscapingAnEventReachesTheApplicationsHandler) {
    struct Throwing : QObject {
        bool event(QEvent* e) override {
            if (e->type() == QEvent::User) throw std::runtime_error("from an event");
            return QObject::event(e);
        }
    } target;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(app.dialogs->messages, QStringList{"from an event"});
}

TEST_F(MainWindow, SecondaryWindowsOnlyHideWhenClosedAndTheButtonsRaiseThem) {
    w.show();
    w.btnInfoClick();
    EXPECT_TRUE(frmInfo->isVisible());
    frmInfo->close();
    EXPECT_TRUE(frmInfo->isHidden());
    ASSERT_NE(frmInfo, nullptr);
    w.btnIEClick();
    EXPECT_TRUE(frmIE->isVisible());
    frmIE->close();
    EXPECT_TRUE(frmIE->isHidden());
    w.EnableBlockControls(true);
    QTest::mouseClick(w.btnMemo, Qt::LeftButton);
    EXPECT_TRUE(frmMemo->isVisible());
    frmMemo->close();
    EXPECT_TRUE(frmMemo->isHidden());
}

TEST_F(MainWindow, KeysBeforeAnyOpenDoNoHarm) {
    w.show();
    for (char c : std::string("xbdenz ")) w.FormKeyPress(QChar(c));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.state().blocks().count(), 0);
    EXPECT_EQ(w.state().curBlock, 0);
    EXPECT_EQ(w.lblBlock->text(), "0/0");
    EXPECT_TRUE(app.dialogs->messages.isEmpty()) << app.dialogs->messages.join(" | ").toStdString();
    w.bars().RedrawBars();
    w.bars().ShowPosition();
}

// Whether a column of the block bar shows a separator line.
bool separatorDrawnAt(const QImage& bar, int x) {
    for (int y = 0; y < bar.height(); ++y)
        if ((bar.pixel(x, y) & 0xFFFFFF) == qm::kBarBlack) return true;
    return false;
}

// The L, R and Clear buttons reach the session; the block bar and the counter
// follow what it did. The commands' own rules are tested on the session
// (tests/session/BlockCommandsTest.cpp).
TEST_F(MainWindow, TheDeleteAndClearButtonsRedrawTheBarAndTheCounter) {
    auto& s = w.state();
    qmtest::setBlocks(frmMain->session(), {0, 3000, 5000, 7000, 9000});
    w.EnableBlockControls(true);
    w.Timer1->stop();
    const QImage& bar = w.Image2->bitmap();
    const auto column = [&](int32_t ms) { return qm::barColumn(ms, bar.width(), s.mediaLength); };
    ASSERT_TRUE(separatorDrawnAt(bar, column(3000)));
    w.SelectBlock(2);
    EXPECT_EQ(w.lblBlock->text(), "2/4");

    QTest::mouseClick(w.btnLDel, Qt::LeftButton);
    EXPECT_EQ(s.blocks().separators(), (std::vector<int32_t>{0, 5000, 7000, 9000}));
    EXPECT_EQ(w.lblBlock->text(), "1/3");
    EXPECT_FALSE(separatorDrawnAt(bar, column(3000)));

    QTest::mouseClick(w.btnRDel, Qt::LeftButton);
    EXPECT_EQ(s.blocks().separators(), (std::vector<int32_t>{0, 7000, 9000}));
    EXPECT_EQ(w.lblBlock->text(), "1/2");
    EXPECT_FALSE(separatorDrawnAt(bar, column(5000)));
    EXPECT_TRUE(separatorDrawnAt(bar, column(7000)));

    QTest::mouseClick(w.btnClear, Qt::LeftButton);
    EXPECT_EQ(s.blocks().count(), 1);
    EXPECT_EQ(w.lblBlock->text(), "1/1");
    EXPECT_FALSE(separatorDrawnAt(bar, column(7000)));
}

// A lesson cut at its pauses: 270 blocks of 2.5 to 4.6 s, about 16 minutes,
// a length that halves four times without a remainder.
std::vector<int32_t> longLesson() {
    std::vector<int32_t> seps{0};
    for (int i = 0; i < 270; ++i) seps.push_back(seps.back() + 2500 + (i * 797) % 2100);
    seps.back() += (16 - seps.back() % 16) % 16;
    return seps;
}

// The columns of the block bar black over its whole height: its separator lines.
std::vector<int> lineColumns(const QImage& bar) {
    std::vector<int> columns;
    for (int x = 0; x < bar.width(); ++x) {
        int y = 0;
        while (y < bar.height() && (bar.pixel(x, y) & 0xFFFFFF) == qm::kBarBlack) ++y;
        if (y == bar.height()) columns.push_back(x);
    }
    return columns;
}

// Where the block bar draws the inner separators of seps when it shows start
// .. start + span: a view of the media's start maps as a media of span ms would.
std::vector<int> linesIn(const std::vector<int32_t>& seps, int32_t start, int32_t span) {
    std::vector<int> columns;
    for (std::size_t k = 1; k + 1 < seps.size(); ++k)
        if (seps[k] >= start && seps[k] < start + span) columns.push_back(qm::barColumn(seps[k] - start, 402, span));
    return columns;
}

class MainWindowLongLesson : public MainWindow {
protected:
    void SetUp() override {
        frmMain->session().openLessonForTesting(length, {seps, {}});
        w.EnableBlockControls(true);
        w.Timer1->stop();
        w.show();
        QApplication::setActiveWindow(&w);
        w.setFocus();
        scroll = w.findChild<QScrollBar*>(QStringLiteral("blockBarScroll"));
        ASSERT_NE(scroll, nullptr);
    }
    // The view as the scroll bar shows it: the time at column x of the block bar.
    double timeAt(int x) const { return scroll->value() + double(x) * scroll->pageStep() / 402; }

    const std::vector<int32_t> seps = longLesson();
    const int32_t length = seps.back();
    QScrollBar* scroll = nullptr;
};

// "+" (or "=") and "-" zoom the block bar around the position cursor, here at
// the start; "0" shows the whole media again, as it was drawn before. The
// wheel zooms around the pointer; Shift+wheel, a sideways wheel and the
// scroll bar under the zoomed bar scroll it.
TEST_F(MainWindowLongLesson, KeysAndTheWheelZoomAndScrollTheBlockBar) {
    const QImage& bar = w.Image2->bitmap();
    const QImage whole = bar.copy();
    ASSERT_GT(lineColumns(whole).size(), 150u) << "270 blocks on 402 columns: a black stripe";
    EXPECT_TRUE(scroll->isHidden());

    for (int i = 0; i < 3; ++i) QTest::keyClick(&w, Qt::Key_Plus, Qt::ShiftModifier);
    QTest::keyClick(&w, Qt::Key_Minus);
    QTest::keyClick(&w, Qt::Key_Equal);
    QTest::keyClick(&w, Qt::Key_Plus, Qt::KeypadModifier);
    const int32_t span = length / 16;
    EXPECT_EQ(lineColumns(bar), linesIn(seps, 0, span));
    EXPECT_FALSE(scroll->isHidden());
    EXPECT_EQ(scroll->value(), 0);
    EXPECT_EQ(scroll->pageStep(), span);
    EXPECT_EQ(scroll->maximum(), length - span);
    EXPECT_LE(w.Image2->geometry().bottom(), scroll->geometry().top());
    EXPECT_EQ(w.Image2->width(), 402);

    scroll->setValue(seps[100]);
    EXPECT_EQ(lineColumns(bar), linesIn(seps, seps[100], span));
    QWheelEvent shiftWheel(QPointF(200, 8), w.Image2->mapToGlobal(QPointF(200, 8)), {}, QPoint(0, -120), Qt::NoButton,
                           Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.Image2, &shiftWheel);
    EXPECT_EQ(scroll->value(), seps[100] + span / 8);
    QWheelEvent sideways(QPointF(200, 8), w.Image2->mapToGlobal(QPointF(200, 8)), {}, QPoint(120, 0), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.Image2, &sideways);
    EXPECT_EQ(scroll->value(), seps[100]);
    EXPECT_EQ(lineColumns(bar), linesIn(seps, seps[100], span));

    QTest::keyClick(&w, Qt::Key_0);
    EXPECT_TRUE(scroll->isHidden());
    EXPECT_EQ(w.Image2->geometry(), QRect(1, 40, 402, 22));
    EXPECT_EQ(bar, whole);

    // Two notches of the wheel at column 300 halve the span; the time under the pointer stays there.
    const int32_t under = qm::barTime(300, 402, length);
    QWheelEvent wheel(QPointF(300, 8), w.Image2->mapToGlobal(QPointF(300, 8)), {}, QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.Image2, &wheel);
    ASSERT_FALSE(scroll->isHidden());
    EXPECT_NEAR(scroll->pageStep(), length / 2, 1);
    EXPECT_NEAR(timeAt(300), under, 2);

    // A key of another script at the place of "=": zoomed in around the cursor.
    QTest::keyClick(&w, Qt::Key_0);
    QKeyEvent otherScript(QEvent::KeyPress, 0x0436, Qt::NoModifier, 21 /* evdev "=" */, 0, 0, QStringLiteral("ж"));
    QCoreApplication::sendEvent(&w, &otherScript);
    EXPECT_EQ(scroll->pageStep(), length / 2);
    EXPECT_EQ(scroll->value(), 0);
}

// Zoomed in, a click plays the block drawn under it, which is shaded until
// another block is current; a press on a drawn line drags that separator to
// the time of the column it is let go on, and a drag past the bar's edge
// stops at the edge of the view.
TEST_F(MainWindowLongLesson, ClicksAndDragsOnTheZoomedBarLandWhereTheyAreDrawn) {
    auto& s = w.state();
    for (int i = 0; i < 4; ++i) QTest::keyClick(&w, Qt::Key_Plus, Qt::ShiftModifier);
    const int32_t span = length / 16;
    ASSERT_EQ(scroll->pageStep(), span);
    const auto column = [&](int k) { return qm::barColumn(seps[k], 402, span); };
    // The first millisecond drawn in column x: a separator dropped there is drawn there.
    const auto time = [&](int x) { return static_cast<int32_t>((int64_t{x} * span + 401) / 402); };
    // The bottom row of block k's columns, without the lines: all white 0, all of one other colour 1, else -1.
    const auto shaded = [&](int k) {
        const QImage& bar = w.Image2->bitmap();
        const QRgb first = bar.pixel(column(k - 1) + 1, bar.height() - 1) & 0xFFFFFF;
        for (int x = column(k - 1) + 1; x < column(k); ++x)
            if ((bar.pixel(x, bar.height() - 1) & 0xFFFFFF) != first) return -1;
        return first == qm::kBarWhite ? 0 : first == qm::kBarBlack ? -1 : 1;
    };
    EXPECT_EQ(shaded(5), 0);

    QTest::mouseClick(w.Image2, Qt::LeftButton, {}, QPoint((column(4) + column(5)) / 2, 10));
    EXPECT_EQ(s.curBlock, 5);
    EXPECT_EQ(shaded(5), 1);
    EXPECT_EQ(shaded(6), 0);
    w.FormKeyPress(QChar('n'));
    EXPECT_EQ(s.curBlock, 6);
    EXPECT_EQ(shaded(5), 0);
    EXPECT_EQ(shaded(6), 1);

    const int from = column(5);
    QTest::mousePress(w.Image2, Qt::LeftButton, {}, QPoint(from + 2, 10));
    QTest::mouseMove(w.Image2, QPoint(from + 16, 10));
    QTest::mouseRelease(w.Image2, Qt::LeftButton, {}, QPoint(from + 16, 10));
    EXPECT_EQ(s.blocks()[5], time(from + 16));
    const std::vector<int> lines = lineColumns(w.Image2->bitmap());
    EXPECT_NE(std::find(lines.begin(), lines.end(), from + 16), lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), from), lines.end());

    int last = 1;
    while (seps[last + 1] < span) ++last;  // the last line in the view; the next separator lies beyond it
    QTest::mousePress(w.Image2, Qt::LeftButton, {}, QPoint(column(last), 10));
    QTest::mouseMove(w.Image2, QPoint(600, 10));
    QTest::mouseRelease(w.Image2, Qt::LeftButton, {}, QPoint(600, 10));
    EXPECT_EQ(s.blocks()[last], time(401));
    EXPECT_EQ(scroll->value(), 0);
}

// Ctrl+Z and Ctrl+Shift+Z are the session's undo and redo, wherever the
// window's focus is.
TEST_F(MainWindow, TheUndoKeysReachTheSessionsHistory) {
    auto& s = w.state();
    qmtest::setBlocks(frmMain->session(), {0, 3000, 9000});
    w.SelectBlock(1);
    w.show();
    QApplication::setActiveWindow(&w);
    w.FormKeyPress(QChar('d'));
    ASSERT_EQ(s.blocks().count(), 1);
    w.btnInfo->setFocus();
    QTest::keyClick(w.btnInfo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(s.blocks().separators(), (std::vector<int32_t>{0, 3000, 9000}));
    EXPECT_FALSE(frmMain->session().unsaved());
    QTest::keyClick(w.btnInfo, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(s.blocks().count(), 1);
    EXPECT_TRUE(frmMain->session().unsaved());
}

TEST_F(MainWindow, UpperCaseLettersDoNothing) {
    auto& s = w.state();
    qmtest::setBlocks(frmMain->session(), {0, 3000, 5000, 9000});
    w.SelectBlock(2);
    w.show();
    for (Qt::Key k : {Qt::Key_N, Qt::Key_B, Qt::Key_E, Qt::Key_D, Qt::Key_X, Qt::Key_Z})
        QTest::keyClick(&w, k, Qt::ShiftModifier);
    EXPECT_EQ(s.curBlock, 2);
    EXPECT_EQ(s.blocks().count(), 3);
    w.FormKeyPress(QChar('d'));
    EXPECT_EQ(s.blocks().count(), 2);
    w.FormKeyPress(QChar('n'));
    EXPECT_EQ(s.curBlock, 2);  // now the last block: only resumes playback
    w.FormKeyPress(QChar('b'));
    EXPECT_EQ(s.curBlock, 1);
}

TEST_F(MainWindow, KeysInEditModeOnlyBringTheMemoForward) {
    auto& s = w.state();
    qmtest::setBlocks(frmMain->session(), {0, 3000, 9000});
    w.SelectBlock(1);
    w.show();
    frmMemo->show();
    frmMemo->btnEditClick();
    for (char c : std::string("dnbez x")) w.FormKeyPress(QChar(c));
    EXPECT_EQ(s.curBlock, 1);
    EXPECT_EQ(s.blocks().count(), 2);
}

TEST_F(MainWindow, AKeyTypedAfterAClickOnNextReachesTheKeyHandlerOnce) {
    auto& s = w.state();
    qmtest::setBlocks(frmMain->session(), {0, 3000, 5000, 9000});
    w.show();
    w.activateWindow();
    w.EnableBlockControls(true);
    w.Timer1->stop();
    QTest::mouseClick(w.btnNext, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(s.curBlock, 1);
    EXPECT_NE(QApplication::focusWidget(), w.btnNext);
    // The key goes through the key preview once, not to the button as a click.
    QTest::keyClick(&w, Qt::Key_N, Qt::NoModifier);
    EXPECT_EQ(s.curBlock, 2);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_Space);
    EXPECT_EQ(s.curBlock, 2);
}

// The window's keys act whatever control of it has the focus, and they act
// once: a space after choosing a rate does not also open the rate list.
TEST_F(MainWindow, KeysActWhateverControlHasTheFocus) {
    auto& s = w.state();
    qmtest::setBlocks(frmMain->session(), {0, 1000, 2000, 3000, 4000, 5000, 9000});
    w.SelectBlock(1);
    w.show();
    QApplication::setActiveWindow(&w);
    w.EnableBlockControls(true);
    w.Timer1->stop();
    const QString rate = w.cmbRate->currentText();
    for (QWidget* focused : {static_cast<QWidget*>(w.cmbRate), static_cast<QWidget*>(w.btnInfo),
                             static_cast<QWidget*>(w.RadioGroup2Items->button(1)), static_cast<QWidget*>(&w)}) {
        focused->setFocus();
        const int before = s.blocks().count();
        QTest::keyClick(focused, Qt::Key_Space);
        QTest::keyClick(focused, Qt::Key_D);
        EXPECT_EQ(s.blocks().count(), before - 1) << focused->metaObject()->className();
        EXPECT_FALSE(w.cmbRate->view()->isVisible());
    }
    EXPECT_EQ(w.RadioGroup2Items->checkedId(), 0);  // the space pressed no radio button
    EXPECT_EQ(w.cmbRate->currentText(), rate);
}

// Matched by the key pressed: a Cyrillic layout's key at the place of "d", and
// an input method's full-width "ｎ", are the commands d and n.
TEST_F(MainWindow, KeysWorkUnderAnotherLayoutAndWithAnInputMethod) {
    auto& s = w.state();
    qmtest::setBlocks(frmMain->session(), {0, 3000, 5000, 9000});
    w.SelectBlock(1);
    w.show();
    w.setFocus();
    constexpr quint32 kEvdevD = 40;  // the key code of "d" on X11 and Wayland
    QKeyEvent cyrillic(QEvent::KeyPress, 0x0412 /* В */, Qt::NoModifier, kEvdevD, 0, 0, QStringLiteral("в"));
    QCoreApplication::sendEvent(&w, &cyrillic);
    EXPECT_EQ(s.blocks().count(), 2);
    QKeyEvent fullWidth(QEvent::KeyPress, Qt::Key_N, Qt::NoModifier, 57, 0, 0, QStringLiteral("ｎ"));
    QCoreApplication::sendEvent(&w, &fullWidth);
    EXPECT_EQ(s.curBlock, 2);
    // A Latin layout's own letter is that letter, wherever its key sits.
    QKeyEvent dvorakQ(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, 53 /* place of "x" */, 0, 0, QStringLiteral("q"));
    QCoreApplication::sendEvent(&w, &dvorakQ);
    EXPECT_EQ(s.blocks().count(), 2);
}

// A screen reader names every button: by its text, or by an accessible name
// where it shows only a picture.
TEST_F(MainWindow, EveryButtonOfEveryWindowHasAName) {
    int buttons = 0;
    for (QWidget* window : {static_cast<QWidget*>(frmMain), static_cast<QWidget*>(frmMemo),
                            static_cast<QWidget*>(frmIE), static_cast<QWidget*>(frmInfo)}) {
        for (const QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
            ++buttons;
            EXPECT_FALSE(b->text().isEmpty() && b->accessibleName().isEmpty())
                << window->objectName().toStdString() << " " << b->metaObject()->className() << " "
                << b->toolTip().toStdString();
        }
    }
    EXPECT_GT(buttons, 30);
    EXPECT_EQ(w.btnOpen->accessibleName(), "開く");
    EXPECT_EQ(w.btnIE->accessibleName(), "インターネット");
}

TEST_F(MainWindow, TheDelLabelShowsWholeAndQtsOwnTextsAreJapanese) {
    EXPECT_EQ(w.del->text(), "del");
    EXPECT_GE(w.del->width(), w.del->sizeHint().width());
    EXPECT_LE(w.del->geometry().right(), w.btnRDel->geometry().left());
    ASSERT_TRUE(qm::qmApp()->installQtTranslation());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "キャンセル");
}

}  // namespace

namespace {

TEST_F(MainWindow, OnlyTheBlockButtonsGiveTheFocusBackOnMouseUp) {
    w.show();
    QApplication::setActiveWindow(&w);
    w.btnInfo->setFocus();
    QTest::mouseRelease(w.btnInfo, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), w.btnInfo);

    w.EnableBlockControls(true);
    w.Timer1->stop();
    w.btnSave->setFocus();
    QTest::mouseRelease(w.btnSave, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), &w);
}

}  // namespace
