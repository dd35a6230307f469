// MediaEngine against stand-in controls: units, truncation, routing to the
// active engine, the call orders, and the length wait.
#include "media/MediaEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace qm;

namespace {

using Log = std::vector<std::string>;

class FakeWmp : public WmpPlayer, WmpControls, WmpSettings, WmpMedia {
public:
    FakeWmp(Log& log, PracticeState& s) : log_(log), s_(s) {}
    WmpControls& controls() override { return *this; }
    WmpSettings& settings() override { return *this; }
    WmpMedia* currentMedia() override {
        log_.push_back("wmp.currentMedia");
        return hasMedia ? this : nullptr;
    }
    QString URL() const override { return url; }
    void setURL(const QString& u) override {
        log_.push_back("wmp.setURL:" + u.toStdString() + (s_.useReal ? " useReal" : " !useReal"));
        url = u;
    }
    int playState() override { return state; }
    void close() override { log_.push_back("wmp.close"); }
    bool stoppedAtEnd() const override { return false; }
    bool openFailed() const override { return failed; }
    void setControlVisible(bool v) override { log_.push_back(std::string("wmp.visible:") + (v ? "1" : "0")); }
    void play() override { log_.push_back("wmp.play"); }
    void pause() override { log_.push_back("wmp.pause"); }
    void stop() override { log_.push_back("wmp.stop"); }
    double currentPosition() override {
        if (failReads) throw MediaError("position read failed");
        return position;
    }
    void setCurrentPosition(double sec) override {
        log_.push_back("wmp.setCurrentPosition");
        writtenPosition = sec;
    }
    double rate() override { return writtenRate; }
    void setRate(double r) override {
        log_.push_back("wmp.setRate");
        writtenRate = r;
    }
    int volume() override { return 50; }
    void setVolume(int) override { log_.push_back("wmp.setVolume"); }
    double duration() override {
        if (failReads) throw MediaError("duration read failed");
        return durationSec;
    }

    int state = wmp::Stopped;
    bool hasMedia = true;
    bool failed = false;
    bool failReads = false;
    double position = 0, writtenPosition = -1, durationSec = 0, writtenRate = 1.0;
    QString url;

private:
    Log& log_;
    PracticeState& s_;
};

class FakeRa : public RealAudioControl {
public:
    FakeRa(Log& log, PracticeState& s) : log_(log), s_(s) {}
    void DoPlay() override { log_.push_back("ra.DoPlay"); }
    void DoPause() override { log_.push_back("ra.DoPause"); }
    void DoStop() override { log_.push_back("ra.DoStop"); }
    int32_t GetPosition() override { return position; }
    void SetPosition(int32_t ms) override {
        log_.push_back("ra.SetPosition");
        writtenPosition = ms;
    }
    int32_t GetLength() override {
        log_.push_back("ra.GetLength");
        return length;
    }
    int32_t GetPlayState() override { return state; }
    QString Source() const override { return source; }
    void setSource(const QString& src) override {
        log_.push_back("ra.setSource:" + src.toStdString() + (s_.useReal ? " useReal" : " !useReal"));
        source = src;
    }
    bool stoppedAtEnd() const override { return false; }
    void setControlVisible(bool v) override { log_.push_back(std::string("ra.visible:") + (v ? "1" : "0")); }

    int32_t state = ra::Stopped, position = 0, writtenPosition = -1, length = 0;
    QString source;

private:
    Log& log_;
    PracticeState& s_;
};

class MediaEngineTest : public ::testing::Test {
protected:
    // The pump sleeps for the time it is given, as a real one would while no
    // event comes, and runs whatever the test wants to happen "meanwhile".
    MediaEngine::EventPump pump() {
        return [this](int maxWaitMs) {
            log.push_back("pump");
            pumpWaits.push_back(maxWaitMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(maxWaitMs));
            if (onPump) onPump(static_cast<int>(pumpWaits.size()));
        };
    }

    Log log;
    PracticeState s;
    FakeWmp wmp{log, s};
    FakeRa ra{log, s};
    std::vector<int> pumpWaits;
    std::function<void(int)> onPump;
    MediaEngine engine{s, wmp, ra, pump()};
};

TEST_F(MediaEngineTest, PositionIsTruncatedTowardZeroNeverRounded) {
    wmp.position = 12.3459;
    engine.ReadPosition();
    EXPECT_EQ(s.mediaPos, 12345);
    wmp.position = 0.9999;
    engine.ReadPosition();
    EXPECT_EQ(s.mediaPos, 999);
    wmp.position = -0.0009;  // toward zero, not down to -1
    engine.ReadPosition();
    EXPECT_EQ(s.mediaPos, 0);
}

TEST_F(MediaEngineTest, StreamingPositionIsTakenAsIs) {
    s.useReal = true;
    wmp.position = 99.0;  // must not be read
    ra.position = 777;
    engine.ReadPosition();
    EXPECT_EQ(s.mediaPos, 777);
}

TEST_F(MediaEngineTest, SecondsToMsEdgeValues) {
    EXPECT_EQ(MediaEngine::secondsToMs(83.4567), 83456);
    EXPECT_EQ(MediaEngine::secondsToMs(0.0009), 0);
    EXPECT_EQ(MediaEngine::secondsToMs(std::nan("")), 0);
    EXPECT_EQ(MediaEngine::secondsToMs(1e12), INT32_MAX);
}

TEST_F(MediaEngineTest, SeekToWritesSecondsOrMilliseconds) {
    engine.SeekTo(1500);
    EXPECT_DOUBLE_EQ(wmp.writtenPosition, 1.5);
    EXPECT_EQ(ra.writtenPosition, -1);
    s.useReal = true;
    engine.SeekTo(1500);
    EXPECT_EQ(ra.writtenPosition, 1500);
    EXPECT_DOUBLE_EQ(wmp.writtenPosition, 1.5);  // untouched by the streaming seek
    s.useReal = false;
    engine.SeekTo(1);
    EXPECT_DOUBLE_EQ(wmp.writtenPosition, 0.001);
}

TEST_F(MediaEngineTest, IsPlayingOnlyForThePlayingCodeOfTheActiveEngine) {
    for (int code : {wmp::Undefined, wmp::Stopped, wmp::Paused, wmp::Buffering, wmp::Transitioning,
                     wmp::Ready, wmp::MediaEnded}) {
        wmp.state = code;
        EXPECT_FALSE(engine.IsPlaying()) << "media player state " << code;
    }
    wmp.state = wmp::Playing;
    EXPECT_TRUE(engine.IsPlaying());

    s.useReal = true;  // the media player still plays, but it is not the active engine
    for (int code : {ra::Stopped, ra::Contacting, ra::Buffering, ra::Paused, ra::Seeking}) {
        ra.state = code;
        EXPECT_FALSE(engine.IsPlaying()) << "streaming state " << code;
    }
    ra.state = ra::Playing;
    EXPECT_TRUE(engine.IsPlaying());
}

TEST_F(MediaEngineTest, TransportGoesToTheActiveEngineOnly) {
    engine.MediaPlay();
    engine.MediaPause();
    engine.MediaStop();
    s.useReal = true;
    engine.MediaPlay();
    engine.MediaPause();
    engine.MediaStop();
    EXPECT_EQ(log, (Log{"wmp.play", "wmp.pause", "wmp.stop", "ra.DoPlay", "ra.DoPause", "ra.DoStop"}));
}

TEST_F(MediaEngineTest, LoadIntoEngineSetsTheEngineThenTheSourceThenVisibility) {
    s.useReal = true;
    engine.LoadIntoEngine("/m/lesson.mp3", Engine::MediaPlayer);
    EXPECT_FALSE(s.useReal);
    engine.LoadIntoEngine("/m/talk.ram", Engine::Streaming);
    EXPECT_TRUE(s.useReal);
    // The source is written once useReal names its engine; nothing plays or stops.
    EXPECT_EQ(log, (Log{"wmp.setURL:/m/lesson.mp3 !useReal", "wmp.visible:1", "ra.visible:0",
                        "ra.setSource:/m/talk.ram useReal", "ra.visible:1", "wmp.visible:0"}));
}

TEST_F(MediaEngineTest, SetRateAlwaysGoesToTheMediaPlayer) {
    s.useReal = true;
    engine.SetRate(0.5);
    EXPECT_DOUBLE_EQ(wmp.writtenRate, 0.5);
    EXPECT_EQ(log, (Log{"wmp.setRate"}));
}

TEST_F(MediaEngineTest, ShutdownStopsAndClosesTheMediaPlayerFirst) {
    s.useReal = true;
    engine.MediaShutdown();
    EXPECT_EQ(log, (Log{"wmp.stop", "wmp.close", "ra.DoStop"}));
}

TEST_F(MediaEngineTest, WaitForLengthHandlesEventsBeforeEachRead) {
    wmp.durationSec = 0;
    onPump = [this](int pass) {
        if (pass == 3) wmp.durationSec = 83.4567;  // known after the third round of events
    };
    EXPECT_EQ(engine.WaitForLength(), 83456);
    EXPECT_EQ(s.mediaLength, 83456);
    EXPECT_EQ(log, (Log{"pump", "wmp.currentMedia", "pump", "wmp.currentMedia", "pump",
                        "wmp.currentMedia"}));
    for (int w : pumpWaits) EXPECT_GT(w, 0) << "the pump must be allowed to wait, not spin";
}

TEST_F(MediaEngineTest, WaitForLengthWithoutMediaItemKeepsWaiting) {
    wmp.hasMedia = false;
    wmp.durationSec = 12.0;
    onPump = [this](int pass) {
        if (pass == 4) wmp.hasMedia = true;
    };
    EXPECT_EQ(engine.WaitForLength(), 12000);
    EXPECT_EQ(pumpWaits.size(), 4u);
}

TEST_F(MediaEngineTest, WaitForLengthReadsTheStreamingLength) {
    s.useReal = true;
    s.mediaLength = 4242;  // cleared at the start, whatever the last open found
    onPump = [this](int pass) {
        EXPECT_EQ(s.mediaLength, 0);
        if (pass == 2) ra.length = 11280;
    };
    EXPECT_EQ(engine.WaitForLength(), 11280);
    EXPECT_EQ(log, (Log{"pump", "ra.GetLength", "pump", "ra.GetLength"}));
}

// Costs the real 5000 ms deadline.
TEST_F(MediaEngineTest, LengthUnderOneMsIsNoLengthAndEndsWithTheEngineStopped) {
    wmp.durationSec = 0.0009;
    s.mediaLength = 1;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(engine.WaitForLength(), 0);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - t0)
                            .count();
    EXPECT_EQ(s.mediaLength, 0);
    EXPECT_GE(waited, MediaEngine::kLengthDeadlineMs);
    EXPECT_LE(waited, MediaEngine::kLengthDeadlineMs + 500);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "wmp.stop");
    EXPECT_EQ(std::count(log.begin(), log.end(), "wmp.stop"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "ra.DoStop"), 0);
}

TEST_F(MediaEngineTest, WaitForLengthEndsAtOnceWhenTheEngineGaveUpOnTheSource) {
    wmp.durationSec = 0;
    onPump = [this](int pass) {
        if (pass == 3) wmp.failed = true;
    };
    EXPECT_EQ(engine.WaitForLength(), 0);
    EXPECT_EQ(pumpWaits.size(), 3u);
    EXPECT_EQ(log.back(), "wmp.stop");
}

TEST_F(MediaEngineTest, FailingReadsRaiseAndLeaveTheStateAlone) {
    s.mediaPos = 321;
    wmp.failReads = true;
    EXPECT_THROW(engine.ReadPosition(), MediaError);
    EXPECT_EQ(s.mediaPos, 321);
    // A failing length read ends the wait at once, without the stop.
    EXPECT_THROW(engine.WaitForLength(), MediaError);
    EXPECT_EQ(std::count(log.begin(), log.end(), "wmp.stop"), 0);
    EXPECT_EQ(pumpWaits.size(), 1u);
}

}  // namespace
