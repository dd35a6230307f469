#pragma once

#include "media/PlayerControls.h"
#include "core/PracticeState.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

namespace qm {

enum class Engine { MediaPlayer, Streaming };

// The one road to playback. Every operation talks to the control that
// PracticeState::useReal selects (SetRate and MediaShutdown name theirs) and
// converts between the control's unit and whole milliseconds.
class MediaEngine {
public:
    // processEvents(maxWaitMs) handles pending events, waiting at most maxWaitMs
    // for one to arrive; WaitForLength calls it between its length reads.
    using EventPump = std::function<void(int maxWaitMs)>;
    // The clock WaitForLength measures its deadline by; tests give one that
    // the pump moves on, so that a 5 s deadline takes no 5 s.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    MediaEngine(PracticeState& state, WmpPlayer& mediaPlayer, RealAudioControl& streaming,
                EventPump processEvents, Clock clock = std::chrono::steady_clock::now);

    void MediaPlay();
    void MediaPause();
    void MediaStop();
    bool IsPlaying();
    void ReadPosition();          // mediaPos := position in ms, truncated toward zero
    void ReadExactPosition();     // the same, from the engine's own time, never the clock
    void SeekTo(int32_t ms);
    int32_t WaitForLength();      // up to 5000 ms; 0 (engine stopped) when none found
    // Why the last WaitForLength found no length: the active engine's reason,
    // or that the deadline passed.
    QString lengthFailure() const { return lengthFailure_; }
    void LoadIntoEngine(const QString& path, Engine engine);
    void SetRate(double rate);    // always the media player control
    void MediaShutdown();

    static int32_t secondsToMs(double seconds);  // × 1000, truncated toward zero

    static constexpr int kLengthDeadlineMs = 5000;

private:
    PracticeState& s_;
    WmpPlayer& wmp_;
    RealAudioControl& ra_;
    EventPump processEvents_;
    Clock clock_;
    QString lengthFailure_;
};

// The event pump for a Qt program: handles pending events, waiting for one
// at most maxWaitMs rather than spinning.
MediaEngine::EventPump qtEventPump();

}  // namespace qm
