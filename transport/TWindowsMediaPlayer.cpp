#include "transport/TWindowsMediaPlayer.h"

#include "core/ErrorPolicy.h"
#include "media/MediaPlayerControl.h"
#include "transport/Transport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

using qm::PlaybackSession;

namespace {
constexpr int kRefreshMs = 250;
}

TWindowsMediaPlayer::TWindowsMediaPlayer(QWidget* parent, qm::MediaPlayerControl& control,
                                         qm::transport::Actions actions)
    : QWidget(parent), control_(control), actions_(std::move(actions)) {
    seekBar_ = new QSlider(Qt::Horizontal, this);
    seekBar_->setRange(0, 0);
    btnPlay_ = new QToolButton(this);
    btnPlay_->setToolTip(QStringLiteral("Play / Pause"));
    btnPlay_->setAccessibleName(QStringLiteral("Play / Pause"));
    btnStop_ = new QToolButton(this);
    btnStop_->setText(QStringLiteral("■"));
    btnStop_->setToolTip(QStringLiteral("Stop"));
    btnStop_->setAccessibleName(QStringLiteral("Stop"));
    lblTime_ = new QLabel(this);
    auto* lblVolume = new QLabel(QStringLiteral("Vol"), this);
    volumeBar_ = new QSlider(Qt::Horizontal, this);
    volumeBar_->setRange(0, 100);
    volumeBar_->setValue(control_.playback().volume());
    volumeBar_->setFixedWidth(80);
    volumeBar_->setToolTip(QStringLiteral("Volume"));
    volumeBar_->setAccessibleName(QStringLiteral("Volume"));

    auto* row = new QHBoxLayout;
    row->addWidget(btnPlay_);
    row->addWidget(btnStop_);
    row->addWidget(lblTime_, 1);
    row->addWidget(lblVolume);
    row->addWidget(volumeBar_);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(4, 2, 4, 2);
    box->setSpacing(2);
    box->addWidget(seekBar_);
    box->addLayout(row);
    resize(kDesignWidth, kDesignHeight);
    qm::transport::tabFocusOnly(this);

    using qm::guarded;
    connect(btnPlay_, &QToolButton::clicked, this, guarded([this] { actions_.playPause(); }));
    connect(btnStop_, &QToolButton::clicked, this, guarded([this] { actions_.stop(); }));
    qm::transport::onUserSeek(seekBar_, [this](int ms) { qm::runGuarded([&] { actions_.seek(ms); }); });
    connect(volumeBar_, &QSlider::valueChanged, this, [this](int v) { qm::runGuarded([&] { actions_.setVolume(v); }); });
    connect(&control_.playback(), &PlaybackSession::phaseChanged, this, guarded([this] { refreshTransport(); }));
    connect(&control_.playback(), &PlaybackSession::durationChanged, this,
            guarded([this] { refreshTransport(); }));
    connect(&control_, &qm::MediaPlayerControl::visibilityRequested, this, &QWidget::setVisible);
    refresh_ = new qm::transport::Pacer(this, control_.playback(), kRefreshMs, guarded([this] { refreshTransport(); }));
    refreshTransport();
}

void TWindowsMediaPlayer::showVolume(int volume) {
    const QSignalBlocker quiet(volumeBar_);
    volumeBar_->setValue(volume);
}

void TWindowsMediaPlayer::refreshTransport() {
    PlaybackSession& session = control_.playback();
    const bool playing = control_.playState() == qm::wmp::Playing;
    btnPlay_->setText(playing ? QStringLiteral("❚❚") : QStringLiteral("▶"));
    const auto lengthMs = static_cast<int64_t>(session.duration() * 1000.0);
    const auto posMs = static_cast<int64_t>(std::max(0.0, session.position()) * 1000.0);
    if (!seekBar_->isSliderDown()) {
        seekBar_->setRange(0, static_cast<int>(std::min<int64_t>(lengthMs, INT32_MAX)));
        seekBar_->setValue(static_cast<int>(std::min(posMs, lengthMs)));
    }
    if (!volumeBar_->isSliderDown() && volumeBar_->value() != session.volume()) {
        const QSignalBlocker quiet(volumeBar_);
        volumeBar_->setValue(session.volume());
    }
    lblTime_->setText(qm::transport::clock(posMs) + QStringLiteral(" / ") + qm::transport::clock(lengthMs));
}

void TWindowsMediaPlayer::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    refresh_->start();
}

void TWindowsMediaPlayer::hideEvent(QHideEvent* e) {
    refresh_->stop();
    QWidget::hideEvent(e);
}
