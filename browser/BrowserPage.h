#pragma once

#include <QWebEnginePage>

class TfrmIE;

namespace qm {

// The page of a browser window. Hands the engine's navigation and new-window
// requests to the window's handlers, which decide; the page itself decides
// nothing.
class TBrowserPage : public QWebEnginePage {
    Q_OBJECT
public:
    TBrowserPage(TfrmIE* window, QWebEngineProfile* profile, QObject* parent);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    TfrmIE* window_;
};

}  // namespace qm
