#pragma once

#include <QWebEnginePage>

namespace qm {

class BrowserViewHost;

// The page of a browser view. Hands the engine's navigation and new-window
// requests to the window's handlers, which decide; the page decides nothing.
class TBrowserPage : public QWebEnginePage {
    Q_OBJECT
public:
    TBrowserPage(BrowserViewHost* host, QWebEngineProfile* profile, QObject* parent);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    void newWindowRequest(QWebEngineNewWindowRequest& request);

    BrowserViewHost* host_;
};

}  // namespace qm
