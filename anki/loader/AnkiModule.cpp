#include "anki/loader/AnkiModule.h"

#include "common/ModuleLoader.h"

#include <QString>

#include <mutex>

namespace qm::anki {

namespace {

std::once_flag loaded;
const ModuleApi* api = nullptr;
std::string failure;

void load() {
    modules::Library lib = modules::loadModule(QString::fromLatin1(kAnkiModule) + QStringLiteral(".so"));
    if (!lib.loaded()) {
        failure = lib.error;
        return;
    }
    const auto entry = reinterpret_cast<ModuleEntry>(lib.symbol(kAnkiEntrySymbol));
    if (entry == nullptr) {
        failure = "the Anki export module has no entry";
        return;
    }
    api = entry();
}

}  // namespace

const ModuleApi* ankiModule(std::string& error) {
    std::call_once(loaded, load);
    if (api == nullptr) error = failure;
    return api;
}

}  // namespace qm::anki
