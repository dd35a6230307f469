#pragma once

#include "core/TranslatableText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Cues: the timed lines a transcript file holds, and what goes wrong reading
// one. Plain C++; text is UTF-8.
namespace qm::transcript {

// One timed line of a transcript: its note text, without markup, on one line.
struct Cue {
    int32_t startMs = 0;
    // Nothing when the file does not say (an LRC line runs until the next
    // one starts; the last one until the media ends).
    std::optional<int32_t> endMs;
    std::string text;

    bool operator==(const Cue&) const = default;
};

enum class ErrorKind {
    BadHeader,       // the file does not start as its format must ("WEBVTT")
    BadTime,         // a time that does not read; detail holds it
    EndBeforeStart,  // a cue that ends before it starts
    UnexpectedText,  // a line that is no part of the format here; detail holds it
    NoCues,          // the file holds no timed line at all
    TooManyBlocks,   // the cues make more than 1000 blocks; detail holds the count
    NoEndTime,       // the last cue has no end and the media length is not known
    PastMediaEnd,    // every cue starts at or after the media's end
    NoTimeSpan,      // the cues cover no time: the blocks would end at 0
};

// Why a transcript could not be read or turned into blocks.
struct TranscriptError {
    ErrorKind kind = ErrorKind::NoCues;
    int line = 0;        // 1-based line of the file it failed on; 0 for the file as a whole
    std::string detail;  // the offending text or number, where the kind says so

    bool operator==(const TranscriptError&) const = default;
};

// The user's message for the error, in Japanese like the program's other
// messages (or as translate gives it), starting with the line number when
// there is one: "3 行目: ...".
std::string message(const TranscriptError& error, const Translate& translate = {});

// What a reader gives: all cues in file order, or the error and no cues.
struct CueReadResult {
    std::vector<Cue> cues;
    std::optional<TranscriptError> error;

    bool ok() const { return !error; }
};

}  // namespace qm::transcript
