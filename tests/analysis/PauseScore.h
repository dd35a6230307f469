#pragma once
// Scoring cut points against a generated lesson's true pauses (see
// scripts/make-pause-lessons.sh for how the truth is defined).

#include "text/TextCodec.h"
#include "files/WholeFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace qmtest::analysis {

// lesson.truth: each sentence's speech, in samples at rate.
struct LessonTruth {
    int rate = 0;
    int64_t samples = 0;
    struct Speech {
        int64_t first = 0, end = 0;  // first speech sample, one past the last
    };
    std::vector<Speech> sentences;

    double ms(int64_t sample) const { return static_cast<double>(sample) * 1000.0 / rate; }
};

inline std::optional<LessonTruth> readTruth(const std::string& path) {
    const auto read = qm::files::readWholeFile(path, 1 << 20);
    if (read.error) return std::nullopt;
    LessonTruth t;
    for (const std::string& line : qm::text::splitLines(qm::text::decode(read.bytes))) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "rate") words >> t.rate;
        if (kind == "samples") words >> t.samples;
        if (kind == "sentence") {
            int index = 0;
            LessonTruth::Speech s;
            if (words >> index >> s.first >> s.end) t.sentences.push_back(s);
        }
    }
    if (t.rate <= 0 || t.sentences.size() < 2) return std::nullopt;
    return t;
}

struct PauseScore {
    int pauses = 0;        // true pauses between sentences (all 300 ms or more)
    int found = 0;         // pauses holding at least one cut
    int cuts = 0;          // all cuts
    int cutsInSpeech = 0;  // cuts inside a sentence's speech
    int extraCuts = 0;     // second and further cuts in one pause, cuts outside all pauses and speech
    int cutsOffMiddle = 0; // cuts in a pause but more than 30 ms from its middle
    double meanErrorMs = 0;  // |cut - middle| over the cuts in pauses
    double maxErrorMs = 0;
    double shortestPauseMs = 0;
    std::vector<std::string> misses;  // what went wrong, for the log

    double foundShare() const { return pauses ? static_cast<double>(found) / pauses : 0; }
    double inSpeechShare() const { return cuts ? static_cast<double>(cutsInSpeech) / cuts : 0; }
};

inline PauseScore scoreCuts(const LessonTruth& truth, const std::vector<int32_t>& cuts) {
    PauseScore s;
    s.cuts = static_cast<int>(cuts.size());
    s.shortestPauseMs = 1e9;
    const size_t n = truth.sentences.size();
    std::vector<int> cutsInPause(n - 1, 0);
    double errorSum = 0;
    int inPauses = 0;
    for (int32_t cut : cuts) {
        bool placed = false;
        for (size_t i = 0; i < n && !placed; ++i) {
            const auto& sp = truth.sentences[i];
            if (cut >= truth.ms(sp.first) && cut < truth.ms(sp.end)) {
                ++s.cutsInSpeech;
                s.misses.push_back("cut " + std::to_string(cut) + " ms inside sentence " + std::to_string(i + 1));
                placed = true;
            } else if (i + 1 < n && cut >= truth.ms(sp.end) && cut < truth.ms(truth.sentences[i + 1].first)) {
                const double middle = (truth.ms(sp.end) + truth.ms(truth.sentences[i + 1].first)) / 2;
                const double error = std::abs(cut - middle);
                errorSum += error;
                ++inPauses;
                s.maxErrorMs = std::max(s.maxErrorMs, error);
                if (error > 30.0) {
                    ++s.cutsOffMiddle;
                    s.misses.push_back("cut " + std::to_string(cut) + " ms is " + std::to_string(error) +
                                       " ms off the middle of pause " + std::to_string(i + 1));
                }
                if (++cutsInPause[i] > 1) ++s.extraCuts;
                placed = true;
            }
        }
        if (!placed) {
            ++s.extraCuts;
            s.misses.push_back("cut " + std::to_string(cut) + " ms outside the lesson's sentences");
        }
    }
    for (size_t i = 0; i + 1 < n; ++i) {
        const double length = truth.ms(truth.sentences[i + 1].first) - truth.ms(truth.sentences[i].end);
        s.shortestPauseMs = std::min(s.shortestPauseMs, length);
        if (length < 300.0) continue;
        ++s.pauses;
        if (cutsInPause[i] > 0) {
            ++s.found;
        } else {
            s.misses.push_back("pause " + std::to_string(i + 1) + " (" + std::to_string(static_cast<int>(length)) +
                               " ms at " + std::to_string(static_cast<int>(truth.ms(truth.sentences[i].end))) +
                               " ms) not found");
        }
    }
    s.meanErrorMs = inPauses ? errorSum / inPauses : 0;
    return s;
}

}  // namespace qmtest::analysis
