#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace qm::analysis {

// The loudness of a recording over time: the mono mix's RMS in consecutive
// frames of frameMs, full scale 1.0. Frame k covers [k*frameMs, (k+1)*frameMs);
// the last frame may be shorter, ending at durationMs. No audio gives no frames.
struct Envelope {
    int32_t frameMs = 10;
    int32_t durationMs = 0;     // the decoded audio's length
    std::vector<float> rms;     // one value per frame, >= 0

    // The frame holding ms (clamped into the envelope); -1 for an empty one.
    int32_t frameAt(int32_t ms) const;
};

using EnvelopePtr = std::shared_ptr<const Envelope>;

// dB relative to full scale, never below -100 (silence).
float loudnessDb(float rms);

}  // namespace qm::analysis
