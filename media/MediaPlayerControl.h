#pragma once

#include "media/PlaybackSession.h"
#include "media/PlayerControls.h"

#include <QObject>

namespace qm {

// The media player control without its widget: one libmpv instance offering
// the members the program uses (controls, settings, currentMedia, URL,
// playState, close) with positions in seconds, and the StatusChange and
// PlayStateChange events. It starts playing by itself when URL is set, plays
// once at rate 1.0 and volume 50, and never asks anything: a file it cannot
// play ends as "ready" (10) with no length. The end of the media is a stop (1)
// with stoppedAtEnd(); a stop puts the position back to 0. Its transport, when
// shown, is TWindowsMediaPlayer's business.
class MediaPlayerControl : public QObject, public WmpPlayer {
    Q_OBJECT
public:
    static constexpr int kInitialVolume = 50;

    // audioOutput: mpv's "ao" (tests pass "null"); empty takes $QM5_AO.
    explicit MediaPlayerControl(QObject* parent = nullptr, const QString& audioOutput = {});

    WmpControls& controls() override { return controls_; }
    WmpSettings& settings() override { return settings_; }
    WmpMedia* currentMedia() override;
    QString URL() const override { return session_.source(); }
    void setURL(const QString& url) override;
    int playState() override;
    void close() override;
    bool stoppedAtEnd() const override { return session_.stoppedAtEnd(); }
    bool openFailed() const override { return session_.phase() == PlaybackSession::Phase::Failed; }
    QString openError() const override { return openFailed() ? session_.lastError() : QString(); }
    void setControlVisible(bool visible) override { emit visibilityRequested(visible); }
    void readExactNext() override { session_.readMpvNext(); }

    PlaybackSession& playback() { return session_; }

signals:
    void StatusChange();
    void PlayStateChange(int NewState);
    // The engine adapter shows the control that plays and hides the other.
    void visibilityRequested(bool visible);

private:
    class Controls : public WmpControls {
    public:
        explicit Controls(PlaybackSession& s) : s_(s) {}
        void play() override { s_.play(); }
        void pause() override { s_.pause(); }
        void stop() override { s_.stop(); }
        double currentPosition() override { return s_.position(); }
        void setCurrentPosition(double seconds) override { s_.seek(seconds); }

    private:
        PlaybackSession& s_;
    };
    class Settings : public WmpSettings {
    public:
        explicit Settings(PlaybackSession& s) : s_(s) {}
        double rate() override { return s_.speed(); }
        void setRate(double rate) override { s_.setSpeed(rate); }
        int volume() override { return s_.volume(); }
        void setVolume(int volume) override { s_.setVolume(volume); }

    private:
        PlaybackSession& s_;
    };
    class Media : public WmpMedia {
    public:
        explicit Media(PlaybackSession& s) : s_(s) {}
        double duration() override { return s_.duration(); }

    private:
        PlaybackSession& s_;
    };

    void onPhase();

    PlaybackSession session_;
    Controls controls_{session_};
    Settings settings_{session_};
    Media media_{session_};
    int lastState_ = wmp::Undefined;
};

}  // namespace qm
