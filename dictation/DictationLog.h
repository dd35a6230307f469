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

// Seconds since 1970-01-01T00:00:00Z (UTC). 0 stands for an unknown time:
// an answer carried over from a version 1 file, or recorded by a caller that
// gives no time. Times run up to the end of year 9999.
inline constexpr int64_t kUnknownTime = 0;
inline constexpr int64_t kLatestTime = 253402300799;  // 9999-12-31T23:59:59Z

// One dictation check of one block.
struct Attempt {
    int block = 0;             // from 0 (the file counts from 1)
    int32_t blockStartMs = 0;  // the block's start when answered
    int64_t time = kUnknownTime;
    int score = 0;             // 0 .. 100
    std::string answer;        // as typed, any bytes

    bool operator==(const Attempt&) const = default;
};

// Attempts a version 1 file counted but did not keep: how many, and the best
// score among them and the kept one. Only the count and the best are known.
struct EarlierAttempts {
    int count = 0;
    int bestScore = 0;

    bool operator==(const EarlierAttempts&) const = default;
};

// What is kept of one block's answers: a summary of its attempts.
struct BlockAnswer {
    int block = 0;             // from 0 (the file counts from 1)
    int32_t blockStartMs = 0;  // the block's start when last answered: a moved separator shows
    int attempts = 0;          // at least 1
    int latestScore = 0;       // 0 .. 100, of latestAnswer
    int bestScore = 0;         // 0 .. 100, never below latestScore
    std::string latestAnswer;  // as typed, any bytes

    bool operator==(const BlockAnswer&) const = default;
};

// What joinAt moved, for unjoin to move back.
struct JoinedBlocks {
    int block = 0;                   // the block kept; block + 1 was joined into it
    std::vector<Attempt> moved;      // block + 1's attempts, as they were
    EarlierAttempts keptEarlier;     // the two blocks' earlier attempts before the join
    EarlierAttempts movedEarlier;
};

// Every attempt at every block, and a summary per block answered (answers(),
// find()), in block order. Owns only the attempts: scoring is checkAnswer's,
// files are the caller's to read and write, the clock is the caller's.
//
// The lesson's edits reach the log through splitAt, joinAt and unjoin, each
// undone exactly by another (the log serializes to the same bytes again):
// splitAt(k) by joinAt(k), joinAt(k) by unjoin of what it returned. A moved
// separator changes no block's number, so the log stays as it is (each
// attempt keeps the start it was answered at). A lesson replaced wholesale is
// the caller's choice: keep the attempts by block number, or clear().
class DictationLog {
public:
    // Records one attempt at the block: the answer and its score (clamped to
    // 0 .. 100) at the given time (kUnknownTime when the caller has none).
    // Attempts stay in time order; one at the same time as others goes after
    // them. Returns the block's summary, or nullptr for a block outside
    // 0 .. kMaxBlocks - 1 or a time outside 0 .. kLatestTime (then nothing is
    // recorded).
    const BlockAnswer* addAttempt(int block, int32_t blockStartMs, std::string answer, int score,
                                  int64_t time = kUnknownTime);

    // Takes a whole version 1 record as a file holds it: its latest answer
    // becomes an attempt at an unknown time, the rest of its count and its
    // best score the block's earlier attempts. False, with nothing changed,
    // when the block is out of range or already has attempts, or the record
    // breaks the rules above.
    bool add(BlockAnswer record);

    // Takes attempts as a file holds them, any number at once, in any order
    // (each block's then kept in time order, those at the same time in the
    // order given, after any already kept). False, with nothing changed, when
    // one has a block, time, start or score out of range.
    bool add(std::vector<Attempt> attempts);

    // Sets the block's earlier attempts as a file holds them (count and best
    // score 0 each: none). False, with nothing changed, for a block out of
    // range, a negative count or a score outside 0 .. 100.
    bool setEarlier(int block, EarlierAttempts earlier);

    // The block's summary; nullptr when it has no attempt.
    const BlockAnswer* find(int block) const;

    // The block's attempts in time order; empty when it has none.
    const std::vector<Attempt>& attempts(int block) const;

    // The block's attempts carried over from a version 1 file beyond its
    // kept ones; zero count and score when none.
    EarlierAttempts earlier(int block) const;

    // Drops the block's attempts and earlier count (for instance when its
    // note was rewritten); none, no change.
    void forget(int block);

    // Drops everything.
    void clear();

    // Block k cut in two: k keeps its attempts, every later block's move up
    // one. False, with nothing changed, when k is outside 0 .. kMaxBlocks - 2
    // or the last block, kMaxBlocks - 1, has attempts (it would fall off).
    bool splitAt(int block);

    // Blocks k and k + 1 made one: k + 1's attempts (and earlier count) go to
    // k, every later block's move down one. Returns what unjoin needs to undo
    // it; nullopt, with nothing changed, when k is outside 0 .. kMaxBlocks - 2.
    std::optional<JoinedBlocks> joinAt(int block);

    // Undoes joinAt: the moved attempts still on the block go back to block
    // + 1, later blocks' move up one; attempts recorded since stay on the
    // block. False, with nothing changed, when the last block has attempts.
    bool unjoin(const JoinedBlocks& joined);

    const std::vector<BlockAnswer>& answers() const { return answers_; }
    bool empty() const { return history_.empty(); }

private:
    struct History {
        int block = 0;
        EarlierAttempts earlier;
        std::vector<Attempt> attempts;  // time order
    };

    History& historyOf(int block);
    void shiftFrom(int block, int by);
    void summarize(int block);

    std::vector<History> history_;      // ascending by block, one per block with anything kept
    std::vector<BlockAnswer> answers_;  // ascending by block, one per block with attempts
};

// The blocks to drill again: those whose latest score is below 100, lowest
// latest score first (ties: lower best score, then lower block), at most count.
std::vector<BlockAnswer> weakestBlocks(const DictationLog& log, std::size_t count);

// ---- the answers file ----
//
//   QM5 dictation answers<TAB>2
//   block<TAB>start_ms<TAB>time<TAB>score<TAB>attempts<TAB>answer
//   1<TAB>0<TAB>earlier<TAB>100<TAB>2<TAB>
//   1<TAB>0<TAB>-<TAB>75<TAB>1<TAB>The quick brown fox
//   1<TAB>0<TAB>2026-12-09T10:15:00Z<TAB>90<TAB>1<TAB>The quick brown fox.
//   3<TAB>4500<TAB>2026-12-09T10:16:30Z<TAB>40<TAB>1<TAB>jumps over
//
// The first line names the file and its version; the second the columns.
// Then one line per attempt, ascending by block (counted from 1), each
// block's in time order: the block's start when answered, the time in UTC
// (ISO 8601, to the second; "-" when unknown), the score, 1, the answer.
// A line whose time is "earlier" stands for attempts a version 1 file counted
// but did not keep: "attempts" says how many (0 or more), score the best of
// them and the block's kept one; it comes first in its block, at most once,
// and its start and answer are written 0 and empty and not read. A reader
// takes the lines in any order (attempts at the same time keep theirs).
// Numbers are decimal digits. In the answer "\" is written "\\", TAB "\t",
// LF "\n", CR "\r", any other control byte and any byte that is not part of
// valid UTF-8 "\xHH"; so every answer comes back byte for byte. Lines end in
// CR LF; the text is encoded with qm::text::encode like the program's other files.
//
// Version 1, still read (written since as version 2):
//
//   QM5 dictation answers<TAB>1
//   block<TAB>start_ms<TAB>attempts<TAB>latest_score<TAB>best_score<TAB>latest_answer
//   1<TAB>0<TAB>3<TAB>75<TAB>100<TAB>The quick brown fox
//
// one line per block answered, in any order; each becomes what add() makes
// of it, so the first example above is the second written again, and the
// block's summary (attempts, latest, best, answer) stays the same.

inline constexpr std::string_view kFileSuffix = ".dictation.tsv";
inline constexpr int kFileVersion = 2;

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
    BadNumber,     // a number or time field that is not digits (a time: ISO 8601 UTC, "-" or
                   // "earlier"), or out of its range; detail holds it
    BadEscape,     // a "\" in the answer followed by anything but \ t n r xHH
    DuplicateBlock,  // version 1: a block's second line; version 2: its second "earlier" line
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
