#include "media/PlaybackSession.h"

#include "core/ErrorPolicy.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {
// Once mpv has restarted after a seek, a time this close below the target (or
// beyond it) means the seek has been carried out. A seek made while paused
// after playing restarts at the decoder's pre-roll point, up to ~0.2 s early,
// and reaches the exact target only when playback resumes.
constexpr double kSeekLandedSeconds = 0.005;
// The longest a load waits for mpv to finish the file before: mpv's core
// plays out the sound output's buffer after a file's end (some 0.4 s), and a
// call made meanwhile would hold the event loop that long.
constexpr int kIdleFallbackMs = 1500;
// While mpv plays steadily its time moves with the clock: position() reads
// mpv at most this often then and goes on by the clock in between. mpv's own
// time jitters by tens of milliseconds against the clock under load.
constexpr qint64 kClockedReadMs = 250;
// Two reads from mpv at least kSteadySpanMs apart whose difference is the
// clock's times the speed, within kSteadyToleranceSeconds, make it steady.
// Just after a start or a seek mpv's time stands still for a moment first.
constexpr qint64 kSteadySpanMs = 30;
constexpr double kSteadyToleranceSeconds = 0.010;
}  // namespace

PlaybackSession::PlaybackSession(QObject* parent, const QString& audioOutput, MpvCache cache)
    : QObject(parent), audioOutput_(audioOutput), cache_(cache) {
    idleFallback_.setSingleShot(true);
    idleFallback_.setInterval(kIdleFallbackMs);
    connect(&idleFallback_, &QTimer::timeout, this, guarded([this] {
                if (loadPending_) startLoad();
            }));
}

PlaybackSession::~PlaybackSession() = default;

// The mpv instance comes with the first source: a program that has opened
// nothing yet has not even loaded libmpv.
MpvBridge& PlaybackSession::mpv() {
    if (mpv_ != nullptr) return *mpv_;
    auto bridge = std::make_unique<MpvBridge>(this, audioOutput_, cache_);
    connect(bridge.get(), &MpvBridge::startFile, this, &PlaybackSession::onStartFile);
    connect(bridge.get(), &MpvBridge::fileLoaded, this, &PlaybackSession::onFileLoaded);
    connect(bridge.get(), &MpvBridge::playbackRestarted, this, &PlaybackSession::onPlaybackRestarted);
    connect(bridge.get(), &MpvBridge::endFile, this, &PlaybackSession::onEndFile);
    connect(bridge.get(), &MpvBridge::pausedForCacheChanged, this, &PlaybackSession::onBuffering);
    connect(bridge.get(), &MpvBridge::durationChanged, this, &PlaybackSession::onDuration);
    connect(bridge.get(), &MpvBridge::idleChanged, this, &PlaybackSession::onIdle);
    bridge->setFlag(mpvprop::Pause, true);
    bridge->setDouble(mpvprop::Speed, speed_);
    bridge->setDouble(mpvprop::Volume, volume_);
    mpv_ = std::move(bridge);
    return *mpv_;
}

void PlaybackSession::setPhase(Phase p) {
    if (p == phase_) return;
    phase_ = p;
    forgetReadings();
    emit phaseChanged(p);
}

void PlaybackSession::open(const QString& source, bool autoplay) {
    source_ = source;
    lastError_.clear();
    seekTarget_.reset();
    startAt_.reset();
    if (duration_ != 0) {
        duration_ = 0;
        emit durationChanged(0);
    }
    if (!MpvBridge::isAcceptedSource(source)) {
        fail(source, QStringLiteral("refused media address: ") + source);
        return;
    }
    reload(autoplay ? Phase::Playing : Phase::Stopped);
}

void PlaybackSession::fail(const QString& source, const QString& why) {
    // mpv never sees the source, and the previous media does not go on.
    if (!dropPendingLoad() && (loaded_ || phase_ == Phase::Opening) && mpv_) mpv_->stop();
    source_ = source;
    loaded_ = false;
    entry_ = kNoEntry;
    seekTarget_.reset();
    startAt_.reset();
    if (duration_ != 0) {
        duration_ = 0;
        emit durationChanged(0);
    }
    lastError_ = why;
    failed_ = true;
    setPhase(Phase::Failed);
}

void PlaybackSession::awaitSource(const QString& source) {
    if (!dropPendingLoad() && (loaded_ || phase_ == Phase::Opening) && mpv_) mpv_->stop();
    source_ = source;
    lastError_.clear();
    failed_ = false;
    loaded_ = false;
    entry_ = kNoEntry;
    seekTarget_.reset();
    startAt_.reset();
    if (duration_ != 0) {
        duration_ = 0;
        emit durationChanged(0);
    }
    afterLoad_ = Phase::Stopped;
    setPhase(Phase::Opening);
}

// Loads source_ paused; onFileLoaded applies startAt_ and then goes on to `after`.
void PlaybackSession::reload(Phase after) {
    afterLoad_ = after;
    failed_ = false;
    loaded_ = false;
    followRedirect_ = false;
    // Just after a file's end mpv is still finishing it: the load is made
    // once it has, so that the event loop does not wait on mpv meanwhile.
    if (mpv_ && !mpvIdle_ && phase_ == Phase::Ended) {
        loadPending_ = true;
        entry_ = kNoEntry;
        idleFallback_.start();
    } else {
        startLoad();
    }
    setPhase(Phase::Opening);
}

void PlaybackSession::startLoad() {
    loadPending_ = false;
    idleFallback_.stop();
    mpv().setFlag(mpvprop::Pause, true);
    entry_ = mpv().load(source_);
}

// A load not yet handed to mpv is forgotten; true when there was one (and so
// nothing of mpv's to stop).
bool PlaybackSession::dropPendingLoad() {
    if (!loadPending_) return false;
    loadPending_ = false;
    idleFallback_.stop();
    return true;
}

void PlaybackSession::onIdle(bool idle) {
    mpvIdle_ = idle;
    if (idle && loadPending_) startLoad();
}

void PlaybackSession::play() {
    switch (phase_) {
    case Phase::Empty:
    case Phase::Playing:
    case Phase::Buffering: return;
    case Phase::Failed:
        if (MpvBridge::isAcceptedSource(source_)) reload(Phase::Playing);
        return;
    case Phase::Ended: reload(Phase::Playing); return;
    case Phase::Opening:
        afterLoad_ = Phase::Playing;
        if (loaded_) mpv().setFlag(mpvprop::Pause, false);
        return;
    case Phase::Stopped:
        if (!loaded_) {
            reload(Phase::Playing);
            return;
        }
        [[fallthrough]];
    case Phase::Paused:
        mpv().setFlag(mpvprop::Pause, false);
        setPhase(Phase::Playing);
        return;
    }
}

void PlaybackSession::pause() {
    switch (phase_) {
    case Phase::Empty:
    case Phase::Failed:
    case Phase::Paused: return;
    case Phase::Ended: reload(Phase::Paused); return;
    case Phase::Opening:
        afterLoad_ = Phase::Paused;
        if (!loaded_) return;
        mpv().setFlag(mpvprop::Pause, true);
        setPhase(Phase::Paused);
        return;
    case Phase::Stopped:
        if (!loaded_) {
            reload(Phase::Paused);
            return;
        }
        setPhase(Phase::Paused);  // mpv is paused already
        return;
    case Phase::Playing:
    case Phase::Buffering:
        mpv().setFlag(mpvprop::Pause, true);
        setPhase(Phase::Paused);
        return;
    }
}

void PlaybackSession::stop() {
    switch (phase_) {
    case Phase::Empty: return;
    case Phase::Failed:
    case Phase::Ended:
        startAt_.reset();
        setPhase(Phase::Stopped);
        return;
    case Phase::Opening:
        if (!loaded_) {
            // Abandon the load: an address that does not answer would keep
            // mpv busy otherwise. play() loads it again.
            if (!dropPendingLoad() && mpv_) mpv_->stop();
            entry_ = kNoEntry;
            startAt_.reset();
            setPhase(Phase::Stopped);
            return;
        }
        [[fallthrough]];
    case Phase::Stopped:
    case Phase::Playing:
    case Phase::Paused:
    case Phase::Buffering:
        if (!loaded_) {
            startAt_.reset();
            return;
        }
        afterLoad_ = Phase::Stopped;
        mpv().setFlag(mpvprop::Pause, true);
        seek(0);
        setPhase(Phase::Stopped);
        return;
    }
}

void PlaybackSession::close() {
    if (!dropPendingLoad() && (loaded_ || phase_ == Phase::Opening) && mpv_) mpv_->stop();
    source_.clear();
    failed_ = false;
    loaded_ = false;
    entry_ = kNoEntry;
    seekTarget_.reset();
    startAt_.reset();
    if (duration_ != 0) {
        duration_ = 0;
        emit durationChanged(0);
    }
    setPhase(Phase::Empty);
}

void PlaybackSession::seek(double seconds) {
    if (!std::isfinite(seconds)) return;
    const double t = std::max(0.0, seconds);
    if (!loaded_) {
        if (hasSource()) startAt_ = t;  // where the next load begins
        return;
    }
    seekTarget_ = t;
    seekRestarted_ = false;
    forgetReadings();
    mpv().seekExact(t);
}

double PlaybackSession::position() {
    if (!loaded_) return startAt_.value_or(0.0);
    if (seekTarget_ && !seekLanded()) return *seekTarget_;
    double t = 0;
    if (phase_ == Phase::Playing && mpvSteady_ && !readMpvNext_ && !mpvReadAge_.hasExpired(kClockedReadMs)) {
        t = *mpvRead_ + static_cast<double>(mpvReadAge_.elapsed()) / 1000.0 * speed_;
        if (duration_ > 0) t = std::min(t, duration_);
    } else {
        readMpvNext_ = false;
        t = readMpvTime();
    }
    emit positionRead();
    return t;
}

double PlaybackSession::readMpvTime() {
    const double t = std::max(0.0, mpv().getDouble(mpvprop::TimePos).value_or(0.0));
    if (mpvRead_ && !mpvReadAge_.hasExpired(kSteadySpanMs - 1)) return t;  // too close to the last to tell
    const bool steady = mpvRead_ && std::abs((t - *mpvRead_) - static_cast<double>(mpvReadAge_.elapsed()) /
                                                                    1000.0 * speed_) <= kSteadyToleranceSeconds;
    mpvSteady_ = phase_ == Phase::Playing && steady;
    mpvRead_ = t;
    mpvReadAge_.start();
    return t;
}

// After a seek, a change of phase or of speed, the clock says nothing of mpv's time.
void PlaybackSession::forgetReadings() {
    mpvRead_.reset();
    mpvSteady_ = false;
}

// Clears the seek target once mpv's own time has reached it.
bool PlaybackSession::seekLanded() {
    if (!seekTarget_ || !seekRestarted_) return !seekTarget_;
    const auto now = mpv().getDouble(mpvprop::TimePos);
    if (!now || *now < *seekTarget_ - kSeekLandedSeconds) return false;
    seekTarget_.reset();
    return true;
}

void PlaybackSession::setSpeed(double speed) {
    if (mpv_) mpv_->setDouble(mpvprop::Speed, speed);
    speed_ = speed;
    forgetReadings();
}

void PlaybackSession::setVolume(int volume) {
    const int v = std::clamp(volume, 0, 100);
    if (mpv_) mpv_->setDouble(mpvprop::Volume, v);
    volume_ = v;
}

void PlaybackSession::onStartFile(qint64 entryId) {
    // A playlist hands over to its first entry after a redirect.
    if (followRedirect_ && entryId != entry_) {
        entry_ = entryId;
        followRedirect_ = false;
    }
    started_ = entryId;
}

bool PlaybackSession::isCurrent(qint64 entryId) const {
    // mpv without entry ids (-1) cannot tell files apart: take every event.
    return entry_ != kNoEntry && (entry_ == -1 || entryId == entry_);
}

void PlaybackSession::onFileLoaded() {
    if (!isCurrent(started_) || phase_ != Phase::Opening) return;
    loaded_ = true;
    if (const auto d = mpv().getDouble(mpvprop::Duration)) onDuration(*d);
    if (startAt_) {
        const double t = *startAt_;
        startAt_.reset();
        seek(t);
    }
    switch (afterLoad_) {
    case Phase::Playing:
        // Playing once mpv reports that playback has begun.
        mpv().setFlag(mpvprop::Pause, false);
        return;
    case Phase::Paused: setPhase(Phase::Paused); return;
    default: setPhase(Phase::Stopped); return;
    }
}

void PlaybackSession::onPlaybackRestarted() {
    if (!isCurrent(started_) || !loaded_) return;
    forgetReadings();  // mpv's time may jump at a restart
    if (seekTarget_) {
        seekRestarted_ = true;
        seekLanded();
    }
    if (phase_ == Phase::Opening && afterLoad_ == Phase::Playing) setPhase(Phase::Playing);
}

void PlaybackSession::onEndFile(qint64 entryId, MpvEndReason reason, const QString& errorText) {
    if (!isCurrent(entryId)) return;
    switch (reason) {
    case MpvEndReason::Eof:
        loaded_ = false;
        seekTarget_.reset();
        startAt_.reset();
        setPhase(Phase::Ended);
        return;
    case MpvEndReason::Error:
        loaded_ = false;
        seekTarget_.reset();
        lastError_ = errorText;
        failed_ = true;
        setPhase(Phase::Failed);
        return;
    case MpvEndReason::Redirect: followRedirect_ = true; return;
    case MpvEndReason::Stop:
    case MpvEndReason::Quit: return;  // asked for here
    }
}

void PlaybackSession::onBuffering(bool buffering) {
    if (buffering && phase_ == Phase::Playing) setPhase(Phase::Buffering);
    if (!buffering && phase_ == Phase::Buffering) setPhase(Phase::Playing);
}

void PlaybackSession::onDuration(double seconds) {
    // Keep the length known when the file is unloaded at its end or by a stop.
    if (!isCurrent(started_) || !(seconds > 0) || seconds == duration_) return;
    duration_ = seconds;
    emit durationChanged(seconds);
}

}  // namespace qm
