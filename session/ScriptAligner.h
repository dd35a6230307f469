#pragma once

#include "align/Align.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace qm {

// Aligns a script with a recording on a worker thread, one at a time: the
// alignment module is loaded there, the script split and placed there, and
// progress and the result come back on this object's thread. A cancel drops
// the run's result; the destructor cancels and waits for the thread.
class ScriptAligner : public QObject {
    Q_OBJECT
public:
    explicit ScriptAligner(QObject* parent = nullptr);
    ~ScriptAligner() override;

    // Starts aligning the script's bytes with the media file. False when a
    // run is under way.
    bool start(const std::string& mediaPath, std::string scriptBytes, align::Options options);
    // Stops the run under way; its result never comes.
    void cancel();
    bool running() const { return running_; }

signals:
    void progress(int percent);  // 0 .. 100
    // The run's result; sentences: how many the script held (0 when it held none).
    void finished(std::shared_ptr<const align::Result> result, int sentences);

private:
    void joinWorker();

    std::thread worker_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    bool running_ = false;
    int run_ = 0;  // which run's reports are still wanted
};

}  // namespace qm
