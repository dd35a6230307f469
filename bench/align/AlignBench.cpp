// Alignment of a script with its recording, scored on lessons with known
// sentence times. bench/align/make-align-lessons.sh makes, per seed, 30
// sentences in voices, speeds and pitches drawn from the seed, with numbers,
// times, money and abbreviations in the script: a clean mp3 (script one
// sentence a line), and the same after a spoken announcement with noise 30 dB
// below the speech, as mp3, ogg and wma (script as running text); both
// scripts hold one line the recordings lack. make-librivox-lesson.sh puts
// Debian's five LibriVox sentences (real read speech) together with pauses,
// and make-japanese-lesson.sh sixteen Japanese sentences in kana (placed by
// pauses and lengths).
//
// For each: the pauses between sentences that got exactly one cut, the cuts
// inside speech (a sentence's or the announcement's), the sentences whose
// block has their note, whether the announcement got a block of its own with
// an empty note, the line the recording lacks reported and any other line
// reported, and the seconds the alignment took per minute of audio. Then the
// command line, process start included, on each noisy mp3 and on an hour
// (the first clean lesson repeated, its script with it): its time beside the
// media's duration and its peak memory.
// Run by hand: bin/bench_align [SEEDS] [--no-hour]
#include "align/Align.h"
#include "blockfile/BlockFile.h"
#include "files/WholeFile.h"
#include "text/TextCodec.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
const std::string kWork = QM5_BENCH_WORK_DIR;
const std::string kSource = QM5_SOURCE_DIR;
const std::string kProgram = QM5_PROGRAM;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

bool shell(const std::string& command) {
    if (std::system(command.c_str()) == 0) return true;
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    return false;
}

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Truth {
    int rate = 0;
    int64_t samples = 0;
    std::optional<std::pair<double, double>> lead;  // ms
    struct Sentence {
        int line = 0;
        double first = 0, end = 0;  // ms
    };
    std::vector<Sentence> sentences;
    std::string missingText;  // the line the recording lacks
    double durationMs() const { return samples * 1000.0 / rate; }
};

std::optional<Truth> readTruth(const std::string& path) {
    const auto read = qm::files::readWholeFile(path, 1 << 24);
    if (read.error) return std::nullopt;
    Truth t;
    for (const std::string& line : qm::text::splitLines(read.bytes)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        const auto ms = [&](int64_t s) { return s * 1000.0 / t.rate; };
        if (kind == "rate") words >> t.rate;
        if (kind == "samples") words >> t.samples;
        if (kind == "lead") {
            int64_t a = 0, b = 0;
            words >> a >> b;
            t.lead = std::make_pair(ms(a), ms(b));
        }
        if (kind == "sentence") {
            Truth::Sentence s;
            int64_t a = 0, b = 0;
            words >> s.line >> a >> b;
            s.first = ms(a);
            s.end = ms(b);
            t.sentences.push_back(s);
        }
        if (kind == "missing") {
            int line = 0;
            words >> line;
            std::getline(words >> std::ws, t.missingText);
        }
    }
    if (t.rate <= 0 || t.sentences.empty()) return std::nullopt;
    return t;
}

std::vector<std::string> fileLines(const std::string& path) {
    const auto read = qm::files::readWholeFile(path, 1 << 24);
    return read.error ? std::vector<std::string>{} : qm::text::splitLines(qm::text::decode(read.bytes));
}

struct Score {
    int pauses = 0, pausesOneCut = 0;
    int cuts = 0, cutsInSpeech = 0;
    int sentences = 0, rightNotes = 0;
    int leads = 0, leadBlocks = 0;
    int missing = 0, missingReported = 0, wronglyReported = 0;
    double audioSeconds = 0, alignSeconds = 0;
    std::vector<std::string> misses;

    void add(const Score& o) {
        pauses += o.pauses, pausesOneCut += o.pausesOneCut, cuts += o.cuts, cutsInSpeech += o.cutsInSpeech;
        sentences += o.sentences, rightNotes += o.rightNotes, leads += o.leads, leadBlocks += o.leadBlocks;
        missing += o.missing, missingReported += o.missingReported, wronglyReported += o.wronglyReported;
        audioSeconds += o.audioSeconds, alignSeconds += o.alignSeconds;
    }
};

// expected: each true sentence's note, in the order spoken; used: the
// sentences the script that was aligned gave (the line the recording lacks is
// found among them by its text).
Score score(const Truth& truth, const std::vector<std::string>& expected, const std::vector<qm::align::Sentence>& used,
            const qm::align::Result& r) {
    Score s;
    const std::vector<int32_t>& sep = r.separators;
    const auto cutsIn = [&](double from, double to) {
        int n = 0;
        for (size_t k = 1; k + 1 < sep.size(); ++k) n += sep[k] >= from && sep[k] < to;
        return n;
    };
    const auto blockAt = [&](double ms) {
        const auto it = std::upper_bound(sep.begin(), sep.end(), static_cast<int32_t>(ms));
        return static_cast<size_t>(std::max<std::ptrdiff_t>(it - sep.begin() - 1, 0));
    };
    s.cuts = static_cast<int>(sep.size()) - 2;
    for (size_t i = 0; i < truth.sentences.size(); ++i) {
        const auto& t = truth.sentences[i];
        s.cutsInSpeech += cutsIn(t.first, t.end);
        if (cutsIn(t.first, t.end) > 0) s.misses.push_back("cut inside sentence at line " + std::to_string(t.line));
        if (i + 1 < truth.sentences.size()) {
            ++s.pauses;
            const int n = cutsIn(t.end, truth.sentences[i + 1].first);
            if (n == 1) {
                ++s.pausesOneCut;
            } else {
                s.misses.push_back(std::to_string(n) + " cuts in the pause after line " + std::to_string(t.line));
            }
        }
        ++s.sentences;
        const size_t block = blockAt((t.first + t.end) / 2);
        if (block < r.notes.size() && r.notes[block] == expected[i]) {
            ++s.rightNotes;
        } else {
            s.misses.push_back("line " + std::to_string(t.line) + " has the note \"" +
                               (block < r.notes.size() ? r.notes[block] : std::string("(none)")) + "\"");
        }
    }
    if (truth.lead) {
        ++s.leads;
        const auto [a, b] = *truth.lead;
        s.cutsInSpeech += cutsIn(a, b);
        const size_t block = blockAt((a + b) / 2);
        const bool own = cutsIn(a, b) == 0 && cutsIn(b, truth.sentences.front().first) == 1 && cutsIn(0, a) == 0 &&
                         block < r.notes.size() && r.notes[block].empty();
        s.leadBlocks += own;
        if (!own) s.misses.push_back("the announcement has no block of its own");
    }
    // The line the recording lacks, by its line in the script used.
    for (size_t k = 0; k < used.size(); ++k) {
        const qm::align::Sentence& u = used[k];
        const bool reported = std::find(r.unplacedSentences.begin(), r.unplacedSentences.end(), static_cast<int>(k)) !=
                              r.unplacedSentences.end();
        if (u.text == truth.missingText) {
            ++s.missing;
            s.missingReported += reported;
            if (!reported) s.misses.push_back("the missing line " + std::to_string(u.line) + " was not reported");
        } else if (reported) {
            ++s.wronglyReported;
            s.misses.push_back("line " + std::to_string(u.line) + " reported: " + u.text);
        }
    }
    s.audioSeconds = truth.durationMs() / 1000;
    return s;
}

void printScore(const std::string& name, const Score& s, bool details) {
    std::printf("%-26s pauses %3d/%-3d  in speech %2d/%-3d  notes %3d/%-3d  lead %d/%d  missing %d/%d  wrong %d  %5.2f s/min\n",
                name.c_str(), s.pausesOneCut, s.pauses, s.cutsInSpeech, s.cuts, s.rightNotes, s.sentences,
                s.leadBlocks, s.leads, s.missingReported, s.missing, s.wronglyReported,
                s.audioSeconds > 0 ? s.alignSeconds / (s.audioSeconds / 60) : 0.0);
    if (details)
        for (const std::string& m : s.misses) std::printf("    %s\n", m.c_str());
    std::fflush(stdout);
}

// Each true sentence's note: its line of a script of one sentence a line.
std::vector<std::string> notesByLine(const Truth& truth, const std::vector<std::string>& lines) {
    std::vector<std::string> notes;
    for (const auto& s : truth.sentences) notes.push_back(lines.at(static_cast<size_t>(s.line - 1)));
    return notes;
}

std::vector<qm::align::Sentence> sentencesOf(const std::string& scriptPath) {
    const auto bytes = qm::files::readWholeFile(scriptPath, 1 << 24);
    return bytes.error ? std::vector<qm::align::Sentence>{} : qm::align::splitScript(bytes.bytes);
}

std::optional<Score> alignAndScore(const std::string& media, const std::string& scriptPath, const Truth& truth,
                                   const std::vector<std::string>& expected) {
    const auto sentences = sentencesOf(scriptPath);
    const auto t0 = Clock::now();
    const qm::align::Result r = qm::align::alignScript(media, sentences, {}, {}, nullptr);
    const double took = secondsSince(t0);
    if (r.error) {
        std::fprintf(stderr, "%s: %s\n", media.c_str(), r.error->c_str());
        return std::nullopt;
    }
    Score s = score(truth, expected, sentences, r);
    s.alignSeconds = took;
    return s;
}

// The program's command line, as a user runs it: wall time from the start of
// the process to its end, and its peak memory.
struct Run {
    bool ok = false;
    double seconds = 0;
    long peakKb = 0;
};

Run runCommandLine(const std::string& script, const std::string& media, const std::string& output) {
    Run run;
    std::remove(output.c_str());
    std::vector<std::string> args = {kProgram, "--align", script, media, "--output", output};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto t0 = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, kProgram.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.seconds = secondsSince(t0);
    run.peakKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// The first clean lesson repeated to an hour, with its script (the sentences
// it holds, one a line) repeated as often, and its truth. A block file holds
// at most 1000 blocks, so silence between the copies makes up the hour.
bool makeHour(const std::string& lessons, std::string& media, std::string& script, Truth& truth) {
    const std::string dir = kWork + "/hour";
    media = dir + "/hour.mp3";
    script = dir + "/hour.txt";
    const auto one = readTruth(lessons + "/clean.truth");
    if (!one) return false;
    const std::vector<std::string> lines = fileLines(lessons + "/script.txt");
    const int repeats = 1000 / static_cast<int>(one->sentences.size());
    const double gapMs = std::max(0.0, 3600.0 * 1000 / repeats - one->durationMs()) + 1000;
    const int64_t gapSamples = static_cast<int64_t>(gapMs * one->rate / 1000);
    truth = Truth{};
    truth.rate = one->rate;
    truth.samples = (one->samples + gapSamples) * repeats - gapSamples;
    std::string text;
    int line = 0;
    for (int k = 0; k < repeats; ++k) {
        const double shift = k * (one->samples + gapSamples) * 1000.0 / one->rate;
        for (const auto& s : one->sentences) {
            text += lines[static_cast<size_t>(s.line - 1)] + "\n";
            truth.sentences.push_back({++line, s.first + shift, s.end + shift});
        }
    }
    if (std::system(("test -f " + quoted(media)).c_str()) == 0) return !qm::files::writeWholeFile(script, text);
    std::printf("making an hour of %d lessons in %s ...\n", repeats, dir.c_str());
    std::fflush(stdout);
    if (!shell("mkdir -p " + quoted(dir))) return false;
    if (!shell("sox -r " + std::to_string(one->rate) + " -c 1 -n -b 16 " + quoted(dir + "/gap.wav") + " trim 0 " +
               std::to_string(gapSamples) + "s"))
        return false;
    std::string list;
    for (int k = 0; k < repeats; ++k) {
        if (k > 0) list += "file " + quoted(dir + "/gap.wav") + "\n";
        list += "file " + quoted(lessons + "/clean.wav") + "\n";
    }
    if (qm::files::writeWholeFile(dir + "/list.txt", list)) return false;
    if (!shell("ffmpeg -nostdin -v error -y -f concat -safe 0 -i " + quoted(dir + "/list.txt") +
               " -c:a libmp3lame -b:a 64k " + quoted(media + ".part.mp3") + " && mv " + quoted(media + ".part.mp3") +
               " " + quoted(media)))
        return false;
    return !qm::files::writeWholeFile(script, text);
}

}  // namespace

int main(int argc, char** argv) {
    int seeds = 3;
    bool hour = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--no-hour") {
            hour = false;
        } else {
            seeds = std::max(1, std::atoi(argv[i]));
        }
    }
    std::printf("lessons of 30 sentences (make-align-lessons.sh), %d seeds; aims: every pause cut once and no cut\n"
                "in speech on clean speech, 98%% or more with noise and an announcement; the command line within\n"
                "0.05 of the media's duration; an hour within 300 MB\n\n", seeds);
    Score clean, hard;
    std::vector<std::string> noisyMp3, runningScripts;
    for (int seed = 1; seed <= seeds; ++seed) {
        const std::string dir = kWork + "/lessons-30-" + std::to_string(seed);
        if (!shell(quoted(kSource + "/bench/align/make-align-lessons.sh") + " " + quoted(dir) + " 30 " +
                   std::to_string(seed)))
            return 1;
        const std::vector<std::string> lines = fileLines(dir + "/script.txt");
        const auto cleanTruth = readTruth(dir + "/clean.truth");
        const auto hardTruth = readTruth(dir + "/hard.truth");
        if (!cleanTruth || !hardTruth) return 1;
        const auto c = alignAndScore(dir + "/clean.mp3", dir + "/script.txt", *cleanTruth, notesByLine(*cleanTruth, lines));
        if (!c) return 1;
        printScore("seed " + std::to_string(seed) + " clean mp3", *c, true);
        clean.add(*c);
        for (const char* type : {"mp3", "ogg", "wma"}) {
            const auto h = alignAndScore(dir + "/hard." + type, dir + "/running.txt", *hardTruth, notesByLine(*hardTruth, lines));
            if (!h) return 1;
            printScore("seed " + std::to_string(seed) + " noisy+lead " + type, *h, true);
            hard.add(*h);
        }
        noisyMp3.push_back(dir + "/hard.mp3");
        runningScripts.push_back(dir + "/running.txt");
    }
    std::printf("\n");
    printScore("all clean", clean, false);
    printScore("all noisy+lead", hard, false);

    const std::string lv = kWork + "/librivox";
    if (shell(quoted(kSource + "/bench/align/make-librivox-lesson.sh") + " " + quoted(lv))) {
        const auto truth = readTruth(lv + "/librivox.truth");
        if (truth) {
            const auto s = alignAndScore(lv + "/librivox.wav", lv + "/librivox.txt", *truth,
                                         notesByLine(*truth, fileLines(lv + "/librivox.txt")));
            if (s) printScore("LibriVox (real speech)", *s, true);
        }
    }
    // Japanese: by pauses and lengths, approximate.
    const std::string ja = kWork + "/japanese";
    if (shell(quoted(kSource + "/bench/align/make-japanese-lesson.sh") + " " + quoted(ja))) {
        const auto truth = readTruth(ja + "/japanese.truth");
        std::vector<std::string> notes;
        for (const auto& s : sentencesOf(ja + "/japanese.txt")) notes.push_back(s.text);
        if (truth && notes.size() == truth->sentences.size()) {
            const auto s = alignAndScore(ja + "/japanese.mp3", ja + "/japanese.txt", *truth, notes);
            if (s) printScore("Japanese (approximate)", *s, true);
        }
    }

    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    std::printf("\nthis benchmark's own peak memory: %.0f MB\n\n", self.ru_maxrss / 1024.0);
    std::printf("the command line (qm5 --align), process start included:\n");
    for (size_t k = 0; k < noisyMp3.size(); ++k) {
        const auto truth = readTruth(noisyMp3[k].substr(0, noisyMp3[k].rfind('/')) + "/hard.truth");
        const Run r = runCommandLine(runningScripts[k], noisyMp3[k], kWork + "/out.bsd");
        std::printf("  %-40s %s %6.2f s for %6.1f s of media: %.4f of its duration, peak %.0f MB\n",
                    noisyMp3[k].substr(kWork.size() + 1).c_str(), r.ok ? "ok    " : "FAILED", r.seconds,
                    truth->durationMs() / 1000, r.seconds / (truth->durationMs() / 1000), r.peakKb / 1024.0);
    }
    if (hour) {
        std::string media, script;
        Truth truth;
        if (!makeHour(kWork + "/lessons-30-1", media, script, truth)) {
            std::fprintf(stderr, "the hour could not be made\n");
            return 1;
        }
        const std::string output = kWork + "/hour/hour.bsd";
        const Run r = runCommandLine(script, media, output);
        std::printf("  %-40s %s %6.1f s for %6.1f s of media: %.4f of its duration, peak %.0f MB\n", "an hour (hour.mp3)",
                    r.ok ? "ok    " : "FAILED", r.seconds, truth.durationMs() / 1000,
                    r.seconds / (truth.durationMs() / 1000), r.peakKb / 1024.0);
        // The hour's cuts, read back from the block file the command line wrote.
        const auto written = qm::files::readWholeFile(output, 1 << 24);
        const auto parsed = qm::blockfile::parse(written.error ? std::string() : written.bytes);
        if (r.ok && parsed.status == qm::blockfile::ParseStatus::Ok) {
            qm::align::Result result;
            result.separators = parsed.data.separators;
            result.notes = parsed.data.memoLines;
            Score s = score(truth, notesByLine(truth, fileLines(script)), {}, result);
            s.alignSeconds = r.seconds;
            printScore("  the hour's blocks", s, false);
        }
    }
    return 0;
}
