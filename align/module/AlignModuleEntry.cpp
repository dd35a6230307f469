// The one entry of the alignment module (see ModuleEntry.h).
#include "align/ModuleEntry.h"

extern "C" __attribute__((visibility("default"))) const qm::align::ModuleApi* qm_align_api() {
    static const qm::align::ModuleApi api{&qm::align::splitScript, &qm::align::alignScript};
    return &api;
}
