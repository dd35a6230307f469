#include "Transport.h"

namespace qm::transport {

QString clock(int64_t ms) {
    if (ms < 0) ms = 0;
    const int64_t total = ms / 1000;
    const int64_t h = total / 3600, m = total / 60 % 60, s = total % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QChar('0')).arg(s, 2, 10, QChar('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QChar('0'));
}

void noFocusAnywhere(QWidget* root) {
    root->setFocusPolicy(Qt::NoFocus);
    for (QWidget* w : root->findChildren<QWidget*>()) w->setFocusPolicy(Qt::NoFocus);
}

void onUserSeek(QAbstractSlider* slider, std::function<void(int)> seekMs) {
    QObject::connect(slider, &QAbstractSlider::sliderReleased, slider,
                     [slider, seekMs] { seekMs(slider->value()); });
    QObject::connect(slider, &QAbstractSlider::actionTriggered, slider, [slider, seekMs](int action) {
        if (action == QAbstractSlider::SliderMove || slider->isSliderDown()) return;
        seekMs(slider->sliderPosition());  // the value the action is about to set
    });
}

}  // namespace qm::transport
