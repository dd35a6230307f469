#pragma once

#include "pauses/Envelope.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>

// Decoding a recording's audio into its loudness envelope, over FFmpeg's
// libraries. Plain C++: no Qt, no threads of its own; the caller decides where
// it runs and when it is to stop.
namespace qm::analysis {

// What stopped an analysis: the source as given and the reason in words
// (FFmpeg's own text for its errors, prefixed with the step that failed).
struct AnalysisError {
    std::string path;
    std::string reason;
    bool cancelled = false;  // the caller's cancel flag stopped it
};

struct AnalysisResult {
    Envelope envelope;  // empty when error is set
    std::optional<AnalysisError> error;
    int32_t skippedPackets = 0;  // damaged packets the decoder refused and went past
};

// Called now and then with the share of the media read so far, 0.0 .. 1.0;
// never called when the length is unknown (a stream without a size).
using ProgressCallback = std::function<void(double fraction)>;

constexpr int32_t kFrameMs = 10;

// Decodes the first audio stream of source (the best one when there are
// several) and returns its envelope in frames of kFrameMs. Other streams are
// discarded unread by the demuxer where it can. source is a local path, a plain
// file:// URL, or an http(s) address; every other scheme (ftp://, av://,
// concat:...) is refused before anything is opened, and whatever the media
// itself names (playlists) may only be reached over the same protocols. A
// local path is always taken as a file, whatever its text looks like.
// Time 0 is the media's start, and the envelope keeps to the audio's time
// stamps, as the player does: audio that starts later, or a gap in the stamps
// (damaged packets), is filled with silence.
// Errors: no file, no audio stream, no decoder, unreadable data (nothing
// decodable at all), network failure; damaged packets inside otherwise good
// media are skipped and counted. cancel (may be null) is polled between
// packets and while the network waits; a set flag ends the run soon with an
// error marked cancelled. progress may be empty.
AnalysisResult analyzeLoudness(const std::string& source, const ProgressCallback& progress,
                               const std::atomic<bool>* cancel);

}  // namespace qm::analysis
