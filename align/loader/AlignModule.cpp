#include "align/loader/AlignModule.h"

#include "common/ModuleLoader.h"

#include <QString>

#include <mutex>

namespace qm::align {

namespace {

std::once_flag loaded;
const ModuleApi* api = nullptr;
std::string failure;

void load() {
    modules::Library lib = modules::loadModule(QString::fromLatin1(kAlignModule) + QStringLiteral(".so"));
    if (!lib.loaded()) {
        failure = lib.error;
        return;
    }
    const auto entry = reinterpret_cast<ModuleEntry>(lib.symbol(kAlignEntrySymbol));
    if (entry == nullptr) {
        failure = "the alignment module has no entry";
        return;
    }
    api = entry();
}

}  // namespace

const ModuleApi* alignModule(std::string& error) {
    std::call_once(loaded, load);
    if (api == nullptr) error = failure;
    return api;
}

}  // namespace qm::align
