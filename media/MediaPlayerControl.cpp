#include "media/MediaPlayerControl.h"

namespace qm {

MediaPlayerControl::MediaPlayerControl(QObject* parent, const QString& audioOutput)
    : QObject(parent), session_(this, audioOutput) {
    session_.setVolume(kInitialVolume);
    session_.setSpeed(1.0);
    connect(&session_, &PlaybackSession::phaseChanged, this, &MediaPlayerControl::onPhase);
}

WmpMedia* MediaPlayerControl::currentMedia() {
    if (!session_.hasSource() || session_.hasFailed()) return nullptr;
    return &media_;
}

void MediaPlayerControl::setURL(const QString& url) {
    if (url.isEmpty()) {
        close();
        return;
    }
    session_.open(url, /*autoplay=*/true);
}

int MediaPlayerControl::playState() {
    switch (session_.phase()) {
    case PlaybackSession::Phase::Empty: return wmp::Undefined;
    case PlaybackSession::Phase::Opening: return wmp::Transitioning;
    case PlaybackSession::Phase::Playing: return wmp::Playing;
    case PlaybackSession::Phase::Paused: return wmp::Paused;
    case PlaybackSession::Phase::Buffering: return wmp::Buffering;
    case PlaybackSession::Phase::Stopped:
    case PlaybackSession::Phase::Ended: return wmp::Stopped;
    case PlaybackSession::Phase::Failed: return wmp::Ready;
    }
    return wmp::Undefined;
}

void MediaPlayerControl::close() { session_.close(); }

void MediaPlayerControl::onPhase() {
    const int state = playState();
    if (state != lastState_) {
        lastState_ = state;
        emit PlayStateChange(state);
    }
    emit StatusChange();
}

}  // namespace qm
