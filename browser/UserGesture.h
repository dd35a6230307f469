#pragma once

#include "browser/BrowserEngine.h"

#include <QUrl>

#include <chrono>
#include <optional>

namespace qm::browser {

// The user's latest press of a mouse button or Enter on a page, or of the
// window's own back or forward button, which lets one navigation or one new
// window count as the user's own: the engine says how a navigation came about,
// never whether the user was behind it. Knows nothing of the engine; the
// window feeds it the input and the time.
//
// A press on the page belongs to the link it was on (under the pointer, or
// focused for Enter): only a navigation to that address counts as the user's.
// A press on no link lets no navigation through, whatever the page does after
// it; a page's script can answer any press with a navigation of its own.
class UserGesture {
public:
    using Clock = std::chrono::steady_clock;
    // Long enough for the engine to turn a click into its navigation on a busy
    // machine, short enough that a page cannot keep it for later.
    static constexpr std::chrono::milliseconds kLifetime{2000};

    // A button or Enter went down on the page. link: the link under the
    // pointer or the focus, empty when none. Also the address a new window is
    // opened for (empty when the page gave none). Replaces any gesture not
    // yet taken.
    void begin(Clock::time_point now, const QUrl& link);
    // The window's own back or forward button: lets one move through the
    // history through, not a navigation a page makes meanwhile.
    void beginHistoryMove(Clock::time_point now);
    // A key that activates nothing (typing, Tab): lets nothing through, and
    // ends any gesture not yet taken.
    void end();
    // The button came up: a gesture not yet taken lasts from now on, however
    // long the press. Once taken, it stays taken: one click, one gesture.
    void extend(Clock::time_point now);

    // Takes the gesture for a navigation of that kind to url. False when there
    // is none, it is older than kLifetime, or it is for another address (to
    // which it may still go) or for a history move when this is none.
    bool takeForNavigation(const QUrl& url, qm::NavigationKind kind, Clock::time_point now);
    // Takes the gesture for a new window, whichever link it belongs to. False
    // when there is none or it is older than kLifetime.
    bool takeForWindow(Clock::time_point now);

private:
    bool alive(Clock::time_point now) const;

    std::optional<Clock::time_point> since_;  // empty: none, or taken
    bool historyMove_ = false;                // the window's own back or forward
    QUrl link_;                               // else the one address it lets through; empty: none
};

}  // namespace qm::browser
