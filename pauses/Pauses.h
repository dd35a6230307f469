#pragma once

#include "pauses/Envelope.h"

#include <cstdint>
#include <optional>
#include <vector>

// Pauses in a loudness envelope, and the cut points they give. Plain C++.
namespace qm::analysis {

// A stretch of quiet of at least the minimum length, [startMs, endMs).
struct Pause {
    int32_t startMs = 0;
    int32_t endMs = 0;
    int32_t middleMs() const { return startMs + (endMs - startMs) / 2; }
    friend bool operator==(const Pause&, const Pause&) = default;
};

// How quiet, and for how long, a pause is. The levels are measured on the
// loudness averaged over 30 ms (three frames).
struct PauseParams {
    int32_t minPauseMs = 300;        // shorter quiet stretches are not pauses
    float floorPercentile = 5.0f;    // the noise floor: this share (%) of frames is quieter
    float speechPercentile = 95.0f;  // the speech level: this share (%) of frames is quieter
    float marginDb = 10.0f;          // quiet = below the floor plus this ...
    float minBelowSpeechDb = 10.0f;  // ... but at least this far below the speech level
    float maxBelowSpeechDb = 45.0f;  // ... and at most this far below it
    float silenceDb = -80.0f;        // anything quieter is quiet, whatever the levels
};

// The levels findPauses works with, in dB full scale.
struct PauseLevels {
    float floorDb = -100.0f;
    float speechDb = -100.0f;
    float thresholdDb = -100.0f;  // frames below it are quiet
};

// The noise floor, speech level and quiet threshold of envelope: the threshold
// is floor + margin, kept between speech - maxBelowSpeech and speech -
// minBelowSpeech, and never below silenceDb. An empty envelope gives the
// defaults (all -100 dB).
PauseLevels pauseLevels(const Envelope& envelope, const PauseParams& params = {});

// Every quiet stretch lasting minPauseMs or more, in ascending order,
// including those touching the start or the end of the media. A stretch is
// found on the averaged loudness, then widened over the frames beside it that
// are quiet on their own; each inner edge lies half a frame into the louder
// frame next to it (where the sound most likely starts or ends), an edge at
// the media's start is 0 and one at its end durationMs. Silence throughout is
// one pause over all of it; an empty envelope has none. Linear in the frames
// (about 5 ms for an hour).
std::vector<Pause> findPauses(const Envelope& envelope, const PauseParams& params = {});

// The middle of each pause that touches neither the start (0) nor the end
// (durationMs) of the media, ascending: the interior cut points.
std::vector<int32_t> cutsAtPauses(const std::vector<Pause>& pauses, int32_t durationMs);
std::vector<int32_t> cutsAtPauses(const Envelope& envelope, const PauseParams& params = {});

// The middle of the pause nearest to ms, when ms lies inside it or at most
// withinMs before its start or after its end; nothing when no pause is that
// near (or pauses is empty, or withinMs < 0). Of two pauses equally near, the
// earlier. pauses must be ascending, as findPauses gives them.
std::optional<int32_t> snapToPause(const std::vector<Pause>& pauses, int32_t ms, int32_t withinMs = 500);

}  // namespace qm::analysis
