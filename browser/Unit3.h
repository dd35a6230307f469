#pragma once

#include "BrowserEngine.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QComboBox;
class QFrame;
class QLibrary;
class QStatusBar;
class QToolButton;
class QUrl;
class QVBoxLayout;

// The browser window. Watches the navigation of its web view: links to media
// with a listed extension go to the main window's OpenFile instead of being
// shown. Owns its view and, in the program's one browser window, the web
// engine (its profile), which the windows its pages ask for share; the
// extension lists belong to frmInfo, the player to frmMain.
//
// The web engine is loaded and made when the window is first shown, not
// before: it costs much time and memory, and the player must start fast.
class TfrmIE : public QWidget, private qm::BrowserViewHost {
    Q_OBJECT
public:
    explicit TfrmIE(QWidget* parent = nullptr);
    ~TfrmIE() override;

    // Loads the engine and makes the view if they are not there yet; throws
    // when the engine's module cannot be loaded.
    void ensureWebEngine();
    bool hasWebEngine() const { return view_ != nullptr; }
    QObject* page() const;  // the engine's page (a QWebEnginePage); null before the engine
    QUrl location() const;  // the address of the document shown; empty before any
    QString pendingMediaLink() const { return pendingMediaLink_; }
    // The windows pages of this window's family asked for and that are still open.
    QList<TfrmIE*> pageWindows() const;

    void btnGoClick();
    void cmbURLChange();
    void btnBackClick();
    void btnForwardClick();
    void btnStopClick();
    void WebBrowser1StatusTextChange(const QString& text);
    // fromPage: a link, form, script or redirect rather than the user's own address.
    void WebBrowser1BeforeNavigate2(const QUrl& url, bool fromPage, bool& cancel);
    void WebBrowser1NewWindow2(bool& cancel);
    void WebBrowser1NavigateComplete2();

    // The addresses the address box starts with.
    static QStringList presetAddresses();

    QFrame* Panel1;
    QToolButton* btnBack;
    QToolButton* btnStop;
    QToolButton* btnForward;
    QComboBox* cmbURL;
    QToolButton* btnGo;
    QWidget* WebBrowser1 = nullptr;  // the engine's view, made at the first show
    QStatusBar* StatusBar1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // A window a page asked for: its view is made at once, since the page
    // that asked waits for the new page.
    explicit TfrmIE(TfrmIE* family);

    void buildControls();
    void navigate(const QString& address);
    void openInPlayer(const QString& address);
    qm::BrowserEngine& engine();

    // BrowserViewHost
    void statusTextChanged(const QString& text) noexcept override;
    bool beforeNavigate(const QUrl& url, bool fromPage) noexcept override;
    qm::BrowserView* newWindow() noexcept override;
    void navigateComplete() noexcept override;
    void closeRequested() noexcept override;

    TfrmIE* family_;  // the window that owns the engine: this for frmIE
    std::unique_ptr<QLibrary> module_;         // the family's window only
    std::unique_ptr<qm::BrowserEngine> engine_;  // the family's window only
    std::unique_ptr<qm::BrowserView> view_;
    QVBoxLayout* viewHost_ = nullptr;
    QString pendingMediaLink_;
    QList<QPointer<TfrmIE>> pageWindows_;  // kept by the family's window
};

extern TfrmIE* frmIE;
