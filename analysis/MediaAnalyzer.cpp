#include "analysis/MediaAnalyzer.h"

#include "analysis/LoudnessModule.h"

#include "analysis/EnvelopeCache.h"
#include "loudness/LoudnessAnalysis.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <sys/resource.h>
#include <unistd.h>

namespace qm::analysis {
namespace {

// The local file a source names, for the cache; empty for network sources
// and anything that is not a plain file:// URL.
QString localFileOf(const QString& source) {
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]*)://"));
    const auto m = scheme.match(source);
    if (!m.hasMatch()) return source;
    if (m.captured(1).compare(u"file", Qt::CaseInsensitive) != 0) return {};
    const QUrl url(source);
    if (!url.isValid() || url.hasQuery() || url.hasFragment()) return {};
    return url.toLocalFile();
}

// The analysis gives way to the GUI and the player when the cores are busy.
void lowerThisThreadsPriority() {
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
}

}  // namespace

QString MediaAnalyzer::defaultCacheDir() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/loudness");
}

MediaAnalyzer::MediaAnalyzer(QObject* parent)
    : MediaAnalyzer(defaultCacheDir(), kDefaultCacheLimitBytes, parent) {}

MediaAnalyzer::MediaAnalyzer(QString cacheDir, int64_t cacheLimitBytes, QObject* parent)
    : QObject(parent), cacheDir_(std::move(cacheDir)), cacheLimitBytes_(cacheLimitBytes) {}

MediaAnalyzer::~MediaAnalyzer() {
    for (Worker& w : workers_) w.cancel->store(true);
    for (Worker& w : workers_) w.thread.join();
}

void MediaAnalyzer::start(const QString& source) {
    cancel();
    source_ = source;
    running_ = true;
    const uint64_t id = ++current_;
    auto flag = std::make_shared<std::atomic<bool>>(false);
    Worker w;
    w.id = id;
    w.cancel = flag;
    w.thread = std::thread([this, id, source, flag] { work(id, source, flag); });
    workers_.push_back(std::move(w));
}

void MediaAnalyzer::cancel() {
    running_ = false;
    for (Worker& w : workers_)
        if (w.id == current_) w.cancel->store(true);
}

// In the worker thread: touches nothing of this object but the constants and
// the queued calls, whose receiver outlives the thread (the destructor joins).
void MediaAnalyzer::work(uint64_t id, QString source, std::shared_ptr<std::atomic<bool>> cancel) {
    lowerThisThreadsPriority();
    const EnvelopeCache cache(cacheDir_, cacheLimitBytes_);
    std::optional<EnvelopeCache::Key> key;
    const QString local = localFileOf(source);
    if (!cacheDir_.isEmpty() && !local.isEmpty()) key = EnvelopeCache::keyOf(local);

    Outcome outcome;
    if (key) {
        if (auto cached = cache.load(*key)) {
            outcome.envelope = std::make_shared<const Envelope>(std::move(*cached));
            outcome.fromCache = true;
        }
    }
    if (!outcome.envelope) {
        int reported = -1;
        const auto progress = [&](double fraction) {
            const int percent = static_cast<int>(fraction * 100.0);
            if (percent == reported) return;
            reported = percent;
            QMetaObject::invokeMethod(this, [this, id, percent] { onProgress(id, percent); },
                                      Qt::QueuedConnection);
        };
        AnalysisResult result = analyzeLoudnessFromModule(QFile::encodeName(source).toStdString(), progress, cancel.get());
        if (result.error) {
            outcome.reason = QString::fromStdString(result.error->reason);
        } else {
            // A cache that cannot be written costs only a second analysis later.
            if (key && !cancel->load()) (void)cache.store(*key, result.envelope);
            outcome.envelope = std::make_shared<const Envelope>(std::move(result.envelope));
        }
    }
    QMetaObject::invokeMethod(this, [this, id, outcome] { onDone(id, outcome); }, Qt::QueuedConnection);
}

void MediaAnalyzer::onProgress(uint64_t id, int percent) {
    if (id != current_ || !running_) return;
    emit progress(source_, percent);
}

void MediaAnalyzer::onDone(uint64_t id, const Outcome& outcome) {
    // The thread's last act was to queue this call: the join only waits for its return.
    for (auto it = workers_.begin(); it != workers_.end(); ++it) {
        if (it->id != id) continue;
        it->thread.join();
        workers_.erase(it);
        break;
    }
    if (id != current_ || !running_) return;
    running_ = false;
    if (outcome.envelope)
        emit finished(source_, outcome.envelope, outcome.fromCache);
    else
        emit failed(source_, outcome.reason);
}

}  // namespace qm::analysis
