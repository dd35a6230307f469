#include "UserGesture.h"

namespace qm::browser {

void UserGesture::begin(Clock::time_point now, const QUrl& mediaLink) {
    since_ = now;
    mediaLink_ = mediaLink;
}

void UserGesture::extend(Clock::time_point now) {
    if (since_.has_value()) since_ = now;  // a long press is still one gesture
}

bool UserGesture::takeForNavigation(const QUrl& url, Clock::time_point now) {
    if (!alive(now)) return false;
    if (!mediaLink_.isEmpty() && url != mediaLink_) return false;
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
