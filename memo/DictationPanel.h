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
class DictationPanel : public QWidget {
    Q_OBJECT
public:
    explicit DictationPanel(PracticeSession& session, QWidget* parent = nullptr);

    void check();          // Enter or btnCheck
    void keyUp(int key);   // F1 .. F5 in the answer field

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onBlockChanged();
    void showWeakest();

    PracticeSession& session_;
};

}  // namespace qm
