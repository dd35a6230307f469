#pragma once
// Calls back once, when the watched window is first painted: the moment the
// user sees it.

#include <QEvent>
#include <QObject>

#include <functional>
#include <utility>

namespace qmbench {

class FirstPaint : public QObject {
public:
    FirstPaint(QObject* window, std::function<void()> onPaint) : onPaint_(std::move(onPaint)) {
        window->installEventFilter(this);
    }

    void disarm() { onPaint_ = nullptr; }  // the paint is not what is measured

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && onPaint_) {
            watched->removeEventFilter(this);
            auto f = std::move(onPaint_);
            onPaint_ = nullptr;
            f();
        }
        return false;
    }

private:
    std::function<void()> onPaint_;
};

}  // namespace qmbench
