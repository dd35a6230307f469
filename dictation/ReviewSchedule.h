#pragma once

#include "dictation/DictationLog.h"

#include <cstdint>
#include <optional>
#include <vector>

// When each block comes back for another dictation: SuperMemo-2 (SM-2) over
// the block's attempts. Plain C++; times are the log's (seconds since the
// epoch, UTC) and "now" is always the caller's, so nothing here reads a clock.
//
// Days are the learner's calendar days: utcOffset is the seconds east of UTC
// of the learner's clock (32400 in Japan), so a day runs from local midnight
// to local midnight, and due times and days are those midnights as UTC
// instants. Each calendar day with attempts is one review, graded by the
// last attempt of the day: drilling a sentence five times in a row counts
// once. An attempt of unknown time (carried over from a version 1 file)
// falls on 1970-01-01, so such a block is due at once.
namespace qm::dictation {

inline constexpr int64_t kSecondsPerDay = 24 * 60 * 60;

// A block whose next review is three weeks or more away is mastered: by then
// it has passed at least three good reviews in a row.
inline constexpr int kMasteredDays = 21;

// Intervals stop growing at about 100 years, so due times stay in range.
inline constexpr int kLongestIntervalDays = 36500;

// SM-2's quality 0 .. 5 of a score 0 .. 100: score / 20 rounded down, so 100
// alone is 5, 80 .. 99 is 4, 60 .. 79 is 3 (still a pass), below 60 a fail.
int quality(int score);

struct Schedule {
    bool scheduled = false;  // false: never attempted (new), neither due nor mastered
    int64_t due = 0;         // local midnight starting the day the block comes back
    int intervalDays = 0;    // from the last review's day to the due day
    double easiness = 2.5;   // SM-2's easiness factor, 1.3 and up
    int repetitions = 0;     // passed reviews in a row

    bool mastered() const { return intervalDays >= kMasteredDays; }
    bool operator==(const Schedule&) const = default;
};

// The schedule after the attempts (of one block; any order, sorted here by
// time). Per review of quality q: q < 3 starts over (repetitions 0, interval
// 1 day, easiness kept); else the interval becomes 1 day, then 6, then the
// previous one times the easiness rounded up, and the easiness changes by
// 0.1 - (5 - q) * (0.08 + (5 - q) * 0.02), never below 1.3. No attempts:
// not scheduled.
Schedule scheduleOf(const std::vector<Attempt>& attempts, int64_t utcOffset = 0);

// The blocks due at now (due time at or before it), weakest first: lowest
// latest score, then earliest due, then lowest block. Empty when none is.
std::vector<int> dueBlocks(const DictationLog& log, int64_t now, int64_t utcOffset = 0);

// The earliest due time after now, to tell the learner when to come back
// when nothing is due; nullopt when no block is scheduled after now.
std::optional<int64_t> nextDue(const DictationLog& log, int64_t now, int64_t utcOffset = 0);

// One day of the progress chart.
struct DayProgress {
    int64_t day = 0;         // the local midnight starting the day
    double meanScore = 0;    // mean of the last score of the day of each block answered that day
    int blocksAnswered = 0;  // blocks answered that day
    int blocksMastered = 0;  // blocks mastered at the day's end, in the whole lesson

    bool operator==(const DayProgress&) const = default;
};

// One entry per calendar day with attempts of known time, oldest first.
// Attempts of unknown time have no day of their own but count towards the
// blocks mastered.
std::vector<DayProgress> progressByDay(const DictationLog& log, int64_t utcOffset = 0);

}  // namespace qm::dictation
