// When blocks come back: SM-2 over each block's attempts, the due list, and
// the progress per day, all on fixed dates.
#include "dictation/DictationLog.h"
#include "dictation/ReviewSchedule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

namespace qm::dictation {

// Readable failures.
void PrintTo(const Schedule& s, std::ostream* os) {
    *os << "{scheduled " << s.scheduled << ", due " << s.due << ", interval " << s.intervalDays << ", easiness "
        << s.easiness << ", repetitions " << s.repetitions << "}";
}

void PrintTo(const DayProgress& d, std::ostream* os) {
    *os << "{day " << d.day << ", mean " << d.meanScore << ", answered " << d.blocksAnswered << ", mastered "
        << d.blocksMastered << "}";
}

}  // namespace qm::dictation

namespace {

using namespace qm::dictation;

constexpr int64_t kDay = 86400;
constexpr int64_t kDay0 = 1796774400;  // 2026-12-09T00:00:00Z
constexpr int64_t kMorning = kDay0 + 9 * 3600;

// A block's attempts at the given days after kDay0 (in the morning) with scores.
std::vector<Attempt> attemptsOn(const std::vector<std::pair<int64_t, int>>& dayScores) {
    std::vector<Attempt> attempts;
    int64_t second = 0;
    for (const auto& [day, score] : dayScores) attempts.push_back({0, 0, kMorning + day * kDay + ++second, score, ""});
    return attempts;
}

TEST(ReviewSchedule, Sm2OverDaysNotOverAttempts) {
    EXPECT_FALSE(scheduleOf({}).scheduled);
    EXPECT_EQ(quality(100), 5);
    EXPECT_EQ(quality(99), 4);
    EXPECT_EQ(quality(59), 2);

    // A poor answer comes back the next day.
    EXPECT_EQ(scheduleOf(attemptsOn({{0, 40}})), (Schedule{true, kDay0 + kDay, 1, 2.5, 0}));

    // Good answers (quality 4) at 1, 6, then 6 x 2.5 = 15 days; three weeks on, mastered.
    EXPECT_EQ(scheduleOf(attemptsOn({{0, 85}})), (Schedule{true, kDay0 + kDay, 1, 2.5, 1}));
    EXPECT_EQ(scheduleOf(attemptsOn({{0, 85}, {1, 85}})), (Schedule{true, kDay0 + 7 * kDay, 6, 2.5, 2}));
    const Schedule third = scheduleOf(attemptsOn({{0, 85}, {1, 85}, {7, 90}}));
    EXPECT_EQ(third, (Schedule{true, kDay0 + 22 * kDay, 15, 2.5, 3}));
    EXPECT_FALSE(third.mastered());
    const Schedule fourth = scheduleOf(attemptsOn({{0, 85}, {1, 85}, {7, 90}, {22, 80}}));
    EXPECT_EQ(fourth.intervalDays, 38);  // 15 x 2.5 rounded up
    EXPECT_TRUE(fourth.mastered());

    // Perfect ones raise the easiness: 2.6, 2.7, 2.8; 6 x 2.7 = 16.2 rounds up to 17.
    EXPECT_EQ(scheduleOf(attemptsOn({{0, 100}, {1, 100}, {7, 100}})), (Schedule{true, kDay0 + 24 * kDay, 17, 2.8, 3}));
    // Barely passed ones lower it, never below 1.3.
    EXPECT_EQ(scheduleOf(attemptsOn({{0, 60}})).easiness, 2.36);
    std::vector<std::pair<int64_t, int>> passes;
    for (int day = 0; day < 12; ++day) passes.push_back({day, 60});
    EXPECT_EQ(scheduleOf(attemptsOn(passes)).easiness, 1.3);

    // A fail starts over: one day, repetitions 0, the easiness kept.
    EXPECT_EQ(scheduleOf(attemptsOn({{0, 100}, {1, 100}, {7, 30}})), (Schedule{true, kDay0 + 8 * kDay, 1, 2.7, 0}));

    // Drilled five times in a day: one review, graded by the last of the day.
    EXPECT_EQ(scheduleOf(attemptsOn({{0, 20}, {0, 40}, {0, 85}, {0, 100}, {0, 85}, {1, 85}})),
              scheduleOf(attemptsOn({{0, 85}, {1, 85}})));
    EXPECT_EQ(scheduleOf(attemptsOn({{0, 85}, {1, 85}, {1, 40}})).repetitions, 0);
    // Days are UTC days: 23:59:59 and 00:00:00 are two reviews.
    const std::vector<Attempt> aroundMidnight = {{0, 0, kDay0 - 1, 85, ""}, {0, 0, kDay0, 85, ""}};
    EXPECT_EQ(scheduleOf(aroundMidnight).repetitions, 2);
    // Given out of order, taken in time order.
    auto shuffled = attemptsOn({{0, 85}, {1, 85}, {7, 30}});
    std::swap(shuffled[0], shuffled[2]);
    EXPECT_EQ(scheduleOf(shuffled).repetitions, 0);

    // An answer of unknown time (from a version 1 file) is long due.
    EXPECT_EQ(scheduleOf({{0, 0, kUnknownTime, 100, ""}}).due, kDay);
}

TEST(ReviewSchedule, DueBlocksWeakestFirstAndWhenTheNextComesDue) {
    DictationLog log;
    EXPECT_TRUE(dueBlocks(log, kDay0).empty());
    EXPECT_EQ(nextDue(log, kDay0), std::nullopt);

    log.addAttempt(0, 0, "", 40, kMorning);                 // due day 1, weakest
    log.addAttempt(1, 0, "", 85, kMorning);                 // due day 1
    log.addAttempt(2, 0, "", 85, kMorning - kDay);          // due day 0
    log.addAttempt(3, 0, "", 85, kMorning);                 // due day 7
    log.addAttempt(3, 0, "", 85, kMorning + kDay);
    log.add({4, 0, 3, 85, 100, "from a version 1 file"});  // long due
    log.addAttempt(5, 0, "", 30, kMorning + kDay);          // due day 2
    log.addAttempt(6, 0, "", 85, kMorning);                 // as 1
    log.addAttempt(7, 0, "", 100, kMorning);                // due day 1, latest 100
    log.addAttempt(7, 0, "", 40, kMorning - 3 * kDay);      // an older, poorer one: the latest counts

    const int64_t now = kDay0 + kDay + 3600;
    EXPECT_EQ(dueBlocks(log, now), (std::vector<int>{0, 4, 2, 1, 6, 7}));
    EXPECT_EQ(nextDue(log, now), kDay0 + 2 * kDay);
    EXPECT_EQ(dueBlocks(log, kDay0 + kDay), (std::vector<int>{0, 4, 2, 1, 6, 7})) << "due at the day's start";
    EXPECT_EQ(dueBlocks(log, kDay0 + kDay - 1), (std::vector<int>{4, 2}));
    EXPECT_EQ(nextDue(log, kDay0 + kDay - 1), kDay0 + kDay);

    // All answered well today: nothing due, the next tomorrow.
    for (int block : dueBlocks(log, now)) log.addAttempt(block, 0, "", 90, now);
    log.addAttempt(5, 0, "", 90, now);
    EXPECT_TRUE(dueBlocks(log, now).empty());
    EXPECT_EQ(nextDue(log, now), kDay0 + 2 * kDay);
    EXPECT_EQ(nextDue(log, kDay0 + 1000 * kDay), std::nullopt);
}

TEST(ReviewSchedule, ProgressPerDayMeanOfTheLastScoresAndBlocksMastered) {
    DictationLog log;
    log.add({9, 0, 2, 100, 100, "of unknown time: no day of its own"});
    for (const auto& a : attemptsOn({{0, 50}, {0, 70}, {1, 85}, {7, 85}, {22, 85}})) log.addAttempt(0, 0, "", a.score, a.time);
    for (const auto& a : attemptsOn({{0, 100}, {1, 60}, {1, 0}})) log.addAttempt(1, 0, "", a.score, a.time);
    log.addAttempt(2, 0, "", 100, kDay0 + 23 * kDay + 100);
    log.addAttempt(2, 0, "", 100, kDay0 + 23 * kDay - 1);

    const std::vector<DayProgress> expected = {
        {kDay0, 85.0, 2, 0},             // (70 + 100) / 2: the last of the day per block
        {kDay0 + kDay, 42.5, 2, 0},      // (85 + 0) / 2
        {kDay0 + 7 * kDay, 85.0, 1, 0},  // block 0 at 15 days
        {kDay0 + 22 * kDay, 92.5, 2, 1}, // block 0 at 38 days; block 2 late that night
        {kDay0 + 23 * kDay, 100.0, 1, 1},
    };
    EXPECT_EQ(progressByDay(log), expected);
    EXPECT_TRUE(progressByDay(DictationLog{}).empty());
}

// The learner's calendar decides what a day is: two attempts an hour apart
// around midnight UTC are two days in London and one morning in Japan, whose
// day (and due time) begins at 15:00 UTC; the progress is by Japan's days.
TEST(ReviewSchedule, DaysAreTheLearnersCalendarDays) {
    constexpr int64_t kJapan = 9 * 3600;
    const std::vector<Attempt> aroundMidnight = {{0, 0, kDay0 - 1800, 100, ""}, {0, 0, kDay0 + 1800, 100, ""}};
    EXPECT_EQ(scheduleOf(aroundMidnight).repetitions, 2);
    EXPECT_EQ(scheduleOf(aroundMidnight).due, kDay0 + 6 * kDay);
    const Schedule japan = scheduleOf(aroundMidnight, kJapan);
    EXPECT_EQ(japan.repetitions, 1);
    EXPECT_EQ(japan.due, kDay0 + kDay - kJapan) << "the next day in Japan: 15:00 UTC of the day";

    DictationLog log;
    for (const auto& a : aroundMidnight) log.addAttempt(a.block, a.blockStartMs, a.answer, a.score, a.time);
    EXPECT_TRUE(dueBlocks(log, kDay0 + kDay - kJapan - 1, kJapan).empty());
    EXPECT_EQ(dueBlocks(log, kDay0 + kDay - kJapan, kJapan), std::vector<int>{0});
    EXPECT_EQ(nextDue(log, kDay0 + 3600, kJapan), kDay0 + kDay - kJapan);
    ASSERT_EQ(progressByDay(log, kJapan).size(), 1u);
    EXPECT_EQ(progressByDay(log, kJapan)[0].day, kDay0 - kJapan);
    EXPECT_EQ(progressByDay(log).size(), 2u);
    // West of UTC an unknown time falls on the day before the epoch: due at once all the same.
    DictationLog carriedOver;
    carriedOver.addAttempt(0, 0, "", 100, kUnknownTime);
    EXPECT_EQ(dueBlocks(carriedOver, kDay0, -8 * 3600), std::vector<int>{0});
}

}  // namespace
