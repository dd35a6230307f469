#pragma once

#include "pauses/Envelope.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace qm::analysis {

// Analyses the open media's loudness off the GUI thread. Owns one worker
// thread per run and the envelope cache's use; leaves finding pauses, and any
// display, to its callers. Each start() cancels the run before it: a
// cancelled run's progress and result are never delivered, its thread ends on
// its own (at the next packet, or when the network read it waits on is
// interrupted) and is joined only once it has said it is done, so the GUI
// thread never waits on it. Signals arrive in the thread that owns this object
// (the GUI thread). Links QtCore only.
//
// Local files (plain paths and file:// URLs) are cached under cacheDir, keyed
// by canonical path, size and modification time; http(s) sources are always
// analysed afresh.
class MediaAnalyzer : public QObject {
    Q_OBJECT
public:
    static constexpr int64_t kDefaultCacheLimitBytes = int64_t{64} << 20;

    // QStandardPaths::CacheLocation + "/loudness".
    static QString defaultCacheDir();

    // An empty cacheDir turns the cache off.
    explicit MediaAnalyzer(QObject* parent = nullptr);
    MediaAnalyzer(QString cacheDir, int64_t cacheLimitBytes, QObject* parent = nullptr);
    // Cancels every run and waits for the threads, which stop within a packet
    // (or a network poll) of being told.
    ~MediaAnalyzer() override;

    // Starts analysing source (a path, file:// or http(s) URL), cancelling the
    // run before. An empty or refused source fails like any other, through
    // failed(), never synchronously.
    void start(const QString& source);
    // Cancels the current run; nothing more is delivered for it. No effect
    // when none runs.
    void cancel();

    // The source of the current (or last) run.
    QString source() const { return source_; }
    // True from start() until finished, failed or cancel.
    bool isRunning() const { return running_; }
    // Threads not yet ended, cancelled ones included.
    int workerCount() const { return static_cast<int>(workers_.size()); }

signals:
    // The share read so far, 0 .. 100, when the length is known.
    void progress(const QString& source, int percent);
    void finished(const QString& source, qm::analysis::EnvelopePtr envelope, bool fromCache);
    void failed(const QString& source, const QString& reason);

private:
    struct Worker {
        uint64_t id = 0;
        std::shared_ptr<std::atomic<bool>> cancel;
        std::thread thread;
    };
    struct Outcome {
        EnvelopePtr envelope;
        QString reason;
        bool fromCache = false;
    };

    void work(uint64_t id, QString source, std::shared_ptr<std::atomic<bool>> cancel);
    void onProgress(uint64_t id, int percent);
    void onDone(uint64_t id, const Outcome& outcome);

    const QString cacheDir_;
    const int64_t cacheLimitBytes_;
    std::vector<Worker> workers_;
    uint64_t current_ = 0;
    bool running_ = false;
    QString source_;
};

}  // namespace qm::analysis
