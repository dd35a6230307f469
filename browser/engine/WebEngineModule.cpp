// The web engine module: QtWebEngine behind the browser window's seam. Loaded
// by the browser window when it is first shown.
#include "browser/BrowserEngine.h"
#include "browser/engine/BrowserPage.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// Reports the user's mouse buttons and keys on the view's page to the host.
// The page is drawn by a widget the view makes inside itself when it first
// shows a page, which is where the input goes: the watch follows the view's
// children as they come.
class InputWatch : public QObject {
public:
    InputWatch(QWidget* view, qm::BrowserViewHost* host) : QObject(view), view_(view), host_(host) {
        view->installEventFilter(this);
        for (QObject* child : view->children()) child->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == view_) {
            if (event->type() == QEvent::ChildAdded) static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
            return false;  // input the page did not take comes up here again: counted once
        }
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                host_->userInput(qm::UserInput::ButtonDown);
                break;
            case QEvent::MouseButtonRelease:
                host_->userInput(qm::UserInput::ButtonUp);
                break;
            case QEvent::KeyPress:
                reportKey(*static_cast<QKeyEvent*>(event));
                break;
            default:
                break;
        }
        return false;
    }

private:
    // A held key repeats by itself, a modifier alone does nothing on a page,
    // and Escape is how the user says no: none of them is reported.
    void reportKey(const QKeyEvent& e) {
        if (e.isAutoRepeat()) return;
        const int key = e.key();
        if (key == Qt::Key_Escape || (key >= Qt::Key_Shift && key <= Qt::Key_ScrollLock)) return;
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        host_->userInput(enter ? qm::UserInput::Enter : qm::UserInput::OtherKey);
    }

    QWidget* view_;
    qm::BrowserViewHost* host_;
};

// A QWebEngineView with our page. The widget goes with this object.
class WebView : public qm::BrowserView {
public:
    WebView(QWebEngineProfile* profile, qm::BrowserViewHost* host) : view_(new QWebEngineView) {
        page_ = new qm::TBrowserPage(host, profile, view_);
        // Local pages may neither read other local files nor reach the web behind the user's back.
        page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        view_->setPage(page_);
        new InputWatch(view_, host);
        QObject::connect(page_, &QWebEnginePage::linkHovered, page_,
                         [host](const QString& text) { host->statusTextChanged(text); });
        QObject::connect(page_, &QWebEnginePage::urlChanged, page_, [host] { host->navigateComplete(); });
        QObject::connect(page_, &QWebEnginePage::loadFinished, page_, [host] { host->navigateComplete(); });
        QObject::connect(page_, &QWebEnginePage::windowCloseRequested, page_, [host] { host->closeRequested(); });
    }
    ~WebView() override { delete view_.data(); }  // the page is its child

    QWidget* widget() override { return view_; }
    QObject* page() override { return page_; }
    void load(const QUrl& url) override { view_->setUrl(url); }
    void back() override { view_->back(); }
    void forward() override { view_->forward(); }
    void stop() override { view_->stop(); }
    QUrl url() const override { return view_->url(); }

private:
    QPointer<QWebEngineView> view_;
    qm::TBrowserPage* page_;
};

// One off-the-record profile: no cookies, cache or history are kept on disk,
// so the program leaves no trace of where the user browsed.
class WebEngine : public qm::BrowserEngine {
public:
    WebEngine() : profile_(new QWebEngineProfile) {}
    // Views must be gone by now: a profile outliving none of its pages is what the engine wants.
    ~WebEngine() override { delete profile_; }

    std::unique_ptr<qm::BrowserView> createView(qm::BrowserViewHost* host) override {
        return std::make_unique<WebView>(profile_, host);
    }

private:
    QWebEngineProfile* profile_;
};

}  // namespace

extern "C" Q_DECL_EXPORT qm::BrowserEngine* qm_create_browser_engine() { return new WebEngine; }
