// Opens that must fail: missing, broken or refused sources. Each fails within
// the length deadline with its engine stopped, and the control still plays
// the next good file.
#include "tests/support/HttpServer.h"
#include "media/MediaEngine.h"
#include "tests/media/MediaTestSupport.h"
#include "media/MpvBridge.h"
#include "media/MetafileFetch.h"
#include "media/StreamingAudioControl.h"
#include "transport/TRealAudio.h"
#include "media/MediaPlayerControl.h"
#include "transport/TWindowsMediaPlayer.h"
#include "tests/support/Waits.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

using namespace qm;
using qmtest::media;
using qmtest::waitFor;

namespace {

class BadInput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

    QString writeTemp(const QString& name, const QByteArray& text) {
        QFile f(tmp.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return tmp.filePath(name);
    }

    // OpenFile's engine steps, timed; checks the failure the way the program sees it.
    void expectFailedOpen(const QString& path, Engine e) {
        engine.MediaStop();
        engine.LoadIntoEngine(path, e);
        if (!engine.IsPlaying()) engine.MediaPlay();
        const auto t0 = std::chrono::steady_clock::now();
        const int32_t length = engine.WaitForLength();
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - t0)
                                .count();
        EXPECT_EQ(length, 0) << path.toStdString();
        EXPECT_EQ(s.mediaLength, 0);
        EXPECT_LE(waited, 5500);
        EXPECT_FALSE(engine.IsPlaying());
        if (e == Engine::Streaming) {
            EXPECT_EQ(ra.GetPlayState(), ra::Stopped);
            EXPECT_FALSE(ra.stoppedAtEnd());
        } else {
            EXPECT_EQ(wmp.playState(), wmp::Stopped);
            EXPECT_FALSE(wmp.stoppedAtEnd());
        }
    }

    // Nothing is stuck: the same engine opens and plays a good file next.
    void expectGoodOpenAfterwards(Engine e) {
        const QString good = e == Engine::Streaming ? media("talk.rm") : media("lesson.mp3");
        engine.MediaStop();
        engine.LoadIntoEngine(good, e);
        if (!engine.IsPlaying()) engine.MediaPlay();
        EXPECT_GT(engine.WaitForLength(), 10000);
        EXPECT_TRUE(waitFor([this] { return engine.IsPlaying(); }, 3000));
    }

    QTemporaryDir tmp;
    QNetworkAccessManager network;
    qm::MediaPlayerControl wmp{nullptr, QStringLiteral("null")};
    qm::StreamingAudioControl ra{nullptr, QStringLiteral("null"), qm::networkMetafileFetcher(network)};
    PracticeState s;
    MediaEngine engine{s, wmp, ra, qtEventPump()};
};

TEST_F(BadInput, MissingFile) {
    expectFailedOpen(tmp.filePath("nothing-here.mp3"), Engine::MediaPlayer);
    expectGoodOpenAfterwards(Engine::MediaPlayer);
}

TEST_F(BadInput, TextFileNamedMp3) {
    expectFailedOpen(media("notmedia.mp3"), Engine::MediaPlayer);
    expectGoodOpenAfterwards(Engine::MediaPlayer);
}

TEST_F(BadInput, EmptyFile) {
    expectFailedOpen(media("empty.mp3"), Engine::MediaPlayer);
}

TEST_F(BadInput, HttpPortNobodyListensOn) {
    expectFailedOpen(QStringLiteral("http://127.0.0.1:%1/lesson.mp3").arg(qmtest::closedPort()),
                     Engine::MediaPlayer);
}

TEST_F(BadInput, HttpServerThatNeverAnswers) {
    qmtest::HttpServer silent(qmtest::HttpServer::Mode::Silent);
    expectFailedOpen(silent.url(QStringLiteral("/lesson.mp3")), Engine::MediaPlayer);
    // The abandoned load must not hold mpv up.
    expectGoodOpenAfterwards(Engine::MediaPlayer);
}

TEST_F(BadInput, UnknownSchemeInTheMediaPlayer) {
    wmp.setURL(QStringLiteral("edl://%1").arg(media("lesson.mp3")));
    // Refused at once: mpv never gets it, so there is no media item.
    EXPECT_EQ(wmp.playState(), wmp::Ready);
    EXPECT_EQ(wmp.currentMedia(), nullptr);
    expectFailedOpen(QStringLiteral("av://lavfi:sine=frequency=440"), Engine::MediaPlayer);
    expectGoodOpenAfterwards(Engine::MediaPlayer);
}

TEST_F(BadInput, MetafileNamingAnUnknownScheme) {
    const QString ram = writeTemp("evil.ram", "# refused\n\nav://lavfi:sine=frequency=440\n");
    ra.setSource(ram);
    EXPECT_EQ(ra.GetPlayState(), ra::Stopped);
    EXPECT_EQ(ra.GetLength(), 0);
    expectFailedOpen(ram, Engine::Streaming);
    expectGoodOpenAfterwards(Engine::Streaming);
}

// A metafile on a web server sends the player only to the network: one naming
// a local file fails with the reason and the file is never read. An absolute
// path is a path on the metafile's server, and goes there.
TEST_F(BadInput, AMetafileOnAWebServerCannotNameALocalFile) {
    qmtest::HttpServer server;
    const QByteArray local = QFile::encodeName(media("lesson.mp3"));
    server.serve("/url.ram", "audio/x-pn-realaudio", "# a local file\r\nfile://" + local + "\r\n");
    server.serve("/short.ram", "audio/x-pn-realaudio", "file:" + local + "\n");
    server.serve("/path.ram", "audio/x-pn-realaudio", local + "\n");
    for (const char* name : {"/url.ram", "/short.ram"}) {
        expectFailedOpen(server.url(QString::fromLatin1(name)), Engine::Streaming);
        EXPECT_TRUE(engine.lengthFailure().contains(QStringLiteral("only web and streaming addresses")) &&
                    engine.lengthFailure().contains(QString::fromUtf8(local)))
            << name << ": " << engine.lengthFailure().toStdString();
    }
    expectFailedOpen(server.url(QStringLiteral("/path.ram")), Engine::Streaming);
    EXPECT_GE(server.requestCount(QString::fromUtf8(local)), 1) << server.requests().join(' ').toStdString();
    expectGoodOpenAfterwards(Engine::Streaming);
}

TEST_F(BadInput, StreamingMissingFileAndMetafileWithoutEntry) {
    expectFailedOpen(tmp.filePath("gone.rm"), Engine::Streaming);
    expectFailedOpen(writeTemp("empty.ram", "# nothing\n\n"), Engine::Streaming);
}

TEST_F(BadInput, PlaylistInsideAMediaFileCannotReachOtherSchemes) {
    const QString list =
        writeTemp("list.mp3", "#EXTM3U\nav://lavfi:sine=frequency=440:duration=30\n");
    expectFailedOpen(list, Engine::MediaPlayer);
}

TEST(SourceScheme, OnlyLocalPathsAndNetworkAddressesAreAccepted) {
    for (const char* ok : {"/tmp/lesson.mp3", "relative/lesson.mp3", "lesson:1.mp3", "-",
                           "http://127.0.0.1/x.mp3", "HTTPS://example.org/x.mp3",
                           "rtsp://host/s.rm", "mms://host/s.wma", "file:///tmp/lesson.mp3"})
        EXPECT_TRUE(MpvBridge::isAcceptedSource(QString::fromUtf8(ok))) << ok;
    for (const char* bad :
         {"", "edl://x", "av://lavfi:sine", "lavf://x", "memory://abc", "ytdl://x", "ftp://h/x",
          "smb://h/x", "file://evil.example/x.mp3", "file:///tmp/a.mp3?x=1",
          "file:///tmp/a.mp3#frag", "http:///nohost.mp3", "fd://3", "appending://x"})
        EXPECT_FALSE(MpvBridge::isAcceptedSource(QString::fromUtf8(bad))) << bad;
    // mpv gets absolute paths, so "-" is a file here, never standard input.
    EXPECT_TRUE(MpvBridge::mpvTarget(QStringLiteral("-")).startsWith(QLatin1Char('/')));
    EXPECT_EQ(MpvBridge::mpvTarget(QStringLiteral("file:///tmp/a.mp3")), QStringLiteral("/tmp/a.mp3"));

    MpvBridge bridge(nullptr, QStringLiteral("null"));
    EXPECT_THROW(bridge.load(QStringLiteral("memory://data")), MediaError);
}

}  // namespace
