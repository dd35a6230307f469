#pragma once

#include "blockfile/BlockFile.h"
#include "transcript/Cue.h"

#include <cstdint>
#include <optional>
#include <vector>

// Cues turned into block data: separators and one note per block. Plain C++.
namespace qm::transcript {

// What becomes of the time between two cues (one ending before the next starts).
enum class GapPolicy {
    // The gap joins the following block: each cue's block starts where the
    // previous cue ended, so a pause before a sentence is played with it.
    JoinFollowing,
    // The gap becomes a block of its own with an empty note. Time after the
    // last cue up to a known media length is such a block too.
    OwnBlock,
};

inline constexpr GapPolicy kDefaultGapPolicy = GapPolicy::JoinFollowing;

// The most blocks a block file holds.
inline constexpr int kMaxBlocks = 1000;

struct BlockOptions {
    int32_t mediaLength = 0;  // in ms; 0 or less: not known
    GapPolicy gapPolicy = kDefaultGapPolicy;
};

struct BlocksResult {
    // separators from 0 to the media length, one memo line per block;
    // mediaLength the media length when known, else the last separator;
    // mediaPath empty. Empty on error.
    blockfile::BlockData data;
    int droppedCues = 0;  // cues starting at or after a known media length, left out
    std::optional<TranscriptError> error;

    bool ok() const { return !error; }
};

// Turns cues, in any order, into blocks:
// - Cues are sorted by start (a stable sort: file order among equal starts);
//   a start below 0 counts as 0. Cues with the same start become one block,
//   their texts joined with a blank, ending at the latest of their ends.
// - A cue without an end ends where the next starts; the last one at the
//   media length, and without a known length that is the NoEndTime error.
// - Overlaps: a cue ending after the next one starts is cut at that start, so
//   separators ascend; an end before the start counts as the start.
// - The first block starts at 0, whatever comes before the first cue; gaps
//   between cues go by options.gapPolicy.
// - The last separator is the media length when known (cues starting at or
//   after it are dropped and counted in droppedCues; the last block stretches
//   or is cut to it), else the last cue's end.
// - A block that would have no length (a cue of zero length, or one cut to
//   nothing) is merged into the block after it, its note put first; the last
//   one into the block before it.
// - A CR or LF in a cue's text becomes a blank: a note is one line.
// - More than kMaxBlocks blocks: refused (TooManyBlocks, detail the count);
//   nothing is merged to fit, since the cues' times would be lost unseen.
// Errors: NoCues for an empty list, NoEndTime, PastMediaEnd when no cue starts
// before a known media length, NoTimeSpan when everything ends at 0.
BlocksResult toBlocks(std::vector<Cue> cues, const BlockOptions& options = {});

}  // namespace qm::transcript
