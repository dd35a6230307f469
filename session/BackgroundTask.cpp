#include "session/BackgroundTask.h"

#include <QMetaObject>

namespace qm {

BackgroundTask::BackgroundTask(QObject* parent) : QObject(parent) {}

BackgroundTask::~BackgroundTask() {
    cancel();
    joinWorker();
}

void BackgroundTask::joinWorker() {
    if (worker_.joinable()) worker_.join();
}

bool BackgroundTask::start(Work work) {
    if (running_) return false;
    joinWorker();  // a cancelled run still winding down: its flag is set, it ends soon
    running_ = true;
    const int run = ++run_;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    worker_ = std::thread([this, run, cancel = cancel_, work = std::move(work)] {
        const Progress report = [this, run](int percent) {
            QMetaObject::invokeMethod(
                this, [this, run, percent] { if (run == run_) emit progress(percent); }, Qt::QueuedConnection);
        };
        std::function<void()> end = work(report, *cancel);
        QMetaObject::invokeMethod(
            this,
            [this, run, end = std::move(end)] {
                if (run != run_) return;  // cancelled meanwhile
                joinWorker();
                running_ = false;
                if (end) end();
            },
            Qt::QueuedConnection);
    });
    return true;
}

void BackgroundTask::cancel() {
    if (!running_) return;
    cancel_->store(true);
    ++run_;
    running_ = false;
}

}  // namespace qm
