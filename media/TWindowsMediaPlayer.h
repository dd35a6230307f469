#pragma once

#include "PlaybackSession.h"
#include "PlayerControls.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;

// The media player control: a widget over its own libmpv instance that offers
// the members the program uses (controls, settings, currentMedia, URL,
// playState, close) with positions in seconds, and the StatusChange and
// PlayStateChange events. It starts playing by itself when URL is set, plays
// once at rate 1.0 and volume 50, and never shows a dialog of its own: a file
// it cannot play ends as "ready" (10) with no length. The end of the media is
// a stop (1) with stoppedAtEnd(); a stop puts the position back to 0.
// Its band holds a small transport (play/pause, stop, seek slider, time,
// volume) that drives the same members. Where it sits is the main window's
// business.
class TWindowsMediaPlayer : public QWidget, public qm::WmpPlayer {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 402, kDesignHeight = 65;
    static constexpr int kInitialVolume = 50;

    // audioOutput: mpv's "ao" (tests pass "null"); empty takes $QM5_AO.
    explicit TWindowsMediaPlayer(QWidget* parent = nullptr, const QString& audioOutput = {});

    qm::WmpControls& controls() override { return controls_; }
    qm::WmpSettings& settings() override { return settings_; }
    qm::WmpMedia* currentMedia() override;
    QString URL() const override { return session_.source(); }
    void setURL(const QString& url) override;
    int playState() override;
    void close() override;
    bool stoppedAtEnd() const override { return session_.stoppedAtEnd(); }
    bool openFailed() const override { return session_.phase() == qm::PlaybackSession::Phase::Failed; }
    QString openError() const override { return openFailed() ? session_.lastError() : QString(); }
    void setControlVisible(bool visible) override { setVisible(visible); }

    QSize sizeHint() const override { return {kDesignWidth, kDesignHeight}; }

signals:
    void StatusChange();
    void PlayStateChange(int NewState);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    class Controls : public qm::WmpControls {
    public:
        explicit Controls(qm::PlaybackSession& s) : s_(s) {}
        void play() override { s_.play(); }
        void pause() override { s_.pause(); }
        void stop() override { s_.stop(); }
        double currentPosition() override { return s_.position(); }
        void setCurrentPosition(double seconds) override { s_.seek(seconds); }

    private:
        qm::PlaybackSession& s_;
    };
    class Settings : public qm::WmpSettings {
    public:
        explicit Settings(qm::PlaybackSession& s) : s_(s) {}
        double rate() override { return s_.speed(); }
        void setRate(double rate) override { s_.setSpeed(rate); }
        int volume() override { return s_.volume(); }
        void setVolume(int volume) override { s_.setVolume(volume); }

    private:
        qm::PlaybackSession& s_;
    };
    class Media : public qm::WmpMedia {
    public:
        explicit Media(qm::PlaybackSession& s) : s_(s) {}
        double duration() override { return s_.duration(); }

    private:
        qm::PlaybackSession& s_;
    };

    void onPhase();
    void refreshTransport();

    qm::PlaybackSession session_;
    Controls controls_{session_};
    Settings settings_{session_};
    Media media_{session_};
    int lastState_ = qm::wmp::Undefined;

    QToolButton* btnPlay_ = nullptr;
    QToolButton* btnStop_ = nullptr;
    QSlider* seekBar_ = nullptr;
    QLabel* lblTime_ = nullptr;
    QSlider* volumeBar_ = nullptr;
    QTimer refresh_;
};
