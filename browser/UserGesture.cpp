#include "browser/UserGesture.h"

namespace qm::browser {

void UserGesture::begin(Clock::time_point now, const QUrl& link) {
    since_ = now;
    historyMove_ = false;
    link_ = link;
}

void UserGesture::beginHistoryMove(Clock::time_point now) {
    since_ = now;
    historyMove_ = true;
    link_.clear();
}

void UserGesture::end() {
    since_.reset();
    historyMove_ = false;
    link_.clear();
}

void UserGesture::extend(Clock::time_point now) {
    if (since_.has_value()) since_ = now;  // a long press is still one gesture
}

bool UserGesture::takeForNavigation(const QUrl& url, qm::NavigationKind kind, Clock::time_point now) {
    if (!alive(now)) return false;
    const bool allowed = historyMove_ ? kind == qm::NavigationKind::BackForward : !link_.isEmpty() && url == link_;
    if (!allowed) return false;
    since_.reset();
    return true;
}

bool UserGesture::takeForWindow(Clock::time_point now) {
    if (!alive(now)) return false;
    since_.reset();
    return true;
}

bool UserGesture::alive(Clock::time_point now) const {
    return since_.has_value() && now >= *since_ && now - *since_ <= kLifetime;
}

}  // namespace qm::browser
