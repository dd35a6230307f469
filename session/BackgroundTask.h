#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace qm {

// Long work (aligning a script, exporting a deck) on a worker thread, one run
// at a time: its progress comes back on this object's thread, and so does
// what it hands back to be done there at its end. A cancel drops the run's
// reports and its end; the destructor cancels and waits for the thread.
class BackgroundTask : public QObject {
    Q_OBJECT
public:
    using Progress = std::function<void(int percent)>;
    // Runs on the worker; what it returns runs on this object's thread once
    // it is over (and not cancelled).
    using Work = std::function<std::function<void()>(const Progress& progress, const std::atomic<bool>& cancel)>;

    explicit BackgroundTask(QObject* parent = nullptr);
    ~BackgroundTask() override;

    // False when a run is under way.
    bool start(Work work);
    // Stops the run under way: its work sees the flag, its end never comes.
    void cancel();
    bool running() const { return running_; }

signals:
    void progress(int percent);  // 0 .. 100

private:
    void joinWorker();

    std::thread worker_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    bool running_ = false;
    int run_ = 0;  // which run's reports are still wanted
};

}  // namespace qm
