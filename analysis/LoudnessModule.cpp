#include "LoudnessModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <mutex>
#include <string>

namespace qm::analysis {

namespace {

std::once_flag loaded;
AnalyzeLoudness entry = nullptr;
std::string failure;

std::string executableFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    std::string path(buffer, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/'));
}

void load() {
    const std::string folder = executableFolder();
    const std::string file = std::string("/") + kLoudnessModule + ".so";
    void* lib = nullptr;
    // Beside the executable in a folder of its own, else where an installation keeps its modules.
    for (const std::string& candidate : {folder + file, folder + "/" + QM5_MODULE_DIR_FROM_BINDIR + file}) {
        lib = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (lib != nullptr) break;
        failure = dlerror();
    }
    if (lib == nullptr) {
        failure = "the loudness module cannot be loaded: " + failure;
        return;
    }
    using Entry = AnalyzeLoudness (*)();
    const auto get = reinterpret_cast<Entry>(dlsym(lib, kLoudnessEntrySymbol));
    if (get == nullptr) {
        failure = "the loudness module has no entry";
        return;
    }
    entry = get();
    failure.clear();
}

}  // namespace

AnalysisResult analyzeLoudnessFromModule(const std::string& source, const ProgressCallback& progress,
                                         const std::atomic<bool>* cancel) {
    std::call_once(loaded, load);
    if (entry == nullptr) {
        AnalysisResult r;
        r.error = AnalysisError{source, failure, false};
        return r;
    }
    return entry(source, progress, cancel);
}

}  // namespace qm::analysis
