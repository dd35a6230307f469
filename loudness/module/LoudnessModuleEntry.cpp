// The one entry of the loudness module (see LoudnessModule.h).
#include "analysis/LoudnessModule.h"

extern "C" __attribute__((visibility("default"))) qm::analysis::AnalyzeLoudness qm_loudness_analyzer() {
    return &qm::analysis::analyzeLoudness;
}
