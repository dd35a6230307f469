#pragma once

#include "dictation/AnswerCheck.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace qm {

class PracticeSession;

// The dictation mode of the memo window: the current block's note (the
// reference) stays hidden while the learner types what is heard into the
// answer field; Enter or the check button compares the two and shows the
// missing, wrong and extra words in colour with the block's score, and the
// blocks that scored lowest. F1 to F5 steer playback as in the editor. The
// answers and scores are the session's (kept in their own file).
// The review button (Ctrl+R) drills only the blocks due today, weakest
// first: after each check, Enter goes on to the next; F1 and F3 step through
// the round. With nothing due it says when the next block comes due.
class DictationPanel : public QWidget {
    Q_OBJECT
public:
    explicit DictationPanel(PracticeSession& session, QWidget* parent = nullptr);

    void check();          // Enter or btnCheck; in a review, after a check: the next block
    void keyUp(int key);   // F1 .. F5 in the answer field
    void btnReviewClick(); // starts a review round, or ends the one under way

    // The comparison as text with colours: correct words plain, missing ones
    // red in brackets, wrong ones struck through in orange with the right word
    // after them, extra ones struck through in blue.
    static QString markedHtml(const dictation::CheckResult& result);

    QLabel* lblBlock;
    QLineEdit* edtAnswer;
    QPushButton* btnCheck;
    QTextBrowser* txtResult;
    QLabel* lblScore;
    QLabel* lblLegend;  // what the colours of the result mean
    QLabel* lblWeakest;
    QPushButton* btnReview;
    QLabel* lblReview;  // where the round is, or when the next block is due

    // The local date of a due time and how far it is from now (both UTC
    // seconds; utcOffset the learner's calendar), for the learner.
    static QString dueText(int64_t due, int64_t now, int64_t utcOffset);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onBlockChanged();
    void showWeakest();
    void showReview();

    void countDue();

    bool checkedInReview_ = false;  // the round's block was checked: Enter goes on
    int dueCount_ = 0;              // the blocks due, as last counted
    int64_t countedDay_ = 0;        // the learner's day they were counted on
    QString reviewNote_;            // what the last start or end of a round said

    PracticeSession& session_;
};

}  // namespace qm
