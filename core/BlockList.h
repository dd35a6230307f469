#pragma once

#include "core/PracticeState.h"

#include <optional>
#include <string>

// What follows from the separators and the current block of a PracticeState:
// the block at a time, a block's start, the counter's text. The changes are
// the lesson's (core/Lesson.h).
namespace qm {

// The block that holds the time ms (see BlockSeparators::blockAt); 0 with no block.
int32_t getBlock(const PracticeState& s, int32_t ms);

// "curBlock/count", the text of the block counter.
std::string blockNoText(const PracticeState& s);

// The start of block n (1-based); block 0 starts where block 1 does, at 0.
int32_t blockStart(const PracticeState& s, int32_t n);

}  // namespace qm
