#include "BrowserPage.h"

#include "Application.h"
#include "Unit3.h"

namespace qm {

TBrowserPage::TBrowserPage(TfrmIE* window, QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), window_(window) {}

// These two are called from inside the engine, not through a signal, so they
// catch for themselves what the handlers throw.
bool TBrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool /*isMainFrame*/) {
    // Typed addresses (the address box, code) and moves through the history
    // come from the user; links, forms, scripts and redirects from the page.
    const bool fromPage =
        type != NavigationTypeTyped && type != NavigationTypeBackForward && type != NavigationTypeReload;
    bool cancel = false;
    try {
        window_->WebBrowser1BeforeNavigate2(url, fromPage, cancel);
    } catch (const std::exception& e) {
        qmApp()->showError(e);
    }
    return !cancel;
}

QWebEnginePage* TBrowserPage::createWindow(WebWindowType /*type*/) {
    try {
        bool cancel = false;
        window_->WebBrowser1NewWindow2(cancel);
        if (cancel) return nullptr;
        return window_->openPageWindow();
    } catch (const std::exception& e) {
        qmApp()->showError(e);
    }
    return nullptr;
}

}  // namespace qm
