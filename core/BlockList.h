#pragma once

#include "core/PracticeState.h"

#include <optional>
#include <string>

// The block commands' operations on a PracticeState: the separators with the
// current block. Drawing, the memo selection and the labels are left to the
// windows.
namespace qm {

// The block that holds the time ms (see BlockSeparators::blockAt); 0 with no block.
int32_t getBlock(const PracticeState& s, int32_t ms);

// Inserts ms into the separators in order. False and unchanged when the list
// is full (or empty).
bool insertSeparator(PracticeState& s, int32_t ms);

// Merges the current block into the one before it by removing separator
// curBlock-1. Returns the removed time, or nothing when curBlock < 2.
// curBlock is left to the caller.
std::optional<int32_t> deleteLeftSeparator(PracticeState& s);

// Merges the next block into the current one by removing separator curBlock.
// Returns the removed time, or nothing when curBlock is 0 or the last block.
std::optional<int32_t> deleteRightSeparator(PracticeState& s);

// Leaves one block from 0 to the old last separator. With no block at all
// nothing changes.
void clearSeparators(PracticeState& s);

// "curBlock/count", the text of the block counter.
std::string blockNoText(const PracticeState& s);

// The start of block n (1-based); block 0 starts where block 1 does, at 0.
int32_t blockStart(const PracticeState& s, int32_t n);

}  // namespace qm
