#pragma once

#include "core/Lesson.h"

#include <cstdint>
#include <string>

namespace qm {

// How a block's end is taken (RadioGroup1) and what follows it (RadioGroup2).
enum class BlockMode { Next, Repeat };
enum class AfterBlock { None, Pause, AutoPause };

// The one record of practice data, owned by the practice session. Times are
// whole milliseconds from the start of the media. Block i (1-based) spans
// blocks[i-1] .. blocks[i]; curBlock 0 means "at the start, no block yet", and
// curBlock never exceeds blocks.count().
struct PracticeState {
    int32_t mediaLength = 0;  // 0: nothing usable is open
    int32_t mediaPos = 0;     // last position read from the active engine
    int32_t curBlock = 0;
    Lesson lesson;            // the blocks with their notes; empty before the first open
    const BlockSeparators& blocks() const { return lesson.blocks(); }
    bool useReal = false;     // false: media player control, true: streaming control
    bool pauseWaiting = false;
    bool loadingBsd = false;  // an open is following a block file to its media
    std::string mediaFile;    // UTF-8 path or web address of the open media
};

}  // namespace qm
