#pragma once

#include "core/TranslatableText.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The learner's dictation answers to one block file, and the file that keeps
// them beside it ("lesson.bsd" -> "lesson.dictation.tsv"), so the block file
// itself stays as the old program reads it. Plain C++.
namespace qm::dictation {

// Blocks are numbered 0 .. kMaxBlocks - 1, as in a block file.
inline constexpr int kMaxBlocks = 1000;

// What is kept of one block's answers.
struct BlockAnswer {
    int block = 0;             // from 0 (the file counts from 1)
    int32_t blockStartMs = 0;  // the block's start when last answered: a moved separator shows
    int attempts = 0;          // at least 1
    int latestScore = 0;       // 0 .. 100, of latestAnswer
    int bestScore = 0;         // 0 .. 100, never below latestScore
    std::string latestAnswer;  // as typed, any bytes

    bool operator==(const BlockAnswer&) const = default;
};

// The answers, one record per block answered, in block order. Owns only the
// records: scoring is checkAnswer's, files are the caller's to read and write.
class DictationLog {
public:
    // Counts one attempt at the block: the answer and its score (clamped to
    // 0 .. 100) become the latest, the best score rises when beaten. Returns
    // the block's record, or nullptr for a block outside 0 .. kMaxBlocks - 1
    // (then nothing is recorded).
    const BlockAnswer* addAttempt(int block, int32_t blockStartMs, std::string answer, int score);

    // Takes a whole record as a file holds it. False, with nothing changed,
    // when the block is out of range or already has a record, or the record
    // breaks the rules above.
    bool add(BlockAnswer record);

    // The block's record; nullptr when it was never answered.
    const BlockAnswer* find(int block) const;

    // Drops the block's record (for instance when its note was rewritten); no record, no change.
    void forget(int block);

    const std::vector<BlockAnswer>& answers() const { return answers_; }
    bool empty() const { return answers_.empty(); }

private:
    std::vector<BlockAnswer> answers_;  // ascending by block, one per block
};

// The blocks to drill again: those whose latest score is below 100, lowest
// latest score first (ties: lower best score, then lower block), at most count.
std::vector<BlockAnswer> weakestBlocks(const DictationLog& log, std::size_t count);

// ---- the answers file ----
//
//   QM5 dictation answers<TAB>1
//   block<TAB>start_ms<TAB>attempts<TAB>latest_score<TAB>best_score<TAB>latest_answer
//   1<TAB>0<TAB>3<TAB>75<TAB>100<TAB>The quick brown fox
//
// The first line names the file and its version; the second the columns.
// Then one line per block answered, ascending by block (counted from 1).
// Numbers are decimal digits. In the answer "\" is written "\\", TAB "\t",
// LF "\n", CR "\r", any other control byte and any byte that is not part of
// valid UTF-8 "\xHH"; so every answer comes back byte for byte. Lines end in
// CR LF; the text is encoded with qm::text::encode like the program's other files.

inline constexpr std::string_view kFileSuffix = ".dictation.tsv";
inline constexpr int kFileVersion = 1;

// The answers file for a block file: a ".bsd" extension (any letter case)
// gives way to kFileSuffix; any other name gets kFileSuffix added.
std::string answersPathFor(std::string_view blockFilePath);

// The file's bytes, for qm::files::writeWholeFile.
std::string serialize(const DictationLog& log);

enum class ParseProblem {
    WrongHeader,   // line 1 is not "QM5 dictation answers", TAB, a version
    NewerVersion,  // written by a later version of the program; detail holds it
    WrongColumns,  // line 2 is not the column line
    FieldCount,    // a line without exactly six fields
    BadNumber,     // a number field that is not digits, or out of its range; detail holds it
    BadEscape,     // a "\" in the answer followed by anything but \ t n r xHH
    DuplicateBlock,
};

struct ParseError {
    ParseProblem problem = ParseProblem::WrongHeader;
    int line = 0;  // 1-based
    std::string detail;

    bool operator==(const ParseError&) const = default;
};

// The user's message, in Japanese like the program's others (or as translate
// gives it): "3 行目: ...".
std::string message(const ParseError& error, const Translate& translate = {});

struct ParseResult {
    DictationLog log;  // empty on error: never a part of the file
    std::optional<ParseError> error;

    bool ok() const { return !error; }
};

// Reads the file's bytes; the first faulty line decides the error. An empty
// file has no header and is WrongHeader. Never throws for bad input.
ParseResult parse(std::string_view fileBytes);

}  // namespace qm::dictation
