#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace qm {

// The block list holds at most this many blocks: 1001 separators.
inline constexpr int32_t kMaxBlocks = 1000;

// The separators of the block list, keeping its own rules: empty (no media
// yet), or 1 .. kMaxBlocks blocks whose separators start at 0 and rise: no
// two are equal, so no block is empty (an empty block would hold a note that
// belongs to no sound and shift every note after it). Every change keeps the rules; a caller that would break them (an
// index out of range, a list out of order) is a programmer's error and stops
// the program (QM_CHECK).
class BlockSeparators {
public:
    int32_t count() const { return count_; }  // blocks, 0 when empty
    bool empty() const { return count_ == 0; }
    // Separator i, 0 <= i <= count().
    int32_t operator[](int32_t i) const;
    int32_t last() const { return (*this)[count_]; }
    std::vector<int32_t> separators() const;

    // One block from 0 to length (> 0).
    void reset(int32_t length);
    // Takes a whole list: 2 .. kMaxBlocks + 1 entries, 0 first, each greater
    // than the one before.
    void assign(const std::vector<int32_t>& separators);
    // A valid list for assign(): size, start and strict order.
    static bool isValid(const std::vector<int32_t>& separators);

    // Puts ms in order. False and unchanged when the list is empty or full,
    // or when ms (a time before 0 counts as 0) is a separator already: a
    // second mark on the same spot adds nothing.
    bool insert(int32_t ms);
    // Removes inner separator k, 1 <= k < count(), and returns its time.
    int32_t removeInner(int32_t k);
    // Moves inner separator k, 1 <= k < count(), to ms, kept strictly between
    // its neighbours (a block keeps at least 1 ms); returns where it went.
    int32_t moveInner(int32_t k, int32_t ms);
    // One block from 0 to the old last separator; nothing when empty.
    void clearInner();

    // The block that holds ms: the first i with ms <= separator i, so a time on
    // a separator belongs to the block ending there; a time past the last
    // separator belongs to the last block; 0 when empty.
    int32_t blockAt(int32_t ms) const;

private:
    void checkRules() const;

    std::array<int32_t, kMaxBlocks + 1> sep_{};
    int32_t count_ = 0;
};

}  // namespace qm
