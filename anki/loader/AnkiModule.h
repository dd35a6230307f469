#pragma once

#include "anki/ModuleEntry.h"

#include <string>

namespace qm::anki {

// The export's call, from the module qm5_anki that holds it with its
// libraries: loaded on the first call, on the calling thread (any thread),
// where modules::loadModule finds it, and kept for the rest of the run.
// Null when the module cannot be loaded; error says why.
const ModuleApi* ankiModule(std::string& error);

}  // namespace qm::anki
