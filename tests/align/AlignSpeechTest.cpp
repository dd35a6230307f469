// The whole alignment on speech this test makes with espeak-ng, sox and ffmpeg
// (bench/align's lesson makers, with few sentences), through the module the
// program loads: where the cuts fall against the known sentence times, the
// notes, the announcement's block, the line the recording lacks, the
// approximate method for Japanese, cancelling and media that cannot be read.
#include "align/loader/AlignModule.h"
#include "files/WholeFile.h"
#include "text/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using qm::align::ModuleApi;
using qm::align::Result;
using qm::align::Sentence;

const std::string kWork = QM5_TEST_WORK_DIR;
const std::string kSource = QM5_SOURCE_DIR;

const ModuleApi& api() {
    std::string error;
    const ModuleApi* a = qm::align::alignModule(error);
    if (a == nullptr) {
        ADD_FAILURE() << "the alignment module: " << error;
        std::abort();
    }
    return *a;
}

// A lesson maker's truth file: where each sentence's speech is, in ms.
struct Truth {
    struct Span {
        int line = 0;
        double startMs = 0, endMs = 0;
    };
    double durationMs = 0;
    std::optional<Span> lead;
    std::vector<Span> sentences;
    int missingLine = 0;
};

Truth readTruth(const std::string& path) {
    const auto read = qm::files::readWholeFile(path, 1 << 20);
    EXPECT_FALSE(read.error) << path;
    Truth t;
    double rate = 1;
    for (const std::string& line : qm::text::splitLines(read.bytes)) {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        int64_t a = 0, b = 0;
        if (kind == "rate") in >> rate;
        if (kind == "samples" && in >> a) t.durationMs = a * 1000.0 / rate;
        if (kind == "lead" && in >> a >> b) t.lead = Truth::Span{0, a * 1000.0 / rate, b * 1000.0 / rate};
        if (kind == "sentence") {
            int n = 0;
            if (in >> n >> a >> b) t.sentences.push_back({n, a * 1000.0 / rate, b * 1000.0 / rate});
        }
        if (kind == "missing") in >> t.missingLine;
    }
    return t;
}

std::vector<Sentence> scriptOf(const std::string& path) {
    const auto read = qm::files::readWholeFile(path, 1 << 20);
    EXPECT_FALSE(read.error) << path;
    return api().splitScript(read.bytes);
}

int cutsIn(const Result& r, double fromMs, double toMs) {
    int n = 0;
    for (size_t k = 1; k + 1 < r.separators.size(); ++k) n += r.separators[k] >= fromMs && r.separators[k] < toMs;
    return n;
}

// The note of the block where ms lies.
std::string noteAt(const Result& r, double ms) {
    for (size_t k = 0; k + 1 < r.separators.size(); ++k)
        if (ms >= r.separators[k] && ms < r.separators[k + 1]) return k < r.notes.size() ? r.notes[k] : "(no note)";
    return "(no block)";
}

// What the block list asks of any result.
void expectValidBlocks(const Result& r, const Truth& t) {
    ASSERT_GE(r.separators.size(), 2u);
    EXPECT_EQ(r.separators.front(), 0);
    for (size_t k = 1; k < r.separators.size(); ++k) EXPECT_LT(r.separators[k - 1], r.separators[k]) << k;
    EXPECT_NEAR(r.separators.back(), t.durationMs, 100);
    EXPECT_EQ(r.notes.size(), r.separators.size() - 1);
}

bool make(const std::string& maker, const std::string& arguments) {
    const std::string command = "'" + kSource + "/bench/align/" + maker + "' " + arguments;
    return std::system(command.c_str()) == 0;
}

TEST(AlignSpeech, EachPauseBetweenSentencesGetsOneCutAndEachSentenceItsNote) {
    const std::string dir = kWork + "/lesson-6-4";
    ASSERT_TRUE(make("make-align-lessons.sh", "'" + dir + "' 6 4"));
    const std::vector<Sentence> byLine = scriptOf(dir + "/script.txt");
    ASSERT_EQ(byLine.size(), 7u);
    // Clean speech with a script of one sentence a line; then after a spoken
    // announcement the script does not hold, under noise 30 dB down, in three
    // media types, with the script as running text.
    const struct {
        const char* media;
        const char* script;
        const char* truth;
    } cases[] = {{"clean.mp3", "script.txt", "clean.truth"},
                 {"hard.mp3", "running.txt", "hard.truth"},
                 {"hard.ogg", "running.txt", "hard.truth"},
                 {"hard.wma", "running.txt", "hard.truth"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.media);
        const Truth t = readTruth(dir + "/" + c.truth);
        ASSERT_EQ(t.sentences.size(), 6u);
        const std::vector<Sentence> script = scriptOf(dir + "/" + c.script);
        ASSERT_EQ(script.size(), 7u);
        std::vector<int> progress;
        const Result r = api().alignScript(dir + "/" + c.media, script, {}, [&](int p) { progress.push_back(p); },
                                           nullptr);
        ASSERT_FALSE(r.error) << *r.error;
        EXPECT_FALSE(r.approximate);
        expectValidBlocks(r, t);
        for (size_t i = 0; i < t.sentences.size(); ++i) {
            const Truth::Span& s = t.sentences[i];
            EXPECT_EQ(cutsIn(r, s.startMs, s.endMs), 0) << "inside line " << s.line;
            if (i + 1 < t.sentences.size()) {
                EXPECT_EQ(cutsIn(r, s.endMs, t.sentences[i + 1].startMs), 1) << "after line " << s.line;
            }
            EXPECT_EQ(noteAt(r, (s.startMs + s.endMs) / 2), byLine[static_cast<size_t>(s.line - 1)].text);
        }
        if (t.lead) {
            // The announcement: a block of its own, with an empty note.
            EXPECT_EQ(cutsIn(r, 0, t.sentences.front().startMs), 1);
            EXPECT_EQ(cutsIn(r, t.lead->startMs, t.lead->endMs), 0);
            EXPECT_EQ(noteAt(r, (t.lead->startMs + t.lead->endMs) / 2), "");
        } else {
            EXPECT_EQ(cutsIn(r, 0, t.sentences.front().startMs), 0);
        }
        // The sentence the recording lacks, by its place in the script and its line in the file aligned.
        const size_t missing = static_cast<size_t>(t.missingLine - 1);
        EXPECT_EQ(r.unplacedSentences, std::vector<int>{t.missingLine - 1});
        EXPECT_EQ(r.unplacedLines, std::vector<int>{script.at(missing).line});
        EXPECT_EQ(r.placedSentences, 6);
        ASSERT_FALSE(progress.empty());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.back(), 100);
    }
}

TEST(AlignSpeech, JapaneseIsPlacedByPausesAndLengthsAndMarkedApproximate) {
    const std::string dir = kWork + "/japanese";
    ASSERT_TRUE(make("make-japanese-lesson.sh", "'" + dir + "'"));
    const Truth t = readTruth(dir + "/japanese.truth");
    const std::vector<Sentence> script = scriptOf(dir + "/japanese.txt");
    ASSERT_EQ(script.size(), t.sentences.size());
    const Result r = api().alignScript(dir + "/japanese.mp3", script, {}, {}, nullptr);
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_TRUE(r.approximate);
    expectValidBlocks(r, t);
    // The cuts are in pauses, the notes the script's sentences in order.
    for (const Truth::Span& s : t.sentences) EXPECT_EQ(cutsIn(r, s.startMs, s.endMs), 0) << "inside line " << s.line;
    std::vector<std::string> notes, expected;
    for (const std::string& n : r.notes) notes.push_back(n);
    for (const Sentence& s : script) expected.push_back(s.text);
    EXPECT_EQ(notes, expected);
    EXPECT_TRUE(r.unplacedLines.empty());
}

TEST(AlignSpeech, ACancelStopsTheRunAndMediaThatCannotBeReadIsAnError) {
    const std::string dir = kWork + "/lesson-6-4";
    ASSERT_TRUE(make("make-align-lessons.sh", "'" + dir + "' 6 4"));
    const std::vector<Sentence> script = scriptOf(dir + "/script.txt");
    std::atomic<bool> cancel{false};
    int calls = 0;
    const Result r = api().alignScript(dir + "/hard.mp3", script, {},
                                       [&](int) {
                                           ++calls;
                                           cancel = true;
                                       },
                                       &cancel);
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.error);
    EXPECT_TRUE(r.separators.empty());
    EXPECT_EQ(calls, 1);

    for (const std::string& media : {dir + "/script.txt", dir + "/nothing-here.mp3", dir}) {
        const Result bad = api().alignScript(media, script, {}, {}, nullptr);
        EXPECT_TRUE(bad.error) << media;
        EXPECT_FALSE(bad.cancelled);
        EXPECT_TRUE(bad.separators.empty());
    }
    EXPECT_TRUE(api().alignScript(dir + "/hard.mp3", {}, {}, {}, nullptr).error);
}

}  // namespace
