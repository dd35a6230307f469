#pragma once

#include "align/Align.h"

// The alignment as the module qm5_align gives it: one entry, looked up by
// name, that returns the two calls. The program loads the module when it
// first aligns (align/loader/AlignModule.h), so that starting it maps none of
// the recogniser's, espeak-ng's or FFmpeg's libraries.
namespace qm::align {

struct ModuleApi {
    std::vector<Sentence> (*splitScript)(std::string_view scriptBytes);
    Result (*alignScript)(const std::string& mediaPath, const std::vector<Sentence>& script, const Options& options,
                          const Progress& progress, const std::atomic<bool>* cancel);
};

using ModuleEntry = const ModuleApi* (*)();
inline constexpr char kAlignModule[] = "qm5_align";
inline constexpr char kAlignEntrySymbol[] = "qm_align_api";

}  // namespace qm::align
