#include "BrowserPage.h"

#include "BrowserEngine.h"

namespace qm {

TBrowserPage::TBrowserPage(BrowserViewHost* host, QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), host_(host) {}

bool TBrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool /*isMainFrame*/) {
    // Typed addresses (the address box, code) and moves through the history
    // come from the user; links, forms, scripts and redirects from the page.
    const bool fromPage =
        type != NavigationTypeTyped && type != NavigationTypeBackForward && type != NavigationTypeReload;
    return !host_->beforeNavigate(url, fromPage);
}

QWebEnginePage* TBrowserPage::createWindow(WebWindowType /*type*/) {
    BrowserView* view = host_->newWindow();
    if (view == nullptr) return nullptr;  // cancelled
    return qobject_cast<QWebEnginePage*>(view->page());
}

}  // namespace qm
