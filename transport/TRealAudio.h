#pragma once

#include "transport/Transport.h"

#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;

namespace qm {
class StreamingAudioControl;
}

// The band of the streaming audio control in the main window: a transport
// (play/pause, stop, position slider, status line) that drives the control's
// own members. The control itself (StreamingAudioControl) belongs to the
// practice session.
class TRealAudio : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 402, kDesignHeight = 91;

    TRealAudio(QWidget* parent, qm::StreamingAudioControl& control, qm::transport::Actions actions);

    qm::StreamingAudioControl& control() { return control_; }
    QSize sizeHint() const override { return {kDesignWidth, kDesignHeight}; }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void refreshTransport();
    QString statusText() const;

    qm::StreamingAudioControl& control_;
    qm::transport::Actions actions_;
    QToolButton* btnPlay_ = nullptr;
    QToolButton* btnStop_ = nullptr;
    QSlider* posBar_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    qm::transport::Pacer* refresh_;  // the transport's refresh while shown
};
