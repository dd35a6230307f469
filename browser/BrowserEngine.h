#pragma once

#include <QString>
#include <QUrl>

#include <memory>

class QObject;
class QWidget;

// The seam between the browser window and the web engine. The engine lives in
// a module of its own (qm5_webengine) that the window loads when it is first
// shown: linking it into the program would cost every start tens of
// milliseconds and megabytes before main() even runs.
namespace qm {

class BrowserView;

// What a browser window hears from its view. The calls come from inside the
// engine, which cannot take exceptions: implementations must not throw.
class BrowserViewHost {
public:
    virtual void statusTextChanged(const QString& text) noexcept = 0;
    // A navigation is about to start; true cancels it.
    virtual bool beforeNavigate(const QUrl& url, bool fromPage) noexcept = 0;
    // The page asks for a new window: the view it is to load into, or null to cancel.
    virtual BrowserView* newWindow() noexcept = 0;
    virtual void navigateComplete() noexcept = 0;
    // The page asks to close its window.
    virtual void closeRequested() noexcept = 0;

protected:
    ~BrowserViewHost() = default;
};

// One view with its page. Owns its widget, which the window places.
class BrowserView {
public:
    virtual ~BrowserView() = default;
    virtual QWidget* widget() = 0;
    virtual QObject* page() = 0;  // the engine's page object
    virtual void load(const QUrl& url) = 0;
    virtual void back() = 0;
    virtual void forward() = 0;
    virtual void stop() = 0;
    virtual QUrl url() const = 0;  // the address of the document shown
};

// The engine's profile; every view made from one engine shares it.
class BrowserEngine {
public:
    virtual ~BrowserEngine() = default;
    virtual std::unique_ptr<BrowserView> createView(BrowserViewHost* host) = 0;
};

// The module's one entry: makes the engine.
using CreateBrowserEngine = BrowserEngine* (*)();
inline constexpr char kCreateBrowserEngineSymbol[] = "qm_create_browser_engine";
inline constexpr char kBrowserEngineModule[] = "qm5_webengine";

}  // namespace qm
