#include "Unit1.h"

#include "Application.h"
#include "BlockFile.h"
#include "BlockList.h"
#include "Dialogs.h"
#include "PathParts.h"
#include "Recovery.h"
#include "TRealAudio.h"
#include "Utf8.h"
#include "TWindowsMediaPlayer.h"
#include "TextCodec.h"
#include "WholeFile.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

constexpr int kMaxOuterHeight = 350;
const QString kFinishMemoEdit = QStringLiteral("Memoの編集を終了してください");

QString fromUtf8(const std::string& s) { return qm::utf8ToQString(s); }

QFont japaneseFont() {
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    f.setPixelSize(12);
    return f;
}

// An opening folder with a curved arrow, 24 x 24.
QPixmap openPicture() {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x80, 0x60, 0x00), 1));
    p.setBrush(QColor(0xF0, 0xC8, 0x40));
    p.drawRect(2, 9, 15, 11);
    p.drawRect(2, 7, 6, 2);
    p.setBrush(QColor(0xFF, 0xE0, 0x70));
    QPolygon flap({QPoint(4, 20), QPoint(7, 12), QPoint(21, 12), QPoint(17, 20)});
    p.drawPolygon(flap);
    QPainterPath arrow;
    arrow.moveTo(11, 8);
    arrow.quadTo(14, 1, 20, 4);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x00, 0x60, 0x00), 2));
    p.drawPath(arrow);
    p.setBrush(QColor(0x00, 0x60, 0x00));
    p.drawPolygon(QPolygon({QPoint(18, 1), QPoint(23, 5), QPoint(17, 7)}));
    return pm;
}

// A web browser symbol, a globe with meridians, 26 x 23.
QPixmap browserPicture() {
    QPixmap pm(26, 23);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x10, 0x40, 0x90), 1.2));
    p.setBrush(QColor(0x90, 0xC8, 0xF0));
    const QRectF globe(3.5, 1.5, 19, 19);
    p.drawEllipse(globe);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(8.5, 1.5, 9, 19));
    p.drawLine(QPointF(13, 1.5), QPointF(13, 20.5));
    p.drawLine(QPointF(3.5, 11), QPointF(22.5, 11));
    p.drawLine(QPointF(5.5, 6), QPointF(20.5, 6));
    p.drawLine(QPointF(5.5, 16), QPointF(20.5, 16));
    return pm;
}

// Waits for events at most maxWaitMs and handles them, without spinning a core.
void waitForEvents(int maxWaitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QEventLoop loop;
    QTimer::singleShot(maxWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
}

// A block file holds a media path, a thousand numbers and the notes: a few
// hundred kilobytes at most. Anything much bigger is no block file.
constexpr std::size_t kMaxBlockFileBytes = 16 * 1024 * 1024;
// Enough of the file's start to hold its header line.
constexpr std::size_t kHeaderProbeBytes = 4096;

// The bytes of a block file, or nothing when its first line is not the
// header; that is read first, so a big file of another kind is never read
// whole. Throws, with path and reason, when the file cannot be read or is too big.
std::optional<std::string> readBlockFile(const QString& path) {
    const std::string p = path.toStdString();
    const auto head = qm::files::readFileHead(p, kHeaderProbeBytes);
    if (head.error) throw std::runtime_error(qm::files::cannotOpenMessage(*head.error));
    if (qm::blockfile::line(head.bytes, 0) != qm::blockfile::kHeader) return std::nullopt;
    auto whole = qm::files::readWholeFile(p, kMaxBlockFileBytes);
    if (whole.error) throw std::runtime_error(qm::files::cannotOpenMessage(*whole.error));
    return std::move(whole.bytes);
}

// The command character of a key of the main window, or a null QChar. Keys
// are matched by the key pressed, not by the character it types: with a
// non-Latin layout the key at the place of the Latin one counts (by its
// evdev key code, as X11 and Wayland report it), and an input method's
// full-width character does not matter. Keys with Shift, Ctrl, Alt or Meta
// are no commands.
QChar commandKey(const QKeyEvent* e) {
    if ((e->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return {};
    switch (e->key()) {
        case Qt::Key_Space: return u' ';
        case Qt::Key_X: return u'x';
        case Qt::Key_N: return u'n';
        case Qt::Key_B: return u'b';
        case Qt::Key_E: return u'e';
        case Qt::Key_D: return u'd';
        case Qt::Key_Z: return u'z';
        default: break;
    }
    // A Latin key of another letter is that letter (Dvorak, AZERTY, ...); only
    // a key of another script falls back to the place of the key.
    const int k = e->key();
    const bool otherScript = k > 0xFF && k < Qt::Key_Escape;
    if (!otherScript) return {};
    switch (e->nativeScanCode()) {
        case 65: return u' ';
        case 53: return u'x';
        case 57: return u'n';
        case 56: return u'b';
        case 26: return u'e';
        case 40: return u'd';
        case 52: return u'z';
        default: return {};
    }
}

template <typename T>
T* placed(T* w, int x, int y, int width, int height) {
    w->setGeometry(x, y, width, height);
    return w;
}

QToolButton* speedButton(QWidget* parent, const QString& caption, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setText(caption);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(false);
    if (!hint.isEmpty()) b->setToolTip(hint);
    return b;
}

QPushButton* pushButton(QWidget* parent, const QString& caption, const QString& hint = {}) {
    auto* b = new QPushButton(parent);
    b->setText(caption);
    if (!hint.isEmpty()) b->setToolTip(hint);
    return b;
}

QGroupBox* radioGroup(QWidget* parent, QButtonGroup*& items, const QStringList& captions) {
    auto* box = new QGroupBox(parent);
    items = new QButtonGroup(box);
    int y = 14;
    for (int i = 0; i < captions.size(); ++i) {
        auto* r = new QRadioButton(captions[i], box);
        r->setGeometry(6, y, 88, 16);
        items->addButton(r, i);
        y += 20;
    }
    items->button(0)->setChecked(true);
    return box;
}

// Clears a flag on every way out of a scope, errors included.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
};

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("QM5"));
    setFont(japaneseFont());
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);  // the window itself takes the focus from ReleaseFocus
    move(219, 121);
    resize(404, 316);

    Panel1 = placed(new QFrame(this), 0, 0, 404, 316);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);

    Image1 = placed(new qm::TBarImage(Panel1), 1, 1, 402, 23);
    Image1->setToolTip(QStringLiteral("再生位置の指定"));
    Panel2 = placed(new QLabel(QStringLiteral("↑Position/Block↓"), Panel1), 1, 24, 402, 16);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Image2 = placed(new qm::TBarImage(Panel1), 1, 40, 402, 22);
    Image2->setToolTip(QStringLiteral("再生ブロックの指定"));

    GroupBox1 = placed(new QGroupBox(QStringLiteral("Block"), Panel1), 3, 62, 398, 107);
    RadioGroup1 = placed(radioGroup(GroupBox1, RadioGroup1Items, {QStringLiteral("Next"), QStringLiteral("Repeat")}),
                         6, 13, 73, 73);
    RadioGroup2 = placed(radioGroup(GroupBox1, RadioGroup2Items,
                                    {QStringLiteral("None"), QStringLiteral("Pause"), QStringLiteral("Auto Pause")}),
                         85, 13, 97, 81);

    GroupBox2 = placed(new QGroupBox(QStringLiteral("Block"), GroupBox1), 190, 10, 137, 89);
    lblBlock = placed(new QLabel(QStringLiteral("0/0"), GroupBox2), 40, 12, 65, 17);
    lblBlock->setAlignment(Qt::AlignCenter);
    const QString markHint = QStringLiteral("ブロック区切りの挿入[space/x]");
    const QString delHint = QStringLiteral("ブロック区切りの削除[d]");
    btnMark = placed(speedButton(GroupBox2, QStringLiteral("Mark"), markHint), 9, 32, 32, 20);
    btnLDel = placed(speedButton(GroupBox2, QStringLiteral("L"), delHint), 69, 32, 20, 20);
    del = new QLabel(QStringLiteral("del"), GroupBox2);
    QFont underlined = del->font();
    underlined.setUnderline(true);
    del->setFont(underlined);
    // As wide as its text: the design's 15 pixels cut the "l" off in this font.
    del->move(90, 36);
    del->adjustSize();
    btnRDel = placed(speedButton(GroupBox2, QStringLiteral("R"), delHint), 109, 32, 20, 20);
    btnBack = placed(pushButton(GroupBox2, QStringLiteral("<"), QStringLiteral("前のブロックへ[b]")), 6, 58, 19, 20);
    btnRep = placed(pushButton(GroupBox2, QStringLiteral("="), QStringLiteral("このブロックの先頭[e]")), 30, 58, 19, 20);
    btnNext = placed(pushButton(GroupBox2, QStringLiteral(">"), QStringLiteral("次のブロックへ[n]")), 54, 58, 19, 20);
    btnClear = placed(speedButton(GroupBox2, QStringLiteral("Clear"), QStringLiteral("ブロッククリア")), 89, 58, 32, 20);

    GroupBox3 = placed(new QGroupBox(QStringLiteral("bsd"), GroupBox1), 334, 10, 49, 89);
    btnMemo = placed(pushButton(GroupBox3, QStringLiteral("Memo")), 6, 14, 35, 20);
    btnSave = placed(pushButton(GroupBox3, QStringLiteral("Save")), 6, 36, 35, 21);
    btnLoad = placed(pushButton(GroupBox3, QStringLiteral("Load")), 6, 62, 35, 21);

    FileName = new QLabel(Panel1);
    FileName->move(7, 173);
    FileName->adjustSize();
    btnOpen = placed(speedButton(Panel1, QString(), QString()), 7, 193, 24, 24);
    btnOpen->setIcon(openPicture());
    btnOpen->setIconSize(QSize(24, 24));
    btnIE = placed(speedButton(Panel1, QString(), QString()), 39, 193, 24, 24);
    btnIE->setIcon(browserPicture());
    btnIE->setIconSize(QSize(26, 23));
    btnInfo = placed(pushButton(Panel1, QStringLiteral("Info")), 75, 194, 50, 23);
    lblPos = placed(new QLabel(QStringLiteral("0/0"), Panel1), 328, 196, 65, 12);
    lblPos->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    cmbRate = placed(new QComboBox(Panel1), 165, 223, 49, 20);
    cmbRate->addItems({"2.0", "1.8", "1.6", "1.4", "1.3", "1.2", "1.1", "1.0", "0.9", "0.8", "0.7", "0.6", "0.5"});
    cmbRate->setMaxVisibleItems(13);
    Label1 = new QLabel(QStringLiteral("再生速度（XP+File+WMP時）"), Panel1);
    Label1->move(8, 229);
    Label1->adjustSize();

    WindowsMediaPlayer1 = placed(new TWindowsMediaPlayer(Panel1), 1, 250, 402, 65);
    RealAudio1 = placed(new TRealAudio(Panel1), 1, 224, 402, 91);
    RealAudio1->hide();

    Timer1 = new QTimer(this);
    Timer1->setInterval(50);
    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);
    Timer2->setSingleShot(true);
    // A coarse timer may fire 5% late: 200 ms on a four-second block.
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer2->setTimerType(Qt::PreciseTimer);

    OpenDialog1.initialDir = QStringLiteral(".");

    setTabOrder(RadioGroup1Items->button(0), RadioGroup1Items->button(1));
    setTabOrder(RadioGroup1Items->button(1), RadioGroup2Items->button(0));
    setTabOrder(RadioGroup2Items->button(0), RadioGroup2Items->button(1));
    setTabOrder(RadioGroup2Items->button(1), RadioGroup2Items->button(2));
    setTabOrder(RadioGroup2Items->button(2), btnNext);
    setTabOrder(btnNext, btnRep);
    setTabOrder(btnRep, btnBack);
    setTabOrder(btnBack, btnMemo);
    setTabOrder(btnMemo, btnSave);
    setTabOrder(btnSave, btnLoad);
    setTabOrder(btnLoad, cmbRate);
    setTabOrder(cmbRate, btnInfo);

    engine_ = std::make_unique<qm::MediaEngine>(state_, *WindowsMediaPlayer1, *RealAudio1, waitForEvents);
    bars_ = std::make_unique<qm::PositionBars>(state_, Image1, Image2, lblPos);
    repeater_ = std::make_unique<qm::RepeatController>(state_, static_cast<qm::RepeatHost&>(*this));

    using qm::guarded;
    connect(btnMark, &QToolButton::clicked, this, guarded([this] { btnMarkClick(); }));
    connect(btnLDel, &QToolButton::clicked, this, guarded([this] { btnLDelClick(); }));
    connect(btnRDel, &QToolButton::clicked, this, guarded([this] { btnRDelClick(); }));
    connect(btnClear, &QToolButton::clicked, this, guarded([this] { btnClearClick(); }));
    connect(btnBack, &QPushButton::clicked, this, guarded([this] { btnBackClick(); }));
    connect(btnRep, &QPushButton::clicked, this, guarded([this] { btnRepClick(); }));
    connect(btnNext, &QPushButton::clicked, this, guarded([this] { btnNextClick(); }));
    connect(btnMemo, &QPushButton::clicked, this, guarded([this] { btnMemoClick(); }));
    connect(btnSave, &QPushButton::clicked, this, guarded([this] { btnSaveClick(); }));
    connect(btnLoad, &QPushButton::clicked, this, guarded([this] { btnLoadClick(); }));
    connect(btnOpen, &QToolButton::clicked, this, guarded([this] { btnOpenClick(); }));
    connect(btnIE, &QToolButton::clicked, this, guarded([this] { btnIEClick(); }));
    connect(btnInfo, &QPushButton::clicked, this, guarded([this] { btnInfoClick(); }));
    connect(cmbRate, &QComboBox::activated, this, guarded([this] { cmbRateChange(); }));
    connect(Image1, &qm::TBarImage::mouseDown, this,
            [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int) {
                guarded([this, b, x] { Image1MouseDown(b, x, 0); })();
            });
    connect(Image2, &qm::TBarImage::mouseDown, this,
            [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int) {
                guarded([this, b, x] { Image2MouseDown(b, x, 0); })();
            });
    connect(Timer1, &QTimer::timeout, this, guarded([this] { Timer1Timer(); }));
    connect(Timer2, &QTimer::timeout, this, guarded([this] { Timer2Timer(); }));
    connect(WindowsMediaPlayer1, &TWindowsMediaPlayer::StatusChange, this,
            guarded([this] { WindowsMediaPlayer1StatusChange(); }));
    connect(WindowsMediaPlayer1, &TWindowsMediaPlayer::PlayStateChange, this,
            [this](int s) { guarded([this, s] { WindowsMediaPlayer1PlayStateChange(s); })(); });
    connect(RealAudio1, &TRealAudio::PlayStateChange, this,
            [this](int s) { guarded([this, s] { RealAudio1PlayStateChange(s); })(); });
    // Leaving Auto Pause ends a running wait.
    connect(RadioGroup2Items, &QButtonGroup::idClicked, this, guarded([this] { RepeatingClick(); }));

    // The ten block buttons give the focus back on mouse-up.
    focusReleasers_ = {btnMark, btnLDel, btnRDel, btnClear, btnNext, btnRep, btnBack, btnMemo, btnSave, btnLoad};
    // Key preview: every key typed in this window is seen here first.
    qApp->installEventFilter(this);

    FormCreate();
}

TfrmMain::~TfrmMain() {
    qApp->removeEventFilter(this);
    if (frmMain == this) frmMain = nullptr;
}

qm::Dialogs& TfrmMain::dialogs() { return qm::qmApp()->dialogs(); }

// ---------------------------------------------------------------- window events

void TfrmMain::FormCreate() {
    bars_->ClearPosBar();
    bars_->ClearBlockBar();
    cmbRate->setCurrentIndex(7);  // "1.0"; set from here, so no rate is written
    EnableBlockControls(false);
    setAcceptDrops(true);
}

void TfrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Open after the window is on screen, so the open's wait does not hold up the first paint.
    QTimer::singleShot(0, this, qm::guarded([this] { FormShow(); }));
}

void TfrmMain::FormShow() {
    if (!arguments_.isEmpty() && !arguments_.first().isEmpty()) OpenFile(arguments_.first());
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TfrmMain::FormResize() {
    const int frameExtra = frameGeometry().height() - height();
    if (frameGeometry().height() > kMaxOuterHeight) {
        resize(width(), kMaxOuterHeight - frameExtra);  // comes back here with the capped size
        return;
    }
    layoutStrips();
    bars_->RedrawBars();
}

void TfrmMain::layoutStrips() {
    Panel1->setGeometry(rect());
    const int inner = Panel1->width() - 2;
    Image1->setGeometry(1, 1, inner, 23);
    Panel2->setGeometry(1, 24, inner, 16);
    Image2->setGeometry(1, 40, inner, 22);
    RealAudio1->setGeometry(1, Panel1->height() - 1 - 91, inner, 91);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (waitingForLength_) {
        // An open waits for its media's length: close once it has finished.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    bool release = false;
    try {
        release = CanReleaseMedia();
    } catch (const std::exception& e) {
        qm::qmApp()->showError(e);
    }
    if (!release) {
        event->ignore();
        return;
    }
    Timer1->stop();
    try {
        engine_->MediaShutdown();
    } catch (const std::exception& e) {
        qm::qmApp()->showError(e);
    }
    event->accept();
    // quit() would ask every window to close first, and the memo, info and
    // browser windows only hide: the program would go on without a window.
    QCoreApplication::exit(0);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        // notFocus, for the ten block buttons only.
        if (std::find(focusReleasers_.begin(), focusReleasers_.end(), watched) != focusReleasers_.end()) {
            QTimer::singleShot(0, this, qm::guarded([this] { ReleaseFocus(); }));
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w->window() != this) return false;
    // The first receiver of a key is the focus widget, or the window without one;
    // its parents see the same key again if it is not taken, and are skipped.
    QWidget* first = QApplication::focusWidget();
    if (first == nullptr || first->window() != this) first = this;
    if (w != first) return false;
    const QChar key = commandKey(static_cast<QKeyEvent*>(event));
    if (key.isNull()) return false;  // not a key of this window: it goes on to the control
    try {
        FormKeyPress(key);
    } catch (const std::exception& e) {
        qm::qmApp()->showError(e);
    }
    // Taken: a space must not also open the rate list or press the focused button.
    return true;
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        event->acceptProposedAction();
        // Opened once the drop has finished, so the drag source is not held up.
        QTimer::singleShot(0, this, qm::guarded([this, path] { OpenDroppedFile(path); }));
        return;
    }
}

void TfrmMain::OpenDroppedFile(const QString& path) { OpenFile(path); }

// ---------------------------------------------------------------- release, enable, focus

bool TfrmMain::CanReleaseMedia() {
    if (frmMemo != nullptr && frmMemo->inEditMode()) {
        dialogs().message(this, kFinishMemoEdit);
        return false;
    }
    if (!state_.dirty) return true;
    switch (dialogs().confirm(this, QStringLiteral("保存しますか"))) {
        case qm::Answer::Yes:
            return SaveBlockData();
        case qm::Answer::No:
            return true;
        case qm::Answer::Cancel:
            return false;
    }
    return false;
}

bool TfrmMain::CommitData() {
    if (!CanReleaseMedia()) return false;
    state_.dirty = false;
    return true;
}

qm::blockfile::BlockData TfrmMain::blockData(const QStringList& notes) const {
    qm::blockfile::BlockData data;
    data.mediaPath = state_.mediaFile;
    data.mediaLength = state_.mediaLength;
    data.separators.assign(state_.blockSep.begin(), state_.blockSep.begin() + state_.blockCount + 1);
    for (const QString& l : notes) data.memoLines.push_back(l.toStdString());
    return data;
}

void TfrmMain::KeepUnsavedWork() {
    const bool memoEdited = frmMemo != nullptr && frmMemo->hasUnendedEdit();
    if ((!state_.dirty && !memoEdited) || state_.mediaFile.empty() || state_.blockCount < 1) return;
    const QStringList notes = frmMemo == nullptr ? QStringList() : memoEdited ? frmMemo->editedLines() : frmMemo->lines();
    qm::recovery::keep(state_.mediaFile, qm::blockfile::serialize(blockData(notes)));
}

void TfrmMain::offerRecovery() {
    const auto kept = qm::recovery::take(state_.mediaFile);
    if (!kept) return;
    if (!dialogs().warningYesNo(
            this, QStringLiteral("前回保存されずに終了したブロックデータがあります。復元しますか？"))) {
        return;
    }
    ApplyBlockData(*kept);
    state_.dirty = true;  // restored, not saved
}

void TfrmMain::EnableBlockControls(bool enabled) {
    if (enabled) {
        Timer1->start();
    } else {
        Timer1->stop();
    }
    for (QWidget* w : std::initializer_list<QWidget*>{Image1, Image2, btnMark, btnClear, btnLDel, btnRDel, btnNext,
                                                       btnRep, btnBack, btnSave, btnLoad, btnMemo}) {
        w->setEnabled(enabled);
    }
}

void TfrmMain::ReleaseFocus() {
    if (QWidget* f = focusWidget(); f != nullptr && f != this) f->clearFocus();
    setFocus(Qt::OtherFocusReason);
    if (frmMemo != nullptr && frmMemo->isVisible() && frmMemo->inEditMode()) {
        frmMemo->show();
        frmMemo->raise();
        frmMemo->activateWindow();
    }
}

void TfrmMain::btnMemoClick() {
    frmMemo->show();
    frmMemo->raise();
    frmMemo->activateWindow();
}

void TfrmMain::btnIEClick() {
    frmIE->show();
    frmIE->raise();
    frmIE->activateWindow();
}

void TfrmMain::btnInfoClick() {
    frmInfo->show();
    frmInfo->raise();
    frmInfo->activateWindow();
}

// ---------------------------------------------------------------- block list

void TfrmMain::SelectBlock(int32_t n) {
    state_.curBlock = n;
    if (frmMemo != nullptr) frmMemo->selectLine(n - 1);
    ShowBlockNo();
}

void TfrmMain::ShowBlockNo() { lblBlock->setText(fromUtf8(qm::blockNoText(state_))); }

void TfrmMain::btnLDelClick() {
    const auto removed = qm::deleteLeftSeparator(state_);
    if (!removed) return;
    bars_->DrawSepLine(*removed, qm::kBarWhite);
    SelectBlock(state_.curBlock - 1);
    ShowBlockNo();
}

void TfrmMain::btnRDelClick() {
    const auto removed = qm::deleteRightSeparator(state_);
    if (!removed) return;
    bars_->DrawSepLine(*removed, qm::kBarWhite);
    SelectBlock(state_.curBlock);
    ShowBlockNo();
}

void TfrmMain::btnClearClick() {
    if (state_.blockCount < 1) return;
    qm::clearSeparators(state_);
    SelectBlock(1);
    bars_->ClearBlockBar();
    ShowBlockNo();
}

// ---------------------------------------------------------------- block commands

void TfrmMain::btnMarkClick() {
    if (!engine_->IsPlaying()) return;
    engine_->ReadPosition();
    if (!qm::insertSeparator(state_, state_.mediaPos)) return;  // the list is full
    bars_->DrawSepLine(state_.mediaPos, qm::kBarBlack);
    ShowBlockNo();
    state_.dirty = true;
}

void TfrmMain::btnNextClick() {
    if (state_.curBlock < state_.blockCount) {
        SelectBlock(state_.curBlock + 1);
        engine_->SeekTo(state_.blockSep[state_.curBlock - 1]);
        engine_->ReadPosition();
        bars_->ShowPosition();
        ShowBlockNo();
    }
    engine_->MediaPlay();
}

void TfrmMain::btnBackClick() {
    if (state_.curBlock > 1) {
        SelectBlock(state_.curBlock - 1);
        engine_->SeekTo(state_.blockSep[state_.curBlock - 1]);
        engine_->ReadPosition();
        bars_->ShowPosition();
        ShowBlockNo();
    }
    engine_->MediaPlay();
}

void TfrmMain::btnRepClick() {
    // curBlock 0 means the start: blockSep[0].
    engine_->SeekTo(state_.blockSep[state_.curBlock > 0 ? state_.curBlock - 1 : 0]);
    engine_->ReadPosition();
    bars_->ShowPosition();
    engine_->MediaPlay();
}

void TfrmMain::btnPlayClick() {
    if (engine_->IsPlaying()) {
        engine_->MediaPause();
    } else {
        engine_->MediaPlay();
    }
}

void TfrmMain::FormKeyPress(QChar key) {
    if (frmMemo != nullptr && frmMemo->isVisible() && frmMemo->inEditMode()) {
        frmMemo->show();
        frmMemo->raise();
        frmMemo->activateWindow();
        return;
    }
    switch (key.unicode()) {
        case u' ':
            if (engine_->IsPlaying()) {
                btnMarkClick();
            } else {
                engine_->MediaPlay();
            }
            break;
        case u'x':
            btnMarkClick();
            break;
        case u'b':
            btnBackClick();
            break;
        case u'd':
            btnRDelClick();
            break;
        case u'e':
            btnRepClick();
            break;
        case u'n':
            btnNextClick();
            break;
        case u'z':
            btnPlayClick();
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------- bars

void TfrmMain::Image1MouseDown(Qt::MouseButton, int x, int) {
    const int32_t t = qm::barTime(x, Image1->width(), state_.mediaLength);
    if (engine_->IsPlaying()) {
        engine_->SeekTo(t);
        SelectBlock(qm::getBlock(state_, t));
    } else {
        bars_->DrawPosLine(state_.cursorPos, qm::kBarWhite);
        engine_->SeekTo(t);
        SelectBlock(qm::getBlock(state_, t));
        bars_->DrawPosLine(t, qm::kBarBlack);
        state_.cursorPos = t;
        engine_->MediaPlay();
    }
    ReleaseFocus();
}

void TfrmMain::Image2MouseDown(Qt::MouseButton, int x, int) {
    const int32_t t = qm::barTime(x, Image2->width(), state_.mediaLength);
    SelectBlock(qm::getBlock(state_, t));
    const bool playing = engine_->IsPlaying();
    engine_->SeekTo(state_.blockSep[state_.curBlock > 0 ? state_.curBlock - 1 : 0]);
    if (!playing) {
        bars_->DrawPosLine(state_.cursorPos, qm::kBarWhite);
        engine_->ReadPosition();
        bars_->DrawPosLine(state_.mediaPos, qm::kBarBlack);
        state_.cursorPos = state_.mediaPos;
        engine_->MediaPlay();
    }
    ReleaseFocus();
}

// ---------------------------------------------------------------- rate

void TfrmMain::cmbRateChange() {
    // The items are written with "."; read them so whatever the user's locale.
    bool ok = false;
    const double rate = QLocale::c().toDouble(cmbRate->currentText(), &ok);
    if (!ok) throw std::runtime_error(QStringLiteral("'%1' は数値ではありません").arg(cmbRate->currentText()).toStdString());
    engine_->SetRate(rate);
}

// ---------------------------------------------------------------- repeat controller

void TfrmMain::Timer1Timer() { repeater_->timer1Tick(); }
void TfrmMain::Timer2Timer() { repeater_->timer2Tick(); }

void TfrmMain::WindowsMediaPlayer1StatusChange() {
    repeater_->mediaPlayerStatusChange(WindowsMediaPlayer1->playState(),
                                       WindowsMediaPlayer1->stoppedAtEnd() ? qm::StopCause::EndOfMedia
                                                                           : qm::StopCause::Requested);
}

void TfrmMain::WindowsMediaPlayer1PlayStateChange(int) {}  // the end is seen through StatusChange

void TfrmMain::RealAudio1PlayStateChange(int) {
    repeater_->streamingPlayStateChange(RealAudio1->GetPlayState(), RealAudio1->stoppedAtEnd()
                                                                         ? qm::StopCause::EndOfMedia
                                                                         : qm::StopCause::Requested);
}

void TfrmMain::RepeatingClick() { repeater_->repeatingClick(); }

void TfrmMain::readPosition() { engine_->ReadPosition(); }
void TfrmMain::seekTo(int32_t ms) { engine_->SeekTo(ms); }
void TfrmMain::mediaPlay() { engine_->MediaPlay(); }
void TfrmMain::mediaPause() { engine_->MediaPause(); }
int TfrmMain::blockModeIndex() const { return RadioGroup1Items->checkedId(); }
int TfrmMain::afterBlockIndex() const { return RadioGroup2Items->checkedId(); }
void TfrmMain::showPosition() { bars_->ShowPosition(); }
bool TfrmMain::blockTimerEnabled() const { return Timer1->isActive(); }

void TfrmMain::setBlockTimerEnabled(bool on) {
    if (on) {
        Timer1->start();
    } else {
        Timer1->stop();
    }
}

void TfrmMain::startWaitTimer(int32_t intervalMs) {
    Timer2->setInterval(intervalMs);
    Timer2->start();
}

void TfrmMain::stopWaitTimer() { Timer2->stop(); }

// ---------------------------------------------------------------- opening

void TfrmMain::AddHistory(const QString& path) {
    if (state_.loadingBsd) return;
    if (frmInfo != nullptr) frmInfo->AddHistory(path);
}

bool TfrmMain::OpenFile(const QString& path) {
    if (waitingForLength_) return false;  // another open is waiting for its length
    if (!CanReleaseMedia()) return false;
    repeater_->cancelWait();
    EnableBlockControls(false);
    engine_->MediaStop();
    bars_->ClearPosBar();
    if (path.isEmpty()) {
        dialogs().message(this, QStringLiteral("メディアのパスがありません"));
        return false;
    }

    // The lists name the controls; letter case does not count, and whatever
    // neither list names goes to the media player control, which plays what
    // the engine plays (ogg, wav, m4a, flac, ...).
    const QString ext = fromUtf8(qm::extensionPart(path.toStdString())).toLower();
    if (!ext.isEmpty() && wmpExtensions().toLower().contains(ext)) {
        engine_->LoadIntoEngine(path, qm::Engine::MediaPlayer);
    } else if (!ext.isEmpty() && rpExtensions().toLower().contains(ext)) {
        engine_->LoadIntoEngine(path, qm::Engine::Streaming);
    } else if (ext == QLatin1String(".bsd")) {
        return followBlockFile(path);
    } else {
        engine_->LoadIntoEngine(path, qm::Engine::MediaPlayer);
    }

    if (!engine_->IsPlaying()) engine_->MediaPlay();
    {
        FlagGuard waiting(waitingForLength_);
        // A close asked for during the wait comes now, also when the wait failed.
        struct PendingClose {
            TfrmMain* w;
            ~PendingClose() {
                if (!w->closeRequested_) return;
                w->closeRequested_ = false;
                QTimer::singleShot(0, w, &QWidget::close);
            }
        } pendingClose{this};
        engine_->WaitForLength();
    }
    if (state_.mediaLength == 0) {
        dialogs().message(this, QStringLiteral("ファイル %1 は開けません\n%2").arg(path, engine_->lengthFailure()));
        return false;
    }

    // Only what opened enters the history; a block file's media does not.
    AddHistory(path);
    bars_->ClearBlockBar();
    if (frmMemo != nullptr) frmMemo->setLines({});
    state_.dirty = false;
    state_.blockSep[0] = 0;
    state_.blockSep[1] = state_.mediaLength;
    state_.blockCount = 1;
    state_.mediaFile = path.toStdString();
    FileName->setText(fromUtf8(qm::fileNamePart(state_.mediaFile)));
    FileName->adjustSize();
    qm::qmApp()->setTitle(FileName->text());
    EnableBlockControls(true);
    SelectBlock(0);
    ShowBlockNo();
    if (!state_.loadingBsd) offerRecovery();
    return true;
}

bool TfrmMain::followBlockFile(const QString& path) {
    // A block file that names a block file is not followed: no chain, no ring.
    if (state_.loadingBsd) {
        dialogs().message(this, QStringLiteral("ファイル %1 は開けません\nブロックファイルが別のブロックファイルを指しています").arg(path));
        return false;
    }
    const auto bytes = readBlockFile(path);
    if (!bytes) {
        dialogs().message(this, QStringLiteral("ファイル %1 はブロックファイルではありません").arg(path));
        return false;
    }
    QString mediaPath = fromUtf8(qm::blockfile::line(*bytes, 1));
    // A bare file name or relative path is taken beside the block file, so a
    // lesson folder can be moved as a whole.
    if (!mediaPath.isEmpty() && !mediaPath.contains(QStringLiteral("://")) && QFileInfo(mediaPath).isRelative()) {
        mediaPath = QFileInfo(path).absoluteDir().filePath(mediaPath);
    }
    bool opened = false;
    {
        FlagGuard loading(state_.loadingBsd);
        opened = OpenFile(mediaPath);
        if (opened) ApplyBlockData(*bytes);
    }
    if (opened) {
        AddHistory(path);
        offerRecovery();
    }
    return false;
}

QString TfrmMain::wmpExtensions() const { return frmInfo != nullptr ? frmInfo->wmpExtensions() : QStringLiteral(".wma.mp3."); }
QString TfrmMain::rpExtensions() const { return frmInfo != nullptr ? frmInfo->rpExtensions() : QStringLiteral(".ram.rm."); }

QString TfrmMain::openFilter() const {
    const QString joined = wmpExtensions() + rpExtensions();
    QString patterns;
    QString current;
    for (const QChar c : joined) {
        if (c != QLatin1Char('.')) {
            current += c;
            continue;
        }
        if (!current.isEmpty()) {
            patterns += QStringLiteral("*.") + current + QLatin1Char(';');
            current.clear();
        }
    }
    patterns += QStringLiteral("*.bsd");
    // "*" rather than "*.*": here a file name need not hold a dot.
    return patterns + QLatin1Char('|') + patterns + QStringLiteral("|すべてのファイル(*.*)|*");
}

void TfrmMain::btnOpenClick() {
    if (waitingForLength_) return;
    if (!CanReleaseMedia()) return;
    state_.dirty = false;
    qm::FileDialogRequest request;
    request.initialDir = OpenDialog1.initialDir;
    request.filter = openFilter();
    const auto chosen = dialogs().openFile(this, request);
    if (!chosen) return;
    const QString full = QFileInfo(*chosen).absoluteFilePath();
    OpenDialog1.fileName = full;
    OpenDialog1.initialDir = QFileInfo(full).absolutePath();
    OpenFile(full);
}

// ---------------------------------------------------------------- block files

bool TfrmMain::SaveBlockData() {
    if (frmMemo != nullptr && frmMemo->inEditMode()) {
        dialogs().message(this, kFinishMemoEdit);
        return false;
    }
    if (state_.mediaFile.find_first_of("\r\n") != std::string::npos) {
        // Line 1 of the file holds the path: a break in it would shift every line after it.
        dialogs().message(this, QStringLiteral("メディアのパスに改行が含まれているため、ブロックファイルに保存できません"));
        return false;
    }
    QString proposal = fromUtf8(qm::fileNamePart(state_.mediaFile));
    const int dot = proposal.lastIndexOf(QLatin1Char('.'));
    proposal = (dot >= 0 ? proposal.left(dot) : proposal) + QStringLiteral(".bsd");

    qm::FileDialogRequest request;
    request.initialDir = SaveDialog1.initialDir;
    request.fileName = proposal;
    request.defaultSuffix = QStringLiteral("bsd");
    request.confirmOverwrite = true;
    const auto chosen = dialogs().saveFile(this, request);
    if (!chosen) {
        SaveDialog1.fileName = proposal;
        return false;
    }
    const QString target = *chosen;
    SaveDialog1.fileName = target;

    const auto data = blockData(frmMemo != nullptr ? frmMemo->lines() : QStringList());
    // A failure keeps the old file and dirty, and the caller's close or open does not go on.
    qm::files::writeWholeFileOrThrow(target.toStdString(), qm::blockfile::serialize(data));
    SaveDialog1.initialDir = QFileInfo(target).absolutePath();
    AddHistory(target);
    state_.dirty = false;
    return true;
}

void TfrmMain::btnSaveClick() { SaveBlockData(); }

void TfrmMain::ApplyBlockData(std::string_view fileBytes) {
    using qm::blockfile::ParseStatus;
    const auto result = qm::blockfile::parse(fileBytes);
    switch (result.status) {
        case ParseStatus::Ok:
            break;
        case ParseStatus::WrongHeader:
            return;
        case ParseStatus::NotInteger:
            throw std::runtime_error(
                QStringLiteral("'%1' は整数ではありません").arg(fromUtf8(result.offendingText)).toStdString());
        case ParseStatus::BadCount:
            dialogs().message(this, QStringLiteral("ブロック数が 1 から 1000 の範囲にないため、読み込めません"));
            return;
        case ParseStatus::NotAscending:
            dialogs().message(this, QStringLiteral("ブロック区切りが 0 から順に並んでいないため、読み込めません"));
            return;
    }
    if (result.data.mediaLength != state_.mediaLength &&
        !dialogs().warningYesNo(this, QStringLiteral("長さが違いますが、それでも読み込みますか？"))) {
        return;
    }
    auto seps = state_.mediaLength > 0 ? qm::blockfile::fitToLength(result.data.separators, state_.mediaLength)
                                       : result.data.separators;
    if (seps.size() < 2) {
        dialogs().message(this, QStringLiteral("ブロック区切りが 0 から順に並んでいないため、読み込めません"));
        return;
    }
    // A list made for a shorter media: its last block takes the rest, so the tail stays reachable.
    if (state_.mediaLength > 0 && seps.back() < state_.mediaLength) seps.back() = state_.mediaLength;
    state_.blockCount = static_cast<int32_t>(seps.size()) - 1;
    std::copy(seps.begin(), seps.end(), state_.blockSep.begin());
    // Fewer blocks than before: the current block is the last one there is.
    if (state_.curBlock > state_.blockCount) state_.curBlock = state_.blockCount;

    QStringList memo;
    for (const auto& l : result.data.memoLines) memo << fromUtf8(l);
    if (frmMemo != nullptr) frmMemo->setLines(memo);

    bars_->ClearBlockBar();
    if (state_.mediaLength > 0) {
        for (int32_t i = 1; i < state_.blockCount; ++i) bars_->DrawSepLine(state_.blockSep[i], qm::kBarBlack);
    }
    ShowBlockNo();
}

void TfrmMain::btnLoadClick() {
    qm::FileDialogRequest request;
    request.initialDir = OpenDialog2.initialDir;
    request.filter = QStringLiteral("*.bsd|*.bsd");
    request.defaultSuffix = QStringLiteral("bsd");
    request.mustExist = true;
    const auto chosen = dialogs().openFile(this, request);
    if (!chosen) return;
    OpenDialog2.fileName = *chosen;
    OpenDialog2.initialDir = QFileInfo(*chosen).absolutePath();
    if (const auto bytes = readBlockFile(*chosen)) ApplyBlockData(*bytes);
}
