// The repeat controller driven tick by tick against a stand-in engine and timers.
#include "core/BlockList.h"
#include "core/RepeatController.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <initializer_list>
#include <string>
#include <vector>

namespace qm {
namespace {

using Log = std::vector<std::string>;

constexpr BlockMode kNext = BlockMode::Next, kRepeat = BlockMode::Repeat;
constexpr AfterBlock kNone = AfterBlock::None, kPause = AfterBlock::Pause, kAutoPause = AfterBlock::AutoPause;

// Plays the main window's part: an engine whose position the test sets, the two
// timers as flags, the radio groups as plain indexes. Every call that changes
// something is logged; readPosition and showPosition are counted instead, so
// that the logs stay short.
class FakeHost : public RepeatHost {
public:
    explicit FakeHost(PracticeState& s) : s_(s) {}

    // A reading may go on by the clock and run clockAhead ms ahead of the
    // engine; an exact one is the engine's own time.
    void readPosition() override {
        ++reads;
        s_.mediaPos = enginePos + clockAhead;
    }
    void readExactPosition() override {
        ++reads;
        s_.mediaPos = enginePos;
    }
    // The engine answers with the new position as soon as a seek is asked for.
    void seekTo(int32_t ms) override {
        enginePos = ms;
        log.push_back("seek " + std::to_string(ms));
    }
    void mediaPlay() override {
        playing = true;
        log.push_back("play");
    }
    void mediaPause() override {
        playing = false;
        log.push_back("pause");
    }
    BlockMode blockMode() const override { return mode; }
    AfterBlock afterBlock() const override { return after; }
    void selectBlock(int32_t n) override {
        s_.curBlock = n;
        log.push_back("select " + std::to_string(n));
    }
    void showPosition() override {
        ++shows;
        shownPos = s_.mediaPos;
    }
    bool blockTimerEnabled() const override { return timer1; }
    void setBlockTimerEnabled(bool on) override {
        timer1 = on;
        log.push_back(on ? "timer1 on" : "timer1 off");
    }
    void startWaitTimer(int32_t intervalMs) override {
        timer2 = true;
        log.push_back("wait " + std::to_string(intervalMs));
    }
    void stopWaitTimer() override {
        timer2 = false;
        log.push_back("timer2 off");
    }

    int32_t enginePos = 0;
    int32_t clockAhead = 0;
    bool playing = true;
    BlockMode mode = kNext;
    AfterBlock after = kNone;
    bool timer1 = true;
    bool timer2 = false;
    int reads = 0;
    int shows = 0;
    int32_t shownPos = -1;
    Log log;

private:
    PracticeState& s_;
};

class RepeatControllerTest : public ::testing::Test {
protected:
    // The worked example: 12000 ms, separators [0, 3000, 7500, 12000], block 1
    // current, playing, Timer1 on.
    RepeatControllerTest() { useBlocks(12000, {0, 3000, 7500, 12000}, 1); }

    void useBlocks(int32_t length, std::initializer_list<int32_t> seps, int32_t current) {
        s.mediaLength = length;
        qm::LessonContent content{seps, {}};
        s.lesson.swapContent(content);
        s.curBlock = current;
    }

    // One Timer1 tick with the engine at ms; returns what it did.
    Log tickAt(int32_t ms) {
        host.log.clear();
        host.enginePos = ms;
        rc.timer1Tick();
        return host.log;
    }

    Log wakeUp() {
        host.log.clear();
        rc.timer2Tick();
        return host.log;
    }

    PracticeState s;
    FakeHost host{s};
    RepeatController rc{s, host};
};

// --- The worked example ---

TEST_F(RepeatControllerTest, NextNoneMovesOnOnlyAfterTheSeparatorIsPassed) {
    EXPECT_EQ(tickAt(2980), Log{});
    EXPECT_EQ(s.curBlock, 1);
    EXPECT_EQ(host.shows, 1);
    EXPECT_EQ(host.shownPos, 2980);

    EXPECT_EQ(tickAt(3030), Log{"select 2"});
    EXPECT_EQ(blockNoText(s), "2/3");
    EXPECT_TRUE(host.playing);
    EXPECT_EQ(host.shows, 2);
}

TEST_F(RepeatControllerTest, NextAutoPauseWaitsAsLongAsEachBlockJustPlayed) {
    host.after = kAutoPause;
    EXPECT_EQ(tickAt(3030), (Log{"select 2", "pause", "timer1 off", "wait 3000"}));
    EXPECT_TRUE(s.pauseWaiting);
    EXPECT_FALSE(host.playing);

    EXPECT_EQ(wakeUp(), (Log{"play", "timer1 on", "timer2 off"}));
    EXPECT_FALSE(s.pauseWaiting);
    EXPECT_EQ(host.enginePos, 3030);  // plays on where it paused

    EXPECT_EQ(tickAt(5000), Log{});
    EXPECT_EQ(tickAt(7520), (Log{"select 3", "pause", "timer1 off", "wait 4500"}));
    EXPECT_EQ(blockNoText(s), "3/3");
}

TEST_F(RepeatControllerTest, RepeatPauseSeeksBackAndPausesAfterEveryPass) {
    host.mode = kRepeat;
    host.after = kPause;
    s.curBlock = 2;
    EXPECT_EQ(tickAt(7540), (Log{"seek 3000", "pause"}));
    EXPECT_EQ(s.mediaPos, 3000);      // read back after the seek
    EXPECT_EQ(host.shownPos, 3000);   // the cursor moves to the block's start
    EXPECT_EQ(s.curBlock, 2);

    host.playing = true;  // the user plays again
    EXPECT_EQ(tickAt(5000), Log{});
    EXPECT_EQ(tickAt(7510), (Log{"seek 3000", "pause"}));
    EXPECT_EQ(s.curBlock, 2);
}

TEST_F(RepeatControllerTest, RepeatAutoPausePlaysPausesAndWaitsTheBlockLength) {
    host.mode = kRepeat;
    host.after = kAutoPause;
    s.curBlock = 2;
    EXPECT_EQ(tickAt(7540), (Log{"seek 3000", "play", "pause", "timer1 off", "wait 4500"}));
    EXPECT_EQ(s.curBlock, 2);
    EXPECT_EQ(wakeUp(), (Log{"play", "timer1 on", "timer2 off"}));
    EXPECT_EQ(tickAt(3050), Log{});  // block 2 plays again
}

TEST_F(RepeatControllerTest, NextAtTheLastBlockWrapsToTheStartThenSelectsBlockOne) {
    useBlocks(12500, {0, 3000, 7500, 12000}, 3);
    EXPECT_EQ(tickAt(12040), (Log{"seek 0", "select 0"}));
    EXPECT_EQ(blockNoText(s), "0/3");
    EXPECT_EQ(tickAt(50), Log{"select 1"});
    EXPECT_EQ(blockNoText(s), "1/3");
}

// --- Block ends ---

TEST_F(RepeatControllerTest, APositionOnTheSeparatorStillBelongsToTheBlock) {
    EXPECT_EQ(tickAt(3000), Log{});
    EXPECT_EQ(tickAt(3001), Log{"select 2"});

    host.mode = kRepeat;
    EXPECT_EQ(tickAt(7500), Log{});
    EXPECT_EQ(tickAt(7501), (Log{"seek 3000", "play"}));
}

TEST_F(RepeatControllerTest, ABlockEndsOnTheEnginesOwnTimeNotOnAClockAheadOfIt) {
    host.after = kPause;
    host.clockAhead = 3;
    EXPECT_EQ(tickAt(2999), Log{});  // the clock says 3002, the engine has not passed 3000
    EXPECT_EQ(s.curBlock, 1);
    EXPECT_EQ(host.shownPos, 2999);
    EXPECT_EQ(tickAt(3001), (Log{"select 2", "pause"}));
    EXPECT_EQ(s.mediaPos, 3001);  // the pause lands in block 2

    host.mode = kRepeat;
    host.playing = true;
    EXPECT_EQ(tickAt(7499), Log{});
    EXPECT_EQ(tickAt(7501), (Log{"seek 3000", "pause"}));
}

TEST_F(RepeatControllerTest, NextPausePausesWithTheNextBlockAlreadyCurrent) {
    host.after = kPause;
    EXPECT_EQ(tickAt(3030), (Log{"select 2", "pause"}));
    EXPECT_EQ(host.enginePos, 3030);  // no seek to the new block's start
}

TEST_F(RepeatControllerTest, FreshOpenInNextPauseSelectsBlockOneAndPausesAtOnce) {
    s.curBlock = 0;
    host.after = kPause;
    EXPECT_EQ(tickAt(0), Log{});  // still at blocks[0]
    EXPECT_EQ(tickAt(40), (Log{"select 1", "pause"}));
}

TEST_F(RepeatControllerTest, RepeatNoneLoopsTheBlockEndlessly) {
    host.mode = kRepeat;
    s.curBlock = 2;
    for (int pass = 0; pass < 3; ++pass) {
        EXPECT_EQ(tickAt(7530 + pass * 10), (Log{"seek 3000", "play"})) << "pass " << pass;
        EXPECT_EQ(s.curBlock, 2);
    }
}

TEST_F(RepeatControllerTest, TheModesAreReadAtEachBlockEnd) {
    EXPECT_EQ(tickAt(3030), Log{"select 2"});
    host.mode = kRepeat;
    host.after = kPause;
    EXPECT_EQ(tickAt(7000), Log{});  // a change inside a block does nothing yet
    EXPECT_EQ(tickAt(7540), (Log{"seek 3000", "pause"}));
}

TEST_F(RepeatControllerTest, ATickQueuedWhileTimer1IsOffDoesNothingAtAll) {
    host.timer1 = false;
    host.after = kAutoPause;
    EXPECT_EQ(tickAt(9000), Log{});
    EXPECT_EQ(host.reads, 0);
    EXPECT_EQ(host.shows, 0);
    EXPECT_EQ(s.curBlock, 1);
}

// --- Block 0: the start, before any block is current ---

TEST_F(RepeatControllerTest, RepeatAtBlockZeroMovesOnAsNextThenRepeatsBlockOne) {
    useBlocks(12000, {0, 3000, 7500, 12000}, 0);
    host.mode = kRepeat;
    EXPECT_EQ(tickAt(0), Log{});
    EXPECT_EQ(tickAt(40), Log{"select 1"});  // no seek back to 0 on every tick
    EXPECT_EQ(tickAt(3040), (Log{"seek 0", "play"}));
    EXPECT_EQ(s.curBlock, 1);
}

TEST_F(RepeatControllerTest, RepeatAtBlockZeroWithPausePausesAsNextDoes) {
    useBlocks(12000, {0, 3000, 7500, 12000}, 0);
    host.mode = kRepeat;
    host.after = kPause;
    EXPECT_EQ(tickAt(40), (Log{"select 1", "pause"}));
}

TEST_F(RepeatControllerTest, TheEndOfBlockZeroBeginsNoWait) {
    useBlocks(12000, {0, 3000, 7500, 12000}, 0);
    host.after = kAutoPause;
    EXPECT_EQ(tickAt(40), Log{"select 1"});
    EXPECT_TRUE(host.timer1);
    EXPECT_FALSE(s.pauseWaiting);

    host.mode = kRepeat;
    s.curBlock = 0;
    EXPECT_EQ(tickAt(40), Log{"select 1"});
    EXPECT_FALSE(s.pauseWaiting);
}

TEST_F(RepeatControllerTest, TheWaitAtTheWrapIsTheLastBlocksLength) {
    useBlocks(9500, {0, 2000, 5000, 9000}, 3);
    host.after = kAutoPause;
    EXPECT_EQ(tickAt(9040), (Log{"seek 0", "select 0", "pause", "timer1 off", "wait 4000"}));
}

TEST_F(RepeatControllerTest, EndOfMediaInRepeatAtBlockZeroSeeksToTheStart) {
    useBlocks(12000, {0, 3000, 7500, 12000}, 0);
    host.mode = kRepeat;
    host.log.clear();
    rc.mediaPlayerStatusChange(1, StopCause::EndOfMedia);
    EXPECT_EQ(host.log, (Log{"seek 0", "play"}));
    host.log.clear();
    rc.streamingPlayStateChange(0, StopCause::EndOfMedia);
    EXPECT_EQ(host.log, (Log{"seek 0", "play"}));
}

// --- Waits of no length ---

// No block is shorter than 1 ms (the list holds no two equal separators):
// even the shortest gives a wait the timer fires on.
TEST_F(RepeatControllerTest, TheShortestBlockBeginsAWaitOfItsLength) {
    useBlocks(9000, {0, 3000, 3001, 9000}, 2);
    host.after = kAutoPause;
    const Log log = tickAt(3010);
    EXPECT_EQ(s.curBlock, 3);
    EXPECT_TRUE(host.timer2);
    EXPECT_NE(std::find(log.begin(), log.end(), "wait 1"), log.end()) << ::testing::PrintToString(log);
    EXPECT_TRUE(s.pauseWaiting);
}

// --- End of media ---

TEST_F(RepeatControllerTest, EndOfMediaHandlersIgnoreEveryOtherPlayState) {
    host.mode = kRepeat;
    rc.mediaPlayerStatusChange(3, StopCause::EndOfMedia);  // playing
    rc.mediaPlayerStatusChange(0, StopCause::EndOfMedia);  // undefined
    rc.streamingPlayStateChange(1, StopCause::EndOfMedia);  // contacting
    rc.streamingPlayStateChange(4, StopCause::EndOfMedia);  // paused
    EXPECT_EQ(host.log, Log{});
    EXPECT_EQ(host.shows, 0);
}

TEST_F(RepeatControllerTest, EndOfMediaInNextModeStaysStoppedAndRefreshes) {
    host.playing = false;
    s.curBlock = 3;
    rc.mediaPlayerStatusChange(1, StopCause::EndOfMedia);
    rc.streamingPlayStateChange(0, StopCause::EndOfMedia);
    EXPECT_EQ(host.log, Log{});
    EXPECT_FALSE(host.playing);
    EXPECT_EQ(host.shows, 2);
}

TEST_F(RepeatControllerTest, EndOfMediaInRepeatRestartsTheCurrentBlockOnBothControls) {
    host.mode = kRepeat;
    s.curBlock = 3;
    s.mediaPos = 11980;  // the last tick read a little short of the length
    rc.mediaPlayerStatusChange(1, StopCause::EndOfMedia);
    EXPECT_EQ(host.log, (Log{"seek 7500", "play"}));
    EXPECT_EQ(s.mediaPos, 7500);
    EXPECT_EQ(host.shownPos, 7500);

    host.log.clear();
    host.after = kPause;
    rc.streamingPlayStateChange(0, StopCause::EndOfMedia);
    EXPECT_EQ(host.log, (Log{"seek 7500", "pause"}));
}

TEST_F(RepeatControllerTest, ARequestedStopRestartsNothingOnEitherControl) {
    host.mode = kRepeat;
    s.curBlock = 2;
    rc.mediaPlayerStatusChange(1, StopCause::Requested);
    rc.streamingPlayStateChange(0, StopCause::Requested);
    EXPECT_EQ(host.log, Log{});
    EXPECT_EQ(host.shows, 2);
}

TEST_F(RepeatControllerTest, EndOfMediaNeverBeginsAWait) {
    host.mode = kRepeat;
    host.after = kAutoPause;
    s.curBlock = 3;
    rc.mediaPlayerStatusChange(1, StopCause::EndOfMedia);
    rc.streamingPlayStateChange(0, StopCause::EndOfMedia);
    EXPECT_EQ(host.log, (Log{"seek 7500", "play", "seek 7500", "play"}));
    EXPECT_FALSE(s.pauseWaiting);
    EXPECT_TRUE(host.timer1);
}

// --- Ending a wait early ---

TEST_F(RepeatControllerTest, CancelWaitStopsTheWaitWithoutPlayingOrTimer1) {
    host.after = kAutoPause;
    tickAt(3030);
    ASSERT_TRUE(s.pauseWaiting);

    host.log.clear();
    rc.cancelWait();
    EXPECT_EQ(host.log, Log{"timer2 off"});
    EXPECT_FALSE(s.pauseWaiting);
    EXPECT_FALSE(host.timer1);
    EXPECT_FALSE(host.playing);

    EXPECT_EQ(wakeUp(), Log{});  // a tick already queued plays nothing
    EXPECT_FALSE(host.timer1);

    host.log.clear();
    rc.cancelWait();  // no wait runs any more
    EXPECT_EQ(host.log, Log{});
}

TEST_F(RepeatControllerTest, RepeatingClickEndsAWaitOnlyWhenAutoPauseIsLeft) {
    host.after = kAutoPause;
    tickAt(3030);
    ASSERT_TRUE(s.pauseWaiting);

    host.log.clear();
    rc.repeatingClick();  // still Auto Pause
    EXPECT_EQ(host.log, Log{});
    EXPECT_TRUE(s.pauseWaiting);

    for (AfterBlock after : {kNone, kPause}) {
        s.pauseWaiting = true;
        host.timer1 = false;
        host.timer2 = true;
        host.after = after;
        host.log.clear();
        rc.repeatingClick();
        EXPECT_EQ(host.log, (Log{"timer1 on", "timer2 off"})) << "after " << static_cast<int>(after);
        EXPECT_FALSE(s.pauseWaiting);
        EXPECT_FALSE(host.playing);  // the user resumes
    }
}

TEST_F(RepeatControllerTest, RepeatingClickWithoutAWaitLeavesTimer1Alone) {
    host.timer1 = false;  // idle: no file open
    rc.repeatingClick();
    EXPECT_EQ(host.log, Log{});
    EXPECT_FALSE(host.timer1);
}

}  // namespace
}  // namespace qm
