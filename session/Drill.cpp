#include "session/Drill.h"

#include "core/BlockList.h"
#include "core/Check.h"
#include "core/ErrorPolicy.h"

#include <algorithm>

namespace qm {

namespace {
constexpr int kBlockTimerMs = 50;
}  // namespace

Drill::Drill(PracticeState& state, MediaEngine::EventPump pump, MediaEngine::Clock now, const QString& audioOutput,
             MetafileFetcher fetcher, QObject* parent)
    : QObject(parent),
      state_(state),
      wmp_(this, audioOutput),
      ra_(this, audioOutput, std::move(fetcher)),
      engine_(state_, wmp_, ra_, std::move(pump), std::move(now)),
      repeater_(state_, *this) {
    Timer1 = new QTimer(this);
    Timer1->setInterval(kBlockTimerMs);
    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);
    Timer2->setSingleShot(true);
    // A coarse timer may fire 5% late: 200 ms on a four-second block.
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer2->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, guarded([this] { repeater_.timer1Tick(); }));
    connect(Timer2, &QTimer::timeout, this, guarded([this] { repeater_.timer2Tick(); }));
    // The media player's end is seen through StatusChange, the streaming one's through its play state.
    connect(&wmp_, &MediaPlayerControl::StatusChange, this, guarded([this] {
                repeater_.mediaPlayerStatusChange(wmp_.playState(),
                                                  wmp_.stoppedAtEnd() ? StopCause::EndOfMedia : StopCause::Requested);
            }));
    connect(&ra_, &StreamingAudioControl::PlayStateChange, this, guarded([this] {
                repeater_.streamingPlayStateChange(ra_.GetPlayState(),
                                                   ra_.stoppedAtEnd() ? StopCause::EndOfMedia : StopCause::Requested);
            }));
}

Drill::~Drill() = default;

bool Drill::isPlaying() { return engine_.IsPlaying(); }

void Drill::SelectBlock(int32_t n) {
    QM_CHECK(n >= 0 && n <= state_.blocks().count(), "the current block lies outside the block list");
    state_.curBlock = n;
    emit currentBlockChanged(n);
}

void Drill::keepCurrentBlockInList() {
    SelectBlock(std::min(state_.curBlock, state_.blocks().count()));
}

void Drill::seekAndShow(int32_t ms) {
    engine_.SeekTo(ms);
    engine_.ReadPosition();
    emit positionChanged();
}

std::optional<int32_t> Drill::markPosition() {
    if (!engine_.IsPlaying()) return std::nullopt;
    engine_.ReadPosition();
    return state_.mediaPos;
}

void Drill::nextBlock() {
    if (state_.curBlock < state_.blocks().count()) {
        SelectBlock(state_.curBlock + 1);
        seekAndShow(blockStart(state_, state_.curBlock));
    }
    engine_.MediaPlay();
}

void Drill::previousBlock() {
    if (state_.curBlock > 1) {
        SelectBlock(state_.curBlock - 1);
        seekAndShow(blockStart(state_, state_.curBlock));
    }
    engine_.MediaPlay();
}

void Drill::blockAgain() {
    // Block 0 starts where block 1 does.
    seekAndShow(blockStart(state_, state_.curBlock));
    engine_.MediaPlay();
}

void Drill::playPause() {
    if (engine_.IsPlaying()) {
        engine_.MediaPause();
    } else {
        engine_.MediaPlay();
    }
}

void Drill::play() { engine_.MediaPlay(); }

void Drill::pause() {
    repeater_.cancelWait();
    if (engine_.IsPlaying()) engine_.MediaPause();
}

void Drill::stop() {
    if (state_.mediaLength <= 0) return;
    pause();
    seekAndShow(blockStart(state_, state_.curBlock));
}

void Drill::stopPlayback() {
    repeater_.cancelWait();
    engine_.MediaStop();
}

void Drill::seekToPosition(int32_t ms) {
    if (state_.mediaLength <= 0) return;
    positionBarClicked(std::clamp(ms, 0, state_.mediaLength));
}

void Drill::seekBy(int32_t deltaMs) {
    if (state_.mediaLength <= 0) return;
    engine_.ReadPosition();
    seekToPosition(static_cast<int32_t>(std::clamp<int64_t>(int64_t{state_.mediaPos} + deltaMs, 0, state_.mediaLength)));
}

void Drill::seekTransport(int32_t ms) {
    if (state_.mediaLength <= 0) return;
    const int32_t to = std::clamp(ms, 0, state_.mediaLength);
    seekAndShow(to);
    SelectBlock(getBlock(state_, to));
}

void Drill::playBlock(int32_t n) {
    if (n < 1 || n > state_.blocks().count()) return;
    SelectBlock(n);
    engine_.SeekTo(blockStart(state_, n));
    engine_.ReadPosition();
    engine_.MediaPlay();
}

void Drill::playLineBlock(int32_t line) {
    if (line >= 0 && line < state_.blocks().count()) {
        SelectBlock(line + 1);
        engine_.SeekTo(state_.blocks()[line]);
        engine_.ReadPosition();
    }
    engine_.MediaPlay();
}

void Drill::positionBarClicked(int32_t ms) {
    if (engine_.IsPlaying()) {
        engine_.SeekTo(ms);
        SelectBlock(getBlock(state_, ms));
        return;
    }
    engine_.SeekTo(ms);
    SelectBlock(getBlock(state_, ms));
    emit cursorMoved(ms);
    engine_.MediaPlay();
}

void Drill::blockBarClicked(int32_t ms) {
    SelectBlock(getBlock(state_, ms));
    const bool playing = engine_.IsPlaying();
    engine_.SeekTo(blockStart(state_, state_.curBlock));
    if (playing) return;
    engine_.ReadPosition();
    emit cursorMoved(state_.mediaPos);
    engine_.MediaPlay();
}

void Drill::setRate(double rate) {
    engine_.SetRate(rate);
    if (rate == rate_) return;
    rate_ = rate;
    emit rateChanged(rate);
}

void Drill::setVolume(int volume) {
    volume = std::clamp(volume, 0, 100);
    wmp_.settings().setVolume(volume);  // the streaming control keeps the system's volume
    if (volume == volume_) return;
    volume_ = volume;
    emit volumeChanged(volume);
}

void Drill::setBlockMode(BlockMode mode) {
    if (mode == blockMode_) return;
    blockMode_ = mode;
    emit repeatOptionsChanged();
}

void Drill::setAfterBlock(AfterBlock after) {
    const bool changed = after != afterBlock_;
    afterBlock_ = after;
    if (changed) emit repeatOptionsChanged();
    // Leaving Auto Pause ends a running wait.
    repeater_.repeatingClick();
}

void Drill::beginRepeatingForDictation() {
    if (!modeBeforeDictation_) modeBeforeDictation_ = blockMode_;
    setBlockMode(BlockMode::Repeat);
}

void Drill::endRepeatingForDictation() {
    if (!modeBeforeDictation_) return;
    setBlockMode(*std::exchange(modeBeforeDictation_, std::nullopt));
}

// ---------------------------------------------------------------- repeat host

void Drill::readPosition() { engine_.ReadPosition(); }
void Drill::readExactPosition() { engine_.ReadExactPosition(); }
void Drill::seekTo(int32_t ms) { engine_.SeekTo(ms); }
void Drill::mediaPlay() { engine_.MediaPlay(); }
void Drill::mediaPause() { engine_.MediaPause(); }
bool Drill::blockTimerEnabled() const { return Timer1->isActive(); }

void Drill::setBlockTimerEnabled(bool on) {
    if (on) {
        Timer1->start();
    } else {
        Timer1->stop();
    }
}

void Drill::startWaitTimer(int32_t intervalMs) {
    Timer2->setInterval(intervalMs);
    Timer2->start();
}

void Drill::stopWaitTimer() { Timer2->stop(); }

}  // namespace qm
