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

// How a navigation came about, as the engine tells it. The engine does not say
// whether the user's input was behind it: a script on a timer and the user's
// click on a link both come as LinkClicked; a script while the page loads, a
// refresh and a server's redirect come as Redirect.
enum class NavigationKind { Typed, LinkClicked, FormSubmitted, BackForward, Reload, Redirect, Other };

struct NavigationRequest {
    QUrl url;
    NavigationKind kind = NavigationKind::Other;
    bool mainFrame = true;  // false: the navigation of a frame inside the page
};

struct NewWindowRequest {
    QUrl url;                    // what the page would show there; may be empty
    // The engine counts the request as the user's: made soon after a click or
    // key on the page, and the first since.
    bool userInitiated = false;
};

// The user's own input that reached the view's page. Enter (Return or the
// keypad's Enter) activates the focused link; any other key only types or
// moves the focus.
enum class UserInput { ButtonDown, ButtonUp, Enter, OtherKey };

// What a browser window hears from its view. The calls come from inside the
// engine, which cannot take exceptions: implementations must not throw.
class BrowserViewHost {
public:
    virtual void statusTextChanged(const QString& text) noexcept = 0;
    // A navigation is about to start; true cancels it.
    virtual bool beforeNavigate(const NavigationRequest& request) noexcept = 0;
    // The page asks for a new window: the view it is to load into, or null to cancel.
    virtual BrowserView* newWindow(const NewWindowRequest& request) noexcept = 0;
    virtual void navigateComplete() noexcept = 0;
    // The page asks to close its window.
    virtual void closeRequested() noexcept = 0;
    // A mouse button or a key was pressed (or a button released) on the page.
    // Only real input events: nothing a page's script does arrives here.
    virtual void userInput(UserInput input) noexcept = 0;

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

}  // namespace qm
