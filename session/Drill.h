#pragma once

#include "core/PracticeState.h"
#include "core/RepeatController.h"
#include "media/MediaEngine.h"
#include "media/MediaPlayerControl.h"
#include "media/StreamingAudioControl.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <optional>

namespace qm {

// The drill: the two playback controls with the engine adapter over them,
// the repeat controller with its block timer and auto-pause wait, and the
// commands that move through the blocks and play them. Reads the lesson's
// blocks; writes the position, the current block and the waits of the
// practice state. QtCore and libmpv, through the media layer.
class Drill : public QObject, private RepeatHost {
    Q_OBJECT
public:
    Drill(PracticeState& state, MediaEngine::EventPump pump, MediaEngine::Clock now, const QString& audioOutput,
          MetafileFetcher fetcher, QObject* parent = nullptr);
    ~Drill() override;

    MediaEngine& engine() { return engine_; }
    // The controls, for their transports to show; what the user does there comes back as commands.
    MediaPlayerControl& mediaPlayer() { return wmp_; }
    StreamingAudioControl& streaming() { return ra_; }
    bool isPlaying();
    double rate() const { return rate_; }
    int volume() const { return volume_; }
    BlockMode blockMode() const override { return blockMode_; }
    AfterBlock afterBlock() const override { return afterBlock_; }

    // The block timer and the auto-pause wait (tests drive them).
    QTimer* Timer1;
    QTimer* Timer2;

    // An open begins: a running auto-pause wait ends without playing.
    void cancelWait() { repeater_.cancelWait(); }
    void setBlockTimerRunning(bool on) { setBlockTimerEnabled(on); }

    void tickBlockTimer() { repeater_.timer1Tick(); }

    void SelectBlock(int32_t n);
    // The block list changed under the current block: it stays within the list.
    void keepCurrentBlockInList();
    // The position now, for a mark; nothing when not playing.
    std::optional<int32_t> markPosition();
    void nextBlock();
    void previousBlock();
    void blockAgain();
    void playPause();
    void play();
    void pause();
    void stop();          // paused at the current block's start
    void stopPlayback();  // the transport's stop: the engine stops
    void seekToPosition(int32_t ms);
    void seekBy(int32_t deltaMs);
    void seekTransport(int32_t ms);
    void playBlock(int32_t n);
    void playLineBlock(int32_t line);
    void positionBarClicked(int32_t ms);
    void blockBarClicked(int32_t ms);
    void setRate(double rate);
    void setVolume(int volume);
    void setBlockMode(BlockMode mode);
    void setAfterBlock(AfterBlock after);
    // The dictation check repeats the block it writes down, and gives the mode back after.
    void beginRepeatingForDictation();
    void endRepeatingForDictation();

signals:
    void currentBlockChanged(int32_t n);
    void positionChanged();
    void cursorMoved(int32_t toMs);  // paused: the cursor goes there at once
    void repeatOptionsChanged();
    void rateChanged(double rate);
    void volumeChanged(int volume);

private:
    void seekAndShow(int32_t ms);

    // RepeatHost
    void readPosition() override;
    void readExactPosition() override;
    void seekTo(int32_t ms) override;
    void mediaPlay() override;
    void mediaPause() override;
    void selectBlock(int32_t n) override { SelectBlock(n); }
    void showPosition() override { emit positionChanged(); }
    bool blockTimerEnabled() const override;
    void setBlockTimerEnabled(bool on) override;
    void startWaitTimer(int32_t intervalMs) override;
    void stopWaitTimer() override;

    PracticeState& state_;
    MediaPlayerControl wmp_;
    StreamingAudioControl ra_;
    MediaEngine engine_;
    RepeatController repeater_;
    BlockMode blockMode_ = BlockMode::Next;
    AfterBlock afterBlock_ = AfterBlock::None;
    double rate_ = 1.0;
    int volume_ = 50;
    std::optional<BlockMode> modeBeforeDictation_;
};

}  // namespace qm
