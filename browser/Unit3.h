#pragma once

#include "browser/BrowserEngine.h"
#include "browser/UserGesture.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QComboBox;
class QFrame;
class QStatusBar;
class QToolButton;
class QUrl;
class QVBoxLayout;

namespace qm {
class PracticeSession;
}

// The browser window. Watches the navigation of its web view: links to media
// with a listed extension go to the main window's OpenFile instead of being
// shown. Owns its view and, in the program's one browser window, the web
// engine (its profile), which the windows its pages ask for share; the
// extension lists belong to the settings, the player to the practice session.
//
// Only the user drives the player: media goes to it from a navigation of the
// page itself (not of a frame inside it) that the user started, by clicking a
// link (or pressing Enter on it) to that address or to one the server sends
// it on to, or by an address given in the box; what a page does on its own,
// also in answer to a press elsewhere or to typing, is refused and said in the
// status bar. One press of a button or Enter lets the page open at most one
// thing, a navigation or a window. Nothing goes to the player while a box or
// dialog of the program is showing.
//
// The web engine is loaded and made when the window is first shown, not
// before: it costs much time and memory, and the player must start fast.
class TfrmIE : public QWidget, private qm::BrowserViewHost {
    Q_OBJECT
public:
    // The session plays what the user's links give it; mainWindow comes to the
    // front when it does.
    TfrmIE(qm::PracticeSession& session, QWidget* mainWindow, QWidget* parent = nullptr);
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

    // Enter in the address box comes here too.
    void btnGoClick();
    // The user changed the box's text by typing: nothing starts, and the
    // text stays as typed (pages shown meanwhile are only listed) until the
    // user goes somewhere or presses on the page.
    void cmbURLChange();
    // The user chose an item from the box's list: as btnGoClick.
    void cmbURLSelect();
    void btnBackClick();
    void btnForwardClick();
    void btnStopClick();
    void WebBrowser1StatusTextChange(const QString& text);
    void WebBrowser1BeforeNavigate2(const qm::NavigationRequest& request, bool& cancel);
    void WebBrowser1NewWindow2(const qm::NewWindowRequest& request, bool& cancel);
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
    // True when the user started the navigation; may take the user's gesture.
    bool startedByUser(const qm::NavigationRequest& request);
    void openInPlayer(const QString& address);
    qm::BrowserEngine& engine();

    // BrowserViewHost
    void statusTextChanged(const QString& text) noexcept override;
    bool beforeNavigate(const qm::NavigationRequest& request) noexcept override;
    qm::BrowserView* newWindow(const qm::NewWindowRequest& request) noexcept override;
    void navigateComplete() noexcept override;
    void closeRequested() noexcept override;
    void userInput(qm::UserInput input) noexcept override;

    QString wmpList() const;
    QString rpList() const;

    qm::PracticeSession& session_;
    QWidget* mainWindow_;
    TfrmIE* family_;  // the window that owns the engine: this for frmIE
    std::unique_ptr<qm::BrowserEngine> engine_;  // the family's window only
    std::unique_ptr<qm::BrowserView> view_;
    QVBoxLayout* viewHost_ = nullptr;
    QString pendingMediaLink_;
    QUrl hoveredLink_;  // the link the engine last reported under the pointer or focus
    qm::browser::UserGesture gesture_;
    // The address of a navigation of the page that the user started, until its
    // page is shown: a server's redirect on the way there is the user's too.
    QUrl userNavigation_;
    bool addressEdited_ = false;   // the box holds what the user typed, not yet gone to
    bool finishingEdit_ = false;   // the box's line edit is saying its editing ended
    bool openQueued_ = false;      // an open for the player waits in the event queue
    QList<QPointer<TfrmIE>> pageWindows_;  // kept by the family's window
};

extern TfrmIE* frmIE;
