#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qm {

// The block list holds at most this many blocks: blockSep[0] .. blockSep[kMaxBlocks].
inline constexpr int32_t kMaxBlocks = 1000;

// The one record of practice data, owned by the main window. Times are whole
// milliseconds from the start of the media. Block i (1-based) spans
// blockSep[i-1] .. blockSep[i]; curBlock 0 means "at the start, no block yet".
struct PracticeState {
    int32_t mediaLength = 0;  // 0: nothing usable is open
    int32_t mediaPos = 0;     // last position read from the active engine
    int32_t curBlock = 0;
    int32_t blockCount = 0;   // 0 before the first open, then 1 .. kMaxBlocks
    std::array<int32_t, kMaxBlocks + 1> blockSep{};
    bool useReal = false;     // false: media player control, true: streaming control
    bool dirty = false;       // marks or notes changed since the last open or save
    bool pauseWaiting = false;
    bool loadingBsd = false;  // an open is following a block file to its media
    std::string mediaFile;    // UTF-8 path or web address of the open media
    int32_t cursorPos = 0;    // time at which the position cursor was last drawn
};

}  // namespace qm
