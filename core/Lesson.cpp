#include "core/Lesson.h"

#include "core/Check.h"

#include <cstddef>
#include <utility>

namespace qm {

namespace {

const std::string kNoNote;

std::ptrdiff_t at(int32_t i) { return static_cast<std::ptrdiff_t>(i); }

std::string joined(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + ' ' + second;
}

}  // namespace

const std::string& Lesson::noteOf(int32_t block) const {
    if (block < 1 || static_cast<std::size_t>(block) > notes_.size()) return kNoNote;
    return notes_[static_cast<std::size_t>(block - 1)];
}

LessonContent Lesson::content() const { return {blocks_.separators(), notes_}; }

void Lesson::swapContent(LessonContent& other) {
    LessonContent old{blocks_.separators(), {}};
    if (other.separators.empty()) {
        blocks_ = BlockSeparators();
    } else {
        blocks_.assign(other.separators);
    }
    old.notes.swap(notes_);
    notes_.swap(other.notes);
    other = std::move(old);
}

void Lesson::reset(int32_t length) {
    blocks_.reset(length);
    notes_.clear();
}

std::optional<Lesson::Split> Lesson::split(int32_t ms) {
    // The end of the last block is the media's: a mark at or past it splits nothing.
    if (blocks_.empty() || ms >= blocks_.last() || !blocks_.insert(ms)) return std::nullopt;
    Split s;
    s.index = blocks_.blockAt(ms < 0 ? 0 : ms);  // the first part's block, ending at the new separator
    // Block k (= index) keeps note k-1; the new block k+1 needs an empty note
    // only where later notes must move one on.
    if (notes_.size() > static_cast<std::size_t>(s.index)) {
        notes_.insert(notes_.begin() + at(s.index), std::string());
        s.noteInserted = true;
    }
    return s;
}

void Lesson::undo(const Split& s) {
    blocks_.removeInner(s.index);
    if (s.noteInserted) notes_.erase(notes_.begin() + at(s.index));
}

Lesson::Join Lesson::join(int32_t k) {
    Join j;
    j.index = k;
    j.time = blocks_.removeInner(k);
    // Blocks k and k+1 hold notes k-1 and k.
    const auto first = static_cast<std::size_t>(k - 1), second = static_cast<std::size_t>(k);
    if (first < notes_.size()) j.first = notes_[first];
    if (second < notes_.size()) {
        j.second = notes_[second];
        notes_[first] = joined(*j.first, *j.second);
        notes_.erase(notes_.begin() + at(k));
    }
    return j;
}

void Lesson::undo(const Join& j) {
    QM_CHECK(blocks_.insert(j.time), "an undone join must find its place free");
    const auto first = static_cast<std::size_t>(j.index - 1);
    if (j.second) {
        notes_[first] = *j.first;
        notes_.insert(notes_.begin() + at(j.index), *j.second);
    }
}

}  // namespace qm
