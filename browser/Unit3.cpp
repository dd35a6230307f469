#include "browser/Unit3.h"

#include "ui/Application.h"
#include "common/InstallLayout.h"
#include "common/ModuleLoader.h"
#include "browser/MediaLinks.h"
#include "session/PracticeSession.h"
#include "settings/Settings.h"
#include "ui/UndoActions.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QFileInfo>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <stdexcept>

#include <unistd.h>

// The window's one instance, reachable from the program.
TfrmIE* frmIE = nullptr;

namespace {

constexpr int kPanelHeight = 33;
constexpr int kStatusHeight = 19;
const char* const kPleaseWait = QT_TRANSLATE_NOOP("TfrmIE", "しばらくお待ちください．．．");
const char* const kRefusedMedia = QT_TRANSLATE_NOOP("TfrmIE", "ページが自動で開こうとしたメディアを開きませんでした: %1");
const char* const kRefusedWindow = QT_TRANSLATE_NOOP("TfrmIE", "ページが自動で開こうとしたウィンドウを開きませんでした");
const char* const kBusy = QT_TRANSLATE_NOOP("TfrmIE", "確認の表示中のため、メディアを開きませんでした: %1");

using Clock = qm::browser::UserGesture::Clock;

bool dialogShowing() { return qm::qmApp() != nullptr && qm::qmApp()->dialogShowing(); }

// Navigations a page makes by itself may take these forms; the user's own
// addresses and moves through the history may not lead where a page may not.
bool fromPage(qm::NavigationKind kind) {
    switch (kind) {
        case qm::NavigationKind::LinkClicked:
        case qm::NavigationKind::FormSubmitted:
        case qm::NavigationKind::Redirect:
        case qm::NavigationKind::Other:
            return true;
        case qm::NavigationKind::Typed:
        case qm::NavigationKind::BackForward:
        case qm::NavigationKind::Reload:
            return false;
    }
    return true;
}

QFont japaneseFont() {
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    return f;
}



// Chromium reads its switches once, when the engine starts, so they are set
// just before the engine is loaded. Settings the user made are kept.
void prepareWebEngineEnvironment() {
    // Chromium refuses to start its sandbox as root; everyone else keeps it.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    // Without a window system there is no GPU to talk to.
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")) return;
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("--disable-gpu")) return;
    if (!flags.isEmpty()) flags += ' ';
    flags += "--disable-gpu";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

// The engine, loaded later from its module, shares OpenGL resources with the
// application; Qt wants that said before the application object is made,
// which is before main() gets to run anything of ours.
[[maybe_unused]] const bool kShareGlContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

using qm::runGuarded;

}  // namespace

QString TfrmIE::wmpList() const { return session_.settings().wmpExtensions(); }
QString TfrmIE::rpList() const { return session_.settings().rpExtensions(); }

QStringList TfrmIE::presetAddresses() {
    return {
        QStringLiteral("https://www.esl-lab.com/"),
        QStringLiteral("https://www.elllo.org/"),
        QStringLiteral("https://learningenglish.voanews.com/"),
        QStringLiteral("https://www.bbc.co.uk/learningenglish/english/features/6-minute-english"),
    };
}

TfrmIE::TfrmIE(qm::PracticeSession& session, QWidget* mainWindow, QWidget* parent)
    : QWidget(parent), session_(session), mainWindow_(mainWindow), family_(this) {
    setObjectName(QStringLiteral("frmIE"));
    buildControls();
    move(282, 126);
    resize(699, 506);
}

TfrmIE::TfrmIE(TfrmIE* family)
    : QWidget(nullptr), session_(family->session_), mainWindow_(family->mainWindow_), family_(family) {
    setObjectName(QStringLiteral("frmIEPage"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    resize(699, 506);
    ensureWebEngine();
}

TfrmIE::~TfrmIE() {
    // Views go before the engine they were made with, or the engine complains.
    for (const QPointer<TfrmIE>& w : pageWindows_) delete w.data();
    view_.reset();
    engine_.reset();
}

void TfrmIE::buildControls() {
    setWindowTitle(tr("インターネット"));
    qm::addUndoActions(this, session_);  // the lesson's undo and redo work from every window
    setFont(japaneseFont());

    Panel1 = new QFrame(this);
    Panel1->setFixedHeight(kPanelHeight);
    auto* top = new QHBoxLayout(Panel1);
    top->setContentsMargins(4, 4, 4, 4);
    top->setSpacing(2);
    auto makeButton = [this, top](const QString& caption) {
        auto* b = new QToolButton(Panel1);
        b->setText(caption);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(25, 25);
        top->addWidget(b);
        return b;
    };
    btnBack = makeButton(QStringLiteral("<"));
    btnStop = makeButton(QStringLiteral("■"));
    btnForward = makeButton(QStringLiteral(">"));
    cmbURL = new QComboBox(Panel1);
    // When its editing ends (Enter, or the focus leaving) on a text that
    // matches an item, the box takes that for a choice of the item. It is none
    // of the user's: Enter goes by its own connection, and the focus leaving
    // goes nowhere. The two connections around the box's own mark that time.
    auto* edit = new QLineEdit;
    connect(edit, &QLineEdit::editingFinished, this, [this] { finishingEdit_ = true; });
    cmbURL->setLineEdit(edit);
    connect(edit, &QLineEdit::editingFinished, this, [this] { finishingEdit_ = false; });
    // The list grows only by completed navigations, and what the user types is
    // taken as typed: no item is inserted on Enter, no text completed.
    cmbURL->setInsertPolicy(QComboBox::NoInsert);
    cmbURL->setCompleter(nullptr);
    cmbURL->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    top->addWidget(cmbURL, 1);
    btnGo = makeButton(QStringLiteral("go"));
    btnGo->setFixedWidth(33);

    auto* viewArea = new QWidget(this);
    viewHost_ = new QVBoxLayout(viewArea);
    viewHost_->setContentsMargins(0, 0, 0, 0);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setFixedHeight(kStatusHeight);
    StatusBar1->setSizeGripEnabled(false);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Panel1);
    column->addWidget(viewArea, 1);
    column->addWidget(StatusBar1);

    if (family_ == this) cmbURL->addItems(presetAddresses());
    if (cmbURL->count() > 0) cmbURL->setCurrentIndex(0);

    using qm::guarded;
    connect(btnGo, &QToolButton::clicked, this, guarded([this] { btnGoClick(); }));
    connect(btnBack, &QToolButton::clicked, this, guarded([this] { btnBackClick(); }));
    connect(btnForward, &QToolButton::clicked, this, guarded([this] { btnForwardClick(); }));
    connect(btnStop, &QToolButton::clicked, this, guarded([this] { btnStopClick(); }));
    // Only the user's changes: a choice from the list, Enter and typing. The
    // program's own setEditText emits none of them.
    connect(cmbURL, &QComboBox::activated, this, [this] {
        if (!finishingEdit_) runGuarded([this] { cmbURLSelect(); });
    });
    connect(edit, &QLineEdit::returnPressed, this, guarded([this] { btnGoClick(); }));
    connect(edit, &QLineEdit::textEdited, this, [this] { runGuarded([this] { cmbURLChange(); }); });
}

qm::BrowserEngine& TfrmIE::engine() {
    if (family_ != this) return family_->engine();
    if (engine_ != nullptr) return *engine_;
    prepareWebEngineEnvironment();
    // Beside the executable in its own folder, under lib/ when installed.
    qm::modules::Library module = qm::modules::loadModule(QFileInfo(qm::install::browserModulePath()).fileName());
    const auto create = reinterpret_cast<qm::CreateBrowserEngine>(module.symbol(qm::kCreateBrowserEngineSymbol));
    if (create == nullptr) throw std::runtime_error("the web engine cannot be loaded: " + module.error);
    engine_.reset(create());  // the module stays loaded: the engine's threads live until the end
    return *engine_;
}

void TfrmIE::ensureWebEngine() {
    if (view_ != nullptr) return;
    view_ = engine().createView(this);
    WebBrowser1 = view_->widget();
    viewHost_->addWidget(WebBrowser1);
}

QObject* TfrmIE::page() const { return view_ != nullptr ? view_->page() : nullptr; }

QUrl TfrmIE::location() const { return view_ != nullptr ? view_->url() : QUrl(); }

QList<TfrmIE*> TfrmIE::pageWindows() const {
    QList<TfrmIE*> open;
    for (const QPointer<TfrmIE>& w : family_->pageWindows_) {
        if (!w.isNull()) open << w.data();
    }
    return open;
}

void TfrmIE::showEvent(QShowEvent* event) {
    ensureWebEngine();  // navigates nowhere: the page stays empty until the user starts
    QWidget::showEvent(event);
}

void TfrmIE::closeEvent(QCloseEvent* event) {
    if (family_ != this) {
        event->accept();  // a page's window goes; it deletes itself
        return;
    }
    event->ignore();
    hide();
}

void TfrmIE::navigate(const QString& address) {
    ensureWebEngine();
    // Addresses are taken as a browser's address bar takes them, so
    // "www.example.com" works without its scheme.
    const QUrl url = QUrl::fromUserInput(address);
    if (!url.isValid()) return;
    view_->load(url);
}

void TfrmIE::btnGoClick() {
    addressEdited_ = false;
    StatusBar1->showMessage(tr(kPleaseWait));
    navigate(cmbURL->currentText());
}

void TfrmIE::cmbURLChange() { addressEdited_ = true; }

void TfrmIE::cmbURLSelect() { btnGoClick(); }

// The engine reports nothing when there is no page to go to; anything that
// is thrown all the same is dropped, as the window promises.
void TfrmIE::btnBackClick() {
    if (view_ == nullptr) return;
    addressEdited_ = false;
    gesture_.beginHistoryMove(Clock::now());
    try {
        view_->back();
    } catch (const std::exception&) {
    }
}

void TfrmIE::btnForwardClick() {
    if (view_ == nullptr) return;
    addressEdited_ = false;
    gesture_.beginHistoryMove(Clock::now());
    try {
        view_->forward();
    } catch (const std::exception&) {
    }
}

void TfrmIE::btnStopClick() {
    if (view_ == nullptr) return;
    view_->stop();
}

void TfrmIE::WebBrowser1StatusTextChange(const QString& text) {
    StatusBar1->showMessage(text);
    if (qm::browser::passesStatusTest(text, wmpList())) pendingMediaLink_ = text;
}

void TfrmIE::WebBrowser1BeforeNavigate2(const qm::NavigationRequest& request, bool& cancel) {
    const QUrl& url = request.url;
    const QString address = url.toString(QUrl::FullyEncoded);
    const bool byUser = startedByUser(request);
    if (qm::browser::isMediaLink(address, wmpList(), rpList())) {
        cancel = true;
        if (request.mainFrame) userNavigation_.clear();
        // A media link of another scheme (file:, data:, javascript:, …) is
        // dropped: nothing a page shows may make the player read a local file.
        if (!qm::browser::mayGoToPlayer(url)) return;
        if (!byUser) {
            StatusBar1->showMessage(tr(kRefusedMedia).arg(address));
            return;
        }
        openInPlayer(address);
        return;
    }
    // The user may browse local pages; a web page may not lead there.
    if (fromPage(request.kind) && url.isLocalFile() && !location().isLocalFile()) {
        cancel = true;
        if (request.mainFrame) userNavigation_.clear();
        return;
    }
    if (request.mainFrame) userNavigation_ = byUser ? url : QUrl();
}

// The user's gesture decides a page's navigations; Typed comes only from the
// address box, the user's own. A redirect is the user's when it comes from
// the server on the way to the page the user asked for; one that the page
// makes once it is shown (a script, a refresh) is the page's.
bool TfrmIE::startedByUser(const qm::NavigationRequest& request) {
    if (!request.mainFrame) return false;
    switch (request.kind) {
        case qm::NavigationKind::Typed:
            return true;
        case qm::NavigationKind::Redirect:
            return !userNavigation_.isEmpty() && location() != userNavigation_;
        case qm::NavigationKind::LinkClicked:
        case qm::NavigationKind::FormSubmitted:
        case qm::NavigationKind::BackForward:
        case qm::NavigationKind::Reload:
        case qm::NavigationKind::Other:
            return gesture_.takeForNavigation(request.url, request.kind, Clock::now());
    }
    return false;
}

// A window needs the engine's word that the user asked for it and the
// user's gesture on this window, which it takes: one press, one window.
void TfrmIE::WebBrowser1NewWindow2(const qm::NewWindowRequest& request, bool& cancel) {
    if (!request.userInitiated || !gesture_.takeForWindow(Clock::now())) {
        cancel = true;
        StatusBar1->showMessage(tr(kRefusedWindow));
        return;
    }
    if (!qm::browser::isMediaLink(pendingMediaLink_, wmpList(), rpList())) return;
    cancel = true;  // pendingMediaLink stays: it is never cleared by use
    const QUrl url(pendingMediaLink_);
    if (qm::browser::mayGoToPlayer(url)) openInPlayer(url.toString(QUrl::FullyEncoded));
}

// While the user is typing in the box, the address is listed but the text
// is left as typed.
void TfrmIE::WebBrowser1NavigateComplete2() {
    if (view_ == nullptr) return;
    const QString location = view_->url().toString();
    if (location.isEmpty()) return;  // nothing shown yet
    if (location == cmbURL->currentText()) return;
    if (cmbURL->findText(location, Qt::MatchFixedString) < 0) {
        QLineEdit* edit = cmbURL->lineEdit();
        const QString typed = edit->text();
        const int cursor = edit->cursorPosition();
        cmbURL->addItem(location);  // the first item of an empty list becomes the text
        if (addressEdited_ && edit->text() != typed) {
            edit->setText(typed);
            edit->setCursorPosition(cursor);
        }
    }
    if (!addressEdited_) cmbURL->setEditText(location);
}

// ---------------------------------------------------------------- what the view reports

// The engine calls these from inside itself, where no exception may pass:
// each runs its handler and shows what it throws through the general handler.

void TfrmIE::statusTextChanged(const QString& text) noexcept {
    runGuarded([&] {
        hoveredLink_ = QUrl(text);
        WebBrowser1StatusTextChange(text);
    });
}

bool TfrmIE::beforeNavigate(const qm::NavigationRequest& request) noexcept {
    bool cancel = false;
    runGuarded([&] { WebBrowser1BeforeNavigate2(request, cancel); });
    return cancel;
}

// Not cancelled, the page gets a browser window of ours, shown, sharing this
// window's engine. The user's gesture goes with it, for the address it was
// asked for and no other.
qm::BrowserView* TfrmIE::newWindow(const qm::NewWindowRequest& request) noexcept {
    bool cancel = false;
    qm::BrowserView* view = nullptr;
    runGuarded([&] {
        WebBrowser1NewWindow2(request, cancel);
        if (cancel) return;
        auto* w = new TfrmIE(family_);
        family_->pageWindows_ << QPointer<TfrmIE>(w);
        w->gesture_.begin(Clock::now(), request.url);
        w->show();
        view = w->view_.get();
    });
    return view;
}

void TfrmIE::navigateComplete() noexcept {
    userNavigation_.clear();  // its page is shown, or it ended
    runGuarded([this] { WebBrowser1NavigateComplete2(); });
}

// A press on the page is the user turning to it: what was typed in the box
// and not gone to is given up. A button or Enter belongs to the link the
// engine last reported, under the pointer or focused (none when it reported
// none); any other key lets nothing through, so typing in a page's field
// never licenses what the page's script does on it.
void TfrmIE::userInput(qm::UserInput input) noexcept {
    runGuarded([&] {
        switch (input) {
            case qm::UserInput::ButtonUp:
                gesture_.extend(Clock::now());
                return;
            case qm::UserInput::ButtonDown:
            case qm::UserInput::Enter:
                addressEdited_ = false;
                gesture_.begin(Clock::now(), hoveredLink_);
                return;
            case qm::UserInput::OtherKey:
                addressEdited_ = false;
                gesture_.end();
                return;
        }
    });
}

void TfrmIE::closeRequested() noexcept {
    // A page may close a window it was given, not frmIE. Later: the page is
    // still inside its own call.
    if (family_ == this) return;
    QTimer::singleShot(0, this, &QWidget::close);
}

// The open waits for the media's length with a nested event loop; that must
// not run inside the engine's navigation callback, so it goes to the queue.
// The navigation has been cancelled already. No open starts while a box or
// dialog is showing (its question would be asked again inside it), and one
// waiting in the queue is enough.
void TfrmIE::openInPlayer(const QString& address) {
    if (dialogShowing()) {
        StatusBar1->showMessage(tr(kBusy).arg(address));
        return;
    }
    if (openQueued_) return;
    openQueued_ = true;
    QTimer::singleShot(0, this, qm::guarded([this, address] {
        openQueued_ = false;
        if (dialogShowing()) {
            StatusBar1->showMessage(tr(kBusy).arg(address));
            return;
        }
        session_.OpenFile(address);  // its result is not looked at
        if (mainWindow_ != nullptr) {
            mainWindow_->show();
            mainWindow_->raise();
            mainWindow_->activateWindow();
        }
    }));
}
