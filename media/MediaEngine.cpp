#include "media/MediaEngine.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <limits>
#include <utility>

namespace qm {

namespace {
// Longest single wait for an event while WaitForLength polls.
constexpr int kPumpWaitMs = 10;
}  // namespace

MediaEngine::MediaEngine(PracticeState& state, WmpPlayer& mediaPlayer, RealAudioControl& streaming,
                         EventPump processEvents, Clock clock)
    : s_(state), wmp_(mediaPlayer), ra_(streaming), processEvents_(std::move(processEvents)), clock_(std::move(clock)) {}

int32_t MediaEngine::secondsToMs(double seconds) {
    const double ms = std::trunc(seconds * 1000.0);
    if (std::isnan(ms)) return 0;
    if (ms >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (ms <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(ms);
}

void MediaEngine::MediaPlay() {
    if (s_.useReal)
        ra_.DoPlay();
    else
        wmp_.controls().play();
}

void MediaEngine::MediaPause() {
    if (s_.useReal)
        ra_.DoPause();
    else
        wmp_.controls().pause();
}

void MediaEngine::MediaStop() {
    if (s_.useReal)
        ra_.DoStop();
    else
        wmp_.controls().stop();
}

bool MediaEngine::IsPlaying() {
    if (s_.useReal) return ra_.GetPlayState() == ra::Playing;
    return wmp_.playState() == wmp::Playing;
}

void MediaEngine::ReadPosition() {
    s_.mediaPos = s_.useReal ? ra_.GetPosition() : secondsToMs(wmp_.controls().currentPosition());
}

void MediaEngine::ReadExactPosition() {
    if (s_.useReal)
        ra_.readExactNext();
    else
        wmp_.readExactNext();
    ReadPosition();
}

void MediaEngine::SeekTo(int32_t ms) {
    if (s_.useReal)
        ra_.SetPosition(ms);
    else
        wmp_.controls().setCurrentPosition(static_cast<double>(ms) / 1000.0);
}

int32_t MediaEngine::WaitForLength() {
    s_.mediaLength = 0;
    const auto deadline = clock_() + std::chrono::milliseconds(kLengthDeadlineMs);
    while (s_.mediaLength == 0 && clock_() < deadline) {
        // Handlers of the whole program may run here, even another engine
        // call: the length is read from whichever engine is active afterwards.
        processEvents_(kPumpWaitMs);
        if (s_.useReal) {
            s_.mediaLength = ra_.GetLength();
        } else {
            WmpMedia* media = wmp_.currentMedia();
            s_.mediaLength = media ? secondsToMs(media->duration()) : 0;
        }
        // A source the engine has given up on gets no length: no need to wait on.
        if (s_.mediaLength == 0 && (s_.useReal ? ra_.openFailed() : wmp_.openFailed())) break;
    }
    lengthFailure_.clear();
    if (s_.mediaLength == 0) {
        lengthFailure_ = s_.useReal ? ra_.openError() : wmp_.openError();
        if (lengthFailure_.isEmpty())
            lengthFailure_ = QStringLiteral("no length within %1 s").arg(kLengthDeadlineMs / 1000);
        MediaStop();
    }
    return s_.mediaLength;
}

void MediaEngine::LoadIntoEngine(const QString& path, Engine engine) {
    s_.useReal = engine == Engine::Streaming;
    if (s_.useReal) {
        ra_.setSource(path);
        ra_.setControlVisible(true);
        wmp_.setControlVisible(false);
    } else {
        wmp_.setURL(path);
        wmp_.setControlVisible(true);
        ra_.setControlVisible(false);
    }
}

void MediaEngine::SetRate(double rate) {
    wmp_.settings().setRate(rate);
}

void MediaEngine::MediaShutdown() {
    wmp_.controls().stop();
    wmp_.close();
    ra_.DoStop();
}

MediaEngine::EventPump qtEventPump() {
    return [](int maxWaitMs) {
        // The timer guarantees an event, so the wait ends after maxWaitMs at
        // the latest; anything arriving earlier ends it sooner.
        QTimer bound;
        bound.setSingleShot(true);
        bound.start(maxWaitMs);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    };
}

}  // namespace qm
