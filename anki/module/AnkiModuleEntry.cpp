// The one entry of the Anki export module (see ModuleEntry.h).
#include "anki/ModuleEntry.h"

extern "C" __attribute__((visibility("default"))) const qm::anki::ModuleApi* qm_anki_api() {
    static const qm::anki::ModuleApi api{&qm::anki::exportPackage};
    return &api;
}
