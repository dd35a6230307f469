// Decoding into the loudness envelope: exact frames on a known wav, the same
// pauses from every format the program plays, what is refused, and the edges
// (empty, silent, very short, no audio, damaged, cancelled).
#include "tests/analysis/AnalysisTestSupport.h"
#include "loudness/LoudnessAnalysis.h"
#include "pauses/Pauses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

using namespace qmtest::analysis;
using qm::analysis::analyzeLoudness;
using qm::analysis::AnalysisResult;
using qm::analysis::cutsAtPauses;
using qm::analysis::findPauses;

AnalysisResult analyze(const std::string& source) { return analyzeLoudness(source, {}, nullptr); }

struct Span {
    int start = 0, end = 0;
};

// The silences between the sentences of lesson.wav, from lesson.times.
std::vector<Span> lessonSilences(int* lastSentenceEnd) {
    std::ifstream in(media("lesson.times"));
    std::vector<Span> silences;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        int index = 0;
        Span s;
        if (!(words >> kind >> index >> s.start >> s.end)) continue;
        if (kind == "silence") silences.push_back(s);
        if (kind == "sentence") *lastSentenceEnd = s.end;
    }
    return silences;
}

// A mono 16-bit wav of the given samples.
std::string wav(const std::vector<int16_t>& samples, uint32_t rate) {
    auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::string out = "RIFF" + u32(36 + dataBytes) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate) +
                      u32(rate * 2) + u16(2) + u16(16) + "data" + u32(dataBytes);
    out.append(reinterpret_cast<const char*>(samples.data()), dataBytes);
    return out;
}

TEST(Decode, TheLessonWavGivesExactSilencesAndCutsAtTheirMiddles) {
    int lastEnd = 0;
    const std::vector<Span> silences = lessonSilences(&lastEnd);
    ASSERT_EQ(silences.size(), 2u);

    std::vector<double> fractions;
    const AnalysisResult r =
        analyzeLoudness(media("lesson.wav"), [&](double f) { fractions.push_back(f); }, nullptr);
    ASSERT_FALSE(r.error) << r.error->reason;
    EXPECT_NEAR(r.envelope.durationMs, lastEnd + 500, 1);  // 0.5 s of silence at the end
    EXPECT_EQ(r.envelope.rms.size(), static_cast<size_t>((r.envelope.durationMs + 9) / 10));
    for (const Span& s : silences) {
        for (int k = s.start / 10 + 1; (k + 1) * 10 < s.end; ++k) EXPECT_LT(r.envelope.rms[k], 1e-4f) << k;
    }
    const std::vector<int32_t> cuts = cutsAtPauses(r.envelope);
    ASSERT_EQ(cuts.size(), 2u);
    for (size_t i = 0; i < 2; ++i) EXPECT_NEAR(cuts[i], (silences[i].start + silences[i].end) / 2, 10);

    ASSERT_FALSE(fractions.empty());
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    EXPECT_GE(fractions.front(), 0.0);
    EXPECT_EQ(fractions.back(), 1.0);
}

TEST(Decode, EveryPlayedFormatGivesTheSameCutsOnItsOwnClock) {
    const AnalysisResult wavResult = analyze(media("lesson.wav"));
    ASSERT_FALSE(wavResult.error) << wavResult.error->reason;
    const auto wavPauses = findPauses(wavResult.envelope);
    const auto wavCuts = cutsAtPauses(wavResult.envelope);
    ASSERT_EQ(wavCuts.size(), 2u);
    for (const char* name : {"lesson.mp3", "lesson.wma", "talk.rm"}) {
        SCOPED_TRACE(name);
        const AnalysisResult r = analyze(media(name));
        ASSERT_FALSE(r.error) << r.error->reason;
        // wma and ra_144 decode with a delay before the sound (the player
        // shows it the same way): the lead-in tells it, and every cut keeps it.
        const auto pauses = findPauses(r.envelope);
        ASSERT_FALSE(pauses.empty());
        const int32_t delay = pauses[0].endMs - wavPauses[0].endMs;
        EXPECT_GE(delay, 0);
        EXPECT_LE(delay, 60);
        EXPECT_GE(r.envelope.durationMs, wavResult.envelope.durationMs);
        const std::vector<int32_t> cuts = cutsAtPauses(r.envelope);
        ASSERT_EQ(cuts.size(), 2u);
        for (size_t i = 0; i < 2; ++i) EXPECT_NEAR(cuts[i], wavCuts[i] + delay, 10);
    }
}

TEST(Decode, FramesFollowTheSampleClockExactly) {
    // 22050 Hz: frames of 220 and 221 samples, then a last one of 10.
    std::vector<int16_t> samples(220, 16384);
    samples.insert(samples.end(), 221, 8192);
    samples.insert(samples.end(), 10, -4096);
    TempDir dir;
    writeBytes(dir.file("steps.wav"), wav(samples, 22050));
    const AnalysisResult r = analyze(dir.file("steps.wav"));
    ASSERT_FALSE(r.error) << r.error->reason;
    EXPECT_EQ(r.envelope.rms, (std::vector<float>{0.5f, 0.25f, 0.125f}));
    EXPECT_EQ(r.envelope.durationMs, 20);  // 451 samples = 20.45 ms

    writeBytes(dir.file("none.wav"), wav({}, 22050));
    const AnalysisResult none = analyze(dir.file("none.wav"));
    ASSERT_FALSE(none.error) << none.error->reason;
    EXPECT_TRUE(none.envelope.rms.empty());
    EXPECT_EQ(none.envelope.durationMs, 0);
    EXPECT_TRUE(findPauses(none.envelope).empty());
}

TEST(Decode, SilentMediaIsOnePauseWithoutCuts) {
    TempDir dir;
    ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "anullsrc=r=22050:cl=stereo", "-t", "2", "-c:a", "libmp3lame",
                        dir.file("silent.mp3")}));
    const AnalysisResult r = analyze(dir.file("silent.mp3"));
    ASSERT_FALSE(r.error) << r.error->reason;
    EXPECT_NEAR(r.envelope.durationMs, 2000, 30);
    const auto pauses = findPauses(r.envelope);
    ASSERT_EQ(pauses.size(), 1u);
    EXPECT_EQ(pauses[0].startMs, 0);
    EXPECT_EQ(pauses[0].endMs, r.envelope.durationMs);
    EXPECT_TRUE(cutsAtPauses(r.envelope).empty());
}

TEST(Decode, OddNamesAndFileUrlsReadTheSameFile) {
    TempDir dir;
    const std::string original = readBytes(media("lesson.mp3"));
    writeBytes(dir.file("a b%#?.mp3"), original);
    writeBytes(dir.file("concat:lesson.mp3"), original);
    const AnalysisResult direct = analyze(media("lesson.mp3"));
    ASSERT_FALSE(direct.error) << direct.error->reason;

    const std::string escaped = dir.path().string() + "/a%20b%25%23%3F.mp3";
    for (const std::string& source : {dir.file("a b%#?.mp3"), "file://" + escaped, "file://localhost" + escaped}) {
        SCOPED_TRACE(source);
        const AnalysisResult r = analyze(source);
        ASSERT_FALSE(r.error) << r.error->reason;
        EXPECT_EQ(r.envelope.rms, direct.envelope.rms);
    }
    // A relative name that FFmpeg alone would take for its concat protocol.
    const auto here = fs::current_path();
    fs::current_path(dir.path());
    const AnalysisResult relative = analyze("concat:lesson.mp3");
    fs::current_path(here);
    ASSERT_FALSE(relative.error) << relative.error->reason;
    EXPECT_EQ(relative.envelope.rms, direct.envelope.rms);
}

TEST(Decode, OtherSchemesAreRefusedUnopened) {
    for (const char* source :
         {"", "ftp://127.0.0.1/lesson.mp3", "av://lavfi:sine", "lavfi://sine", "rtmp://127.0.0.1/x", "rtsp://h/s.rm",
          "mms://h/s.wma", "concat://a|b", "file://host/tmp/x.mp3", "file:///tmp/x.mp3?x=1", "file:///tmp/x%00.mp3",
          "http:///nohost.mp3", "https://"}) {
        SCOPED_TRACE(source);
        const AnalysisResult r = analyze(source);
        ASSERT_TRUE(r.error);
        EXPECT_EQ(r.error->path, source);
        EXPECT_FALSE(r.error->reason.empty());
        EXPECT_FALSE(r.error->cancelled);
        EXPECT_TRUE(r.envelope.rms.empty());
    }
    EXPECT_NE(analyze("ftp://127.0.0.1/lesson.mp3").error->reason.find("ftp"), std::string::npos);
}

TEST(Decode, UnreadableMediaFailWithTheReason) {
    TempDir dir;
    ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "testsrc=duration=1:size=64x48:rate=10", "-c:v", "mpeg4",
                        dir.file("video.mkv")}));
    struct Case {
        std::string source;
        std::string reason;  // a part of it
    };
    for (const Case& c : std::vector<Case>{{media("empty.mp3"), "cannot open"},
                                           {media("notmedia.mp3"), ""},
                                           {dir.file("missing.mp3"), "No such file or directory"},
                                           {dir.path().string(), ""},
                                           {dir.file("video.mkv"), "no audio stream"}}) {
        SCOPED_TRACE(c.source);
        const AnalysisResult r = analyze(c.source);
        ASSERT_TRUE(r.error);
        EXPECT_EQ(r.error->path, c.source);
        EXPECT_FALSE(r.error->reason.empty());
        EXPECT_NE(r.error->reason.find(c.reason), std::string::npos) << r.error->reason;
    }
}

TEST(Decode, DamagedPacketsAreSkippedAndTheClockKept) {
    TempDir dir;
    std::string bytes = readBytes(media("lesson.mp3"));
    uint32_t noise = 12345;
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 3000; ++i) {
        noise = noise * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(noise >> 24);
    }
    const std::string path = dir.file("damaged.mp3");
    writeBytes(path, bytes);
    const AnalysisResult damaged = analyze(path);
    ASSERT_FALSE(damaged.error) << damaged.error->reason;
    // The time stamps jump where the damaged packets were; after them the
    // envelope keeps to the stamps, up to the last decoded frame's end.
    const double end = ffprobeAudioEndMs(path);
    ASSERT_GT(end, 0);
    EXPECT_NEAR(damaged.envelope.durationMs, end, 5);
    EXPECT_LT(damaged.envelope.durationMs, analyze(media("lesson.mp3")).envelope.durationMs);
}

TEST(Decode, ACancelStopsTheRunWithoutAResult) {
    std::atomic<bool> cancel{false};
    int calls = 0;
    const AnalysisResult r = analyzeLoudness(
        media("tone.mp3"),
        [&](double) {
            ++calls;
            cancel = true;
        },
        &cancel);
    ASSERT_TRUE(r.error);
    EXPECT_TRUE(r.error->cancelled);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(r.envelope.rms.empty());

    // Cancelled before it starts: nothing is opened.
    const AnalysisResult early = analyzeLoudness(media("tone.mp3"), {}, &cancel);
    ASSERT_TRUE(early.error);
    EXPECT_TRUE(early.error->cancelled);
}

}  // namespace
