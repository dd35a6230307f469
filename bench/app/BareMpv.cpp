// Plays a file with libmpv and nothing else, no window, null audio: the
// yardstick for the program's CPU use while a lesson plays.
#include <mpv/client.h>

#include <sys/resource.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s FILE WARMUP_SECONDS SECONDS\n", argv[0]);
        return 2;
    }
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* h = mpv_create();
    if (h == nullptr) return 1;
    const char* options[][2] = {{"config", "no"}, {"vid", "no"}, {"ao", "null"}, {"terminal", "no"},
                                {"ytdl", "no"},   {"load-scripts", "no"}, {"loop-file", "inf"}};
    for (const auto& o : options) {
        if (mpv_set_option_string(h, o[0], o[1]) < 0) return 1;
    }
    if (mpv_initialize(h) < 0) return 1;
    const char* cmd[] = {"loadfile", argv[1], nullptr};
    if (mpv_command(h, cmd) < 0) return 1;
    // CPU seconds of the process between the end of the warm-up and the end:
    // playback only, start-up left out.
    const auto wait = [h](double seconds) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < until) {
            const double left = std::chrono::duration<double>(until - std::chrono::steady_clock::now()).count();
            mpv_wait_event(h, left > 0 ? left : 0);
        }
    };
    const auto cpuSeconds = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
    };
    wait(std::atof(argv[2]));
    const double before = cpuSeconds();
    wait(std::atof(argv[3]));
    std::printf("%.3f\n", cpuSeconds() - before);
    mpv_terminate_destroy(h);
    return 0;
}
