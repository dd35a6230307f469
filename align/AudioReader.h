#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The audio of a local media file as the recogniser hears it: 16 kHz mono
// 16-bit samples, read on demand, over FFmpeg's libraries. Plain C++.
namespace qm::align {

inline constexpr int kSampleRate = 16000;

class AudioReader {
public:
    // Opens the first audio stream of the local file path (the best one when
    // there are several); a file that is no regular file, has no audio or
    // cannot be decoded is refused with the reason in error. cancel (may be
    // null) also stops a read that waits.
    static std::unique_ptr<AudioReader> open(const std::string& path, const std::atomic<bool>* cancel,
                                             std::string& error);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    // The length the container gives (as a player reports it), in ms; 0 when it gives none.
    int32_t containerLengthMs() const;
    // The share of the file read so far, 0 .. 1 (0 when the size is unknown).
    double fractionRead() const;

    // Appends about wanted more samples to out (a little more or less, as the
    // decoder's frames fall). Time 0 is the media's start; audio that starts
    // later, or a gap in the time stamps, is filled with silence, as the
    // player's clock runs. Returns the count appended: 0 at the end of the
    // audio or on an error (then error() says what), or when cancelled.
    size_t read(std::vector<int16_t>& out, size_t wanted);
    const std::optional<std::string>& error() const;
    // Damaged packets the decoder refused and went past.
    int skippedPackets() const;

private:
    struct State;
    explicit AudioReader(std::unique_ptr<State> state);
    std::unique_ptr<State> s_;
};

}  // namespace qm::align
