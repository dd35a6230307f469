// Both playback controls on libmpv (null audio output), driven through
// MediaEngine as the program drives them, on the generated lessons.
#include "tests/support/HttpServer.h"
#include "media/MediaEngine.h"
#include "tests/media/MediaTestSupport.h"
#include "media/MpvBridge.h"
#include "media/MetafileFetch.h"
#include "media/StreamingAudioControl.h"
#include "transport/TRealAudio.h"
#include "media/MediaPlayerControl.h"
#include "transport/TWindowsMediaPlayer.h"
#include "transport/Transport.h"
#include "tests/support/Waits.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

using namespace qm;
using qmtest::media;
using qmtest::pumpFor;
using qmtest::waitFor;

namespace {

class PlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(media("lesson.mp3"))) << "no test media in " << qmtest::mediaDir().toStdString();
        connect();
    }

    void connect() {
        QObject::connect(&wmp, &qm::MediaPlayerControl::PlayStateChange,
                         [this](int st) { wmpStates.push_back(st); });
        QObject::connect(&wmp, &qm::MediaPlayerControl::StatusChange, [this] { ++wmpStatusChanges; });
        QObject::connect(&ra, &qm::StreamingAudioControl::PlayStateChange, [this](int st) { raStates.push_back(st); });
    }

    // OpenFile's engine steps: stop, load, play unless playing, wait for the length.
    int32_t open(const QString& path, Engine e) {
        engine.MediaStop();
        engine.LoadIntoEngine(path, e);
        if (!engine.IsPlaying()) engine.MediaPlay();
        return engine.WaitForLength();
    }
    int32_t pos() {
        engine.ReadPosition();
        return s.mediaPos;
    }
    bool stopped() { return s.useReal ? ra.GetPlayState() == ra::Stopped : wmp.playState() == wmp::Stopped; }
    bool atEnd() const { return s.useReal ? ra.stoppedAtEnd() : wmp.stoppedAtEnd(); }
    // The libmpv instance under a control: its playbackRestarted is mpv's own
    // report that a load or seek has been carried out.
    static MpvBridge* mpvOf(PlaybackSession& playback) { return playback.findChild<MpvBridge*>(); }
    bool waitPlaying(int ms = 3000) {
        return waitFor([this] { return engine.IsPlaying(); }, ms);
    }
    // Position gained per ms of wall time over about `ms`.
    double speedOver(int ms) {
        using Clock = std::chrono::steady_clock;
        const int32_t p0 = pos();
        const auto t0 = Clock::now();
        pumpFor(ms);  // the span the speed is measured over
        const int32_t p1 = pos();
        const double wall =
            std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        return (p1 - p0) / wall;
    }

    QNetworkAccessManager network;
    qm::MediaPlayerControl wmp{nullptr, QStringLiteral("null")};
    qm::StreamingAudioControl ra{nullptr, QStringLiteral("null"), qm::networkMetafileFetcher(network)};
    PracticeState s;
    MediaEngine engine{s, wmp, ra, qtEventPump()};
    std::vector<int> wmpStates, raStates;
    int wmpStatusChanges = 0;
};

struct MediaCase {
    const char* file;
    Engine engine;
    const char* probed;  // what ffprobe measures (a metafile's target)
};

void PrintTo(const MediaCase& c, std::ostream* os) {
    *os << c.file;
}

class EachMedia : public PlaybackTest, public ::testing::WithParamInterface<MediaCase> {
protected:
    int32_t openParam() { return open(media(GetParam().file), GetParam().engine); }
};

TEST_P(EachMedia, LengthMatchesFfprobeAndPositionAdvances) {
    const int64_t probed = qmtest::ffprobeMs(media(GetParam().probed));
    ASSERT_GT(probed, 0);
    const int32_t length = openParam();
    EXPECT_NEAR(length, probed, 50);
    EXPECT_EQ(s.mediaLength, length);
    ASSERT_TRUE(waitPlaying());
    const int32_t p0 = pos();
    pumpFor(500);  // measured: how far the position moves in this span
    const int32_t p1 = pos();
    EXPECT_GE(p1 - p0, 300);
    EXPECT_LE(p1 - p0, 900);
}

TEST_P(EachMedia, SeekAnswersAtOnceAndLandsExactly) {
    ASSERT_GT(openParam(), 0);
    ASSERT_TRUE(waitPlaying());
    // While playing: the target is what a read says at once, before mpv has moved.
    const int32_t t1 = 6123;
    engine.SeekTo(t1);
    EXPECT_NEAR(pos(), t1, 1);
    pumpFor(400);  // measured: how far it plays on from the target
    EXPECT_GE(pos(), t1 + 200);
    EXPECT_LE(pos(), t1 + 900);

    // Paused: the position stays on the target, and playing resumes from it.
    engine.MediaPause();
    const int32_t t2 = 2345;
    engine.SeekTo(t2);
    pumpFor(300);  // measured: paused, the position must not move over a span
    EXPECT_NEAR(pos(), t2, 5);
    engine.MediaPlay();
    ASSERT_TRUE(engine.IsPlaying());
    EXPECT_NEAR(pos(), t2, 5);
    pumpFor(300);  // measured: how far it plays on from there
    EXPECT_GE(pos(), t2 + 150);
}

TEST_P(EachMedia, EndOfMediaIsReportedAsAStopAtTheEnd) {
    const int32_t length = openParam();
    ASSERT_GT(length, 1000);
    ASSERT_TRUE(waitPlaying());
    // mpv's reports in their order: "idle" when its core is free, "start" at a load.
    MpvBridge* mpv = mpvOf(s.useReal ? ra.playback() : wmp.playback());
    ASSERT_NE(mpv, nullptr);
    std::vector<std::string> reports;
    QObject::connect(mpv, &MpvBridge::idleChanged, [&](bool idle) { reports.push_back(idle ? "idle" : "busy"); });
    QObject::connect(mpv, &MpvBridge::startFile, [&] { reports.push_back("start"); });
    engine.SeekTo(length - 600);
    ASSERT_TRUE(waitFor([this] { return stopped(); }, 4000));
    EXPECT_TRUE(atEnd());
    EXPECT_EQ(pos(), 0);
    if (s.useReal) {
        ASSERT_FALSE(raStates.empty());
        EXPECT_EQ(raStates.back(), ra::Stopped);
    } else {
        ASSERT_FALSE(wmpStates.empty());
        EXPECT_EQ(wmpStates.back(), wmp::Stopped);
    }
    // What the repeat controller does at the end: back into the media, play.
    engine.SeekTo(2000);
    EXPECT_NEAR(pos(), 2000, 1);
    engine.MediaPlay();
    ASSERT_TRUE(waitPlaying());
    EXPECT_FALSE(atEnd());
    pumpFor(300);  // measured: how far it plays on from 2000
    EXPECT_GE(pos(), 2100);
    EXPECT_LE(pos(), 3000);
    // The new load went to mpv only once it had finished the old file: a
    // call before that would have held the event loop until then.
    const auto start = std::find(reports.begin(), reports.end(), "start");
    ASSERT_NE(start, reports.end());
    EXPECT_NE(std::find(reports.begin(), start, "idle"), start) << "loaded before mpv was idle";
}

// A stop right after playing again at the end: the load that waited for mpv
// is dropped, and nothing plays once mpv is free.
TEST_F(PlaybackTest, AStopBeforeTheWaitingLoadKeepsItStopped) {
    const int32_t length = open(media("lesson.mp3"), Engine::MediaPlayer);
    ASSERT_GT(length, 1000);
    ASSERT_TRUE(waitPlaying());
    MpvBridge* mpv = mpvOf(wmp.playback());
    ASSERT_NE(mpv, nullptr);
    QSignalSpy idle(mpv, &MpvBridge::idleChanged);
    QSignalSpy started(mpv, &MpvBridge::startFile);
    engine.SeekTo(length - 400);
    ASSERT_TRUE(waitFor([this] { return stopped() && atEnd(); }, 4000));
    const auto idleSeen = [&] {
        for (const auto& args : idle)
            if (args.at(0).toBool()) return true;
        return false;
    };
    if (idleSeen()) GTEST_SKIP() << "mpv was free already when the end was reported: no load had to wait";
    engine.MediaPlay();
    engine.MediaStop();
    ASSERT_TRUE(waitFor(idleSeen, 3000)) << "mpv never went idle";
    // Once more through the event loop after mpv's report: still no load.
    pumpFor(0);
    EXPECT_EQ(started.count(), 0);
    EXPECT_TRUE(stopped());
    EXPECT_EQ(pos(), 0);
}

TEST_P(EachMedia, RequestedStopIsNotTheEndAndGoesBackToTheStart) {
    ASSERT_GT(openParam(), 0);
    ASSERT_TRUE(waitPlaying());
    pumpFor(300);  // a span of playing, so that the stop comes from inside the media
    MpvBridge* mpv = mpvOf(s.useReal ? ra.playback() : wmp.playback());
    ASSERT_NE(mpv, nullptr);
    QSignalSpy restarted(mpv, &MpvBridge::playbackRestarted);
    engine.MediaStop();
    EXPECT_TRUE(stopped());  // reported from inside the call
    EXPECT_FALSE(atEnd());
    EXPECT_EQ(pos(), 0);
    // Nothing starts it again once mpv has carried out the stop's seek to the
    // start, and over a span after that the position stays there.
    ASSERT_TRUE(qmtest::waitForSignals(restarted, 1, 3000));
    pumpFor(300);  // measured: stopped, the position must not move over a span
    EXPECT_TRUE(stopped());
    EXPECT_EQ(pos(), 0);
    engine.MediaPlay();
    ASSERT_TRUE(waitPlaying());
    pumpFor(300);  // measured: how far it plays from the start
    EXPECT_GT(pos(), 100);
}

INSTANTIATE_TEST_SUITE_P(
    Media, EachMedia,
    ::testing::Values(MediaCase{"lesson.mp3", Engine::MediaPlayer, "lesson.mp3"},
                      MediaCase{"lesson.wma", Engine::MediaPlayer, "lesson.wma"},
                      MediaCase{"talk.rm", Engine::Streaming, "talk.rm"},
                      MediaCase{"talk.ram", Engine::Streaming, "talk.rm"},
                      MediaCase{"talk_rel.ram", Engine::Streaming, "talk.rm"}),
    [](const auto& info) {
        QString n = QString::fromLatin1(info.param.file);
        return n.replace(QLatin1Char('.'), QLatin1Char('_')).toStdString();
    });

TEST_F(PlaybackTest, MediaPlayerStartsByItselfWithItsInitialSettings) {
    EXPECT_EQ(wmp.currentMedia(), nullptr);
    EXPECT_EQ(wmp.playState(), wmp::Undefined);
    EXPECT_EQ(wmp.settings().volume(), 50);
    EXPECT_DOUBLE_EQ(wmp.settings().rate(), 1.0);
    wmp.setURL(media("lesson.mp3"));
    ASSERT_NE(wmp.currentMedia(), nullptr);
    EXPECT_EQ(wmp.URL(), media("lesson.mp3"));
    EXPECT_TRUE(waitFor([this] { return wmp.playState() == wmp::Playing; }, 3000));
    EXPECT_GT(wmp.currentMedia()->duration(), 10.0);
    EXPECT_GT(wmpStatusChanges, 0);
    // Opening went through "transitioning" (9) to "playing" (3).
    EXPECT_EQ(wmpStates, (std::vector<int>{wmp::Transitioning, wmp::Playing}));
    wmp.close();
    EXPECT_EQ(wmp.currentMedia(), nullptr);
    EXPECT_EQ(wmp.playState(), wmp::Undefined);
}

TEST_F(PlaybackTest, StreamingControlWaitsForDoPlay) {
    s.useReal = true;
    ra.setSource(media("talk.ram"));
    EXPECT_EQ(ra.Source(), media("talk.ram"));
    // The mpv instance is made with the first source; its restart comes later.
    MpvBridge* mpv = mpvOf(ra.playback());
    ASSERT_NE(mpv, nullptr);
    QSignalSpy restarted(mpv, &MpvBridge::playbackRestarted);
    ASSERT_TRUE(waitFor([this] { return ra.GetLength() > 0; }, 3000));
    // Loaded, and by mpv's report that playback could begin, still not started.
    ASSERT_TRUE(qmtest::waitForSignals(restarted, 1, 3000));
    EXPECT_EQ(ra.GetPlayState(), ra::Stopped);
    EXPECT_EQ(ra.GetPosition(), 0);
    EXPECT_FALSE(ra.stoppedAtEnd());
    ra.DoPlay();
    ASSERT_TRUE(waitFor([this] { return ra.GetPlayState() == ra::Playing; }, 3000));
    pumpFor(300);  // measured: how far it plays
    EXPECT_GT(ra.GetPosition(), 100);
    ra.DoPause();
    EXPECT_EQ(ra.GetPlayState(), ra::Paused);
    const int32_t held = ra.GetPosition();
    pumpFor(300);  // measured: paused, the position must not move over a span
    EXPECT_NEAR(ra.GetPosition(), held, 30);  // what the output held back still counts
}

TEST_F(PlaybackTest, HalfRateHalvesTheSpeedOfThePosition) {
    ASSERT_GT(open(media("tone.mp3"), Engine::MediaPlayer), 0);
    ASSERT_TRUE(waitPlaying());
    pumpFor(200);  // played before the measured span, so that the start does not count
    const double normal = speedOver(1000);
    engine.SetRate(0.5);
    EXPECT_DOUBLE_EQ(wmp.settings().rate(), 0.5);
    pumpFor(200);  // what the output held at the old rate plays out before the measured span
    const double half = speedOver(1500);
    EXPECT_NEAR(normal, 1.0, 0.2);
    EXPECT_NEAR(half, 0.5, 0.12);
}

// The block timer reads the position twenty times a second. While mpv plays
// steadily the reads go on by the clock from an occasional read of mpv, and
// stay on mpv's own time; a pause and a speed change are seen at once.
TEST_F(PlaybackTest, ThePositionGoesByTheClockBetweenFewReadsOfMpvAndStaysOnItsTime) {
    ASSERT_GT(open(media("tone.mp3"), Engine::MediaPlayer), 0);
    ASSERT_TRUE(waitPlaying());
    MpvBridge* mpv = mpvOf(wmp.playback());
    ASSERT_NE(mpv, nullptr);
    pumpFor(300);  // past the start, where mpv's time stands still a moment
    const auto mpvMs = [mpv] { return static_cast<int32_t>(mpv->getDouble(mpvprop::TimePos).value_or(-1) * 1000); };

    const int64_t readsBefore = mpv->reads();
    int ownReads = 0, worst = 0;
    for (int i = 0; i < 40; ++i) {  // two seconds of block-timer reads
        pumpFor(50);
        const int32_t p = pos();
        const int32_t m = mpvMs();
        ++ownReads;
        worst = std::max(worst, std::abs(p - m));
    }
    const int64_t sessionReads = mpv->reads() - readsBefore - ownReads;
    EXPECT_LE(sessionReads, 20) << "of 40 position reads";
    EXPECT_LE(worst, 80) << "ms between the position and mpv's own time";

    engine.MediaPause();
    const int32_t paused = pos();
    pumpFor(400);  // measured: paused, the position must not go on by the clock
    EXPECT_LT(pos() - paused, 50) << "mpv's time settles by some ms after a pause";
    EXPECT_NEAR(pos(), mpvMs(), 5);

    engine.MediaPlay();
    engine.SetRate(2.0);
    pumpFor(300);  // the output's hold at the old rate plays out
    const double fast = speedOver(1000);
    EXPECT_NEAR(fast, 2.0, 0.3);
    EXPECT_LE(std::abs(pos() - mpvMs()), 80);
}

TEST_F(PlaybackTest, RateDoesNotReachTheStreamingControl) {
    ASSERT_GT(open(media("talk.rm"), Engine::Streaming), 0);
    ASSERT_TRUE(waitPlaying());
    engine.SetRate(0.5);
    EXPECT_DOUBLE_EQ(wmp.settings().rate(), 0.5);
    pumpFor(200);  // as above: a span before the measured one
    EXPECT_NEAR(speedOver(1000), 1.0, 0.2);
}

TEST_F(PlaybackTest, Mp3OverHttpOpensAndPlays) {
    qmtest::HttpServer server;
    server.serve("/lesson.mp3", "audio/mpeg", qmtest::readAll(media("lesson.mp3")));
    const int32_t length = open(server.url(QStringLiteral("/lesson.mp3")), Engine::MediaPlayer);
    EXPECT_NEAR(length, qmtest::ffprobeMs(media("lesson.mp3")), 50);
    ASSERT_TRUE(waitPlaying());
    const int32_t p0 = pos();
    pumpFor(500);  // measured: how far it plays
    EXPECT_GE(pos() - p0, 300);
    EXPECT_GE(server.requestCount("/lesson.mp3"), 1);
}

TEST_F(PlaybackTest, RealMediaOverHttpOpensInTheStreamingControl) {
    qmtest::HttpServer server;
    server.serve("/talk.rm", "application/vnd.rn-realmedia", qmtest::readAll(media("talk.rm")));
    const int32_t length = open(server.url(QStringLiteral("/talk.rm")), Engine::Streaming);
    EXPECT_NEAR(length, qmtest::ffprobeMs(media("talk.rm")), 50);
    ASSERT_TRUE(waitPlaying());
    const int32_t p0 = pos();
    pumpFor(500);  // measured: how far it plays
    EXPECT_GE(pos() - p0, 300);
}

// A seek made as soon as the file plays skips a part of it; a later seek back
// into that part plays there instead of ending the file. FFmpeg's demuxer
// cannot seek in this RealMedia file by itself.
TEST_F(PlaybackTest, ARealMediaFileSeeksBackIntoAPartItSkipped) {
    for (int round = 0; round < 5; ++round) {
        ASSERT_GT(open(media("talk.rm"), Engine::Streaming), 0);
        engine.SeekTo(8000);
        ASSERT_TRUE(waitFor([this] { return pos() >= 8100; }, 3000)) << "round " << round;
        engine.SeekTo(2345);
        EXPECT_TRUE(waitFor([this] { return pos() >= 2400 && pos() < 4000; }, 3000))
            << "round " << round << ": at " << pos() << (atEnd() ? ", ended" : "");
        EXPECT_FALSE(atEnd());
    }
}

// A transport shows its control and hands what the user does to its owner:
// the buttons and the seek bar fire the actions, and change nothing themselves.
TEST_F(PlaybackTest, TransportsAreReachedByTabAndHandTheirButtonsOn) {
    QStringList done;
    const qm::transport::Actions actions{[&] { done << "playPause"; }, [&] { done << "stop"; },
                                         [&](int ms) { done << QStringLiteral("seek %1").arg(ms); },
                                         [&](int v) { done << QStringLiteral("volume %1").arg(v); }};
    TWindowsMediaPlayer wmpBand(nullptr, wmp, actions);
    TRealAudio raBand(nullptr, ra, actions);
    // Tab reaches the buttons and sliders; a click gives nothing the focus.
    for (QWidget* root : {static_cast<QWidget*>(&wmpBand), static_cast<QWidget*>(&raBand)}) {
        EXPECT_EQ(root->focusPolicy(), Qt::NoFocus);
        const auto children = root->findChildren<QWidget*>();
        EXPECT_FALSE(children.isEmpty());
        int reached = 0;
        for (QWidget* w : children) {
            EXPECT_FALSE(w->focusPolicy() & Qt::ClickFocus) << w->metaObject()->className();
            if (w->focusPolicy() == Qt::TabFocus) ++reached;
        }
        EXPECT_GE(reached, 3);  // play, stop, seek
    }
    EXPECT_EQ(wmpBand.sizeHint(), QSize(402, 65));
    EXPECT_EQ(raBand.sizeHint(), QSize(402, 91));

    auto button = [](QWidget* root, const QString& tip) -> QToolButton* {
        for (auto* b : root->findChildren<QToolButton*>())
            if (b->toolTip() == tip) return b;
        return nullptr;
    };
    ASSERT_GT(open(media("lesson.mp3"), Engine::MediaPlayer), 0);
    ASSERT_TRUE(waitPlaying());
    QToolButton* playPause = button(&wmpBand, QStringLiteral("Play / Pause"));
    QToolButton* stop = button(&wmpBand, QStringLiteral("Stop"));
    ASSERT_NE(playPause, nullptr);
    ASSERT_NE(stop, nullptr);
    playPause->click();
    stop->click();
    EXPECT_EQ(done, (QStringList{"playPause", "stop"}));
    EXPECT_EQ(wmp.playState(), wmp::Playing);  // the band changed nothing itself
}

// The transport refreshes four times a second. While the block timer reads
// the position, a due refresh comes in the same pass of the event loop as a
// read (one repaint for both); with no reads its own timer goes on.
TEST_F(PlaybackTest, TheTransportRefreshRidesOnTheBlockTimersReadsAndGoesOnWithout) {
    TWindowsMediaPlayer band(nullptr, wmp, {});
    band.show();
    ASSERT_GT(open(media("tone.mp3"), Engine::MediaPlayer), 0);
    ASSERT_TRUE(waitPlaying());
    auto* seekBar = band.findChild<QSlider*>();
    ASSERT_NE(seekBar, nullptr);

    QElapsedTimer clock;
    clock.start();
    qint64 lastRead = -1;
    QTimer blockTimer;
    blockTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&blockTimer, &QTimer::timeout, [&] {
        pos();
        lastRead = clock.elapsed();
    });
    std::vector<qint64> sinceRead;
    QObject::connect(seekBar, &QSlider::valueChanged, [&] { sinceRead.push_back(clock.elapsed() - lastRead); });
    blockTimer.start(50);
    pumpFor(1500);  // measured: the refreshes over this span
    blockTimer.stop();
    EXPECT_GE(sinceRead.size(), 4u);
    EXPECT_LE(sinceRead.size(), 8u);
    for (qint64 gap : sinceRead) EXPECT_LE(gap, 10) << "ms from a read to the refresh";

    sinceRead.clear();
    pumpFor(1000);  // measured: the refreshes with nobody reading
    EXPECT_GE(sinceRead.size(), 2u);
}

// The metafile reader on its own: comments, blank lines, CR LF, relative and
// absolute entries, addresses.
TEST(Metafile, FirstMediaEntryAfterCommentsAndBlankLines) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto write = [&dir](const QString& name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return dir.filePath(name);
    };
    EXPECT_EQ(qm::StreamingAudioControl::readMetafile(write("a.ram", "# c\r\n\r\n  sub/talk.rm  \r\nother.rm\r\n")),
              dir.filePath("sub/talk.rm"));
    EXPECT_EQ(qm::StreamingAudioControl::readMetafile(write("b.ram", "\n\n/abs/x.rm\n")), QStringLiteral("/abs/x.rm"));
    EXPECT_EQ(qm::StreamingAudioControl::readMetafile(write("c.ram", "#x\nrtsp://host/s.rm\n")),
              QStringLiteral("rtsp://host/s.rm"));
    EXPECT_EQ(qm::StreamingAudioControl::readMetafile(write("d.ram", "../up.rm")),
              QDir::cleanPath(dir.path() + QStringLiteral("/../up.rm")));
    EXPECT_EQ(qm::StreamingAudioControl::readMetafile(write("e.ram", "# only comments\n\n")), std::nullopt);
    EXPECT_EQ(qm::StreamingAudioControl::readMetafile(write("f.ram", "--stop--\nx.rm\n")), std::nullopt);
    EXPECT_EQ(qm::StreamingAudioControl::readMetafile(dir.filePath("missing.ram")), std::nullopt);
    EXPECT_TRUE(qm::StreamingAudioControl::isMetafile(QStringLiteral("/x/TALK.RAM")));
    EXPECT_FALSE(qm::StreamingAudioControl::isMetafile(QStringLiteral("/x/talk.rm")));
    // An address is judged by its path, without the query or fragment.
    EXPECT_TRUE(qm::StreamingAudioControl::isMetafile(QStringLiteral("http://h/x.ram?id=3")));
    EXPECT_FALSE(qm::StreamingAudioControl::isMetafile(QStringLiteral("http://h/x.rm?as=.ram")));
    // Text like every other text file: CP932 when the bytes are no UTF-8.
    EXPECT_EQ(qm::StreamingAudioControl::readMetafile(write("g.ram", QByteArray("\x95\x5c.rm\r\n"))), dir.filePath("表.rm"));
    EXPECT_EQ(qm::StreamingAudioControl::readMetafile(write("h.ram", QByteArray("表.rm\n"))), dir.filePath("表.rm"));
    // A remote metafile's relative entry lies on its server.
    EXPECT_EQ(qm::StreamingAudioControl::metafileEntry("media/talk.rm\n", "http://h:8/a/b.ram"), "http://h:8/a/media/talk.rm");
}

// A browser link to a metafile: fetched from the server, its entry played.
TEST_F(PlaybackTest, AMetafileOnAWebServerIsFetchedAndItsEntryPlays) {
    qmtest::HttpServer server;
    server.serve("/talk.rm", "application/vnd.rn-realmedia", qmtest::readAll(media("talk.rm")));
    server.serve("/clip.ram", "audio/x-pn-realaudio", "# a link from a page\r\n\r\ntalk.rm\r\n");
    const int32_t length = open(server.url(QStringLiteral("/clip.ram")), Engine::Streaming);
    EXPECT_NEAR(length, qmtest::ffprobeMs(media("talk.rm")), 50);
    ASSERT_TRUE(waitPlaying());
    EXPECT_EQ(ra.Source(), server.url(QStringLiteral("/clip.ram")));
}

// An address with a query is a metafile by its path; a web address in it plays.
TEST_F(PlaybackTest, AMetafileAddressWithAQueryIsFetchedAndItsWebAddressPlays) {
    qmtest::HttpServer server;
    server.serve("/lesson.mp3", "audio/mpeg", qmtest::readAll(media("lesson.mp3")));
    server.serve("/clip.ram", "audio/x-pn-realaudio", server.url(QStringLiteral("/lesson.mp3")).toUtf8() + "\r\n");
    const int32_t length = open(server.url(QStringLiteral("/clip.ram?id=3")), Engine::Streaming);
    EXPECT_NEAR(length, qmtest::ffprobeMs(media("lesson.mp3")), 50) << engine.lengthFailure().toStdString();
    ASSERT_TRUE(waitPlaying());
    EXPECT_EQ(server.requestCount("/clip.ram"), 1);
    EXPECT_GE(server.requestCount("/lesson.mp3"), 1);
}

TEST_F(PlaybackTest, ARemoteMetafileThatIsTooBigOrMissingFailsWithItsReason) {
    qmtest::HttpServer server;
    server.serve("/big.ram", "audio/x-pn-realaudio", QByteArray(qm::StreamingAudioControl::kMaxMetafileBytes + 1, '#'));
    for (const QString& name : {QStringLiteral("/big.ram"), QStringLiteral("/none.ram")}) {
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(open(server.url(name), Engine::Streaming), 0) << name.toStdString();
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(4)) << "it waited for nothing";
        EXPECT_TRUE(engine.lengthFailure().contains(server.url(name))) << engine.lengthFailure().toStdString();
    }
    EXPECT_TRUE(engine.lengthFailure().contains("Not Found")) << engine.lengthFailure().toStdString();
}

}  // namespace
