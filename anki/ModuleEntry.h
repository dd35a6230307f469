#pragma once

#include "anki/AnkiExport.h"

// The Anki export as the module qm5_anki gives it: one entry, looked up by
// name, that returns its call. The program loads the module when it first
// exports (anki/loader/AnkiModule.h), so that starting it maps none of
// SQLite's, libzip's or FFmpeg's libraries.
namespace qm::anki {

struct ModuleApi {
    ExportResult (*exportPackage)(const ExportInput& input, const std::string& apkgPath,
                                  const std::function<void(int)>& progress, const std::atomic<bool>* cancel);
};

using ModuleEntry = const ModuleApi* (*)();
inline constexpr char kAnkiModule[] = "qm5_anki";
inline constexpr char kAnkiEntrySymbol[] = "qm_anki_api";

}  // namespace qm::anki
