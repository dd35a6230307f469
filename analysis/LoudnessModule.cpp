#include "analysis/LoudnessModule.h"

#include "common/ModuleLoader.h"

#include <QString>

#include <mutex>
#include <string>

namespace qm::analysis {

namespace {

std::once_flag loaded;
AnalyzeLoudness entry = nullptr;
std::string failure;

void load() {
    modules::Library lib = modules::loadModule(QString::fromLatin1(kLoudnessModule) + QStringLiteral(".so"));
    if (!lib.loaded()) {
        failure = lib.error;
        return;
    }
    using Entry = AnalyzeLoudness (*)();
    const auto get = reinterpret_cast<Entry>(lib.symbol(kLoudnessEntrySymbol));
    if (get == nullptr) {
        failure = "the loudness module has no entry";
        return;
    }
    entry = get();
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
