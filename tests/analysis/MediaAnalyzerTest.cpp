// The worker: results delivered in the GUI thread, a run cancelled by the
// next start or by cancel() never delivered, its thread ending on its own;
// the cache hit, missed on a changed file, never trusted when damaged or
// another file's, and kept within its limit; http sources, and playlists that
// may not reach the network.
#include "analysis/EnvelopeCache.h"
#include "loudness/LoudnessAnalysis.h"
#include "analysis/MediaAnalyzer.h"
#include "tests/support/HttpServer.h"
#include "tests/media/MediaTestSupport.h"
#include "tests/support/Waits.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

using qm::analysis::EnvelopeCache;
using qm::analysis::EnvelopePtr;
using qm::analysis::MediaAnalyzer;

// Everything an analyzer delivers, in order.
struct Recorder {
    struct Done {
        QString source;
        EnvelopePtr envelope;
        bool fromCache = false;
        bool inGuiThread = false;
    };
    std::vector<Done> finished;
    std::vector<std::pair<QString, QString>> failed;
    std::vector<std::pair<QString, int>> progress;

    explicit Recorder(MediaAnalyzer& a) {
        QObject::connect(&a, &MediaAnalyzer::finished, [this](const QString& s, EnvelopePtr e, bool cached) {
            finished.push_back({s, std::move(e), cached, QThread::currentThread() == qApp->thread()});
        });
        QObject::connect(&a, &MediaAnalyzer::failed,
                         [this](const QString& s, const QString& reason) { failed.push_back({s, reason}); });
        QObject::connect(&a, &MediaAnalyzer::progress,
                         [this](const QString& s, int percent) { progress.push_back({s, percent}); });
    }
    size_t results() const { return finished.size() + failed.size(); }
    bool waitForResults(size_t n) {
        return qmtest::waitFor([&] { return results() >= n; }, 30000);
    }
    // The next finished run's envelope, and whether it came from the cache.
    std::pair<EnvelopePtr, bool> next(MediaAnalyzer& a, const QString& source) {
        const size_t before = results(), finishedBefore = finished.size();
        a.start(source);
        if (!waitForResults(before + 1) || finished.size() != finishedBefore + 1) {
            ADD_FAILURE() << "no result for " << source.toStdString()
                          << (failed.empty() ? "" : ": " + failed.back().second.toStdString());
            return {};
        }
        return {finished.back().envelope, finished.back().fromCache};
    }
};

// Accepts connections and never answers.
class SilentServer {
public:
    SilentServer() {
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                s->setParent(&server_);
                ++connections_;
            }
        });
        if (!server_.listen(QHostAddress::LocalHost, 0)) ADD_FAILURE() << "cannot listen";
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/talk.mp3").arg(server_.serverPort()); }
    int connections() const { return connections_; }

private:
    QTcpServer server_;
    int connections_ = 0;
};

std::vector<float> directRms(const QString& path) {
    const auto r = qm::analysis::analyzeLoudness(QFile::encodeName(path).toStdString(), {}, nullptr);
    EXPECT_FALSE(r.error) << r.error->reason;
    return r.envelope.rms;
}

void setMtime(const QString& path, time_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

class Worker : public ::testing::Test {
protected:
    QString copy(const QString& name, const QString& as) {
        const QString to = tmp_.filePath(as);
        QFile::remove(to);
        EXPECT_TRUE(QFile::copy(qmtest::media(name), to)) << name.toStdString();
        return to;
    }
    QString cacheDir() const { return tmp_.filePath(QStringLiteral("cache")); }
    QString cacheFileOf(const QString& media) const {
        const auto key = EnvelopeCache::keyOf(media);
        EXPECT_TRUE(key);
        return key ? EnvelopeCache(cacheDir(), 0).fileFor(key->path) : QString();
    }
    QStringList cacheFiles() const {
        return QDir(cacheDir()).entryList({QStringLiteral("*.loudness")}, QDir::Files, QDir::Name);
    }

    QTemporaryDir tmp_;
};

TEST_F(Worker, DeliversInTheGuiThreadThenFromTheCache) {
    const QString a = copy(QStringLiteral("lesson.mp3"), QStringLiteral("a.mp3"));
    MediaAnalyzer analyzer(cacheDir(), MediaAnalyzer::kDefaultCacheLimitBytes);
    Recorder rec(analyzer);
    analyzer.start(a);
    EXPECT_TRUE(analyzer.isRunning());
    EXPECT_EQ(rec.results(), 0u);  // never synchronously
    ASSERT_TRUE(rec.waitForResults(1));
    ASSERT_EQ(rec.finished.size(), 1u);
    const Recorder::Done first = rec.finished[0];
    EXPECT_EQ(first.source, a);
    EXPECT_TRUE(first.inGuiThread);
    EXPECT_FALSE(first.fromCache);
    EXPECT_EQ(first.envelope->rms, directRms(a));
    EXPECT_FALSE(analyzer.isRunning());
    ASSERT_FALSE(rec.progress.empty());
    EXPECT_EQ(rec.progress.back(), std::make_pair(a, 100));
    EXPECT_TRUE(std::is_sorted(rec.progress.begin(), rec.progress.end()));
    EXPECT_TRUE(QFile::exists(cacheFileOf(a)));

    const auto [again, fromCache] = rec.next(analyzer, a);
    ASSERT_TRUE(again);
    EXPECT_TRUE(fromCache);
    EXPECT_EQ(again->rms, first.envelope->rms);
    EXPECT_EQ(again->durationMs, first.envelope->durationMs);
    EXPECT_TRUE(rec.finished.back().inGuiThread);
    EXPECT_TRUE(qmtest::waitFor([&] { return analyzer.workerCount() == 0; }, 5000));
}

TEST_F(Worker, AChangedFileIsAnalysedAgain) {
    const QString a = copy(QStringLiteral("lesson.mp3"), QStringLiteral("a.mp3"));
    setMtime(a, 1'600'000'000);
    MediaAnalyzer analyzer(cacheDir(), MediaAnalyzer::kDefaultCacheLimitBytes);
    Recorder rec(analyzer);
    EXPECT_FALSE(rec.next(analyzer, a).second);
    EXPECT_TRUE(rec.next(analyzer, a).second);

    setMtime(a, 1'600'000'001);  // touched
    EXPECT_FALSE(rec.next(analyzer, a).second);
    EXPECT_TRUE(rec.next(analyzer, a).second);

    {  // grown, with the time put back
        QFile f(a);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(QByteArray(417, '\0'));
    }
    setMtime(a, 1'600'000'001);
    EXPECT_FALSE(rec.next(analyzer, a).second);
    EXPECT_TRUE(rec.next(analyzer, a).second);
}

TEST_F(Worker, DamagedOrForeignCacheFilesAreNotTrusted) {
    const QString a = copy(QStringLiteral("lesson.mp3"), QStringLiteral("a.mp3"));
    const QString b = copy(QStringLiteral("tone.mp3"), QStringLiteral("b.mp3"));
    const std::vector<float> trueA = directRms(a), trueB = directRms(b);
    MediaAnalyzer analyzer(cacheDir(), MediaAnalyzer::kDefaultCacheLimitBytes);
    Recorder rec(analyzer);
    rec.next(analyzer, a);
    rec.next(analyzer, b);
    const QString fileA = cacheFileOf(a), fileB = cacheFileOf(b);
    const QByteArray goodA = qmtest::readAll(fileA);
    ASSERT_GT(goodA.size(), 1000);

    const auto expectMissThenHit = [&](const QString& media, const std::vector<float>& truth) {
        const auto [envelope, fromCache] = rec.next(analyzer, media);
        ASSERT_TRUE(envelope);
        EXPECT_FALSE(fromCache);
        EXPECT_EQ(envelope->rms, truth);
        EXPECT_TRUE(rec.next(analyzer, media).second);  // written anew
    };
    const auto overwrite = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };

    QByteArray flipped = goodA;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x40);
    overwrite(fileA, flipped);
    expectMissThenHit(a, trueA);

    overwrite(fileA, goodA.left(goodA.size() / 2));
    expectMissThenHit(a, trueA);

    overwrite(fileA, "QM5LOUD\x01 but not really a cache file");
    expectMissThenHit(a, trueA);

    overwrite(fileB, goodA);  // a's envelope under b's name
    expectMissThenHit(b, trueB);

    // Another file of the same size and time: only the path inside tells.
    const QString twin = copy(QStringLiteral("lesson.mp3"), QStringLiteral("twin.mp3"));
    setMtime(a, 1'600'000'000);
    setMtime(twin, 1'600'000'000);
    rec.next(analyzer, a);
    overwrite(cacheFileOf(twin), qmtest::readAll(fileA));
    expectMissThenHit(twin, trueA);
}

TEST_F(Worker, TheCacheStaysWithinItsLimitDroppingTheLeastRecentlyUsed) {
    const QString a = copy(QStringLiteral("lesson.mp3"), QStringLiteral("a.mp3"));
    const QString b = copy(QStringLiteral("lesson.mp3"), QStringLiteral("b.mp3"));
    const QString c = copy(QStringLiteral("lesson.mp3"), QStringLiteral("c.mp3"));
    qint64 entry = 0;
    {
        MediaAnalyzer sizer(cacheDir(), MediaAnalyzer::kDefaultCacheLimitBytes);
        Recorder rec(sizer);
        rec.next(sizer, a);
        entry = QFileInfo(cacheFileOf(a)).size();
        ASSERT_GT(entry, 0);
        ASSERT_TRUE(QDir(cacheDir()).removeRecursively());
    }
    // Room for two entries.
    const int64_t limit = entry * 5 / 2;
    MediaAnalyzer analyzer(cacheDir(), limit);
    Recorder rec(analyzer);
    const auto nameOf = [&](const QString& media) { return QFileInfo(cacheFileOf(media)).fileName(); };
    const auto expectCached = [&](QStringList medias) {
        QStringList names;
        for (const QString& m : medias) names << nameOf(m);
        names.sort();
        EXPECT_EQ(cacheFiles(), names);
        int64_t total = 0;
        for (const QString& f : cacheFiles()) total += QFileInfo(QDir(cacheDir()).filePath(f)).size();
        EXPECT_LE(total, limit);
    };

    rec.next(analyzer, a);
    rec.next(analyzer, b);
    rec.next(analyzer, c);
    expectCached({b, c});
    EXPECT_TRUE(rec.next(analyzer, b).second);  // b is used again ...
    EXPECT_FALSE(rec.next(analyzer, a).second);
    expectCached({a, b});  // ... so c goes
}

TEST_F(Worker, TheNextStartCancelsARunWaitingOnTheNetwork) {
    SilentServer silent;
    const QString a = copy(QStringLiteral("lesson.mp3"), QStringLiteral("a.mp3"));
    MediaAnalyzer analyzer(cacheDir(), MediaAnalyzer::kDefaultCacheLimitBytes);
    Recorder rec(analyzer);
    analyzer.start(silent.url());
    ASSERT_TRUE(qmtest::waitFor([&] { return silent.connections() > 0; }, 10000));
    analyzer.start(a);
    EXPECT_EQ(analyzer.source(), a);
    ASSERT_TRUE(rec.waitForResults(1));
    // The waiting thread ends without a reply from the server.
    ASSERT_TRUE(qmtest::waitFor([&] { return analyzer.workerCount() == 0; }, 10000));
    EXPECT_TRUE(rec.failed.empty());
    ASSERT_EQ(rec.finished.size(), 1u);
    EXPECT_EQ(rec.finished[0].source, a);
    for (const auto& [source, percent] : rec.progress) EXPECT_EQ(source, a);
}

TEST_F(Worker, ACancelledRunDeliversNothingMore) {
    const QString t = copy(QStringLiteral("tone.mp3"), QStringLiteral("t.mp3"));
    MediaAnalyzer analyzer(cacheDir(), MediaAnalyzer::kDefaultCacheLimitBytes);
    Recorder rec(analyzer);
    analyzer.start(t);
    ASSERT_TRUE(qmtest::waitFor([&] { return !rec.progress.empty(); }, 10000));
    analyzer.cancel();
    const size_t progressSeen = rec.progress.size();
    EXPECT_FALSE(analyzer.isRunning());
    ASSERT_TRUE(qmtest::waitFor([&] { return analyzer.workerCount() == 0; }, 10000));
    EXPECT_EQ(rec.results(), 0u);
    EXPECT_EQ(rec.progress.size(), progressSeen);
    EXPECT_TRUE(cacheFiles().isEmpty());
}

TEST_F(Worker, DestroyedWhileWaitingOnTheNetworkItEndsAtOnce) {
    SilentServer silent;
    auto analyzer = std::make_unique<MediaAnalyzer>(cacheDir(), MediaAnalyzer::kDefaultCacheLimitBytes);
    analyzer->start(silent.url());
    ASSERT_TRUE(qmtest::waitFor([&] { return silent.connections() > 0; }, 10000));
    QElapsedTimer t;
    t.start();
    analyzer.reset();
    EXPECT_LT(t.elapsed(), 5000);  // the network would wait 20 s
}

TEST_F(Worker, FailuresArriveAsSignals) {
    MediaAnalyzer analyzer(cacheDir(), MediaAnalyzer::kDefaultCacheLimitBytes);
    Recorder rec(analyzer);
    const QString refused = QStringLiteral("ftp://127.0.0.1/lesson.mp3");
    analyzer.start(refused);
    EXPECT_EQ(rec.results(), 0u);
    ASSERT_TRUE(rec.waitForResults(1));
    ASSERT_EQ(rec.failed.size(), 1u);
    EXPECT_EQ(rec.failed[0].first, refused);
    EXPECT_TRUE(rec.failed[0].second.contains(QStringLiteral("ftp"))) << rec.failed[0].second.toStdString();

    const QString missing = tmp_.filePath(QStringLiteral("missing.mp3"));
    analyzer.start(missing);
    ASSERT_TRUE(rec.waitForResults(2));
    ASSERT_EQ(rec.failed.size(), 2u);
    EXPECT_EQ(rec.failed[1].first, missing);
    EXPECT_TRUE(rec.failed[1].second.contains(QStringLiteral("No such file"))) << rec.failed[1].second.toStdString();
    EXPECT_TRUE(rec.finished.empty());
}

TEST_F(Worker, HttpMediaIsAnalysedButNotCached) {
    qmtest::HttpServer server;
    server.serve("/lesson.mp3", "audio/mpeg", qmtest::readAll(qmtest::media(QStringLiteral("lesson.mp3"))));
    MediaAnalyzer analyzer(cacheDir(), MediaAnalyzer::kDefaultCacheLimitBytes);
    Recorder rec(analyzer);
    const auto [envelope, fromCache] = rec.next(analyzer, server.url(QStringLiteral("/lesson.mp3")));
    ASSERT_TRUE(envelope);
    EXPECT_FALSE(fromCache);
    EXPECT_EQ(envelope->rms, directRms(qmtest::media(QStringLiteral("lesson.mp3"))));
    EXPECT_GT(server.requests().size(), 0);
    EXPECT_TRUE(cacheFiles().isEmpty());
}

TEST_F(Worker, ALocalPlaylistCannotReachTheNetwork) {
    qmtest::HttpServer server;
    server.serve("/lesson.mp3", "audio/mpeg", qmtest::readAll(qmtest::media(QStringLiteral("lesson.mp3"))));
    const QString list = tmp_.filePath(QStringLiteral("list.m3u8"));
    {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\n%1\n#EXT-X-ENDLIST\n")
                    .arg(server.url(QStringLiteral("/lesson.mp3")))
                    .toUtf8());
    }
    MediaAnalyzer analyzer(cacheDir(), MediaAnalyzer::kDefaultCacheLimitBytes);
    Recorder rec(analyzer);
    analyzer.start(list);
    ASSERT_TRUE(rec.waitForResults(1));
    EXPECT_EQ(server.requests().size(), 0);
    if (!rec.finished.empty()) {
        EXPECT_TRUE(rec.finished[0].envelope->rms.empty());
    }
}

}  // namespace
