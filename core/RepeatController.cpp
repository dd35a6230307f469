#include "core/RepeatController.h"

#include "core/BlockList.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace qm {

namespace {

// Media player play state "stopped" and streaming play state "stopped".
constexpr int kMediaPlayerStopped = 1;
constexpr int kStreamingStopped = 0;

int32_t sep(const PracticeState& s, int32_t i) { return s.blocks()[i]; }

// A wait of blockSep[end] - blockSep[start] ms, or none when that is not a
// positive length: the wait timer would never fire on a zero interval.
std::optional<int32_t> waitBetween(const PracticeState& s, int32_t end, int32_t start) {
    const int64_t length = int64_t{sep(s, end)} - sep(s, start);
    if (length <= 0) return std::nullopt;
    return static_cast<int32_t>(std::min<int64_t>(length, std::numeric_limits<int32_t>::max()));
}

// The wait after Next mode made block c current: as long as the block just
// played. At the wrap (c 0) that is the last block; at the end of block 0
// (c 1) nothing was played, so there is no wait.
std::optional<int32_t> nextModeWait(const PracticeState& s, int32_t c) {
    if (c == 0) {
        if (s.blocks().count() < 1) return std::nullopt;
        return waitBetween(s, s.blocks().count(), s.blocks().count() - 1);
    }
    if (c < 2) return std::nullopt;
    return waitBetween(s, c - 1, c - 2);
}

}  // namespace

RepeatController::RepeatController(PracticeState& state, RepeatHost& host)
    : s_(state), host_(host) {}

void RepeatController::restartCurrentBlock() {
    host_.seekTo(blockStart(s_, s_.curBlock));
    host_.readPosition();
    if (host_.afterBlock() == AfterBlock::Pause) {
        host_.mediaPause();
        return;
    }
    host_.mediaPlay();
}

void RepeatController::timer1Tick() {
    // A tick queued before Timer1 went off must not act on a state it no longer owns.
    if (!host_.blockTimerEnabled()) return;
    host_.readPosition();
    if (!(sep(s_, s_.curBlock) < s_.mediaPos)) {
        host_.showPosition();
        return;
    }
    // A block ends when the engine has passed its separator, so that a pause
    // made now lands in the next block.
    host_.readExactPosition();
    if (!(sep(s_, s_.curBlock) < s_.mediaPos)) {
        host_.showPosition();
        return;
    }

    std::optional<int32_t> wait;
    // Repeat with curBlock 0 would seek back to blockSep[0] on every tick and
    // never leave the start, so the end of block 0 moves on as in Next mode.
    if (host_.blockMode() == BlockMode::Repeat && s_.curBlock > 0) {
        const int32_t repeated = s_.curBlock;
        restartCurrentBlock();
        wait = waitBetween(s_, repeated, repeated - 1);
    } else {
        if (s_.curBlock == s_.blocks().count()) {
            // The last block has ended: back to the start, as after a fresh open.
            host_.seekTo(sep(s_, 0));
            host_.selectBlock(0);
        } else {
            host_.selectBlock(getBlock(s_, s_.mediaPos));
        }
        if (host_.afterBlock() == AfterBlock::Pause) host_.mediaPause();
        wait = nextModeWait(s_, s_.curBlock);
    }

    if (host_.afterBlock() == AfterBlock::AutoPause && wait) {
        host_.mediaPause();
        s_.pauseWaiting = true;
        host_.setBlockTimerEnabled(false);
        host_.startWaitTimer(*wait);
    }
    host_.showPosition();
}

void RepeatController::timer2Tick() {
    // A stale tick after the wait was ended some other way plays nothing.
    if (!s_.pauseWaiting) return;
    host_.mediaPlay();
    host_.setBlockTimerEnabled(true);
    host_.stopWaitTimer();
    s_.pauseWaiting = false;
}

void RepeatController::mediaPlayerStatusChange(int playState, StopCause cause) {
    if (playState != kMediaPlayerStopped) return;
    if (cause == StopCause::EndOfMedia && host_.blockMode() == BlockMode::Repeat) {
        restartCurrentBlock();
    }
    host_.showPosition();
}

void RepeatController::streamingPlayStateChange(int playState, StopCause cause) {
    if (playState != kStreamingStopped) return;
    if (cause == StopCause::EndOfMedia && host_.blockMode() == BlockMode::Repeat) {
        restartCurrentBlock();
    }
    host_.showPosition();
}

void RepeatController::repeatingClick() {
    if (!s_.pauseWaiting) return;
    if (host_.afterBlock() == AfterBlock::AutoPause) return;
    // The wait ends without playing: the engine stays paused until the user plays.
    s_.pauseWaiting = false;
    host_.setBlockTimerEnabled(true);
    host_.stopWaitTimer();
}

void RepeatController::cancelWait() {
    if (!s_.pauseWaiting) return;
    host_.stopWaitTimer();
    s_.pauseWaiting = false;
}

}  // namespace qm
