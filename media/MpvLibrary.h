#pragma once

#include <mpv/client.h>

namespace qm {

// libmpv's functions as this program uses them, loaded at the first need
// rather than linked: libmpv and the FFmpeg libraries under it take longer to
// map than the whole rest of the program, and a window must show first.
struct MpvApi {
    decltype(&::mpv_create) create;
    decltype(&::mpv_initialize) initialize;
    decltype(&::mpv_terminate_destroy) terminateDestroy;
    decltype(&::mpv_set_option_string) setOptionString;
    decltype(&::mpv_set_property) setProperty;
    decltype(&::mpv_get_property) getProperty;
    decltype(&::mpv_observe_property) observeProperty;
    decltype(&::mpv_command) command;
    decltype(&::mpv_command_ret) commandRet;
    decltype(&::mpv_wait_event) waitEvent;
    decltype(&::mpv_set_wakeup_callback) setWakeupCallback;
    decltype(&::mpv_error_string) errorString;
    decltype(&::mpv_free) free;
    decltype(&::mpv_free_node_contents) freeNodeContents;
};

// Loads libmpv once (any thread); throws MediaError when it or one of its
// functions is missing.
const MpvApi& mpvApi();

// Loads it now, on a thread of its own, so that the first open finds it
// ready; returns at once. Errors wait for mpvApi().
void preloadMpv();

}  // namespace qm
