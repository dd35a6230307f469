#pragma once

#include "align/ModuleEntry.h"

#include <string>

namespace qm::align {

// The alignment's calls, from the module qm5_align that holds them with its
// libraries: loaded on the first call, on the calling thread (any thread),
// where modules::loadModule finds it, and kept for the rest of the run.
// Null when the module cannot be loaded; error says why.
const ModuleApi* alignModule(std::string& error);

}  // namespace qm::align
