#pragma once

#include "pauses/Envelope.h"
#include "pauses/Pauses.h"

#include <cstdint>
#include <optional>
#include <vector>

// From where the sentences are to blocks: the cuts go into the middle of the
// pauses the loudness analysis found, never into speech. Plain C++.
namespace qm::align {

// Where a sentence's speech was heard, in ms of the media.
struct Span {
    int32_t startMs = 0;
    int32_t endMs = 0;
};

// Blocks over the whole media: separators 0 .. length, strictly rising, and
// for each block the sentences it holds (by index, ascending; none for speech
// the script does not hold).
struct Blocks {
    std::vector<int32_t> separators;
    std::vector<std::vector<int>> sentences;
};

// The stretches of speech between the pauses, [start, end) in ms, in order;
// the quiet at the media's ends belongs to no stretch.
struct Stretch {
    int32_t startMs = 0;
    int32_t endMs = 0;
};
std::vector<Stretch> speechBetween(const std::vector<analysis::Pause>& pauses, int32_t lengthMs);

// Blocks for sentences placed by recognition (spans[i] empty: sentence i not
// placed). Each stretch of speech goes to the placed sentence that covers
// most of it; a stretch no sentence covers is speech the script does not hold
// and, with its neighbours of the same kind, becomes a block of its own (with
// less than minUnscriptedMs of speech it joins the block before it). Two
// sentences in one stretch (no pause between them) part at the quietest
// frame between their words. A placed sentence that ends up with no speech of
// its own is in no block. At most maxBlocks blocks: beyond that the blocks of
// unheld speech join their neighbours.
Blocks blocksFromSpans(const analysis::Envelope& envelope, const std::vector<analysis::Pause>& pauses,
                       const std::vector<std::optional<Span>>& spans, int32_t lengthMs,
                       int32_t minUnscriptedMs = 400, int maxBlocks = 1000);

// Blocks for sentences of the given weights (their share of the script's
// characters), placed by lengths alone: of the pauses between stretches of
// speech, the ones chosen as cuts make each block's speech come nearest its
// sentence's share of all speech, longer pauses preferred. With fewer
// stretches than sentences, each stretch is a block and the sentences are
// shared out among them, several to a block where they must.
Blocks blocksFromLengths(const std::vector<analysis::Pause>& pauses, const std::vector<double>& weights,
                         int32_t lengthMs);

}  // namespace qm::align
