#pragma once

#include "core/PracticeState.h"

#include <cstdint>

namespace qm {

// What the repeat controller needs of the main window: the active engine, the
// two timers, the two radio groups, the block selection and the position display.
class RepeatHost {
public:
    virtual ~RepeatHost() = default;
    virtual void readPosition() = 0;          // sets PracticeState::mediaPos
    // As readPosition, but from the engine's own time: a clocked reading may
    // run a few ms ahead of it.
    virtual void readExactPosition() = 0;
    virtual void seekTo(int32_t ms) = 0;
    virtual void mediaPlay() = 0;
    virtual void mediaPause() = 0;
    virtual BlockMode blockMode() const = 0;    // RadioGroup1
    virtual AfterBlock afterBlock() const = 0;  // RadioGroup2
    virtual void selectBlock(int32_t n) = 0;
    virtual void showPosition() = 0;
    virtual bool blockTimerEnabled() const = 0;         // Timer1
    virtual void setBlockTimerEnabled(bool on) = 0;
    virtual void startWaitTimer(int32_t intervalMs) = 0;  // Timer2, one shot
    virtual void stopWaitTimer() = 0;
};

// Why an engine reported a stop. Only a stop at the end of the media may
// restart a block; a stop asked for (an open, closing, the stop button) never does.
enum class StopCause { EndOfMedia, Requested };

// Turns playback into block drill: watches block ends on the 50 ms tick, moves
// on or repeats, pauses or waits as long as the block took. Owns no timer and no
// engine; everything goes through the host.
class RepeatController {
public:
    RepeatController(PracticeState& state, RepeatHost& host);

    void timer1Tick();  // Timer1Timer
    void timer2Tick();  // Timer2Timer: the end of an auto-pause wait
    // WindowsMediaPlayer1StatusChange, with the control's play state (1 stopped).
    void mediaPlayerStatusChange(int playState, StopCause cause);
    // RealAudio1PlayStateChange, with GetPlayState() (0 stopped).
    void streamingPlayStateChange(int playState, StopCause cause);
    // RepeatingClick: with None or Pause chosen, ends a running wait.
    void repeatingClick();
    // An open begins: a running wait ends without playing, so Timer1 comes on
    // only when the open has reset the block list.
    void cancelWait();

private:
    void restartCurrentBlock();

    PracticeState& s_;
    RepeatHost& host_;
};

}  // namespace qm
