#include "TWindowsMediaPlayer.h"

#include "Transport.h"

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

TWindowsMediaPlayer::TWindowsMediaPlayer(QWidget* parent, const QString& audioOutput)
    : QWidget(parent), session_(this, audioOutput) {
    session_.setVolume(kInitialVolume);
    session_.setSpeed(1.0);

    seekBar_ = new QSlider(Qt::Horizontal, this);
    seekBar_->setRange(0, 0);
    btnPlay_ = new QToolButton(this);
    btnPlay_->setToolTip(QStringLiteral("Play / Pause"));
    btnStop_ = new QToolButton(this);
    btnStop_->setText(QStringLiteral("■"));
    btnStop_->setToolTip(QStringLiteral("Stop"));
    lblTime_ = new QLabel(this);
    auto* lblVolume = new QLabel(QStringLiteral("Vol"), this);
    volumeBar_ = new QSlider(Qt::Horizontal, this);
    volumeBar_->setRange(0, 100);
    volumeBar_->setValue(kInitialVolume);
    volumeBar_->setFixedWidth(80);
    volumeBar_->setToolTip(QStringLiteral("Volume"));

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
    qm::transport::noFocusAnywhere(this);

    connect(btnPlay_, &QToolButton::clicked, this, [this] {
        if (playState() == qm::wmp::Playing)
            controls_.pause();
        else
            controls_.play();
    });
    connect(btnStop_, &QToolButton::clicked, this, [this] { controls_.stop(); });
    qm::transport::onUserSeek(seekBar_, [this](int ms) { controls_.setCurrentPosition(ms / 1000.0); });
    connect(volumeBar_, &QSlider::valueChanged, this, [this](int v) { settings_.setVolume(v); });
    connect(&session_, &PlaybackSession::phaseChanged, this, &TWindowsMediaPlayer::onPhase);
    connect(&session_, &PlaybackSession::durationChanged, this,
            &TWindowsMediaPlayer::refreshTransport);
    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &TWindowsMediaPlayer::refreshTransport);
    refreshTransport();
}

qm::WmpMedia* TWindowsMediaPlayer::currentMedia() {
    if (!session_.hasSource() || session_.hasFailed()) return nullptr;
    return &media_;
}

void TWindowsMediaPlayer::setURL(const QString& url) {
    if (url.isEmpty()) {
        close();
        return;
    }
    session_.open(url, /*autoplay=*/true);
}

int TWindowsMediaPlayer::playState() {
    switch (session_.phase()) {
    case PlaybackSession::Phase::Empty: return qm::wmp::Undefined;
    case PlaybackSession::Phase::Opening: return qm::wmp::Transitioning;
    case PlaybackSession::Phase::Playing: return qm::wmp::Playing;
    case PlaybackSession::Phase::Paused: return qm::wmp::Paused;
    case PlaybackSession::Phase::Buffering: return qm::wmp::Buffering;
    case PlaybackSession::Phase::Stopped:
    case PlaybackSession::Phase::Ended: return qm::wmp::Stopped;
    case PlaybackSession::Phase::Failed: return qm::wmp::Ready;
    }
    return qm::wmp::Undefined;
}

void TWindowsMediaPlayer::close() {
    session_.close();
}

void TWindowsMediaPlayer::onPhase() {
    refreshTransport();
    const int state = playState();
    if (state != lastState_) {
        lastState_ = state;
        emit PlayStateChange(state);
    }
    emit StatusChange();
}

void TWindowsMediaPlayer::refreshTransport() {
    const bool playing = playState() == qm::wmp::Playing;
    btnPlay_->setText(playing ? QStringLiteral("❚❚") : QStringLiteral("▶"));
    const auto lengthMs = static_cast<int64_t>(session_.duration() * 1000.0);
    const auto posMs = static_cast<int64_t>(std::max(0.0, session_.position()) * 1000.0);
    if (!seekBar_->isSliderDown()) {
        seekBar_->setRange(0, static_cast<int>(std::min<int64_t>(lengthMs, INT32_MAX)));
        seekBar_->setValue(static_cast<int>(std::min(posMs, lengthMs)));
    }
    if (!volumeBar_->isSliderDown() && volumeBar_->value() != session_.volume()) {
        const QSignalBlocker quiet(volumeBar_);
        volumeBar_->setValue(session_.volume());
    }
    lblTime_->setText(qm::transport::clock(posMs) + QStringLiteral(" / ") +
                      qm::transport::clock(lengthMs));
}

void TWindowsMediaPlayer::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    refresh_.start();
}

void TWindowsMediaPlayer::hideEvent(QHideEvent* e) {
    refresh_.stop();
    QWidget::hideEvent(e);
}
