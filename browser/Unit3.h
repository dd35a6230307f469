#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QComboBox;
class QFrame;
class QStatusBar;
class QToolButton;
class QUrl;
class QVBoxLayout;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace qm {
class TBrowserPage;
}

// The browser window. Watches the navigation of its web view: links to media
// with a listed extension go to the main window's OpenFile instead of being
// shown. Owns the web engine's view, page and (in the program's one browser
// window) the profile it shares with the windows its pages ask for; the
// extension lists belong to frmInfo, the player to frmMain.
//
// The web engine is made when the window is first shown, not before: it costs
// a second or more and much memory, and the player must start fast.
class TfrmIE : public QWidget {
    Q_OBJECT
public:
    explicit TfrmIE(QWidget* parent = nullptr);
    ~TfrmIE() override;

    // Makes the view, its page and the profile if they are not there yet.
    void ensureWebEngine();
    bool hasWebEngine() const { return WebBrowser1 != nullptr; }
    QWebEnginePage* page() const;  // null before the web engine is made
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

    // The window a page gets when it asks for one and is let: a browser window
    // of ours, shown, sharing this window's profile. Returns its page.
    QWebEnginePage* openPageWindow();

    // The addresses the address box starts with.
    static QStringList presetAddresses();

    QFrame* Panel1;
    QToolButton* btnBack;
    QToolButton* btnStop;
    QToolButton* btnForward;
    QComboBox* cmbURL;
    QToolButton* btnGo;
    QWebEngineView* WebBrowser1 = nullptr;  // made at the first show
    QStatusBar* StatusBar1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // A window a page asked for: its engine is made at once, since the page
    // that asked is waiting for the new page.
    TfrmIE(TfrmIE* family, QWebEngineProfile* profile);

    void buildControls();
    void navigate(const QString& address);
    void openInPlayer(const QString& address);

    TfrmIE* family_;                 // the window whose profile is shared; this for frmIE
    QWebEngineProfile* profile_ = nullptr;
    bool ownsProfile_ = false;
    qm::TBrowserPage* page_ = nullptr;
    QVBoxLayout* viewHost_ = nullptr;
    QString pendingMediaLink_;
    QList<QPointer<TfrmIE>> pageWindows_;  // kept by the family's first window
};

extern TfrmIE* frmIE;
