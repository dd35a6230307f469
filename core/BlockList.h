#pragma once

#include "PracticeState.h"

#include <optional>
#include <string>

// Operations on the block list of a PracticeState. They change the list only;
// drawing, the memo selection and the labels are the main window's business.
namespace qm {

// The block that holds the time ms: the first i with ms <= blockSep[i], so a
// time on a separator belongs to the block that ends there and any time up to
// blockSep[1] belongs to block 1. A time past the last separator belongs to the
// last block; with no block at all the answer is 0.
int32_t getBlock(const PracticeState& s, int32_t ms);

// Inserts ms into blockSep in order (behind every entry <= ms), blockCount + 1.
// Returns false and changes nothing when the list already holds kMaxBlocks.
bool insertSeparator(PracticeState& s, int32_t ms);

// Merges the current block into the one before it by removing
// blockSep[curBlock-1]. Returns the removed time, or nothing when curBlock < 2.
// curBlock is left to the caller.
std::optional<int32_t> deleteLeftSeparator(PracticeState& s);

// Merges the next block into the current one by removing blockSep[curBlock].
// Returns the removed time, or nothing when curBlock is 0 or the last block.
std::optional<int32_t> deleteRightSeparator(PracticeState& s);

// Leaves one block from blockSep[0] to the old last separator. With no block at
// all nothing changes.
void clearSeparators(PracticeState& s);

// "curBlock/blockCount", the text of the block counter.
std::string blockNoText(const PracticeState& s);

}  // namespace qm
