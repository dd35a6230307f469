#pragma once

#include "transport/Transport.h"

#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;

namespace qm {
class MediaPlayerControl;
}

// The band of the media player control in the main window: a small transport
// (play/pause, stop, seek slider, time, volume) that drives the control's own
// members. Shown while the control plays, hidden while the other one does.
// The control itself (MediaPlayerControl) belongs to the practice session.
class TWindowsMediaPlayer : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 402, kDesignHeight = 65;

    TWindowsMediaPlayer(QWidget* parent, qm::MediaPlayerControl& control, qm::transport::Actions actions);

    qm::MediaPlayerControl& control() { return control_; }
    QSize sizeHint() const override { return {kDesignWidth, kDesignHeight}; }
    // The volume set elsewhere (a lesson taken up where it was left), shown without acting on it.
    void showVolume(int volume);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void refreshTransport();

    qm::MediaPlayerControl& control_;
    qm::transport::Actions actions_;
    QToolButton* btnPlay_ = nullptr;
    QToolButton* btnStop_ = nullptr;
    QSlider* seekBar_ = nullptr;
    QLabel* lblTime_ = nullptr;
    QSlider* volumeBar_ = nullptr;
    qm::transport::Pacer* refresh_;  // the transport's refresh while shown
};
