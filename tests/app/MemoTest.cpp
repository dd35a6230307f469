// The memo window: its modes, when an edit reaches the session, the list's
// selection and clicks, the keys, and what the dictation mode shows. What the
// session does with the notes is tested on it (tests/session/NotesTest.cpp).
#include "tests/support/AppHarness.h"

#include "memo/DictationPanel.h"
#include "dictation/DictationLog.h"

#include <QLabel>
#include "memo/NoteList.h"
#include <QPlainTextEdit>
#include <QPushButton>
#include <QLineEdit>
#include <QTest>
#include <QTextBrowser>
#include <QButtonGroup>
#include <QDateTime>

namespace {

using qmtest::AppHarness;

class Memo : public ::testing::Test {
protected:
    void SetUp() override {
        qmtest::setBlocks(frmMain->session(), {0, 3000, 5000, 9000});
        qmtest::setNotes(frmMain->session(), {"one", "two", "three", "four"});
    }
    // Types at the end of the last note, before the editor's final line break.
    void type(const QString& text) {
        frmMemo->Memo1->moveCursor(QTextCursor::End);
        frmMemo->Memo1->moveCursor(QTextCursor::Left);
        QTest::keyClicks(frmMemo->Memo1, text);
    }
    AppHarness app;
    const qm::PracticeState& s = frmMain->state();
};

TEST_F(Memo, ModesShowTheirButtonsAndCaptions) {
    EXPECT_FALSE(frmMemo->inEditMode());
    EXPECT_FALSE(frmMemo->btnEdit->isHidden());
    EXPECT_TRUE(frmMemo->btnEnd->isHidden());
    frmMemo->btnEditClick();
    EXPECT_TRUE(frmMemo->inEditMode());
    EXPECT_EQ(frmMemo->windowTitle(), "Memo 編集中");
    EXPECT_TRUE(frmMemo->ListBox1->isHidden());
    EXPECT_TRUE(frmMemo->btnEdit->isHidden());
    for (QWidget* w : {static_cast<QWidget*>(frmMemo->btnNew), static_cast<QWidget*>(frmMemo->btnEnd),
                       static_cast<QWidget*>(frmMemo->btnCancel), static_cast<QWidget*>(frmMemo->Label1),
                       static_cast<QWidget*>(frmMemo->Label2), static_cast<QWidget*>(frmMemo->btnFont)}) {
        EXPECT_FALSE(w->isHidden());
    }
    EXPECT_EQ(frmMemo->Memo1->toPlainText(), "one\ntwo\nthree\nfour\n");
    frmMemo->btnEndClick();
    EXPECT_EQ(frmMemo->windowTitle(), "Memo");
    EXPECT_FALSE(frmMemo->inEditMode());
    EXPECT_EQ(frmMemo->lines(), (QStringList{"one", "two", "three", "four"}));
}

// Only an edit with typing in it reaches the session: an edit ended without
// typing, before or after a save, leaves nothing unsaved.
TEST_F(Memo, OnlyAnEditWithTypingReachesTheSession) {
    frmMemo->Memo1->setPlainText("something else");
    frmMemo->btnEditClick();
    frmMemo->btnEndClick();
    EXPECT_FALSE(frmMain->session().unsaved());
    EXPECT_FALSE(frmMain->session().canUndo());

    frmMemo->btnEditClick();
    type("x");
    frmMemo->btnEndClick();
    EXPECT_TRUE(frmMain->session().unsaved());
    EXPECT_EQ(frmMemo->lines(), (QStringList{"one", "two", "three", "fourx"}));
    EXPECT_EQ(frmMemo->ListBox1->model()->index(3, 0).data().toString(), "fourx");  // the list shows it

    app.dialogs->saveAnswers = {app.dir.filePath("notes.bsd")};
    ASSERT_TRUE(frmMain->SaveBlockData());
    ASSERT_FALSE(frmMain->session().unsaved());
    frmMemo->btnEditClick();
    frmMemo->btnEndClick();
    EXPECT_FALSE(frmMain->session().unsaved());
    EXPECT_EQ(frmMemo->lines(), (QStringList{"one", "two", "three", "fourx"}));
}

// Notes hold what a text widget would alter: an edit ended without typing
// gives them back as they were, and typing in one keeps the others' characters.
TEST_F(Memo, AnEditKeepsEveryCharacterOfTheNotes) {
    const QStringList notes = {"no-break space", "line separator", "para separator",
                               "	tab and trailing  ", "*star*", "", "nonchar﷐", "﻿bom"};
    qmtest::setNotes(frmMain->session(), notes);
    frmMemo->btnEditClick();
    frmMemo->btnEndClick();
    EXPECT_EQ(frmMemo->lines(), notes);
    EXPECT_FALSE(frmMain->session().unsaved());

    const QStringList kept = {"no-break space", "line separator", "	tab and trailing  ", "last"};
    qmtest::setNotes(frmMain->session(), kept);
    frmMemo->btnEditClick();
    type("!");
    frmMemo->btnEndClick();
    EXPECT_EQ(frmMemo->lines(), (QStringList{kept[0], kept[1], kept[2], "last!"}));
    EXPECT_TRUE(frmMain->session().unsaved());
}

TEST_F(Memo, CancelKeepsTheNotesAndTheNextEditShowsThem) {
    frmMemo->btnEditClick();
    type("typed");
    frmMemo->btnCancelClick();
    EXPECT_FALSE(frmMain->session().unsaved());
    EXPECT_EQ(frmMemo->lines(), (QStringList{"one", "two", "three", "four"}));
    frmMemo->btnEditClick();
    EXPECT_EQ(frmMemo->Memo1->toPlainText(), "one\ntwo\nthree\nfour\n");
}

TEST_F(Memo, LeavingEditModeSelectsTheNoteOfTheCurrentBlock) {
    frmMain->SelectBlock(3);
    frmMemo->btnEditClick();
    frmMemo->btnEndClick();
    EXPECT_EQ(frmMemo->ListBox1->currentRow(), 2);
    frmMain->SelectBlock(0);
    frmMemo->btnEditClick();
    frmMemo->btnCancelClick();
    EXPECT_EQ(frmMemo->ListBox1->hasSelection(), false);
}

// New fills the editor with the session's template, as typing would: ended,
// it becomes the notes.
TEST_F(Memo, NewWritesTheTemplateIntoTheEditor) {
    frmMemo->btnEditClick();
    frmMemo->btnNewClick();
    EXPECT_EQ(frmMemo->Memo1->toPlainText(), " 1(  0)\n 2(  3)\n 3(  5)");
    EXPECT_TRUE(frmMemo->Memo1->document()->isModified());
    frmMemo->btnEndClick();
    EXPECT_EQ(frmMemo->lines(), (QStringList{" 1(  0)", " 2(  3)", " 3(  5)"}));
    EXPECT_TRUE(frmMain->session().unsaved());

    frmMain->session().openLessonForTesting(0, {});  // nothing open: an empty template
    frmMemo->btnEditClick();
    frmMemo->btnNewClick();
    EXPECT_EQ(frmMemo->Memo1->toPlainText(), "");
}

// A click on a line plays its block; one on the line past the blocks or
// below the list does nothing.
TEST_F(Memo, AClickOnALinePlaysItsBlockButNotPastTheBlocksOrBelowTheList) {
    frmMemo->show();
    QCoreApplication::processEvents();
    QTest::mouseClick(frmMemo->ListBox1->viewport(), Qt::LeftButton, {}, frmMemo->ListBox1->rowRect(1).center());
    EXPECT_EQ(s.curBlock, 2);
    EXPECT_EQ(frmMemo->ListBox1->currentRow(), 1);
    frmMain->SelectBlock(1);
    EXPECT_EQ(frmMemo->ListBox1->currentRow(), 0);  // the list follows the current block
    const QRect fourth = frmMemo->ListBox1->rowRect(3);
    frmMemo->ListBox1MouseUp(Qt::LeftButton, fourth.center());
    EXPECT_EQ(s.curBlock, 1);
    frmMemo->ListBox1MouseUp(Qt::LeftButton, QPoint(5, frmMemo->ListBox1->viewport()->height() - 2));
    EXPECT_EQ(s.curBlock, 1);
}

TEST_F(Memo, F5PlaysTheBlockOfTheCaretsLine) {
    frmMemo->btnEditClick();
    frmMemo->Memo1->moveCursor(QTextCursor::Start);
    frmMemo->Memo1KeyUp(Qt::Key_F5);
    EXPECT_EQ(s.curBlock, 1);
    frmMemo->Memo1->moveCursor(QTextCursor::End);  // the empty line after "four", index 4
    frmMemo->Memo1KeyUp(Qt::Key_F5);
    EXPECT_EQ(s.curBlock, 1);
    QTextCursor c = frmMemo->Memo1->textCursor();
    c.setPosition(QStringLiteral("one\ntwo\nth").size());
    frmMemo->Memo1->setTextCursor(c);
    frmMemo->Memo1KeyUp(Qt::Key_F5);
    EXPECT_EQ(s.curBlock, 3);
}

TEST_F(Memo, FunctionKeysStepThroughTheBlocks) {
    frmMain->SelectBlock(1);
    frmMemo->btnEditClick();
    frmMemo->Memo1KeyUp(Qt::Key_F3);
    EXPECT_EQ(s.curBlock, 2);
    frmMemo->Memo1KeyUp(Qt::Key_F3);
    EXPECT_EQ(s.curBlock, 3);
    frmMemo->Memo1KeyUp(Qt::Key_F1);
    EXPECT_EQ(s.curBlock, 2);
    frmMemo->Memo1KeyUp(Qt::Key_F2);
    EXPECT_EQ(s.curBlock, 2);
}

TEST_F(Memo, SavingIsRefusedInEditModeEvenWithTheWindowClosed) {
    frmMemo->btnEditClick();
    frmMemo->close();
    EXPECT_TRUE(frmMemo->inEditMode());
    EXPECT_FALSE(frmMain->SaveBlockData());
    EXPECT_EQ(app.dialogs->messages, QStringList{"Memoの編集を終了してください"});
    EXPECT_TRUE(app.dialogs->saveRequests.empty());
}

TEST_F(Memo, FontGoesToBothTheListAndTheEditor) {
    QFont big = frmMemo->ListBox1->font();
    big.setPixelSize(20);
    app.dialogs->fontAnswers = {big};
    frmMemo->btnFontClick();
    EXPECT_EQ(frmMemo->ListBox1->font().pixelSize(), 20);
    EXPECT_EQ(frmMemo->Memo1->font().pixelSize(), 20);
}

TEST_F(Memo, AWindowLeftOffScreenComesBack) {
    frmMemo->show();
    frmMemo->move(-500, -400);
    QCoreApplication::processEvents();
    EXPECT_EQ(frmMemo->y(), 294);
    EXPECT_EQ(frmMemo->height(), 450);
}

}  // namespace

namespace {

// The dictation mode on the worked example: the note stays hidden, Enter
// checks the answer word by word, the marks come in colour with the score,
// and the weakest block is named. How the answer is kept is the session's
// (tests/session/NotesTest.cpp).
TEST_F(Memo, DictationHidesTheNoteAndShowsTheCheckedAnswer) {
    qmtest::setNotes(frmMain->session(), {"The quick brown fox jumps over the lazy dog.", "two"});
    frmMain->SelectBlock(1);
    frmMemo->show();
    frmMemo->btnDictationClick();
    ASSERT_TRUE(frmMemo->inDictationMode());
    EXPECT_TRUE(frmMemo->ListBox1->isHidden());
    EXPECT_EQ(app.session->blockMode(), qm::BlockMode::Repeat);  // the block repeats meanwhile
    EXPECT_EQ(frmMain->RadioGroup1Items->checkedId(), 1);
    for (const QLabel* l : frmMemo->findChildren<QLabel*>())
        EXPECT_FALSE(l->isVisible() && l->text().contains("quick")) << "the reference shows";

    qm::DictationPanel& d = *frmMemo->Dictation;
    QTest::keyClicks(d.edtAnswer, "the quick brown fox jumped over lazy old dog");
    QTest::keyClick(d.edtAnswer, Qt::Key_Return);
    const QString html = d.txtResult->toHtml();
    EXPECT_TRUE(html.contains("jumped")) << html.toStdString();
    EXPECT_EQ(d.markedHtml(qm::dictation::checkAnswer("The quick brown fox jumps over the lazy dog.",
                                                      "the quick brown fox jumped over lazy old dog")),
              "the quick brown fox <span style=\"color:#c06000\"><s>jumped</s> jumps</span> over "
              "<span style=\"color:#c00000\">[the]</span> lazy <span style=\"color:#0050c0\"><s>old</s></span> dog");
    // Japanese is marked as it is written: no blank between characters.
    EXPECT_EQ(d.markedHtml(qm::dictation::checkAnswer("今日は晴れです。", "今日は雨です")),
              "今日は<span style=\"color:#c06000\"><s>雨</s> 晴</span><span style=\"color:#c00000\">[れ]</span>です");
    EXPECT_TRUE(d.lblScore->text().startsWith("得点 70 / 100")) << d.lblScore->text().toStdString();
    EXPECT_EQ(d.lblWeakest->text(), "もう一度練習するブロック: 1 (70点)");

    ASSERT_NE(app.session->dictationLog().find(0), nullptr);  // the check reached the session
    EXPECT_EQ(app.session->dictationLog().find(0)->latestScore, 70);

    // F3 in the answer field goes to the next block and clears the field.
    QTest::keyClick(d.edtAnswer, Qt::Key_F3);
    EXPECT_EQ(s.curBlock, 2);
    EXPECT_TRUE(d.edtAnswer->text().isEmpty());

    frmMemo->btnDictationClick();
    EXPECT_FALSE(frmMemo->inDictationMode());
    EXPECT_EQ(app.session->blockMode(), qm::BlockMode::Next);
    EXPECT_FALSE(frmMemo->ListBox1->isHidden());
}

}  // namespace

namespace {

// The review round through the panel, on fixed dates of a learner in Japan
// (whose day begins at 15:00 UTC): with nothing due the review button says
// when the next block is, as a local date; a day later it counts the blocks
// due and Ctrl+R takes them weakest first, Enter checking each answer and
// then going on, until the round is over. What is due when is the session's
// (tests/session/ReviewTest.cpp).
TEST_F(Memo, ReviewTakesTheDueBlocksWeakestFirstAndSaysWhenTheNextIsDue) {
    int64_t now = QDateTime(QDate(2026, 3, 2), QTime(20, 0), Qt::UTC).toSecsSinceEpoch();  // 3 March, 05:00 in Japan
    app.session->setWallClock([&now] { return now; }, 9 * 60 * 60);
    frmMemo->show();
    frmMemo->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frmMemo));  // for the window's keys
    frmMemo->btnDictationClick();
    qm::DictationPanel& d = *frmMemo->Dictation;
    auto answer = [&](const QString& text) {
        QTest::keyClicks(d.edtAnswer, text);
        QTest::keyClick(d.edtAnswer, Qt::Key_Return);
    };
    frmMain->SelectBlock(1);
    answer("one");
    QTest::keyClick(d.edtAnswer, Qt::Key_F3);
    answer("too");  // block 2 is the weaker
    EXPECT_EQ(d.btnReview->text(), "今日の復習");
    QTest::keyClick(d.edtAnswer, Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(app.session->reviewing());
    EXPECT_EQ(d.lblReview->text(), "今日復習するブロックはありません。次の復習は 2026年3月4日（明日） です。");

    now += 24 * 60 * 60;
    QTest::keyClick(d.edtAnswer, Qt::Key_F1);  // the panel counts again at each block
    EXPECT_EQ(d.btnReview->text(), "今日の復習 (2)");
    QTest::keyClick(d.edtAnswer, Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(app.session->reviewing());
    EXPECT_EQ(d.lblReview->text(), "今日の復習 1 / 2");
    EXPECT_EQ(d.btnReview->text(), "復習をやめる");
    EXPECT_EQ(s.curBlock, 2);
    answer("two");
    EXPECT_TRUE(d.lblScore->text().startsWith("得点 100 / 100")) << d.lblScore->text().toStdString();
    EXPECT_EQ(d.btnCheck->text(), "次へ");
    QTest::keyClick(d.edtAnswer, Qt::Key_Return);
    EXPECT_EQ(s.curBlock, 1);
    EXPECT_EQ(d.lblReview->text(), "今日の復習 2 / 2");
    EXPECT_TRUE(d.edtAnswer->text().isEmpty());
    answer("one");
    EXPECT_EQ(d.btnCheck->text(), "終わる");
    QTest::keyClick(d.edtAnswer, Qt::Key_Return);
    EXPECT_FALSE(app.session->reviewing());
    EXPECT_EQ(d.lblReview->text(), "今日の復習は終わりました。次の復習は 2026年3月5日（明日） です。");
    EXPECT_EQ(d.btnReview->text(), "今日の復習");
}

}  // namespace
