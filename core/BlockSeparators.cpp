#include "core/BlockSeparators.h"

#include "core/Check.h"

#include <algorithm>
#include <functional>

namespace qm {

int32_t BlockSeparators::operator[](int32_t i) const {
    QM_CHECK(i >= 0 && i <= count_, "separator index out of the block list");
    return sep_[static_cast<std::size_t>(i)];
}

std::vector<int32_t> BlockSeparators::separators() const {
    if (count_ == 0) return {};
    return {sep_.begin(), sep_.begin() + count_ + 1};
}

void BlockSeparators::reset(int32_t length) {
    QM_CHECK(length > 0, "a block list must end after 0");
    sep_[0] = 0;
    sep_[1] = length;
    count_ = 1;
}

bool BlockSeparators::isValid(const std::vector<int32_t>& s) {
    if (s.size() < 2 || s.size() > static_cast<std::size_t>(kMaxBlocks) + 1) return false;
    if (s.front() != 0) return false;
    return std::adjacent_find(s.begin(), s.end(), std::greater_equal<>()) == s.end();
}

void BlockSeparators::assign(const std::vector<int32_t>& s) {
    QM_CHECK(isValid(s), "a block list must hold 1 to 1000 blocks from 0 in order");
    std::copy(s.begin(), s.end(), sep_.begin());
    count_ = static_cast<int32_t>(s.size()) - 1;
}

bool BlockSeparators::insert(int32_t ms) {
    if (count_ < 1 || count_ >= kMaxBlocks) return false;
    const auto first = sep_.begin() + 1;
    const auto end = sep_.begin() + count_ + 1;
    const int32_t t = std::max(ms, 0);
    const auto at = std::upper_bound(first, end, t);
    if (*(at - 1) == t) return false;  // sep_[0] is 0, so a mark at the start lands here too
    std::copy_backward(at, end, end + 1);
    *at = t;
    ++count_;
    checkRules();
    return true;
}

int32_t BlockSeparators::removeInner(int32_t k) {
    QM_CHECK(k >= 1 && k < count_, "only an inner separator can be removed");
    const int32_t removed = sep_[static_cast<std::size_t>(k)];
    std::copy(sep_.begin() + k + 1, sep_.begin() + count_ + 1, sep_.begin() + k);
    --count_;
    return removed;
}

int32_t BlockSeparators::moveInner(int32_t k, int32_t ms) {
    QM_CHECK(k >= 1 && k < count_, "only an inner separator can be moved");
    const auto i = static_cast<std::size_t>(k);
    // Neighbours 1 ms apart leave no room: it stays where it is.
    if (sep_[i + 1] - sep_[i - 1] >= 2) sep_[i] = std::clamp(ms, sep_[i - 1] + 1, sep_[i + 1] - 1);
    return sep_[i];
}

void BlockSeparators::clearInner() {
    if (count_ < 1) return;
    sep_[1] = sep_[static_cast<std::size_t>(count_)];
    count_ = 1;
}

int32_t BlockSeparators::blockAt(int32_t ms) const {
    if (count_ == 0) return 0;
    const auto first = sep_.begin() + 1;
    const auto end = sep_.begin() + count_ + 1;
    const auto at = std::lower_bound(first, end, ms);
    if (at == end) return count_;
    return static_cast<int32_t>(at - sep_.begin());
}

void BlockSeparators::checkRules() const {
    QM_CHECK(count_ >= 0 && count_ <= kMaxBlocks, "block count out of range");
    if (count_ == 0) return;
    QM_CHECK(sep_[0] == 0, "the first separator is not 0");
    QM_CHECK(std::adjacent_find(sep_.begin(), sep_.begin() + count_ + 1, std::greater_equal<>()) ==
                 sep_.begin() + count_ + 1,
             "separators out of order");
}

}  // namespace qm
