#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What the answer check knows of characters: how a code point compares and
// what part it plays in a text. Internal to the dictation library; tables
// generated from Unicode's data by make-unicode-tables.py.
namespace qm::dictation::detail {

// One code point read from UTF-8: a byte that starts no valid sequence reads
// as U+FFFD and takes one byte.
struct CodePoint {
    char32_t value;
    std::size_t length;  // bytes taken, at least 1
};
CodePoint nextCodePoint(std::string_view text, std::size_t offset);

void appendUtf8(std::string& out, char32_t cp);

// What a (folded) code point does in a text.
enum class CharRole {
    Space,       // separates words
    Punctuation, // separates words and is not compared
    Apostrophe,  // dropped inside a word, separating nothing: "don't" compares as "dont"
    Ignorable,   // dropped: soft hyphen, zero-width joiners, variation selectors
    Mark,        // a combining mark: part of the character before it
    Unspaced,    // kanji, kana and other text written without spaces: a token each
    Letter,      // letters and digits of text written with spaces
};
CharRole roleOf(char32_t cp);

// Up to four code points a code point compares as: canonical decomposition
// (é as e and U+0301, が as か and U+3099), full-width and half-width forms as
// their ordinary forms (Ａ as A, ｶ as カ, the ideographic space as a space),
// then lower case (Unicode's simple lower-case mapping, final sigma as sigma).
// Returns how many were written to out.
int fold(char32_t cp, char32_t out[4]);

}  // namespace qm::dictation::detail
