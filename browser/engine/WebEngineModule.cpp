// The web engine module: QtWebEngine behind the browser window's seam. Loaded
// by the browser window when it is first shown.
#include "BrowserEngine.h"
#include "BrowserPage.h"

#include <QPointer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// A QWebEngineView with our page. The widget goes with this object.
class WebView : public qm::BrowserView {
public:
    WebView(QWebEngineProfile* profile, qm::BrowserViewHost* host) : view_(new QWebEngineView) {
        page_ = new qm::TBrowserPage(host, profile, view_);
        // Local pages may neither read other local files nor reach the web behind the user's back.
        page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        view_->setPage(page_);
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
