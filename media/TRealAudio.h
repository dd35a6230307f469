#pragma once

#include "PlaybackSession.h"
#include "PlayerControls.h"

#include <QTimer>
#include <QWidget>

#include <optional>

class QLabel;
class QSlider;
class QToolButton;

// The streaming audio control: a widget over its own libmpv instance with the
// members DoPlay, DoPause, DoStop, GetPosition, SetPosition, GetLength,
// GetPlayState and Source (milliseconds as int32) and the PlayStateChange
// event. Setting Source loads it without starting it; DoPlay starts it. A
// ".ram" metafile is read here: its first entry (after blank lines and "#"
// comments; relative to the metafile's folder) is what plays, under the same
// scheme rules as any source. Its band holds a transport (play/pause, stop,
// position slider, status line) that drives the same members.
class TRealAudio : public QWidget, public qm::RealAudioControl {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 402, kDesignHeight = 91;

    // audioOutput: mpv's "ao" (tests pass "null"); empty takes $QM5_AO.
    explicit TRealAudio(QWidget* parent = nullptr, const QString& audioOutput = {});

    void DoPlay() override { session_.play(); }
    void DoPause() override { session_.pause(); }
    void DoStop() override { session_.stop(); }
    int32_t GetPosition() override;
    void SetPosition(int32_t ms) override { session_.seek(ms / 1000.0); }
    int32_t GetLength() override;
    int32_t GetPlayState() override;
    QString Source() const override { return source_; }
    void setSource(const QString& source) override;
    bool stoppedAtEnd() const override { return session_.stoppedAtEnd(); }
    bool openFailed() const override { return session_.phase() == qm::PlaybackSession::Phase::Failed; }
    void setControlVisible(bool visible) override { setVisible(visible); }

    // What a ".ram" metafile names: its first media entry, a relative one
    // taken relative to the metafile's folder; nullopt when it names none or
    // cannot be read.
    static std::optional<QString> readMetafile(const QString& metafilePath);
    static bool isMetafile(const QString& source);

    QSize sizeHint() const override { return {kDesignWidth, kDesignHeight}; }

signals:
    void PlayStateChange(int lNewState);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void onPhase();
    void refreshTransport();
    QString statusText() const;

    qm::PlaybackSession session_;
    QString source_;
    QString metafileError_;
    int lastState_ = qm::ra::Stopped;

    QToolButton* btnPlay_ = nullptr;
    QToolButton* btnStop_ = nullptr;
    QSlider* posBar_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QTimer refresh_;
};
