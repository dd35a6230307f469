#include "memo/DictationPanel.h"

#include "dictation/DictationLog.h"
#include "dictation/ReviewSchedule.h"
#include "core/ErrorPolicy.h"
#include "session/PracticeSession.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QShortcut>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace qm {

namespace {
// The class's texts under its full name. Called as qm::Texts::tr, so that
// lupdate finds that name even where it cannot read the class's header.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(qm::DictationPanel)
};
}  // namespace

namespace {

constexpr std::size_t kWeakestShown = 5;

QString esc(const std::string& s) { return QString::fromStdString(s).toHtmlEscaped(); }

// Text written without spaces (kana, kanji and the like) is compared character
// by character; its marks are shown without blanks between them, as it is written.
bool writtenWithoutSpaces(const std::string& token) {
    const QString t = QString::fromStdString(token);
    return !t.isEmpty() && t.at(0).unicode() >= 0x2E80;
}

const std::string& shown(const dictation::MarkedToken& t) {
    return t.mark == dictation::Mark::Extra ? t.answer : t.reference.empty() ? t.answer : t.reference;
}

}  // namespace

DictationPanel::DictationPanel(PracticeSession& session, QWidget* parent) : QWidget(parent), session_(session) {
    lblBlock = new QLabel(this);
    edtAnswer = new QLineEdit(this);
    edtAnswer->setPlaceholderText(qm::Texts::tr("聞こえたとおりに入力して Enter"));
    edtAnswer->setAccessibleName(qm::Texts::tr("答え"));
    btnCheck = new QPushButton(qm::Texts::tr("採点"), this);
    txtResult = new QTextBrowser(this);
    txtResult->setAccessibleName(qm::Texts::tr("採点の結果"));
    lblScore = new QLabel(this);
    // What the colours of the result mean.
    lblLegend = new QLabel(this);
    lblLegend->setTextFormat(Qt::RichText);
    lblLegend->setText(qm::Texts::tr("凡例：") + QStringLiteral(" ") + qm::Texts::tr("正しい") +
                       QStringLiteral("&emsp;<span style=\"color:#c00000\">[") + qm::Texts::tr("抜け") + QStringLiteral("]</span>") +
                       QStringLiteral("&emsp;<span style=\"color:#c06000\"><s>") + qm::Texts::tr("誤り") + QStringLiteral("</s> ") +
                       qm::Texts::tr("正") + QStringLiteral("</span>") + QStringLiteral("&emsp;<span style=\"color:#0050c0\"><s>") +
                       qm::Texts::tr("余分") + QStringLiteral("</s></span>"));
    lblWeakest = new QLabel(this);
    lblWeakest->setWordWrap(true);
    btnReview = new QPushButton(this);
    btnReview->setToolTip(qm::Texts::tr("今日復習するブロックだけを、苦手なものから書き取ります (Ctrl+R)"));
    lblReview = new QLabel(this);
    lblReview->setWordWrap(true);

    auto* top = new QHBoxLayout;
    top->addWidget(lblBlock, 1);
    top->addWidget(btnReview);
    auto* row = new QHBoxLayout;
    row->addWidget(edtAnswer, 1);
    row->addWidget(btnCheck);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addLayout(top);
    column->addWidget(lblReview);
    column->addLayout(row);
    column->addWidget(txtResult, 1);
    column->addWidget(lblLegend);
    column->addWidget(lblScore);
    column->addWidget(lblWeakest);

    connect(btnCheck, &QPushButton::clicked, this, guarded([this] { check(); }));
    connect(btnReview, &QPushButton::clicked, this, guarded([this] { btnReviewClick(); }));
    auto* reviewKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    reviewKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(reviewKey, &QShortcut::activated, this, guarded([this] { btnReviewClick(); }));
    connect(edtAnswer, &QLineEdit::returnPressed, this, guarded([this] { check(); }));
    edtAnswer->installEventFilter(this);
    connect(&session_, &PracticeSession::currentBlockChanged, this, [this] { onBlockChanged(); });
    connect(&session_, &PracticeSession::dictationChanged, this, [this] {
        showWeakest();
        countDue();
    });
    connect(&session_, &PracticeSession::reviewChanged, this, [this] { onBlockChanged(); });
    connect(&session_, &PracticeSession::notesChanged, this, [this] { countDue(); });
    countDue();
    onBlockChanged();
    showWeakest();
}

// The schedule of every block answered is worked out again only when the
// answers, the notes or the day change: a block change comes from the block
// timer while the lesson plays.
void DictationPanel::countDue() {
    dueCount_ = session_.dueNow();
    countedDay_ = (session_.wallClockNow() + session_.utcOffset()) / dictation::kSecondsPerDay;
    showReview();
}

void DictationPanel::btnReviewClick() {
    if (session_.reviewing()) {
        session_.leaveReview();
        reviewNote_.clear();
    } else if (session_.startReview()) {
        reviewNote_.clear();
    } else {
        const auto next = session_.nextReviewDue();
        reviewNote_ = next ? qm::Texts::tr("今日復習するブロックはありません。次の復習は %1 です。")
                                 .arg(dueText(*next, session_.wallClockNow(), session_.utcOffset()))
                           : qm::Texts::tr("今日復習するブロックはありません。書き取りを採点すると、復習の予定ができます。");
    }
    showReview();
    if (session_.reviewing()) edtAnswer->setFocus();
}

QString DictationPanel::dueText(int64_t due, int64_t now, int64_t utcOffset) {
    const QDate day = QDateTime::fromSecsSinceEpoch(due + utcOffset, Qt::UTC).date();
    const qint64 days = QDateTime::fromSecsSinceEpoch(now + utcOffset, Qt::UTC).date().daysTo(day);
    // The format is the language's: the months are named in English.
    const QString date = day.toString(qm::Texts::tr("yyyy年M月d日"));
    if (days <= 0) return qm::Texts::tr("%1（今日）").arg(date);
    if (days == 1) return qm::Texts::tr("%1（明日）").arg(date);
    return qm::Texts::tr("%1（%2 日後）").arg(date).arg(days);
}

void DictationPanel::showReview() {
    if (session_.reviewing()) {
        btnReview->setText(qm::Texts::tr("復習をやめる"));
        lblReview->setText(qm::Texts::tr("今日の復習 %1 / %2").arg(session_.reviewPosition()).arg(session_.reviewCount()));
        return;
    }
    btnReview->setText(dueCount_ > 0 ? qm::Texts::tr("今日の復習 (%1)").arg(dueCount_) : qm::Texts::tr("今日の復習"));
    lblReview->setText(reviewNote_);
}
void DictationPanel::onBlockChanged() {
    const int32_t block = session_.state().curBlock;
    // The reference stays hidden: only which block it is shows.
    lblBlock->setText(block > 0 ? qm::Texts::tr("ブロック %1 を書き取ってください（文は隠れています）").arg(block)
                                : qm::Texts::tr("ブロックを再生してから書き取ってください"));
    edtAnswer->clear();
    txtResult->clear();
    lblScore->clear();
    checkedInReview_ = false;
    btnCheck->setText(qm::Texts::tr("採点"));
    // A new day may have brought blocks due.
    if ((session_.wallClockNow() + session_.utcOffset()) / dictation::kSecondsPerDay != countedDay_)
        countDue();
    else
        showReview();
}

void DictationPanel::check() {
    if (checkedInReview_ && session_.reviewing()) {
        const bool last = session_.reviewPosition() == session_.reviewCount();
        session_.nextReviewBlock();
        if (last) {
            const auto next = session_.nextReviewDue();
            reviewNote_ = next ? qm::Texts::tr("今日の復習は終わりました。次の復習は %1 です。")
                                     .arg(dueText(*next, session_.wallClockNow(), session_.utcOffset()))
                               : qm::Texts::tr("今日の復習は終わりました。");
            showReview();
        }
        return;
    }
    const auto result = session_.checkDictation(edtAnswer->text());
    if (!result) return;
    if (session_.reviewing()) {
        checkedInReview_ = true;
        btnCheck->setText(session_.reviewPosition() < session_.reviewCount() ? qm::Texts::tr("次へ")
                                                                              : qm::Texts::tr("終わる"));
    }
    txtResult->setHtml(markedHtml(*result));
    lblScore->setText(qm::Texts::tr("得点 %1 / 100（正 %2・誤 %3・抜け %4・余分 %5）")
                          .arg(result->score)
                          .arg(result->correct)
                          .arg(result->wrong)
                          .arg(result->missing)
                          .arg(result->extra));
}

QString DictationPanel::markedHtml(const dictation::CheckResult& result) {
    QString html;
    const dictation::MarkedToken* previous = nullptr;
    for (const auto& t : result.tokens) {
        if (previous != nullptr && !(writtenWithoutSpaces(shown(*previous)) && writtenWithoutSpaces(shown(t))))
            html += QLatin1Char(' ');
        previous = &t;
        QStringList parts;
        switch (t.mark) {
            case dictation::Mark::Correct:
                parts << esc(t.answer);
                break;
            case dictation::Mark::Missing:
                parts << QStringLiteral("<span style=\"color:#c00000\">[%1]</span>").arg(esc(t.reference));
                break;
            case dictation::Mark::Wrong:
                parts << QStringLiteral("<span style=\"color:#c06000\"><s>%1</s> %2</span>")
                             .arg(esc(t.answer), esc(t.reference));
                break;
            case dictation::Mark::Extra:
                parts << QStringLiteral("<span style=\"color:#0050c0\"><s>%1</s></span>").arg(esc(t.answer));
                break;
        }
        html += parts.join(QString());
    }
    return html;
}

void DictationPanel::showWeakest() {
    const auto weakest = dictation::weakestBlocks(session_.dictationLog(), kWeakestShown);
    if (weakest.empty()) {
        lblWeakest->setText(QString());
        return;
    }
    QStringList items;
    for (const auto& a : weakest) items << qm::Texts::tr("%1 (%2点)").arg(a.block + 1).arg(a.latestScore);
    lblWeakest->setText(qm::Texts::tr("もう一度練習するブロック: ") + items.join(qm::Texts::tr("、")));
}

void DictationPanel::keyUp(int key) {
    switch (key) {
        case Qt::Key_F1:
            if (session_.reviewing())
                session_.previousReviewBlock();
            else
                session_.previousBlock();
            break;
        case Qt::Key_F2:
        case Qt::Key_F5:  // the line of a dictation is its block
            session_.blockAgain();
            break;
        case Qt::Key_F3:
            if (session_.reviewing())
                session_.nextReviewBlock();
            else
                session_.nextBlock();
            break;
        case Qt::Key_F4:
            session_.play();
            break;
        default:
            break;
    }
}

bool DictationPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtAnswer && event->type() == QEvent::KeyRelease) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (!ke->isAutoRepeat()) runGuarded([&] { keyUp(ke->key()); });
    }
    return false;
}

}  // namespace qm
