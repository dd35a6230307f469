#pragma once

#include "core/BlockSeparators.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// A lesson's block data as a whole: the separators and the note lines, as a
// block file holds them. Line i is block i+1's note; lines past the last
// block are kept as they are, and blocks past the last line have empty notes.
struct LessonContent {
    std::vector<int32_t> separators;  // empty: no media; else a valid block list
    std::vector<std::string> notes;   // UTF-8, one line each
    bool operator==(const LessonContent&) const = default;
};

// The lesson document: the blocks with their notes, one structure with one
// writer. Every change keeps each note with its block: a split leaves the
// note with the first part, a join puts the two notes together, a move or a
// new cut leaves the notes in order. Each change gives back what its exact
// inverse needs, so an undo restores the lesson byte for byte. Plain C++;
// the undo history itself is the caller's. A change that would break the
// block list's rules is refused (nothing changes) or, from a programmer's
// error, stops the program (QM_CHECK).
class Lesson {
public:
    const BlockSeparators& blocks() const { return blocks_; }
    const std::vector<std::string>& notes() const { return notes_; }
    // Block n's note (1-based); empty past the notes.
    const std::string& noteOf(int32_t block) const;
    LessonContent content() const;

    // The whole lesson replaced by other's (a valid list, or empty with any
    // notes); other gets the old content back, so that the same call undoes it.
    void swapContent(LessonContent& other);
    // One block from 0 to length (> 0), no notes: a fresh open.
    void reset(int32_t length);

    // A separator at ms, splitting the block that holds it. Nothing when ms
    // is a separator already (a time before 0 counts as 0), at or past the
    // end, or the list is empty or full.
    struct Split {
        int32_t index = 0;          // the new separator's index
        bool noteInserted = false;  // an empty note went in for the second part
    };
    std::optional<Split> split(int32_t ms);
    void undo(const Split& split);

    // Inner separator k (1 .. count-1) removed: blocks k and k+1 become one,
    // their notes joined with one blank (an empty note adds nothing).
    struct Join {
        int32_t index = 0;
        int32_t time = 0;
        std::optional<std::string> first, second;  // the two notes before, where there were lines
    };
    Join join(int32_t k);
    void undo(const Join& join);

    // Inner separator k moved towards ms, kept strictly between its
    // neighbours; returns where it went. Notes stay.
    int32_t move(int32_t k, int32_t ms) { return blocks_.moveInner(k, ms); }

private:
    BlockSeparators blocks_;
    std::vector<std::string> notes_;
};

}  // namespace qm
