// Export of a generated 60-minute lesson (44.1 kHz stereo mp3, 128 kb/s) of
// 300 blocks, every block with a note and every other one with an answer, to
// an Anki package: wall and CPU time and the peak memory (VmHWM) of this
// process, beside two yardsticks timed in the same run on the same file:
// `ffmpeg -i FILE -f null -` (the decode alone) and `ffmpeg -i FILE -ac 1
// -c:a libmp3lame -b:a 64k -compression_level 7 -f mp3 -` (the decode and
// one encode of the whole length with the clips' settings).
// Run by hand: bin/bench_anki [runs]
#include "anki/AnkiExport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kMinutes = 60;
constexpr int kBlocks = 300;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs a program (no shell), its output to /dev/null; true when it exits with 0.
bool run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int r = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (r != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", args[0].c_str());
        return false;
    }
    return true;
}

bool exists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

long long sizeOf(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

// A tone under pink noise, made by ffmpeg once per build tree.
std::string longMp3(const std::string& dir) {
    const std::string path = dir + "/lesson60min.mp3";
    if (exists(path)) return path;
    ::mkdir(dir.c_str(), 0755);
    std::printf("making %s (a minute or so) ...\n", path.c_str());
    std::fflush(stdout);
    const std::string part = path + ".part.mp3";
    const std::string seconds = std::to_string(kMinutes * 60);
    if (!run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
              "sine=frequency=220:sample_rate=44100:duration=" + seconds, "-f", "lavfi", "-i",
              "anoisesrc=color=pink:amplitude=0.2:sample_rate=44100:duration=" + seconds, "-filter_complex",
              "amix=inputs=2", "-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k", part}))
        return {};
    if (std::rename(part.c_str(), path.c_str()) != 0) return {};
    return path;
}

// The process's peak resident memory so far, in kB (VmHWM).
long peakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    const std::string dir = QM5_BENCH_WORK_DIR;
    const std::string media = longMp3(dir);
    if (media.empty()) return 1;
    const std::string apkg = dir + "/lesson60min.apkg";

    qm::anki::ExportInput in;
    in.deckName = "Bench lesson";
    in.mediaPath = media;
    in.lessonKey = media;
    for (int k = 0; k <= kBlocks; ++k) in.separators.push_back(k * (kMinutes * 60'000 / kBlocks));
    for (int k = 0; k < kBlocks; ++k) {
        in.notes.push_back("Sentence number " + std::to_string(k + 1) + " of the lesson, with a few words.");
        in.lastAnswers.push_back(k % 2 ? std::optional<std::string>("Sentence number " + std::to_string(k) +
                                                                    " of a lesson, with few words")
                                       : std::nullopt);
    }
    const long baseKb = peakKb();

    std::vector<double> oursWall, oursCpu, decodeWall, decodeCpu, encodeWall, encodeCpu;
    int notes = 0;
    for (int i = 0; i < runs; ++i) {
        auto t = Clock::now();
        double cpu = cpuSeconds(RUSAGE_SELF);
        const auto result = qm::anki::exportPackage(in, apkg, nullptr, nullptr);
        oursWall.push_back(secondsSince(t));
        oursCpu.push_back(cpuSeconds(RUSAGE_SELF) - cpu);
        if (result.error) {
            std::fprintf(stderr, "export failed: %s\n", result.error->c_str());
            return 1;
        }
        notes = result.notesWritten;

        t = Clock::now();
        cpu = cpuSeconds(RUSAGE_CHILDREN);
        if (!run({"ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-i", media, "-f", "null", "-"})) return 1;
        decodeWall.push_back(secondsSince(t));
        decodeCpu.push_back(cpuSeconds(RUSAGE_CHILDREN) - cpu);

        t = Clock::now();
        cpu = cpuSeconds(RUSAGE_CHILDREN);
        if (!run({"ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-i", media, "-ac", "1", "-ar", "44100",
                  "-c:a", "libmp3lame", "-b:a", "64k", "-compression_level", "7", "-f", "mp3", "-"}))
            return 1;
        encodeWall.push_back(secondsSince(t));
        encodeCpu.push_back(cpuSeconds(RUSAGE_CHILDREN) - cpu);
    }

    std::printf("media: %s (%d min, %lld bytes, 44.1 kHz stereo 128 kb/s), %d blocks\n", media.c_str(), kMinutes,
                sizeOf(media), kBlocks);
    std::printf("package: %s (%lld bytes, %d notes)\n", apkg.c_str(), sizeOf(apkg), notes);
    std::printf("runs: %d (medians)\n", runs);
    std::printf("exportPackage:                             wall %6.2f s   cpu %6.2f s\n", median(oursWall),
                median(oursCpu));
    std::printf("ffmpeg -f null (decode only):              wall %6.2f s   cpu %6.2f s\n", median(decodeWall),
                median(decodeCpu));
    std::printf("ffmpeg -ac 1 libmp3lame 64k q7 (one clip): wall %6.2f s   cpu %6.2f s\n", median(encodeWall),
                median(encodeCpu));
    std::printf("peak memory (VmHWM): %ld kB before the export, %ld kB after\n", baseKb, peakKb());
    return 0;
}
