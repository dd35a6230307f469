#include "info/Unit4.h"

#include "core/ErrorPolicy.h"
#include "core/PathParts.h"
#include "dictation/ReviewSchedule.h"
#include "info/ProgressChart.h"
#include "session/PracticeSession.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"
#include "common/Utf8.h"
#include "ui/UndoActions.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <utility>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLabel>
#include <QPainter>
#include <QPromise>
#include <QStyledItemDelegate>
#include <QThreadPool>
#include <QVBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>

// The window's one instance, reachable from the program.
TfrmInfo* frmInfo = nullptr;

namespace {

using qm::settings::kMaxHistory;
using qm::settings::kMinHistory;
const QString kSettingsName = QStringLiteral("QM4.ini");

QString fileNameOf(const QString& path) { return qm::utf8ToQString(qm::fileNamePart(path.toStdString())); }

// The history size field: typed values come into range when it loses the
// focus, and a text that is no number counts as the smallest size.
class THistorySpin : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    void focusOutEvent(QFocusEvent* event) override {
        bool ok = false;
        const int typed = lineEdit()->text().trimmed().toInt(&ok);
        setValue(ok ? std::clamp(typed, minimum(), maximum()) : kMinHistory);
        QSpinBox::focusOutEvent(event);
    }
    QValidator::State validate(QString& input, int&) const override {
        if (input.isEmpty()) return QValidator::Intermediate;
        bool ok = false;
        const int v = input.toInt(&ok);
        if (!ok) return QValidator::Invalid;
        return v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
    }
};

// A history entry with its blocks due today at its right: orange while some
// are, grey when none is; nothing for a lesson never written down.
class TDueDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QVariant due = index.data(TfrmInfo::kDueRole);
        const int count = due.isValid() ? due.toInt() : -1;
        if (count < 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QString badge = TfrmInfo::tr("復習 %1").arg(count);
        const QFontMetrics fm(option.font);
        const int badgeWidth = fm.horizontalAdvance(badge) + 10;
        QStyleOptionViewItem name = option;
        name.rect.setRight(option.rect.right() - badgeWidth - 4);
        QStyledItemDelegate::paint(painter, name, index);
        if (option.state & QStyle::State_Selected) painter->fillRect(option.rect.adjusted(name.rect.width(), 0, 0, 0), option.palette.highlight());
        const QRect box(option.rect.right() - badgeWidth - 2, option.rect.top() + 1, badgeWidth, option.rect.height() - 2);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(count > 0 ? QColor(0xe0, 0x80, 0x20) : QColor(0xc8, 0xc8, 0xc8));
        painter->drawRoundedRect(box, 4, 4);
        painter->setPen(count > 0 ? Qt::white : QColor(0x40, 0x40, 0x40));
        painter->drawText(box, Qt::AlignCenter, badge);
        painter->restore();
    }
};

const char* const kAbout = QT_TRANSLATE_NOOP("TfrmInfo",
    "QM5 — 書き取り練習プレーヤー\n\n"
    "録音を再生しながら、区切りたいところで space キーを押してブロックに分けます。"
    "ブロックごとに再生・繰り返し・一時停止ができ、ブロックごとに一行のメモを残せます。\n"
    "区切りとメモはブロックファイル (.bsd) に保存され、後で開き直すと続きから練習できます。\n\n"
    "QM5 is a dictation-practice player: cut a recording into blocks while it plays, "
    "then drill block by block and keep a note line for each.");

}  // namespace

TfrmInfo::TfrmInfo(qm::PracticeSession& session, qm::Settings& settings, QWidget* parent)
    : QWidget(parent), session_(session), settings_(settings) {
    setObjectName(QStringLiteral("frmInfo"));
    qm::addUndoActions(this, session_);  // the lesson's undo and redo work from every window
    setWindowTitle(QStringLiteral("Info"));
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    f.setPixelSize(12);
    setFont(f);
    move(215, 205);
    resize(405, 348);
    setMinimumSize(405, 348);  // the settings tab's controls just fit

    PageControl1 = new QTabWidget(this);
    PageControl1->setGeometry(0, 0, 405, 348);

    auto* history = new QWidget;
    pnlFileName = new QLabel(history);
    pnlFileName->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlFileName->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pnlFileName->setGeometry(0, 0, 397, 25);
    lstHistory = new QListWidget(history);
    lstHistory->setGeometry(0, 25, 397, 292);
    lstHistory->setMouseTracking(true);
    lstHistory->viewport()->setMouseTracking(true);
    lstHistory->viewport()->installEventFilter(this);
    lstHistory->setItemDelegate(new TDueDelegate(lstHistory));
    dueWatcher_ = new QFutureWatcher<QList<int>>(this);

    auto* settingsTab = new QWidget;
    auto* extLabel = new QLabel(tr("拡張子"), settingsTab);
    extLabel->move(12, 12);
    auto* wmpLabel = new QLabel(tr("メディアプレーヤー"), settingsTab);
    wmpLabel->move(24, 36);
    edtWMP = new QLineEdit(QStringLiteral(".wma.mp3."), settingsTab);
    edtWMP->setGeometry(24, 54, 280, 21);
    auto* rpLabel = new QLabel(tr("ストリーミング (RealMedia など)"), settingsTab);
    rpLabel->move(24, 84);
    edtRP = new QLineEdit(QStringLiteral(".ram.rm."), settingsTab);
    edtRP->setGeometry(24, 102, 280, 21);
    auto* hint = new QLabel(tr("拡張子を羅列し、最後に.をつける"), settingsTab);
    hint->move(24, 130);
    auto* hisLabel = new QLabel(tr("ヒストリ数"), settingsTab);
    hisLabel->move(12, 170);
    spnHisNum = new THistorySpin(settingsTab);
    spnHisNum->setGeometry(90, 166, 60, 22);
    spnHisNum->setRange(kMinHistory, kMaxHistory);
    spnHisNum->setValue(kMinHistory);
    auto* langLabel = new QLabel(tr("表示言語（次回の起動から）"), settingsTab);
    langLabel->move(12, 206);
    cmbLanguage = new QComboBox(settingsTab);
    cmbLanguage->addItems({QStringLiteral("日本語"), QStringLiteral("English")});
    cmbLanguage->setGeometry(24, 226, 160, 22);
    cmbLanguage->setAccessibleName(tr("表示言語"));
    auto* pauseLabel = new QLabel(tr("無音とみなす長さ (ms)"), settingsTab);
    pauseLabel->move(210, 170);
    spnMinPause = new QSpinBox(settingsTab);
    spnMinPause->setGeometry(330, 166, 60, 22);
    spnMinPause->setRange(100, 5000);
    spnMinPause->setSingleStep(50);
    spnMinPause->setAccessibleName(tr("無音とみなす長さ"));
    chkSnap = new QCheckBox(tr("区切りを近くの無音の中央に合わせる"), settingsTab);
    chkSnap->setGeometry(24, 258, 360, 20);
    chkWaveform = new QCheckBox(tr("ブロックバーに音の大きさを表示する"), settingsTab);
    chkWaveform->setGeometry(24, 280, 360, 20);

    auto* about = new QWidget;
    aboutText = new QPlainTextEdit(tr(kAbout), about);
    aboutText->setReadOnly(true);
    aboutText->setGeometry(8, 8, 381, 301);

    auto* keys = new QWidget;
    keysText = new QPlainTextEdit(keyList(), keys);
    keysText->setReadOnly(true);
    // One column for the keys, as wide as the widest of them.
    keysText->setTabStopDistance(keysText->fontMetrics().horizontalAdvance(QStringLiteral("  Ctrl+M / Ctrl+B / Ctrl+I")) + 12);
    keysText->setGeometry(8, 8, 381, 301);

    auto* progress = new QWidget;
    lblProgress = new QLabel(progress);
    lblProgress->setWordWrap(true);
    chtProgress = new qm::ProgressChart(progress);
    auto* progressColumn = new QVBoxLayout(progress);
    progressColumn->setContentsMargins(8, 8, 8, 8);
    progressColumn->addWidget(lblProgress);
    progressColumn->addWidget(chtProgress, 1);

    PageControl1->addTab(history, QStringLiteral("History"));
    PageControl1->addTab(settingsTab, tr("設定"));
    PageControl1->addTab(keys, tr("キー"));
    PageControl1->addTab(about, tr("ＱＭ５について"));
    PageControl1->addTab(progress, tr("記録"));
    PageControl1->setCurrentIndex(0);

    FormCreate();
}

// Every key of the program, as the windows take them.
QString TfrmInfo::keyList() {
    const std::pair<const char*, const char*> keys[] = {
        {"space", QT_TR_NOOP("再生中はブロック区切りを挿入、止まっていれば再生")},
        {"x", QT_TR_NOOP("ブロック区切りを挿入")},
        {"n / b", QT_TR_NOOP("次 / 前のブロックへ")},
        {"e", QT_TR_NOOP("このブロックの先頭から")},
        {"d", QT_TR_NOOP("このブロックの右の区切りを削除")},
        {"z", QT_TR_NOOP("再生 / 一時停止")},
        {"a", QT_TR_NOOP("録音全体を無音で区切る")},
        {"+ / - / 0", QT_TR_NOOP("ブロックバーを拡大 / 縮小 / 全体表示（再生位置を中心に）")},
        {QT_TR_NOOP("ホイール"), QT_TR_NOOP("ブロックバーをマウスの位置で拡大・縮小、Shift+ホイールで移動")},
        {"Ctrl+Z", QT_TR_NOOP("ブロックとメモの変更を元に戻す（どのウィンドウでも）")},
        {"Ctrl+Shift+Z, Ctrl+Y", QT_TR_NOOP("やり直す")},
        {"Ctrl+O", QT_TR_NOOP("開く")},
        {"Ctrl+S", QT_TR_NOOP("ブロックファイルに上書き保存（まだなければ名前を付けて）")},
        {"Ctrl+Shift+S", QT_TR_NOOP("名前を付けて保存")},
        {"Ctrl+L", QT_TR_NOOP("ブロックファイル・字幕・台本を読み込む")},
        {"Ctrl+E", QT_TR_NOOP("Anki のパッケージに書き出す")},
        {"Ctrl+M / Ctrl+B / Ctrl+I", QT_TR_NOOP("メモ / インターネット / この画面")},
        {"F1", QT_TR_NOOP("このキーの一覧")},
        {"Tab, Return", QT_TR_NOOP("コントロールを順に移動し、ボタンを押す")},
        {"F1 F2 F3 F4 F5", QT_TR_NOOP("メモの編集中：前 / 同じ / 次のブロック、再生を続ける、カーソル行のブロック")},
        {"Ctrl+R", QT_TR_NOOP("書き取り中：今日復習するブロックを苦手なものから（もう一度押すとやめる）")},
    };
    QString text = tr("メインウィンドウ") + QLatin1Char('\n');
    for (const auto& [key, what] : keys) text += QStringLiteral("  %1\t%2\n").arg(tr(key), tr(what));
    return text;
}

void TfrmInfo::showKeys() {
    PageControl1->setCurrentIndex(2);
    show();
    raise();
    activateWindow();
}

// A bigger window gives the history, the keys and the about text more room.
void TfrmInfo::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PageControl1->setGeometry(rect());
    const QSize more = size() - QSize(405, 348);
    pnlFileName->resize(397 + more.width(), 25);
    lstHistory->resize(397 + more.width(), 292 + more.height());
    for (QWidget* text : {static_cast<QWidget*>(aboutText), static_cast<QWidget*>(keysText)})
        text->resize(381 + more.width(), 301 + more.height());
}

QString TfrmInfo::wmpExtensions() const { return edtWMP->text(); }
QString TfrmInfo::rpExtensions() const { return edtRP->text(); }

void TfrmInfo::AddHistory(const QString& path) { settings_.addHistory(path); }

QStringList TfrmInfo::historyPaths() const { return settings_.history(); }

void TfrmInfo::FormCreate() {
    spnHisNum->setValue(settings_.historySize());
    edtWMP->setText(settings_.wmpExtensions());
    edtRP->setText(settings_.rpExtensions());
    // Edits take effect at the next open or link, and the size at the end.
    connect(edtWMP, &QLineEdit::textChanged, this, [this](const QString& t) { settings_.setWmpExtensions(t); });
    connect(edtRP, &QLineEdit::textChanged, this, [this](const QString& t) { settings_.setRpExtensions(t); });
    connect(spnHisNum, &QSpinBox::valueChanged, this, [this](int v) { settings_.setHistorySize(v); });
    cmbLanguage->setCurrentIndex(settings_.language() == qm::Settings::Language::English ? 1 : 0);
    spnMinPause->setValue(settings_.minPauseMs());
    chkSnap->setChecked(settings_.snapMarks());
    chkWaveform->setChecked(settings_.showWaveform());
    connect(spnMinPause, &QSpinBox::valueChanged, this, [this](int v) { settings_.setMinPauseMs(v); });
    connect(chkSnap, &QCheckBox::toggled, this, [this](bool on) { settings_.setSnapMarks(on); });
    connect(chkWaveform, &QCheckBox::toggled, this, [this](bool on) { settings_.setShowWaveform(on); });
    connect(cmbLanguage, &QComboBox::currentIndexChanged, this, [this](int i) {
        settings_.setLanguage(i == 1 ? qm::Settings::Language::English : qm::Settings::Language::Japanese);
    });
    connect(&settings_, &qm::Settings::historyChanged, this, &TfrmInfo::showHistory);
    connect(dueWatcher_, &QFutureWatcherBase::finished, this, [this] {
        const QList<int> due = dueWatcher_->result();
        if (std::exchange(countAgain_, false) || due.size() != lstHistory->count()) {
            countDue();  // counted for a history or answers that are no more
            return;
        }
        for (int i = 0; i < due.size(); ++i) {
            QListWidgetItem* item = lstHistory->item(i);
            item->setData(kDueRole, due[i]);
            // The badge is painted: its words go to the tooltip and to screen readers.
            const QString words = due[i] >= 0 ? tr("今日復習するブロック: %1").arg(due[i]) : QString();
            item->setToolTip(words);
            item->setData(Qt::AccessibleDescriptionRole, words);
        }
    });
    // A check changes the open lesson's schedule; an open shows another lesson.
    connect(&session_, &qm::PracticeSession::dictationChanged, this, [this] {
        countDue();
        showProgress();
    });
    connect(&session_, &qm::PracticeSession::notesChanged, this, &TfrmInfo::showProgress);
    showHistory();
    showProgress();
}

void TfrmInfo::showHistory() {
    lstHistory->clear();
    for (const QString& path : settings_.history()) lstHistory->addItem(fileNameOf(path));
    countDue();
}

int TfrmInfo::dueOf(int row) const {
    const QListWidgetItem* item = lstHistory->item(row);
    const QVariant due = item != nullptr ? item->data(kDueRole) : QVariant();
    return due.isValid() ? due.toInt() : -1;
}

// Each entry's answers file is read off the event loop: a hundred lessons,
// each with up to a block file's worth of answers, must not hold the window.
void TfrmInfo::countDue() {
    if (dueWatcher_->isRunning()) {
        countAgain_ = true;
        return;
    }
    auto promise = std::make_shared<QPromise<QList<int>>>();
    dueWatcher_->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, paths = settings_.history(), now = session_.wallClockNow(),
                                          offset = session_.utcOffset()] {
        promise->start();
        QList<int> due;
        for (const QString& path : paths) due << qm::DictationRecord::dueBlocksOf(path, now, offset).value_or(-1);
        promise->addResult(due);
        promise->finish();
    });
}

void TfrmInfo::showProgress() {
    const qm::Lesson& lesson = session_.lesson();
    int blocks = 0;
    for (int32_t n = 1; n <= session_.state().blocks().count(); ++n) blocks += lesson.noteOf(n).empty() ? 0 : 1;
    auto days = qm::dictation::progressByDay(session_.dictationLog(), session_.utcOffset());
    if (session_.state().mediaFile.empty()) {
        lblProgress->setText(tr("レッスンを開くと、その書き取りの記録が表示されます。"));
    } else if (days.empty()) {
        lblProgress->setText(tr("このレッスンの書き取りの記録はまだありません。"));
    } else {
        const auto& last = days.back();
        lblProgress->setText(tr("習得 %1 / %2 ブロック、今日の復習 %3 ブロック、最後の日の平均点 %4")
                                 .arg(last.blocksMastered)
                                 .arg(blocks)
                                 .arg(session_.dueNow())
                                 .arg(qRound(last.meanScore)));
    }
    chtProgress->setProgress(std::move(days), blocks, session_.utcOffset());
    chtProgress->setAccessibleDescription(lblProgress->text());
}

void TfrmInfo::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    countDue();  // a new day may have brought lessons due
    showProgress();
}

void TfrmInfo::lstHistoryMouseUp(Qt::MouseButton, const QPoint& pos) {
    QListWidgetItem* item = lstHistory->itemAt(pos);
    if (item == nullptr) return;
    const int i = lstHistory->row(item);
    const QStringList history = settings_.history();
    if (i < 0 || i >= history.size()) return;
    const QString path = history[i];
    try {
        session_.OpenFile(path);
    } catch (...) {
        hide();
        throw;
    }
    hide();
}

void TfrmInfo::lstHistoryMouseMove(const QPoint& pos) {
    QListWidgetItem* item = lstHistory->itemAt(pos);
    const int i = item != nullptr ? lstHistory->row(item) : -1;
    const QStringList& history = settings_.history();
    pnlFileName->setText(i >= 0 && i < history.size() ? history[i] : QString());
}

bool TfrmInfo::eventFilter(QObject* watched, QEvent* event) {
    if (watched != lstHistory->viewport()) return false;
    try {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(event);
            lstHistoryMouseUp(me->button(), me->position().toPoint());
        } else if (event->type() == QEvent::MouseMove) {
            lstHistoryMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        }
    } catch (...) {
        qm::reportError(qm::currentErrorMessage());
    }
    return false;
}

void TfrmInfo::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}
