#include "core/BlockList.h"

namespace qm {

int32_t getBlock(const PracticeState& s, int32_t ms) { return s.blocks().blockAt(ms); }

std::string blockNoText(const PracticeState& s) {
    return std::to_string(s.curBlock) + "/" + std::to_string(s.blocks().count());
}

int32_t blockStart(const PracticeState& s, int32_t n) { return n < 1 ? s.blocks()[0] : s.blocks()[n - 1]; }

}  // namespace qm
