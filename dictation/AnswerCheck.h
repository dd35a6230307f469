#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The dictation check: the learner's answer compared with a block's note.
// Plain C++; texts are UTF-8 (a byte that is not valid UTF-8 reads as U+FFFD).
namespace qm::dictation {

// One unit of comparison: a word of text written with spaces, or a single
// character of text written without them (kanji, kana, and other CJK).
struct Token {
    std::string text;        // as written in the source, punctuation around it left out
    std::string key;         // what is compared (see tokenize)
    std::size_t offset = 0;  // byte offset of text in the source

    bool operator==(const Token&) const = default;
};

// Splits a text into tokens. Spaces and punctuation separate words and are
// not compared; apostrophes inside a word are dropped ("don't" compares as
// "dont"); letter case is ignored (Unicode's simple lower case, so É = é,
// Ω = ω); full-width letters and digits compare as ordinary ones (Ａ = a,
// ２ = 2), half-width katakana as full-width (ｶﾞ = ガ); a precomposed letter
// equals the same letter typed with combining marks (é = e + U+0301, が =
// か + U+3099). Accents are not ignored: "café" and "cafe" differ. Each kanji
// or kana is a token of its own, so "私はJohnです" is 私, は, John, で, す.
// An empty or all-punctuation text gives no token.
std::vector<Token> tokenize(std::string_view text);

enum class Mark {
    Correct,  // in the reference and in the answer
    Missing,  // in the reference, not in the answer
    Wrong,    // the answer has another token in its place
    Extra,    // in the answer only
};

// One step of the comparison, in reading order, ready to be shown in colour.
struct MarkedToken {
    Mark mark = Mark::Correct;
    std::string reference;  // the reference's token as written; empty for Extra
    std::string answer;     // the answer's token as typed; empty for Missing
    // Byte offsets of the tokens in the texts given to checkAnswer. Where a
    // side has no token (Extra in the reference, Missing in the answer), the
    // offset where it would stand: that of that side's next token, or the
    // text's size at its end.
    std::size_t referenceOffset = 0;
    std::size_t answerOffset = 0;

    bool operator==(const MarkedToken&) const = default;
};

struct CheckResult {
    std::vector<MarkedToken> tokens;
    int correct = 0;
    int missing = 0;
    int wrong = 0;
    int extra = 0;
    // correct / (reference tokens + extra tokens) in percent, rounded down,
    // where reference tokens = correct + missing + wrong: so only a perfect
    // answer scores 100 and extra words cost as much as missing ones. Both
    // texts without tokens score 100.
    int score = 100;
};

// The most tokens of each side that are compared; a longer note or answer is
// compared up to there, and its remaining tokens are counted missing (of the
// reference) and extra (of the answer), in that order at the end.
inline constexpr std::size_t kMaxComparedTokens = 1000;

// Compares the answer with the reference token by token (a shortest edit
// script from dtl). Within a stretch between two matching tokens, the
// reference's tokens and the answer's pair up in order as Wrong; what is left
// over is Missing (reference) or Extra (answer), after the pairs.
CheckResult checkAnswer(std::string_view reference, std::string_view answer);

}  // namespace qm::dictation
