#pragma once

#include <QUrl>

#include <chrono>
#include <optional>

namespace qm::browser {

// The user's latest press of a mouse button or a key on a page, which lets
// one navigation or one new window count as the user's own: the engine says
// how a navigation came about, never whether the user was behind it. Knows
// nothing of the engine; the window feeds it the input and the time.
//
// A press made while the pointer (or the focus) rested on a media link
// belongs to that link: a page's own navigation to some other address cannot
// take it away from the link the user clicked.
class UserGesture {
public:
    using Clock = std::chrono::steady_clock;
    // Long enough for the engine to turn a click into its navigation on a busy
    // machine, short enough that a page cannot keep it for later.
    static constexpr std::chrono::milliseconds kLifetime{2000};

    // A button or key went down. mediaLink: the media link under the pointer
    // or the focus, empty when none. Replaces any gesture not yet taken.
    void begin(Clock::time_point now, const QUrl& mediaLink);
    // The button came up: a gesture not yet taken lasts from now on, however
    // long the press. Once taken, it stays taken: one click, one gesture.
    void extend(Clock::time_point now);

    // Takes the gesture for a navigation to url. False when there is none,
    // it is older than kLifetime, or it belongs to another media link (which
    // may still take it).
    bool takeForNavigation(const QUrl& url, Clock::time_point now);
    // Takes the gesture for a new window, whichever link it belongs to. False
    // when there is none or it is older than kLifetime.
    bool takeForWindow(Clock::time_point now);

private:
    bool alive(Clock::time_point now) const;

    std::optional<Clock::time_point> since_;  // empty: none, or taken
    QUrl mediaLink_;
};

}  // namespace qm::browser
