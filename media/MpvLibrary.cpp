#include "media/MpvLibrary.h"

#include "media/PlayerControls.h"

#include "common/ModuleLoader.h"

#include <mutex>
#include <string>
#include <thread>

namespace qm {

namespace {

std::once_flag loaded;
MpvApi api;
std::string failure;

template <typename F>
void resolve(modules::Library& lib, F& slot, const char* name) {
    slot = reinterpret_cast<F>(lib.symbol(name));
    if (slot == nullptr && failure.empty()) failure = std::string("libmpv has no ") + name;
}

void load() {
    // The soname of the client API the header describes (the top CMakeLists.txt,
    // which also makes the package depend on it).
    modules::Library lib = modules::loadLibrary(QM5_MPV_SONAME);
    if (!lib.loaded()) {
        failure = lib.error;
        return;
    }
    resolve(lib, api.create, "mpv_create");
    resolve(lib, api.initialize, "mpv_initialize");
    resolve(lib, api.terminateDestroy, "mpv_terminate_destroy");
    resolve(lib, api.setOptionString, "mpv_set_option_string");
    resolve(lib, api.setProperty, "mpv_set_property");
    resolve(lib, api.getProperty, "mpv_get_property");
    resolve(lib, api.observeProperty, "mpv_observe_property");
    resolve(lib, api.command, "mpv_command");
    resolve(lib, api.commandRet, "mpv_command_ret");
    resolve(lib, api.waitEvent, "mpv_wait_event");
    resolve(lib, api.setWakeupCallback, "mpv_set_wakeup_callback");
    resolve(lib, api.errorString, "mpv_error_string");
    resolve(lib, api.free, "mpv_free");
    resolve(lib, api.freeNodeContents, "mpv_free_node_contents");
    // Never unloaded: its threads live as long as any handle does.
}

}  // namespace

const MpvApi& mpvApi() {
    std::call_once(loaded, load);
    if (!failure.empty()) throw MediaError(failure);
    return api;
}

void preloadMpv() {
    std::thread([] { std::call_once(loaded, load); }).detach();
}

}  // namespace qm
