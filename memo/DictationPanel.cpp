#include "memo/DictationPanel.h"

#include "dictation/DictationLog.h"
#include "core/ErrorPolicy.h"
#include "session/PracticeSession.h"

#include <QCoreApplication>
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
                       QStringLiteral("　<span style=\"color:#c00000\">[") + qm::Texts::tr("抜け") + QStringLiteral("]</span>") +
                       QStringLiteral("　<span style=\"color:#c06000\"><s>") + qm::Texts::tr("誤り") + QStringLiteral("</s> ") +
                       qm::Texts::tr("正") + QStringLiteral("</span>") + QStringLiteral("　<span style=\"color:#0050c0\"><s>") +
                       qm::Texts::tr("余分") + QStringLiteral("</s></span>"));
    lblWeakest = new QLabel(this);
    lblWeakest->setWordWrap(true);

    auto* row = new QHBoxLayout;
    row->addWidget(edtAnswer, 1);
    row->addWidget(btnCheck);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(lblBlock);
    column->addLayout(row);
    column->addWidget(txtResult, 1);
    column->addWidget(lblLegend);
    column->addWidget(lblScore);
    column->addWidget(lblWeakest);

    connect(btnCheck, &QPushButton::clicked, this, guarded([this] { check(); }));
    connect(edtAnswer, &QLineEdit::returnPressed, this, guarded([this] { check(); }));
    edtAnswer->installEventFilter(this);
    connect(&session_, &PracticeSession::currentBlockChanged, this, [this] { onBlockChanged(); });
    connect(&session_, &PracticeSession::dictationChanged, this, [this] { showWeakest(); });
    onBlockChanged();
    showWeakest();
}

void DictationPanel::onBlockChanged() {
    const int32_t block = session_.state().curBlock;
    // The reference stays hidden: only which block it is shows.
    lblBlock->setText(block > 0 ? qm::Texts::tr("ブロック %1 を書き取ってください（文は隠れています）").arg(block)
                                : qm::Texts::tr("ブロックを再生してから書き取ってください"));
    edtAnswer->clear();
    txtResult->clear();
    lblScore->clear();
}

void DictationPanel::check() {
    const auto result = session_.checkDictation(edtAnswer->text());
    if (!result) return;
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
            session_.previousBlock();
            break;
        case Qt::Key_F2:
        case Qt::Key_F5:  // the line of a dictation is its block
            session_.blockAgain();
            break;
        case Qt::Key_F3:
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
