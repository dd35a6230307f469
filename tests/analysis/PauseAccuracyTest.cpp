// Accuracy of the pause finder on a generated lesson with known pauses, clean
// and with noise 30 dB below the speech, both as mp3: at least 95% of the
// pauses found, at most 5% of the cuts inside speech, every cut within 30 ms
// of its pause's middle. Prints the figures. The lesson is made by
// scripts/make-pause-lessons.sh into the build tree's pauselessons/, or taken
// from $QM5_PAUSE_LESSONS (see scripts/pause-accuracy.sh for bigger sets).
#include "tests/analysis/AnalysisTestSupport.h"
#include "loudness/LoudnessAnalysis.h"
#include "tests/analysis/PauseScore.h"
#include "pauses/Pauses.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace {

using namespace qmtest::analysis;

std::string lessonDir() {
    const char* dir = std::getenv("QM5_PAUSE_LESSONS");
    return (dir && *dir) ? std::string(dir) : (buildDir() / "pauselessons").string();
}

void scoreLesson(const char* name) {
    const std::string dir = lessonDir();
    const auto truth = readTruth(dir + "/lesson.truth");
    ASSERT_TRUE(truth) << "no lesson.truth in " << dir;

    const auto started = std::chrono::steady_clock::now();
    const auto result = qm::analysis::analyzeLoudness(dir + "/" + name, {}, nullptr);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_FALSE(result.error) << result.error->reason;
    const auto levels = qm::analysis::pauseLevels(result.envelope);
    const PauseScore s = scoreCuts(*truth, qm::analysis::cutsAtPauses(result.envelope));

    std::printf("%s: %zu sentences, %.1f s, analysed in %.3f s\n", name, truth->sentences.size(),
                truth->ms(truth->samples) / 1000.0, seconds);
    std::printf("  levels: floor %.1f dB, speech %.1f dB, threshold %.1f dB\n", levels.floorDb, levels.speechDb,
                levels.thresholdDb);
    std::printf("  pauses found: %d of %d (%.1f%%), shortest true pause %.0f ms\n", s.found, s.pauses,
                100.0 * s.foundShare(), s.shortestPauseMs);
    std::printf("  cuts: %d, inside speech %d (%.1f%%), extra %d\n", s.cuts, s.cutsInSpeech,
                100.0 * s.inSpeechShare(), s.extraCuts);
    std::printf("  cut to middle of its pause: mean %.1f ms, max %.1f ms, over 30 ms: %d\n", s.meanErrorMs,
                s.maxErrorMs, s.cutsOffMiddle);
    for (const std::string& m : s.misses) std::printf("  - %s\n", m.c_str());
    std::fflush(stdout);

    EXPECT_GE(s.shortestPauseMs, 300.0);
    EXPECT_GE(s.foundShare(), 0.95);
    EXPECT_LE(s.inSpeechShare(), 0.05);
    EXPECT_EQ(s.cutsOffMiddle, 0);
    EXPECT_LE(s.maxErrorMs, 30.0);
}

TEST(PauseAccuracy, CleanLessonAsMp3) { scoreLesson("lesson.mp3"); }
TEST(PauseAccuracy, LessonWithNoise30dBBelowTheSpeechAsMp3) { scoreLesson("noisy.mp3"); }

}  // namespace
