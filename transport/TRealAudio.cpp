#include "transport/TRealAudio.h"

#include "core/ErrorPolicy.h"
#include "media/StreamingAudioControl.h"
#include "transport/Transport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

using qm::PlaybackSession;

namespace {
constexpr int kRefreshMs = 250;
}

TRealAudio::TRealAudio(QWidget* parent, qm::StreamingAudioControl& control, qm::transport::Actions actions)
    : QWidget(parent), control_(control), actions_(std::move(actions)) {
    posBar_ = new QSlider(Qt::Horizontal, this);
    posBar_->setRange(0, 0);
    posBar_->setAccessibleName(QStringLiteral("Position"));
    btnPlay_ = new QToolButton(this);
    btnPlay_->setToolTip(QStringLiteral("Play / Pause"));
    btnPlay_->setAccessibleName(QStringLiteral("Play / Pause"));
    btnStop_ = new QToolButton(this);
    btnStop_->setText(QStringLiteral("■"));
    btnStop_->setToolTip(QStringLiteral("Stop"));
    btnStop_->setAccessibleName(QStringLiteral("Stop"));
    lblStatus_ = new QLabel(this);
    lblStatus_->setTextInteractionFlags(Qt::NoTextInteraction);

    auto* row = new QHBoxLayout;
    row->addWidget(btnPlay_);
    row->addWidget(btnStop_);
    row->addStretch(1);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(4, 2, 4, 2);
    box->setSpacing(2);
    box->addWidget(posBar_);
    box->addLayout(row);
    box->addWidget(lblStatus_);
    resize(kDesignWidth, kDesignHeight);
    qm::transport::tabFocusOnly(this);

    using qm::guarded;
    connect(btnPlay_, &QToolButton::clicked, this, guarded([this] { actions_.playPause(); }));
    connect(btnStop_, &QToolButton::clicked, this, guarded([this] { actions_.stop(); }));
    qm::transport::onUserSeek(posBar_, [this](int ms) { qm::runGuarded([&] { actions_.seek(ms); }); });
    connect(&control_.playback(), &PlaybackSession::phaseChanged, this, guarded([this] { refreshTransport(); }));
    connect(&control_.playback(), &PlaybackSession::durationChanged, this, guarded([this] { refreshTransport(); }));
    connect(&control_, &qm::StreamingAudioControl::visibilityRequested, this, &QWidget::setVisible);
    refresh_ = new qm::transport::Pacer(this, control_.playback(), kRefreshMs, guarded([this] { refreshTransport(); }));
    refreshTransport();
}

QString TRealAudio::statusText() const {
    const PlaybackSession& session = control_.playback();
    switch (session.phase()) {
    case PlaybackSession::Phase::Empty: return QString();
    case PlaybackSession::Phase::Opening: return QStringLiteral("Contacting...");
    case PlaybackSession::Phase::Buffering: return QStringLiteral("Buffering...");
    case PlaybackSession::Phase::Playing: return QStringLiteral("Playing");
    case PlaybackSession::Phase::Paused: return QStringLiteral("Paused");
    case PlaybackSession::Phase::Stopped: return QStringLiteral("Stopped");
    case PlaybackSession::Phase::Ended: return QStringLiteral("Stopped (end)");
    case PlaybackSession::Phase::Failed: return QStringLiteral("Error: ") + session.lastError();
    }
    return QString();
}

void TRealAudio::refreshTransport() {
    btnPlay_->setText(control_.GetPlayState() == qm::ra::Playing ? QStringLiteral("❚❚") : QStringLiteral("▶"));
    const int32_t length = control_.GetLength();
    const int32_t pos = std::min(control_.GetPosition(), length);
    if (!posBar_->isSliderDown()) {
        posBar_->setRange(0, length);
        posBar_->setValue(pos);
    }
    QString status = statusText();
    if (length > 0)
        status += QStringLiteral("  ") + qm::transport::clock(pos) + QStringLiteral(" / ") + qm::transport::clock(length);
    lblStatus_->setText(status);
}

void TRealAudio::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    refresh_->start();
}

void TRealAudio::hideEvent(QHideEvent* e) {
    refresh_->stop();
    QWidget::hideEvent(e);
}
