#include "transport/Transport.h"

#include <QAbstractButton>
#include <QAbstractSlider>

#include "media/PlaybackSession.h"

namespace qm::transport {

QString clock(int64_t ms) {
    if (ms < 0) ms = 0;
    const int64_t total = ms / 1000;
    const int64_t h = total / 3600, m = total / 60 % 60, s = total % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QChar('0')).arg(s, 2, 10, QChar('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QChar('0'));
}

void tabFocusOnly(QWidget* root) {
    root->setFocusPolicy(Qt::NoFocus);
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) != nullptr || qobject_cast<QAbstractSlider*>(w) != nullptr;
        w->setFocusPolicy(control ? Qt::TabFocus : Qt::NoFocus);
    }
}

void onUserSeek(QAbstractSlider* slider, std::function<void(int)> seekMs) {
    QObject::connect(slider, &QAbstractSlider::sliderReleased, slider,
                     [slider, seekMs] { seekMs(slider->value()); });
    QObject::connect(slider, &QAbstractSlider::actionTriggered, slider, [slider, seekMs](int action) {
        if (action == QAbstractSlider::SliderMove || slider->isSliderDown()) return;
        seekMs(slider->sliderPosition());  // the value the action is about to set
    });
}

namespace {
// A read this much before the refresh is due is near enough: reads come every 50 ms.
constexpr int kRideEarlyMs = 25;
// The own timer waits longer than the interval, so that a read comes first.
constexpr int kOwnLateMs = 50;
}  // namespace

Pacer::Pacer(QObject* parent, PlaybackSession& playback, int intervalMs, std::function<void()> refresh)
    : QObject(parent), refresh_(std::move(refresh)), intervalMs_(intervalMs) {
    own_.setInterval(intervalMs + kOwnLateMs);
    connect(&own_, &QTimer::timeout, this, [this] { fire(); });
    // Queued, to run after the reader's own work in the same pass of the
    // event loop rather than inside its read.
    connect(&playback, &PlaybackSession::positionRead, this, [this] {
        if (queued_ || !own_.isActive() || !since_.hasExpired(intervalMs_ - kRideEarlyMs)) return;
        queued_ = true;
        QMetaObject::invokeMethod(this, [this] {
            queued_ = false;
            if (own_.isActive()) fire();
        }, Qt::QueuedConnection);
    });
}

void Pacer::start() {
    since_.start();
    own_.start();
}

void Pacer::stop() { own_.stop(); }

void Pacer::fire() {
    // Before the refresh: its own read of the position comes back here.
    since_.start();
    own_.start();
    refresh_();
}

}  // namespace qm::transport
