#include "BlockList.h"

#include <utility>

namespace qm {

int32_t getBlock(const PracticeState& s, int32_t ms) {
    for (int32_t i = 1; i <= s.blockCount; ++i) {
        if (ms <= s.blockSep[i]) return i;
    }
    return s.blockCount > 0 ? s.blockCount : 0;
}

bool insertSeparator(PracticeState& s, int32_t ms) {
    if (s.blockCount >= kMaxBlocks || s.blockCount < 0) return false;
    int32_t carry = ms;
    for (int32_t i = 1; i <= s.blockCount; ++i) {
        if (carry < s.blockSep[i]) std::swap(carry, s.blockSep[i]);
    }
    ++s.blockCount;
    s.blockSep[s.blockCount] = carry;
    return true;
}

namespace {

// Removes blockSep[k], 1 <= k <= blockCount, by moving the entries above it down.
int32_t removeSeparator(PracticeState& s, int32_t k) {
    const int32_t removed = s.blockSep[k];
    for (int32_t i = k + 1; i <= s.blockCount; ++i) s.blockSep[i - 1] = s.blockSep[i];
    --s.blockCount;
    return removed;
}

}  // namespace

std::optional<int32_t> deleteLeftSeparator(PracticeState& s) {
    // blockSep[0], the start of block 1, is never deleted.
    if (s.curBlock < 2 || s.curBlock > s.blockCount) return std::nullopt;
    return removeSeparator(s, s.curBlock - 1);
}

std::optional<int32_t> deleteRightSeparator(PracticeState& s) {
    // The end of the last block is never deleted; curBlock 0 has no right edge.
    if (s.curBlock < 1 || s.curBlock >= s.blockCount) return std::nullopt;
    return removeSeparator(s, s.curBlock);
}

void clearSeparators(PracticeState& s) {
    if (s.blockCount < 1) return;
    s.blockSep[1] = s.blockSep[s.blockCount];
    s.blockCount = 1;
}

std::string blockNoText(const PracticeState& s) {
    return std::to_string(s.curBlock) + "/" + std::to_string(s.blockCount);
}

}  // namespace qm
