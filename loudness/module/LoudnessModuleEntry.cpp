// The one entry of the loudness module (see ModuleEntry.h).
#include "loudness/ModuleEntry.h"

extern "C" __attribute__((visibility("default"))) qm::analysis::AnalyzeLoudness qm_loudness_analyzer() {
    return &qm::analysis::analyzeLoudness;
}
