#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Aligning a learner's script with its recording: one block per sentence, its
// note that sentence, each cut in the pause between two sentences. Plain C++:
// no Qt, no threads of its own and no state shared between calls that is not
// guarded, so a worker thread may run it while the caller waits or cancels.
namespace qm::align {

// One sentence of a script: its text as written and the line it starts on.
struct Sentence {
    std::string text;  // UTF-8, blanks at its ends trimmed, line breaks inside made blanks
    int line = 0;      // 1-based line of the script file where the sentence starts
    friend bool operator==(const Sentence&, const Sentence&) = default;
};

// The sentences of a script file's bytes (UTF-8 when valid, else CP932, as
// every text file of the program is read). . ? ! followed by a blank or the
// line's end, and 。？！ anywhere, end a sentence, closing quotes and brackets
// kept with it; an abbreviation (Mr. Dr. e.g. i.e. St. vs. ...), an initial
// ("J. Smith") or a decimal point ends none. A script of one sentence a line
// also ends one at every line's end; running text wrapped by hand (sentences
// ending inside lines, and three lines in ten or more ending unfinished) only
// at a blank line. Blank lines are dropped; nothing but blanks gives no
// sentences.
std::vector<Sentence> splitScript(std::string_view scriptBytes);

// Where Debian's pocketsphinx-en-us puts the US English model: the acoustic
// model in its folder en-us/, the dictionary cmudict-en-us.dict beside it.
inline constexpr char kDefaultModelDir[] = "/usr/share/pocketsphinx/model/en-us";

enum class Method {
    Automatic,  // speech recognition for English, pauses and lengths for any other script
    Speech,     // speech recognition, whatever the script's characters
    Lengths,    // the pauses and the sentences' lengths (approximate)
};

struct Options {
    std::string modelDir = kDefaultModelDir;
    int32_t minPauseMs = 300;  // quiet shorter than this is no pause between sentences
    Method method = Method::Automatic;
};

// The blocks an alignment gives, ready for the block list: separators start at
// 0, rise strictly and end at the media's length; there are at most 1000
// blocks, each with its note.
struct Result {
    std::vector<int32_t> separators;   // empty when error is set
    std::vector<std::string> notes;    // one per block; empty for speech the script does not hold
    std::vector<int> unplacedLines;    // script lines of sentences not placed, ascending, each once
    std::vector<int> unplacedSentences;  // the same sentences by their index in the script
    int placedSentences = 0;           // sentences that got a block of their own
    bool approximate = false;          // placed by pauses and lengths, not by recognition
    bool cancelled = false;            // the caller's flag stopped it (error says so too)
    std::optional<std::string> error;  // undecodable media, an empty script, no model, ...
};

// Progress of one alignment in whole percent, 0 .. 100, rising; called on the
// aligning thread.
using Progress = std::function<void(int percent)>;

// Aligns script with the audio of mediaPath (a local file of any type FFmpeg
// reads). English is placed by speech recognition with a grammar of the
// script's words in order; speech before the first sentence that the script
// does not hold, and any such stretch between or after sentences, becomes a
// block of its own with an empty note. A sentence the recording does not hold,
// or one that cannot be placed with confidence, is left out and its line
// reported; the rest are placed. A script in other characters (Japanese kana
// or kanji, ...) is placed by the pauses and the sentences' lengths and is
// marked approximate. progress may be empty, cancel null; a set cancel flag
// ends the run soon with a cancelled result.
Result alignScript(const std::string& mediaPath, const std::vector<Sentence>& script, const Options& options,
                   const Progress& progress, const std::atomic<bool>* cancel);

}  // namespace qm::align
