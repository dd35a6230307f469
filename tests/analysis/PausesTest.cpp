// The pause finder on made-up envelopes: which quiet stretches are pauses,
// where the cuts fall, how the threshold follows the noise floor, and
// snapping a mark to a pause.
#include "pauses/Pauses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

using qm::analysis::cutsAtPauses;
using qm::analysis::Envelope;
using qm::analysis::findPauses;
using qm::analysis::Pause;
using qm::analysis::PauseParams;
using qm::analysis::snapToPause;

float rmsOf(float db) { return std::pow(10.0f, db / 20.0f); }

// An envelope of stretches (length in ms, level in dB), 10 ms frames. A
// stretch that ends inside a frame makes a last, shorter frame.
Envelope shape(const std::vector<std::pair<int, float>>& stretches) {
    Envelope e;
    for (const auto& [ms, db] : stretches) {
        for (int t = 0; t < ms; t += e.frameMs) e.rms.push_back(rmsOf(db));
        e.durationMs += ms;
    }
    return e;
}

// Speech that wobbles as speech does, between db - 6 and db.
std::vector<std::pair<int, float>> speech(int ms, float db) {
    std::vector<std::pair<int, float>> v;
    for (int t = 0; t < ms; t += 10) v.push_back({10, db - static_cast<float>((t / 10) % 7)});
    return v;
}

Envelope lesson(std::vector<std::vector<std::pair<int, float>>> parts) {
    std::vector<std::pair<int, float>> all;
    for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return shape(all);
}

TEST(Pauses, InteriorPausesGiveCutsAtTheirMiddles) {
    const Envelope e = lesson({speech(1000, -20), {{500, -90}}, speech(800, -18), {{320, -90}}, speech(600, -22)});
    const std::vector<Pause> pauses = findPauses(e);
    // Each edge lies half a frame into the louder frame beside the quiet ones.
    EXPECT_EQ(pauses, (std::vector<Pause>{{995, 1505}, {2295, 2625}}));
    EXPECT_EQ(cutsAtPauses(e), (std::vector<int32_t>{1250, 2460}));
}

TEST(Pauses, QuietAtTheStartOrTheEndIsAPauseButNoCut) {
    // 2405 ms in all: the last frame is 5 ms long, and the tail pause ends with it.
    const Envelope e = lesson({{{600, -95}}, speech(700, -20), {{400, -95}}, speech(300, -20), {{405, -95}}});
    ASSERT_EQ(e.durationMs, 2405);
    EXPECT_EQ(findPauses(e), (std::vector<Pause>{{0, 605}, {1295, 1705}, {1995, 2405}}));
    EXPECT_EQ(cutsAtPauses(e), (std::vector<int32_t>{1500}));
}

TEST(Pauses, QuietShorterThanTheMinimumIsNoPause) {
    // 28 and 29 quiet frames: with half of each louder frame beside them,
    // 290 and 300 ms.
    const Envelope e = lesson({speech(500, -20), {{280, -90}}, speech(500, -20), {{290, -90}}, speech(500, -20)});
    EXPECT_EQ(findPauses(e), (std::vector<Pause>{{1275, 1575}}));
    PauseParams longer;
    longer.minPauseMs = 400;
    EXPECT_TRUE(findPauses(e, longer).empty());
    PauseParams shorter;
    shorter.minPauseMs = 200;
    EXPECT_EQ(cutsAtPauses(e, shorter), (std::vector<int32_t>{640, 1425}));
}

TEST(Pauses, TheThresholdFollowsTheNoiseFloor) {
    // Noise at -50 dB wobbling by 2 dB between loud speech; a weak stretch of
    // speech at -36 dB stays speech (floor + 10 dB, about -40 dB).
    const auto noise = [](int ms, float db) {
        std::vector<std::pair<int, float>> v;
        for (int t = 0; t < ms; t += 10) v.push_back({10, db + ((t / 10) % 2 ? 2.0f : -2.0f)});
        return v;
    };
    const Envelope quietRoom = lesson({noise(500, -50), speech(900, -15), noise(600, -50), speech(300, -15),
                                       {{400, -36}}, speech(300, -15), noise(500, -50)});
    EXPECT_EQ(cutsAtPauses(quietRoom), (std::vector<int32_t>{1700}));
    const auto levels = qm::analysis::pauseLevels(quietRoom);
    EXPECT_GT(levels.floorDb, -52.0f);  // within the noise's range
    EXPECT_LT(levels.floorDb, -48.0f);
    EXPECT_NEAR(levels.thresholdDb, levels.floorDb + 10.0f, 0.01f);

    // The same lesson 25 dB louder, noise and all: the same cut.
    const Envelope loud = lesson({noise(500, -25), speech(900, 10), noise(600, -25), speech(300, 10),
                                  {{400, -11}}, speech(300, 10), noise(500, -25)});
    EXPECT_EQ(cutsAtPauses(loud), (std::vector<int32_t>{1700}));

    // Noise 13 dB under the speech: floor + margin (-25 dB) would reach into
    // the speech, so the threshold is held 10 dB under the speech level
    // (-30 dB), still above the noise.
    const Envelope noisy = lesson({speech(800, -20), noise(500, -33), speech(800, -20)});
    EXPECT_EQ(cutsAtPauses(noisy), (std::vector<int32_t>{1050}));
}

TEST(Pauses, SilenceThroughoutAndEmptyMedia) {
    const Envelope silent = shape({{3000, -100}});
    EXPECT_EQ(findPauses(silent), (std::vector<Pause>{{0, 3000}}));
    EXPECT_TRUE(cutsAtPauses(silent).empty());

    const Envelope empty;
    EXPECT_TRUE(findPauses(empty).empty());
    EXPECT_TRUE(cutsAtPauses(empty).empty());
    // Too short for a pause at all.
    EXPECT_TRUE(findPauses(shape({{20, -100}})).empty());
}

TEST(Pauses, AMarkSnapsToTheMiddleOfTheNearestPause) {
    const std::vector<Pause> pauses{{1000, 1500}, {2500, 2900}, {6000, 7000}};
    EXPECT_EQ(snapToPause(pauses, 1200), 1250);         // inside
    EXPECT_EQ(snapToPause(pauses, 500), 1250);          // 500 ms before its start
    EXPECT_EQ(snapToPause(pauses, 499), std::nullopt);  // 501 ms before
    EXPECT_EQ(snapToPause(pauses, 1900), 1250);         // 400 after one, 600 before the next
    EXPECT_EQ(snapToPause(pauses, 2100), 2700);         // 600 after one, 400 before the next
    EXPECT_EQ(snapToPause(pauses, 2000), 1250);         // as near to both: the earlier
    EXPECT_EQ(snapToPause(pauses, 3401), std::nullopt);
    EXPECT_EQ(snapToPause(pauses, 7500), 6500);         // at the far edge of the last
    EXPECT_EQ(snapToPause(pauses, 8000, 1000), 6500);
    EXPECT_EQ(snapToPause(pauses, 2500, 0), 2700);
    EXPECT_EQ(snapToPause(pauses, 2499, 0), std::nullopt);
    EXPECT_EQ(snapToPause(pauses, 1200, -1), std::nullopt);
    EXPECT_EQ(snapToPause({}, 1200), std::nullopt);
}

}  // namespace
