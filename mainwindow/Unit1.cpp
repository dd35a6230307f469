#include "mainwindow/Unit1.h"

#include "ui/Application.h"
#include "core/BlockList.h"
#include "ui/Dialogs.h"
#include "ui/UndoActions.h"
#include "session/FileFormats.h"
#include "core/ErrorPolicy.h"
#include "settings/Settings.h"
#include "transport/TRealAudio.h"
#include "transport/TWindowsMediaPlayer.h"

#include <QAbstractButton>
#include <QAction>
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
#include <QMenu>
#include <QMimeData>
#include <QProgressDialog>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <tuple>

// The window's one instance, reachable from the program.
TfrmMain* frmMain = nullptr;

namespace {

// The design's size of the window's inside: the start size, and the least
// the controls need; what the window grows beyond it goes to the bars.
constexpr int kStartWidth = 404;
constexpr int kStartHeight = 316;
constexpr int kAnalysisWidth = 190;  // the analysis' progress, left of the position
constexpr int kPlayerTop = 250;
// The block bar's zoom: a key halves or doubles the span it shows, a notch of
// the wheel goes half as far; a notch scrolls an eighth of the view. The
// scroll bar under the zoomed bar takes this much of its height.
constexpr double kKeyZoom = 2.0;
constexpr double kWheelZoomPerNotch = 1.41421356;
constexpr int kWheelNotch = 120;
constexpr int kScrollNotchesPerView = 8;
constexpr int kBlockBarScrollHeight = 6;
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

// The command character of a key of the main window, or a null QChar. Keys
// are matched by the key pressed, not by the character it types: with a
// non-Latin layout the key at the place of the Latin one counts (by its
// evdev key code, as X11 and Wayland report it), and an input method's
// full-width character does not matter. Keys with Shift, Ctrl, Alt or Meta
// are no commands, but for the block bar's zoom keys + (or =), - and 0:
// on many layouts "+" is a shifted key.
QChar commandKey(const QKeyEvent* e) {
    if ((e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) == Qt::NoModifier) {
        switch (e->key()) {
            case Qt::Key_Plus:
            case Qt::Key_Equal: return u'+';
            case Qt::Key_Minus: return u'-';
            case Qt::Key_0: return u'0';
            default: break;
        }
    }
    if ((e->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return {};
    switch (e->key()) {
        case Qt::Key_Space: return u' ';
        case Qt::Key_X: return u'x';
        case Qt::Key_N: return u'n';
        case Qt::Key_B: return u'b';
        case Qt::Key_E: return u'e';
        case Qt::Key_D: return u'd';
        case Qt::Key_Z: return u'z';
        case Qt::Key_A: return u'a';
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
        case 38: return u'a';
        case 21: return u'+';
        case 20: return u'-';
        case 19: return u'0';
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
    // Tab reaches it, a click does not take the focus from where the keys go.
    b->setFocusPolicy(Qt::TabFocus);
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
        // As wide as its caption needs in this font, at least the design's 88 pixels.
        r->setGeometry(6, y, std::max(88, r->sizeHint().width()), 16);
        items->addButton(r, i);
        y += 20;
    }
    items->button(0)->setChecked(true);
    return box;
}

}  // namespace

TfrmMain::TfrmMain(qm::PracticeSession& session, qm::Settings& settings, QWidget* parent)
    : QWidget(parent), session_(session), settings_(settings) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("QM5"));
    setFont(japaneseFont());
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);  // the window itself takes the focus from ReleaseFocus
    move(219, 121);
    resize(kStartWidth, kStartHeight);
    setMinimumSize(kStartWidth, kStartHeight);

    Panel1 = placed(new QFrame(this), 0, 0, 404, 316);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);

    Image1 = placed(new qm::TBarImage(Panel1), 1, 1, 402, 23);
    Image1->setToolTip(tr("再生位置の指定"));
    Panel2 = placed(new QLabel(QStringLiteral("↑Position/Block↓"), Panel1), 1, 24, 402, 16);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Image2 = placed(new qm::TBarImage(Panel1), 1, 40, 402, 22);
    Image2->setToolTip(tr("再生ブロックの指定"));
    blockBarScroll = new QScrollBar(Qt::Horizontal, Panel1);
    blockBarScroll->setObjectName(QStringLiteral("blockBarScroll"));
    blockBarScroll->setFocusPolicy(Qt::NoFocus);
    blockBarScroll->hide();  // shown while the block bar is zoomed

    GroupBox1 = placed(new QGroupBox(QStringLiteral("Block"), Panel1), 3, 62, 398, 107);
    RadioGroup1 = placed(radioGroup(GroupBox1, RadioGroup1Items, {QStringLiteral("Next"), QStringLiteral("Repeat")}),
                         6, 13, 73, 73);
    RadioGroup2 = placed(radioGroup(GroupBox1, RadioGroup2Items,
                                    {QStringLiteral("None"), QStringLiteral("Pause"), QStringLiteral("Auto Pause")}),
                         85, 13, 97, 81);
    // Room for the widest caption, up to the block group beside it.
    RadioGroup2->resize(std::min(102, std::max(97, RadioGroup2Items->button(2)->geometry().right() + 3)), 81);

    GroupBox2 = placed(new QGroupBox(QStringLiteral("Block"), GroupBox1), 190, 10, 137, 89);
    lblBlock = placed(new QLabel(QStringLiteral("0/0"), GroupBox2), 40, 12, 65, 17);
    lblBlock->setAlignment(Qt::AlignCenter);
    const QString markHint = tr("ブロック区切りの挿入[space/x]");
    const QString delHint = tr("ブロック区切りの削除[d]");
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
    btnBack = placed(pushButton(GroupBox2, QStringLiteral("<"), tr("前のブロックへ[b]")), 6, 58, 19, 20);
    btnRep = placed(pushButton(GroupBox2, QStringLiteral("="), tr("このブロックの先頭[e]")), 30, 58, 19, 20);
    btnNext = placed(pushButton(GroupBox2, QStringLiteral(">"), tr("次のブロックへ[n]")), 54, 58, 19, 20);
    btnClear = placed(speedButton(GroupBox2, QStringLiteral("Clear"), tr("ブロッククリア")), 85, 58, 40, 20);

    // Wider than the design's 49 pixels: "Memo" was cut off in this font.
    GroupBox3 = placed(new QGroupBox(QStringLiteral("bsd"), GroupBox1), 332, 10, 58, 89);
    btnMemo = placed(pushButton(GroupBox3, QStringLiteral("Memo")), 5, 14, 48, 20);
    btnSave = placed(pushButton(GroupBox3, QStringLiteral("Save")), 5, 36, 48, 21);
    btnLoad = placed(pushButton(GroupBox3, QStringLiteral("Load")), 5, 62, 48, 21);

    FileName = new QLabel(Panel1);
    FileName->move(7, 173);
    FileName->adjustSize();
    btnOpen = placed(speedButton(Panel1, QString(), QString()), 7, 193, 24, 24);
    btnOpen->setAccessibleName(tr("開く"));
    btnOpen->setIcon(openPicture());
    btnOpen->setIconSize(QSize(24, 24));
    btnIE = placed(speedButton(Panel1, QString(), QString()), 39, 193, 24, 24);
    btnIE->setAccessibleName(tr("インターネット"));
    btnIE->setIcon(browserPicture());
    btnIE->setIconSize(QSize(26, 23));
    btnInfo = placed(pushButton(Panel1, QStringLiteral("Info")), 75, 194, 50, 23);
    lblPos = placed(new QLabel(QStringLiteral("0/0"), Panel1), 328, 196, 65, 12);
    lblPos->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblAnalysis = placed(new QLabel(Panel1), 132, 196, kAnalysisWidth, 12);
    lblAnalysis->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    blockBarMenu = new QMenu(this);
    actCutAtPauses = blockBarMenu->addAction(tr("無音で区切る [a]"));
    actExportAnki = blockBarMenu->addAction(tr("Anki に書き出す… [Ctrl+E]"));
    blockBarMenu->addSeparator();
    std::tie(actUndo, actRedo) = qm::addUndoActions(this, session_);
    addShortcuts();
    blockBarMenu->addAction(actUndo);
    blockBarMenu->addAction(actRedo);

    cmbRate = placed(new QComboBox(Panel1), 165, 223, 49, 20);
    cmbRate->addItems({"2.0", "1.8", "1.6", "1.4", "1.3", "1.2", "1.1", "1.0", "0.9", "0.8", "0.7", "0.6", "0.5"});
    cmbRate->setMaxVisibleItems(13);
    Label1 = new QLabel(tr("再生速度（メディアプレーヤー再生時）"), Panel1);
    Label1->move(8, 226);
    Label1->adjustSize();
    // The rate box follows its label, whatever the language makes of the text.
    cmbRate->move(std::max(165, Label1->geometry().right() + 6), 223);

    // The transports show their controls; what is done there goes to the session.
    const qm::transport::Actions transportActions{
        [this] { session_.playPause(); }, [this] { session_.stopPlayback(); },
        [this](int ms) { session_.seekTransport(ms); }, [this](int volume) { session_.setVolume(volume); }};
    WindowsMediaPlayer1 = placed(new TWindowsMediaPlayer(Panel1, session_.mediaPlayer(), transportActions), 1, kPlayerTop, 402, 65);
    RealAudio1 = placed(new TRealAudio(Panel1, session_.streaming(), transportActions), 1, 224, 402, 91);
    RealAudio1->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{GroupBox1, FileName, btnOpen, btnIE, btnInfo, lblPos, lblAnalysis,
                                                      cmbRate, Label1})
        underTheBars_.emplace_back(w, w->pos());
    // The rate is the media player's: the streaming control takes its place.
    connect(&session_.streaming(), &qm::StreamingAudioControl::visibilityRequested, this, [this](bool streaming) {
        Label1->setVisible(!streaming);
        cmbRate->setVisible(!streaming);
    });


    Timer1 = session_.blockTimer();
    Timer2 = session_.waitTimer();



    // Tab goes through every control in reading order: the options, the
    // block buttons, the lesson's buttons, then the rate and the transports.
    QWidget* previous = nullptr;
    for (QWidget* w : tabOrder()) {
        if (previous != nullptr) setTabOrder(previous, w);
        previous = w;
    }

    bars_ = std::make_unique<qm::PositionBars>(session_.state(), Image1, Image2, lblPos);

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
    connect(Image1, &qm::TBarImage::mouseDown, this, [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int) {
        qm::runGuarded([&] { Image1MouseDown(b, x, 0); });
    });
    connect(Image2, &qm::TBarImage::mouseDown, this, [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int) {
        qm::runGuarded([&] { Image2MouseDown(b, x, 0); });
    });
    connect(Image2, &qm::TBarImage::mouseMoved, this, [this](int x, int y) { qm::runGuarded([&] { Image2MouseMove(x, y); }); });
    connect(Image2, &qm::TBarImage::mouseUp, this,
            [this](Qt::MouseButton b, int x, int y) { qm::runGuarded([&] { Image2MouseUp(b, x, y); }); });
    connect(Image2, &qm::TBarImage::wheelTurned, this, [this](int x, QPoint delta, Qt::KeyboardModifiers m) {
        qm::runGuarded([&] { Image2MouseWheel(x, delta, m); });
    });
    connect(blockBarScroll, &QScrollBar::valueChanged, this, [this](int start) { bars_->scrollTo(start); });
    bars_->setViewChanged([this] { showBlockBarView(); });
    connect(actCutAtPauses, &QAction::triggered, this, guarded([this] { cutAtPausesClick(); }));
    connect(actExportAnki, &QAction::triggered, this, guarded([this] { session_.exportAnki(); }));
    // Set from code or by a click alike; leaving Auto Pause ends a running wait.
    connect(RadioGroup1Items, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) session_.setBlockMode(id == 1 ? qm::BlockMode::Repeat : qm::BlockMode::Next);
    });
    connect(RadioGroup2Items, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) qm::runGuarded([this] { RepeatingClick(); });
    });
    connectSession();

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

std::vector<QWidget*> TfrmMain::tabOrder() const {
    std::vector<QWidget*> order;
    for (QButtonGroup* g : {RadioGroup1Items, RadioGroup2Items})
        for (QAbstractButton* b : g->buttons()) order.push_back(b);
    for (QWidget* w : std::initializer_list<QWidget*>{btnMark, btnLDel, btnRDel, btnBack, btnRep, btnNext, btnClear,
                                                      btnMemo, btnSave, btnLoad, btnOpen, btnIE, btnInfo, cmbRate})
        order.push_back(w);
    for (QWidget* band : std::initializer_list<QWidget*>{WindowsMediaPlayer1, RealAudio1})
        for (QWidget* w : band->findChildren<QWidget*>())
            if (w->focusPolicy() != Qt::NoFocus) order.push_back(w);
    return order;
}

// The usual keys of a desktop program, each said in its control's hint.
void TfrmMain::addShortcuts() {
    auto shortcut = [this](const QKeySequence& keys, std::function<void()> run) {
        auto* a = new QAction(this);
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, qm::guarded(std::move(run)));
        addAction(a);
        return a;
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { btnOpenClick(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { session_.saveInPlace(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { btnSaveClick(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_L), [this] { btnLoadClick(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_M), [this] { btnMemoClick(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_B), [this] { btnIEClick(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_I), [this] { btnInfoClick(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_E), [this] { session_.exportAnki(); });
    shortcut(QKeySequence(Qt::Key_F1), [this] { emit keysRequested(); });
    auto hint = [](QWidget* w, const QString& what, const char* keys) {
        w->setToolTip(what + QStringLiteral(" [") + QLatin1String(keys) + QLatin1Char(']'));
    };
    hint(btnOpen, tr("開く"), "Ctrl+O");
    hint(btnSave, tr("ブロックファイルを保存"), "Ctrl+S, Ctrl+Shift+S");
    hint(btnLoad, tr("ブロックファイル・字幕・台本を読み込む"), "Ctrl+L");
    hint(btnMemo, tr("メモ"), "Ctrl+M");
    hint(btnIE, tr("インターネット"), "Ctrl+B");
    hint(btnInfo, tr("ヒストリ・設定・キーの一覧"), "Ctrl+I, F1");
}

void TfrmMain::setCompanions(QWidget* memo, QWidget* browser, QWidget* info) {
    memo_ = memo;
    browser_ = browser;
    info_ = info;
}

qm::Dialogs& TfrmMain::dialogs() { return qm::qmApp()->dialogs(); }

void TfrmMain::connectSession() {
    using qm::PracticeSession;
    connect(&session_, &PracticeSession::blockControlsEnabled, this, &TfrmMain::onBlockControlsEnabled);
    connect(&session_, &PracticeSession::currentBlockChanged, this, [this] { ShowBlockNo(); });
    connect(&session_, &PracticeSession::currentBlockChanged, this, [this] { bars_->showCurrentBlock(); });
    connect(&session_, &PracticeSession::positionChanged, this, [this] { bars_->ShowPosition(); });
    connect(&session_, &PracticeSession::positionChanged, this, [this] {
        if (bars_->zoomed() && session_.isPlaying()) bars_->followPlayback();
    });
    connect(&session_, &PracticeSession::positionBarCleared, this, [this] { bars_->ClearPosBar(); });
    connect(&session_, &PracticeSession::blockBarChanged, this, [this] { bars_->RedrawBlockBar(); });
    connect(&session_, &PracticeSession::cursorMoved, this, [this](int32_t to) { bars_->moveCursor(to); });
    connect(&session_, &PracticeSession::mediaOpened, this, [this](const QString& name) {
        FileName->setText(name);
        FileName->adjustSize();
        qm::qmApp()->setTitle(name.isEmpty() ? QStringLiteral("QM5") : name);  // nothing open: the program's name
    });
    connect(&session_, &PracticeSession::closeDue, this, &QWidget::close);
    // A lesson taken up where it was left brings its rate and volume.
    connect(&session_, &PracticeSession::rateChanged, this, [this](double rate) {
        const QSignalBlocker quiet(cmbRate);
        const int i = cmbRate->findText(QString::number(rate, 'f', 1));
        if (i >= 0) cmbRate->setCurrentIndex(i);
    });
    connect(&session_, &PracticeSession::volumeChanged, this, [this](int v) { WindowsMediaPlayer1->showVolume(v); });
    connect(&session_, &PracticeSession::analysisProgress, this,
            [this](int percent) { lblAnalysis->setText(tr("音声を解析中 %1%").arg(percent)); });
    connect(&session_, &PracticeSession::analysisReady, this, [this] {
        lblAnalysis->clear();
        showWaveform();
    });
    connect(&session_, &PracticeSession::analysisFailed, this, [this] { lblAnalysis->clear(); });
    // Long work of the session (a script aligned, a deck exported): its
    // progress, and a way to stop it; the lesson waits meanwhile (the dialog
    // holds this window).
    connect(&session_, &PracticeSession::workStarted, this, [this](const QString& what) {
        if (progressDialog == nullptr) {
            progressDialog = new QProgressDialog(this);
            progressDialog->setCancelButtonText(tr("中止"));
            progressDialog->setRange(0, 100);
            progressDialog->setWindowModality(Qt::WindowModal);
            progressDialog->setMinimumDuration(0);
            progressDialog->setAutoClose(false);
            progressDialog->setAutoReset(false);
            connect(progressDialog, &QProgressDialog::canceled, this, [this] { session_.cancelWork(); });
        }
        progressDialog->setLabelText(what);
        progressDialog->setValue(0);
        progressDialog->show();
    });
    connect(&session_, &PracticeSession::workProgress, this, [this](int percent) {
        if (progressDialog != nullptr) progressDialog->setValue(percent);
    });
    connect(&session_, &PracticeSession::workEnded, this, [this] {
        if (progressDialog != nullptr) progressDialog->hide();
    });
    connect(&session_, &PracticeSession::mediaOpened, this, [this] {
        bars_->setWaveform({}, 10);  // the last media's loudness goes; this one's comes with its analysis
    });
    connect(&session_.settings(), &qm::Settings::waveformShownChanged, this, [this] { showWaveform(); });
    // Set elsewhere (the memo window's dictation, a media key): the radio groups follow.
    connect(&session_, &PracticeSession::repeatOptionsChanged, this, [this] {
        const QSignalBlocker quiet1(RadioGroup1Items);
        const QSignalBlocker quiet2(RadioGroup2Items);
        RadioGroup1Items->button(session_.blockMode() == qm::BlockMode::Repeat ? 1 : 0)->setChecked(true);
        const qm::AfterBlock after = session_.afterBlock();
        RadioGroup2Items->button(after == qm::AfterBlock::AutoPause ? 2 : after == qm::AfterBlock::Pause ? 1 : 0)
            ->setChecked(true);
    });
}

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
    if (!arguments_.isEmpty() && !arguments_.first().isEmpty()) {
        OpenFile(arguments_.first());
        return;
    }
    session_.warmUp();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TfrmMain::FormResize() {
    layoutStrips();
    bars_->RedrawBars();
}

void TfrmMain::layoutStrips() {
    Panel1->setGeometry(rect());
    const int inner = Panel1->width() - 2;
    // Height beyond the start size goes to the block bar, width to the bars
    // and the transports; the controls below keep their places under the bars.
    const int taller = std::max(0, Panel1->height() - kStartHeight);
    const int wider = std::max(0, Panel1->width() - kStartWidth);
    Image1->setGeometry(1, 1, inner, 23);
    Panel2->setGeometry(1, 24, inner, 16);
    // While zoomed, the scroll bar takes the bottom of the block bar's strip.
    const int scroll = blockBarScroll->isHidden() ? 0 : kBlockBarScrollHeight;
    Image2->setGeometry(1, 40, inner, 22 + taller - scroll);
    blockBarScroll->setGeometry(1, 62 + taller - scroll, inner, scroll);
    for (const auto& [control, designed] : underTheBars_) control->move(designed.x(), designed.y() + taller);
    lblPos->move(lblPos->x() + wider, lblPos->y());
    lblAnalysis->resize(kAnalysisWidth + wider, lblAnalysis->height());
    WindowsMediaPlayer1->setGeometry(1, kPlayerTop + taller, inner, WindowsMediaPlayer1->height());
    RealAudio1->setGeometry(1, Panel1->height() - 1 - 91, inner, 91);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!session_.requestClose()) {
        event->ignore();  // the session says when the open's wait is over
        return;
    }
    bool release = false;
    try {
        release = CanReleaseMedia();
    } catch (...) {
        qm::reportError(qm::currentErrorMessage());
    }
    if (!release) {
        event->ignore();
        return;
    }
    qm::runGuarded([this] { session_.shutdown(); });
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
    // Return presses the focused button, as Space would elsewhere (here Space marks or plays).
    const int pressed = static_cast<QKeyEvent*>(event)->key();
    if ((pressed == Qt::Key_Return || pressed == Qt::Key_Enter) && w == QApplication::focusWidget()) {
        if (auto* button = qobject_cast<QAbstractButton*>(w); button != nullptr && button->isEnabled()) {
            button->animateClick();
            return true;
        }
    }
    // The first receiver of a key is the focus widget, or the window without one;
    // its parents see the same key again if it is not taken, and are skipped.
    QWidget* first = QApplication::focusWidget();
    if (first == nullptr || first->window() != this) first = this;
    if (w != first) return false;
    const QChar key = commandKey(static_cast<QKeyEvent*>(event));
    if (key.isNull()) return false;  // not a key of this window: it goes on to the control
    qm::runGuarded([&] { FormKeyPress(key); });
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

// ---------------------------------------------------------------- enable, focus, companions

void TfrmMain::onBlockControlsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{Image1, Image2, btnMark, btnClear, btnLDel, btnRDel, btnNext,
                                                       btnRep, btnBack, btnSave, btnLoad, btnMemo}) {
        w->setEnabled(enabled);
    }
}

void TfrmMain::bringForward(QWidget* w) {
    if (w == nullptr) return;
    w->show();
    w->raise();
    w->activateWindow();
}

// While the memo window is shown with its editor open, the typing goes there.
bool TfrmMain::memoTakesTheKeys() const {
    const auto* editor = session_.noteEditor();
    return memo_ != nullptr && memo_->isVisible() && editor != nullptr && editor->editing();
}

void TfrmMain::ReleaseFocus() {
    if (QWidget* f = focusWidget(); f != nullptr && f != this) f->clearFocus();
    setFocus(Qt::OtherFocusReason);
    if (memoTakesTheKeys()) bringForward(memo_);
}

void TfrmMain::btnMemoClick() { bringForward(memo_); }
void TfrmMain::btnIEClick() { bringForward(browser_); }
void TfrmMain::btnInfoClick() { bringForward(info_); }

void TfrmMain::ShowBlockNo() { lblBlock->setText(QString::fromStdString(qm::blockNoText(state()))); }

void TfrmMain::FormKeyPress(QChar key) {
    if (memoTakesTheKeys()) {
        bringForward(memo_);
        return;
    }
    switch (key.unicode()) {
        case u' ':
            session_.markOrPlay();
            break;
        case u'x':
            session_.mark();
            break;
        case u'b':
            session_.previousBlock();
            break;
        case u'd':
            session_.deleteRight();
            break;
        case u'e':
            session_.blockAgain();
            break;
        case u'n':
            session_.nextBlock();
            break;
        case u'z':
            session_.playPause();
            break;
        case u'a':
            session_.cutAtPauses();
            break;
        case u'+':
            bars_->zoomAtCursor(kKeyZoom);
            break;
        case u'-':
            bars_->zoomAtCursor(1 / kKeyZoom);
            break;
        case u'0':
            bars_->showWholeMedia();
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------- bars, rate, repeat

void TfrmMain::Image1MouseDown(Qt::MouseButton, int x, int) {
    session_.positionBarClicked(qm::barTime(x, Image1->width(), state().mediaLength));
    ReleaseFocus();
}

void TfrmMain::Image2MouseDown(Qt::MouseButton button, int x, int) {
    if (button == Qt::RightButton) {
        actCutAtPauses->setEnabled(session_.envelope() != nullptr);
        blockBarMenu->popup(Image2->mapToGlobal(QPoint(x, Image2->height() / 2)));
        return;
    }
    // On a separator the press may begin a drag: whether it plays is known at the release.
    dragged_ = separatorAt(x);
    dragFromX_ = x;
    dragging_ = false;
    if (dragged_ > 0) return;
    session_.blockBarClicked(bars_->blockTime(x));
    ReleaseFocus();
}

void TfrmMain::Image2MouseMove(int x, int) {
    if (dragged_ == 0) return;
    if (!dragging_ && std::abs(x - dragFromX_) <= 2) return;
    dragging_ = true;
    // Past the bar's edge the separator stops at the edge of the view.
    session_.moveSeparator(dragged_, bars_->blockTime(std::clamp(x, 0, Image2->width() - 1)));
}

void TfrmMain::Image2MouseUp(Qt::MouseButton, int, int) {
    if (dragged_ == 0) return;
    const bool dragged = dragging_;
    dragged_ = 0;
    dragging_ = false;
    if (dragged) {
        session_.endSeparatorDrag();  // the drag was one step
    } else {
        session_.blockBarClicked(bars_->blockTime(dragFromX_));
    }
    ReleaseFocus();
}

int32_t TfrmMain::separatorAt(int x) const {
    const auto& s = session_.state();
    for (int32_t k = 1; k < s.blocks().count(); ++k) {
        if (std::abs(bars_->blockColumn(s.blocks()[k]) - x) <= 2) return k;
    }
    return 0;
}

// Shift or a sideways wheel scrolls the block bar; the wheel zooms it around the pointer.
void TfrmMain::Image2MouseWheel(int x, QPoint angleDelta, Qt::KeyboardModifiers shift) {
    if ((shift & Qt::ShiftModifier) || (angleDelta.x() != 0 && angleDelta.y() == 0)) {
        const int turn = angleDelta.x() != 0 ? angleDelta.x() : angleDelta.y();
        // Turned away from the user (or to the left): back towards the start.
        bars_->scrollBy(static_cast<int32_t>(-int64_t{turn} * bars_->viewSpan() / (kWheelNotch * kScrollNotchesPerView)));
        return;
    }
    if (angleDelta.y() == 0) return;
    bars_->zoomAt(x, std::pow(kWheelZoomPerNotch, static_cast<double>(angleDelta.y()) / kWheelNotch));
}

void TfrmMain::showBlockBarView() {
    const bool zoomed = bars_->zoomed();
    if (zoomed) {
        const QSignalBlocker quiet(blockBarScroll);
        blockBarScroll->setRange(0, state().mediaLength - bars_->viewSpan());
        blockBarScroll->setPageStep(bars_->viewSpan());
        blockBarScroll->setSingleStep(std::max(bars_->viewSpan() / kScrollNotchesPerView, 1));
        blockBarScroll->setValue(bars_->viewStart());
    }
    if (zoomed == blockBarScroll->isHidden()) {
        blockBarScroll->setVisible(zoomed);
        layoutStrips();
    }
}

void TfrmMain::cutAtPausesClick() { session_.cutAtPauses(); }

// The loudness behind the block bar, scaled from the recording's noise floor
// to its speech level; none when the settings say so.
void TfrmMain::showWaveform() {
    const auto envelope = session_.envelope();
    std::vector<float> levels;
    if (envelope != nullptr && settings_.showWaveform()) {
        const auto l = qm::analysis::pauseLevels(*envelope);
        const float span = std::max(l.speechDb - l.floorDb, 1.0f);
        levels.reserve(envelope->rms.size());
        for (float rms : envelope->rms) levels.push_back(std::clamp((qm::analysis::loudnessDb(rms) - l.floorDb) / span, 0.0f, 1.0f));
    }
    bars_->setWaveform(std::move(levels), envelope != nullptr ? envelope->frameMs : 10);
    bars_->RedrawBlockBar();
}

void TfrmMain::cmbRateChange() {
    // The items are written with "."; read them so whatever the user's locale.
    bool ok = false;
    const double rate = QLocale::c().toDouble(cmbRate->currentText(), &ok);
    if (!ok) throw std::runtime_error(tr("'%1' は数値ではありません").arg(cmbRate->currentText()).toStdString());
    session_.setRate(rate);
}

void TfrmMain::RepeatingClick() {
    const int id = RadioGroup2Items->checkedId();
    session_.setAfterBlock(id == 2 ? qm::AfterBlock::AutoPause : id == 1 ? qm::AfterBlock::Pause : qm::AfterBlock::None);
}

// ---------------------------------------------------------------- open and load dialogs

// A dialog starts in the folder of the open lesson (its block file, else its
// media), else where this dialog was last left, else where any was, else home.
QString TfrmMain::dialogFolder(const TFileDialogState& dialog) const {
    if (!session_.blockFilePath().isEmpty()) return QFileInfo(session_.blockFilePath()).absolutePath();
    const QFileInfo media(QString::fromStdString(state().mediaFile));
    if (media.isAbsolute() && media.exists()) return media.absolutePath();
    if (!dialog.initialDir.isEmpty()) return dialog.initialDir;
    if (!settings_.lastFolder().isEmpty()) return settings_.lastFolder();
    return QDir::homePath();
}

QString TfrmMain::openFilter() const {
    return qm::formats::openFilter(settings_.wmpExtensions(), settings_.rpExtensions());
}

// The question about unsaved work comes before the dialog, as for any open.
void TfrmMain::btnOpenClick() {
    session_.openChosen([this]() -> std::optional<QString> {
        qm::FileDialogRequest request;
        request.initialDir = dialogFolder(OpenDialog1);
        request.filter = openFilter();
        const auto chosen = dialogs().openFile(this, request);
        if (!chosen) return std::nullopt;
        const QString full = QFileInfo(*chosen).absoluteFilePath();
        OpenDialog1.fileName = full;
        OpenDialog1.initialDir = QFileInfo(full).absolutePath();
        settings_.setLastFolder(OpenDialog1.initialDir);
        return full;
    });
}

void TfrmMain::btnLoadClick() {
    qm::FileDialogRequest request;
    request.initialDir = dialogFolder(OpenDialog2);
    request.filter = qm::formats::loadFilter();
    request.defaultSuffix = QStringLiteral("bsd");
    request.mustExist = true;
    const auto chosen = dialogs().openFile(this, request);
    if (!chosen) return;
    OpenDialog2.fileName = *chosen;
    OpenDialog2.initialDir = QFileInfo(*chosen).absolutePath();
    settings_.setLastFolder(OpenDialog2.initialDir);
    if (request.chosenFilter == qm::formats::kLoadScriptToAlign) {
        session_.alignScript(*chosen);
        return;
    }
    session_.loadBlockFile(*chosen);
}
