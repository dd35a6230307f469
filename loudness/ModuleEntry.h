#pragma once

#include "loudness/LoudnessAnalysis.h"

// The loudness analysis as the module qm5_loudness gives it: one entry,
// looked up by name, that returns analyzeLoudness. The program loads the
// module at the first analysis (analysis/LoudnessModule.h), so that starting
// it maps no FFmpeg library.
namespace qm::analysis {

using AnalyzeLoudness = AnalysisResult (*)(const std::string&, const ProgressCallback&, const std::atomic<bool>*);
inline constexpr char kLoudnessModule[] = "qm5_loudness";
inline constexpr char kLoudnessEntrySymbol[] = "qm_loudness_analyzer";

}  // namespace qm::analysis
