#include "core/BlockList.h"

namespace qm {

int32_t getBlock(const PracticeState& s, int32_t ms) { return s.blocks.blockAt(ms); }

bool insertSeparator(PracticeState& s, int32_t ms) { return s.blocks.insert(ms); }

std::optional<int32_t> deleteLeftSeparator(PracticeState& s) {
    // The start of block 1 is never deleted.
    if (s.curBlock < 2 || s.curBlock > s.blocks.count()) return std::nullopt;
    return s.blocks.removeInner(s.curBlock - 1);
}

std::optional<int32_t> deleteRightSeparator(PracticeState& s) {
    // The end of the last block is never deleted; curBlock 0 has no right edge.
    if (s.curBlock < 1 || s.curBlock >= s.blocks.count()) return std::nullopt;
    return s.blocks.removeInner(s.curBlock);
}

void clearSeparators(PracticeState& s) { s.blocks.clearInner(); }

std::string blockNoText(const PracticeState& s) {
    return std::to_string(s.curBlock) + "/" + std::to_string(s.blocks.count());
}

int32_t blockStart(const PracticeState& s, int32_t n) { return n < 1 ? s.blocks[0] : s.blocks[n - 1]; }

}  // namespace qm
