// Start-up benchmark: starts the program's probe and a minimal Qt Widgets
// probe, in turns, as separate processes, and prints the median time from
// process start to the first paint of the main window and the resident memory
// then, side by side. Then checks that no web engine process exists until the
// browser window is shown, and that one does after.
//
//   bench_browser_startup [runs]     (default 9; QT_QPA_PLATFORM defaults to offscreen)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

long long monotonicNs() {
    timespec ts{};
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return 0;
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Runs path with the start time in its environment; returns its stdout, or
// an empty text when it could not run or failed.
std::string runProbe(const char* path, const char* arg) {
    int out[2];
    if (pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);

    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "QM5_BENCH_T0=", 13) != 0) env.emplace_back(*e);
    }
    env.emplace_back();  // the start time, filled in last
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(path)};
    if (arg != nullptr) argv.push_back(const_cast<char*>(arg));
    argv.push_back(nullptr);

    pid_t pid = 0;
    env.back() = "QM5_BENCH_T0=" + std::to_string(monotonicNs());
    envp[env.size() - 1] = env.back().data();
    const int rc = posix_spawn(&pid, path, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    if (rc == 0) {
        char buf[4096];
        ssize_t n = 0;
        while ((n = read(out[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);
    if (rc != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", path, std::strerror(rc));
        return {};
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", path);
        return {};
    }
    return text;
}

// The value of "key=" in the first line that starts with what.
bool field(const std::string& text, const std::string& what, const std::string& key, double& value) {
    size_t line = 0;
    while (line < text.size()) {
        const size_t end = std::min(text.find('\n', line), text.size());
        const std::string l = text.substr(line, end - line);
        if (l.rfind(what + ' ', 0) == 0) {
            const size_t k = l.find(' ' + key + '=');
            if (k == std::string::npos) return false;
            value = std::strtod(l.c_str() + k + key.size() + 2, nullptr);
            return true;
        }
        line = end + 1;
    }
    return false;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Samples {
    std::vector<double> mainMs, ms, rssKb, engines;
};

bool sample(const char* path, const char* what, Samples& s) {
    const std::string text = runProbe(path, nullptr);
    double mainMs = 0, ms = 0, rss = 0, engines = 0;
    if (!field(text, what, "main_ms", mainMs) || !field(text, what, "shown_ms", ms) || !field(text, what, "rss_kb", rss) ||
        !field(text, what, "webengine", engines)) {
        std::fprintf(stderr, "no figures from %s\n", path);
        return false;
    }
    s.mainMs.push_back(mainMs);
    s.ms.push_back(ms);
    s.rssKb.push_back(rss);
    s.engines.push_back(engines);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    // One unmeasured start of each fills the file cache.
    Samples warm;
    if (!sample(QM5_PROBE_MINIMAL, "minimal", warm) || !sample(QM5_PROBE_QM5, "qm5", warm)) return 1;

    Samples minimal, qm5;
    for (int i = 0; i < runs; ++i) {
        if (!sample(QM5_PROBE_MINIMAL, "minimal", minimal) || !sample(QM5_PROBE_QM5, "qm5", qm5)) return 1;
    }
    const double tMin = median(minimal.ms), tQm = median(qm5.ms);
    const double rMin = median(minimal.rssKb) / 1024, rQm = median(qm5.rssKb) / 1024;
    std::printf("start-up to the main window's first paint, median of %d runs each (QT_QPA_PLATFORM=%s)\n", runs,
                std::getenv("QT_QPA_PLATFORM"));
    const double mMin = median(minimal.mainMs), mQm = median(qm5.mainMs);
    std::printf("  %-28s %10s %10s %16s\n", "", "time ms", "VmRSS MB", "of it to main()");
    std::printf("  %-28s %10.1f %10.1f %16.1f\n", "minimal Qt Widgets program", tMin, rMin, mMin);
    std::printf("  %-28s %10.1f %10.1f %16.1f\n", "QM5 (four windows)", tQm, rQm, mQm);
    std::printf("  %-28s %10.2f %10.2f\n", "ratio QM5 / minimal", tQm / tMin, rQm / rMin);
    std::printf("  time range: minimal %.1f..%.1f ms, QM5 %.1f..%.1f ms\n",
                *std::min_element(minimal.ms.begin(), minimal.ms.end()),
                *std::max_element(minimal.ms.begin(), minimal.ms.end()),
                *std::min_element(qm5.ms.begin(), qm5.ms.end()), *std::max_element(qm5.ms.begin(), qm5.ms.end()));
    const double maxEngines = *std::max_element(qm5.engines.begin(), qm5.engines.end());
    std::printf("web engine processes at the main window's paint: %.0f (most seen in %d runs)\n", maxEngines, runs);

    const std::string text = runProbe(QM5_PROBE_QM5, "--browser");
    double before = -1, after = -1, afterMs = -1, rssAfter = -1;
    if (!field(text, "qm5", "webengine", before) || !field(text, "browser", "webengine", after) ||
        !field(text, "browser", "shown_after_ms", afterMs) || !field(text, "browser", "rss_kb", rssAfter)) {
        std::fprintf(stderr, "no figures from the browser run\n");
        return 1;
    }
    std::printf("browser shown: web engine processes before %.0f, after %.0f (first seen %.0f ms after show), "
                "VmRSS then %.1f MB\n",
                before, after, afterMs, rssAfter / 1024);
    const bool lazy = maxEngines == 0 && before == 0 && after > 0;
    std::printf("no web engine until the browser is shown: %s\n", lazy ? "yes" : "NO");

    // A file on the command line: from process start to the engine playing.
    // The yardstick is the same probe with libmpv mapped before main(), as
    // when the program linked it.
    setenv("QM5_BENCH_PLAY", QM5_SAMPLE_MEDIA, 1);
    std::vector<double> lazyPlay, linkedPlay;
    for (int i = 0; i < runs; ++i) {
        double ms = -1;
        unsetenv("LD_PRELOAD");
        if (field(runProbe(QM5_PROBE_QM5, nullptr), "playing", "ms", ms)) lazyPlay.push_back(ms);
        setenv("LD_PRELOAD", QM5_MPV_SONAME, 1);
        if (field(runProbe(QM5_PROBE_QM5, nullptr), "playing", "ms", ms)) linkedPlay.push_back(ms);
    }
    unsetenv("LD_PRELOAD");
    unsetenv("QM5_BENCH_PLAY");
    if (lazyPlay.empty() || linkedPlay.empty()) {
        std::fprintf(stderr, "no figures from the play runs\n");
        return 1;
    }
    std::printf("command line to playing (%s), median of %d runs each\n", QM5_SAMPLE_MEDIA, runs);
    std::printf("  %-40s %10.1f ms\n", "libmpv loaded at the first open", median(lazyPlay));
    std::printf("  %-40s %10.1f ms\n", "libmpv mapped before main() (as linked)", median(linkedPlay));
    return lazy ? 0 : 2;
}
