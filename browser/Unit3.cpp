#include "Unit3.h"

#include "Application.h"
#include "BrowserPage.h"
#include "MediaLinks.h"
#include "Unit1.h"
#include "Unit4.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

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
// just before the first profile is made. Settings the user made are kept.
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

TfrmIE::TfrmIE(TfrmIE* family, QWebEngineProfile* profile) : QWidget(nullptr), family_(family), profile_(profile) {
    setObjectName(QStringLiteral("frmIEPage"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    resize(699, 506);
    ensureWebEngine();
}

TfrmIE::~TfrmIE() {
    // Pages go before the profile they were made with, or the engine complains.
    for (const QPointer<TfrmIE>& w : pageWindows_) delete w.data();
    delete WebBrowser1;  // the page is the view's child
    if (ownsProfile_) delete profile_;
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

void TfrmIE::ensureWebEngine() {
    if (WebBrowser1 != nullptr) return;
    if (profile_ == nullptr) {
        prepareWebEngineEnvironment();
        // Off the record: no cookies, cache or history are kept on disk, so the
        // program leaves no trace of where the user browsed.
        profile_ = new QWebEngineProfile();
        ownsProfile_ = true;
    }
    WebBrowser1 = new QWebEngineView();
    page_ = new qm::TBrowserPage(this, profile_, WebBrowser1);
    // Local pages may not read local files or reach the web behind the user's back.
    page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    WebBrowser1->setPage(page_);
    viewHost_->addWidget(WebBrowser1);

    connect(page_, &QWebEnginePage::linkHovered, this, [this](const QString& text) {
        runGuarded([this, &text] { WebBrowser1StatusTextChange(text); });
    });
    connect(page_, &QWebEnginePage::urlChanged, this, [this] { runGuarded([this] { WebBrowser1NavigateComplete2(); }); });
    connect(page_, &QWebEnginePage::loadFinished, this,
            [this] { runGuarded([this] { WebBrowser1NavigateComplete2(); }); });
    connect(page_, &QWebEnginePage::windowCloseRequested, this, [this] {
        if (family_ != this) close();  // a page may close a window it was given, not frmIE
    });
}

QWebEnginePage* TfrmIE::page() const { return page_; }

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
    WebBrowser1->setUrl(url);
}

void TfrmIE::btnGoClick() {
    StatusBar1->showMessage(kPleaseWait);
    navigate(cmbURL->currentText());
}

void TfrmIE::cmbURLChange() { btnGoClick(); }

// The engine reports nothing when there is no page to go to; anything that
// is thrown all the same is dropped, as the window promises.
void TfrmIE::btnBackClick() {
    if (WebBrowser1 == nullptr) return;
    try {
        WebBrowser1->back();
    } catch (const std::exception&) {
    }
}

void TfrmIE::btnForwardClick() {
    if (WebBrowser1 == nullptr) return;
    try {
        WebBrowser1->forward();
    } catch (const std::exception&) {
    }
}

void TfrmIE::btnStopClick() {
    if (WebBrowser1 == nullptr) return;
    WebBrowser1->stop();
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
    if (fromPage && url.isLocalFile() && !(WebBrowser1 != nullptr && WebBrowser1->url().isLocalFile())) {
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
    if (WebBrowser1 == nullptr) return;
    const QString location = WebBrowser1->url().toString();
    if (location.isEmpty()) return;  // nothing shown yet
    if (location == cmbURL->currentText()) return;
    if (cmbURL->findText(location, Qt::MatchFixedString) < 0) cmbURL->addItem(location);
    cmbURL->setEditText(location);
}

QWebEnginePage* TfrmIE::openPageWindow() {
    ensureWebEngine();
    auto* w = new TfrmIE(family_, profile_);
    family_->pageWindows_ << QPointer<TfrmIE>(w);
    w->show();
    return w->page();
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
