#include "browser/engine/BrowserPage.h"

#include "browser/BrowserEngine.h"

#include <QWebEngineNewWindowRequest>

namespace qm {

namespace {

NavigationKind kindOf(QWebEnginePage::NavigationType type) {
    switch (type) {
        case QWebEnginePage::NavigationTypeLinkClicked:
            return NavigationKind::LinkClicked;
        case QWebEnginePage::NavigationTypeTyped:
            return NavigationKind::Typed;
        case QWebEnginePage::NavigationTypeFormSubmitted:
            return NavigationKind::FormSubmitted;
        case QWebEnginePage::NavigationTypeBackForward:
            return NavigationKind::BackForward;
        case QWebEnginePage::NavigationTypeReload:
            return NavigationKind::Reload;
        case QWebEnginePage::NavigationTypeRedirect:
            return NavigationKind::Redirect;
        case QWebEnginePage::NavigationTypeOther:
            return NavigationKind::Other;
    }
    return NavigationKind::Other;
}

}  // namespace

TBrowserPage::TBrowserPage(BrowserViewHost* host, QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), host_(host) {
    // createWindow is left as it is (it makes no window), so that every
    // request comes here, with the engine's word on whether the user asked.
    connect(this, &QWebEnginePage::newWindowRequested, this, &TBrowserPage::newWindowRequest);
}

bool TBrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    return !host_->beforeNavigate(NavigationRequest{url, kindOf(type), isMainFrame});
}

// Not taken up, the request lapses and the page gets no window.
void TBrowserPage::newWindowRequest(QWebEngineNewWindowRequest& request) {
    BrowserView* view = host_->newWindow(NewWindowRequest{request.requestedUrl(), request.isUserInitiated()});
    if (view == nullptr) return;  // cancelled
    if (auto* page = qobject_cast<QWebEnginePage*>(view->page())) request.openIn(page);
}

}  // namespace qm
