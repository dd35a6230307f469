#include "dictation/ReviewSchedule.h"

#include <algorithm>
#include <map>

namespace qm::dictation {

namespace {

constexpr int kStartEasiness = 250;  // hundredths: whole numbers keep 6 * 2.5 exactly 15
constexpr int kLeastEasiness = 130;

// The last attempt of each day, oldest day first.
struct Review {
    int64_t day = 0;
    int score = 0;
    bool knownTime = false;
};

// The learner's day of a time: floor division, so times before the epoch
// (an unknown time west of UTC) fall on the day before it.
int64_t dayOf(int64_t time, int64_t utcOffset) {
    const int64_t local = time + utcOffset;
    return local / kSecondsPerDay - (local % kSecondsPerDay < 0 ? 1 : 0);
}

std::vector<Review> reviewsOf(const std::vector<Attempt>& attempts, int64_t utcOffset) {
    std::vector<const Attempt*> byTime;
    for (const auto& a : attempts) byTime.push_back(&a);
    std::stable_sort(byTime.begin(), byTime.end(), [](const Attempt* a, const Attempt* b) { return a->time < b->time; });
    std::vector<Review> reviews;
    for (const Attempt* a : byTime) {
        const int64_t day = dayOf(a->time, utcOffset);
        if (!reviews.empty() && reviews.back().day == day)
            reviews.back() = {day, a->score, a->time != kUnknownTime};
        else
            reviews.push_back({day, a->score, a->time != kUnknownTime});
    }
    return reviews;
}

// SM-2 with the easiness in hundredths.
struct State {
    int easiness = kStartEasiness;
    int repetitions = 0;
    int64_t interval = 0;
    int64_t day = 0;

    void review(const Review& r) {
        day = r.day;
        const int q = quality(r.score);
        if (q < 3) {
            repetitions = 0;
            interval = 1;
            return;
        }
        if (repetitions == 0)
            interval = 1;
        else if (repetitions == 1)
            interval = 6;
        else
            interval = std::min<int64_t>((interval * easiness + 99) / 100, kLongestIntervalDays);
        ++repetitions;
        // 0.1 - (5 - q) * (0.08 + (5 - q) * 0.02), in hundredths: +10, 0, -14 for q 5, 4, 3.
        const int miss = 5 - q;
        easiness = std::max(easiness + 10 - miss * (8 + miss * 2), kLeastEasiness);
    }

    bool mastered() const { return interval >= kMasteredDays; }
};

}  // namespace

int quality(int score) {
    return std::clamp(score, 0, 100) / 20;
}

Schedule scheduleOf(const std::vector<Attempt>& attempts, int64_t utcOffset) {
    const auto reviews = reviewsOf(attempts, utcOffset);
    if (reviews.empty()) return {};
    State s;
    for (const auto& r : reviews) s.review(r);
    return Schedule{true, (s.day + s.interval) * kSecondsPerDay - utcOffset, static_cast<int>(s.interval),
                    s.easiness / 100.0, s.repetitions};
}

std::vector<int> dueBlocks(const DictationLog& log, int64_t now, int64_t utcOffset) {
    struct Due {
        int block;
        int latestScore;
        int64_t due;
    };
    std::vector<Due> due;
    for (const auto& a : log.answers()) {
        const Schedule s = scheduleOf(log.attempts(a.block), utcOffset);
        if (s.scheduled && s.due <= now) due.push_back({a.block, a.latestScore, s.due});
    }
    std::sort(due.begin(), due.end(), [](const Due& a, const Due& b) {
        if (a.latestScore != b.latestScore) return a.latestScore < b.latestScore;
        if (a.due != b.due) return a.due < b.due;
        return a.block < b.block;
    });
    std::vector<int> blocks;
    for (const auto& d : due) blocks.push_back(d.block);
    return blocks;
}

std::optional<int64_t> nextDue(const DictationLog& log, int64_t now, int64_t utcOffset) {
    std::optional<int64_t> next;
    for (const auto& a : log.answers()) {
        const Schedule s = scheduleOf(log.attempts(a.block), utcOffset);
        if (s.scheduled && s.due > now && (!next || s.due < *next)) next = s.due;
    }
    return next;
}

std::vector<DayProgress> progressByDay(const DictationLog& log, int64_t utcOffset) {
    struct Step {
        int64_t day;
        bool mastered;
    };
    std::vector<std::vector<Step>> steps;  // per block answered, after each review
    std::map<int64_t, DayProgress> days;
    for (const auto& a : log.answers()) {
        auto& block = steps.emplace_back();
        State s;
        for (const auto& r : reviewsOf(log.attempts(a.block), utcOffset)) {
            s.review(r);
            block.push_back({r.day, s.mastered()});
            if (!r.knownTime) continue;
            DayProgress& d = days[r.day];
            d.meanScore += r.score;  // a sum until the end
            ++d.blocksAnswered;
        }
    }
    std::vector<DayProgress> progress;
    std::vector<std::size_t> next(steps.size(), 0);  // per block: its first review after the day
    for (auto& [day, d] : days) {
        d.day = day * kSecondsPerDay - utcOffset;
        d.meanScore /= d.blocksAnswered;
        for (std::size_t b = 0; b < steps.size(); ++b) {
            while (next[b] < steps[b].size() && steps[b][next[b]].day <= day) ++next[b];
            if (next[b] > 0 && steps[b][next[b] - 1].mastered) ++d.blocksMastered;
        }
        progress.push_back(d);
    }
    return progress;
}

}  // namespace qm::dictation
