#include "Unit3.h"

#include "Application.h"
#include "MediaLinks.h"
#include "Unit1.h"
#include "Unit4.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLibrary>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <stdexcept>

#include <unistd.h>

namespace {

constexpr int kPanelHeight = 33;
constexpr int kStatusHeight = 19;
const QString kPleaseWait = QStringLiteral("しばらくお待ちください．．．");

QFont japaneseFont() {
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    return f;
}

QString wmpList() { return frmInfo != nullptr ? frmInfo->wmpExtensions() : QStringLiteral(".wma.mp3."); }
QString rpList() { return frmInfo != nullptr ? frmInfo->rpExtensions() : QStringLiteral(".ram.rm."); }

void showMainWindow() {
    if (frmMain == nullptr) return;
    frmMain->show();
    frmMain->raise();
    frmMain->activateWindow();
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

// Runs f at once, its errors shown by the general handler. For signals with
// arguments, which qm::guarded's forwarding wrapper cannot take through connect.
template <typename F>
void runGuarded(F f) {
    qm::guarded(std::move(f))();
}

}  // namespace

QStringList TfrmIE::presetAddresses() {
    return {
        QStringLiteral("https://www.esl-lab.com/"),
        QStringLiteral("https://www.elllo.org/"),
        QStringLiteral("https://learningenglish.voanews.com/"),
        QStringLiteral("https://www.bbc.co.uk/learningenglish/english/features/6-minute-english"),
    };
}

TfrmIE::TfrmIE(QWidget* parent) : QWidget(parent), family_(this) {
    setObjectName(QStringLiteral("frmIE"));
    buildControls();
    move(282, 126);
    resize(699, 506);
}

TfrmIE::TfrmIE(TfrmIE* family) : QWidget(nullptr), family_(family) {
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
    setWindowTitle(QStringLiteral("インターネット"));
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
    cmbURL->setEditable(true);
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
    // Only the user's changes: a choice from the list and typing. The program's
    // own setEditText emits neither.
    connect(cmbURL, &QComboBox::textActivated, this, [this] { runGuarded([this] { cmbURLChange(); }); });
    connect(cmbURL->lineEdit(), &QLineEdit::textEdited, this, [this] { runGuarded([this] { cmbURLChange(); }); });
}

qm::BrowserEngine& TfrmIE::engine() {
    if (family_ != this) return family_->engine();
    if (engine_ != nullptr) return *engine_;
    prepareWebEngineEnvironment();
    // The module lies beside the executable.
    auto module = std::make_unique<QLibrary>(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                                             QLatin1String(qm::kBrowserEngineModule));
    const auto create = reinterpret_cast<qm::CreateBrowserEngine>(module->resolve(qm::kCreateBrowserEngineSymbol));
    if (create == nullptr) {
        throw std::runtime_error("the web engine cannot be loaded: " + module->errorString().toStdString());
    }
    engine_.reset(create());
    module_ = std::move(module);  // never unloaded: the engine's threads live until the end
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
    StatusBar1->showMessage(kPleaseWait);
    navigate(cmbURL->currentText());
}

void TfrmIE::cmbURLChange() { btnGoClick(); }

// The engine reports nothing when there is no page to go to; anything that
// is thrown all the same is dropped, as the window promises.
void TfrmIE::btnBackClick() {
    if (view_ == nullptr) return;
    try {
        view_->back();
    } catch (const std::exception&) {
    }
}

void TfrmIE::btnForwardClick() {
    if (view_ == nullptr) return;
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

void TfrmIE::WebBrowser1BeforeNavigate2(const QUrl& url, bool fromPage, bool& cancel) {
    const QString address = url.toString(QUrl::FullyEncoded);
    if (qm::browser::isMediaLink(address, wmpList(), rpList())) {
        cancel = true;
        // A media link of another scheme (file:, data:, javascript:, …) is
        // dropped: nothing a page shows may make the player read a local file.
        if (qm::browser::mayGoToPlayer(url)) openInPlayer(address);
        return;
    }
    // The user may browse local pages; a web page may not lead there.
    if (fromPage && url.isLocalFile() && !location().isLocalFile()) {
        cancel = true;
    }
}

void TfrmIE::WebBrowser1NewWindow2(bool& cancel) {
    if (!qm::browser::isMediaLink(pendingMediaLink_, wmpList(), rpList())) return;
    cancel = true;  // pendingMediaLink stays: it is never cleared by use
    const QUrl url(pendingMediaLink_);
    if (qm::browser::mayGoToPlayer(url)) openInPlayer(url.toString(QUrl::FullyEncoded));
}

void TfrmIE::WebBrowser1NavigateComplete2() {
    if (view_ == nullptr) return;
    const QString location = view_->url().toString();
    if (location.isEmpty()) return;  // nothing shown yet
    if (location == cmbURL->currentText()) return;
    if (cmbURL->findText(location, Qt::MatchFixedString) < 0) cmbURL->addItem(location);
    cmbURL->setEditText(location);
}

// ---------------------------------------------------------------- what the view reports

// The engine calls these from inside itself, where no exception may pass:
// each runs its handler and shows what it throws through the general handler.

void TfrmIE::statusTextChanged(const QString& text) noexcept {
    runGuarded([&] { WebBrowser1StatusTextChange(text); });
}

bool TfrmIE::beforeNavigate(const QUrl& url, bool fromPage) noexcept {
    bool cancel = false;
    runGuarded([&] { WebBrowser1BeforeNavigate2(url, fromPage, cancel); });
    return cancel;
}

// Not cancelled, the page gets a browser window of ours, shown, sharing this
// window's engine.
qm::BrowserView* TfrmIE::newWindow() noexcept {
    bool cancel = false;
    qm::BrowserView* view = nullptr;
    runGuarded([&] {
        WebBrowser1NewWindow2(cancel);
        if (cancel) return;
        auto* w = new TfrmIE(family_);
        family_->pageWindows_ << QPointer<TfrmIE>(w);
        w->show();
        view = w->view_.get();
    });
    return view;
}

void TfrmIE::navigateComplete() noexcept {
    runGuarded([this] { WebBrowser1NavigateComplete2(); });
}

void TfrmIE::closeRequested() noexcept {
    // A page may close a window it was given, not frmIE. Later: the page is
    // still inside its own call.
    if (family_ == this) return;
    QTimer::singleShot(0, this, &QWidget::close);
}

// The open waits for the media's length with a nested event loop; that must
// not run inside the engine's navigation callback, so it goes to the queue.
// The navigation has been cancelled already.
void TfrmIE::openInPlayer(const QString& address) {
    QTimer::singleShot(0, this, qm::guarded([address] {
        if (frmMain == nullptr) return;
        frmMain->OpenFile(address);  // its result is not looked at
        showMainWindow();
    }));
}
