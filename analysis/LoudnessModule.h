#pragma once

#include "loudness/ModuleEntry.h"

namespace qm::analysis {

// analyzeLoudness, from the module qm5_loudness that holds it with FFmpeg:
// the program does not link FFmpeg, so that starting it maps none of its
// libraries; the module is loaded on the first analysis, on the analysing
// thread, where modules::loadModule finds it. A missing module is an error
// result, never a throw.
AnalysisResult analyzeLoudnessFromModule(const std::string& source, const ProgressCallback& progress,
                                         const std::atomic<bool>* cancel);

}  // namespace qm::analysis
