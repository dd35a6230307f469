#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The clips of a lesson: one decode of the media from start to end, each
// clip encoded to mp3 (mono, 44.1 kHz) as the decoder passes over it, so the
// memory stays that of one frame whatever the media's length.
namespace qm::anki {

struct ClipRange {
    int32_t startMs = 0;
    int32_t endMs = 0;  // after startMs; the ranges in order and apart
    std::string path;   // the mp3 file written
};

// Cuts every range out of the media. progress gets the fraction of the media
// read (0..1). A clip that would start past the end of the audio is an
// error; the clip the audio ends in keeps what there is (the media is a
// little shorter than its last separator says).
// Returns why it failed ("cancelled" when cancel became true); the files
// written so far are left for the caller to remove.
std::optional<std::string> cutClips(const std::string& mediaPath, const std::vector<ClipRange>& clips,
                                    const std::function<void(double)>& progress,
                                    const std::atomic<bool>* cancel);

}  // namespace qm::anki
