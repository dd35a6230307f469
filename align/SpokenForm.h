#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An English sentence as it is spoken: the words a reader says for what the
// script writes, in the lower-case spelling of the pronouncing dictionary.
// Plain C++.
namespace qm::align {

// One written token and the ways it may be read, each a list of words
// ("1999": "nineteen ninety nine" or "one thousand nine hundred ninety nine").
// The first reading is the most likely one.
struct SpokenToken {
    std::string written;                           // as the script has it, punctuation trimmed
    std::vector<std::vector<std::string>> readings;  // never empty, no reading empty
};

// The tokens of sentence as spoken. Numbers, times (9:30), money ($12,
// £3.50), percentages, ordinals (21st), decades (1990s) and the usual
// abbreviations (Mr. Dr. St. e.g. i.e. etc. a.m.) are written out; "&" is
// "and"; hyphens and dashes part words; quotes and punctuation go; accented
// Latin letters lose their accents; a token of other characters is dropped.
std::vector<SpokenToken> spokenForm(std::string_view sentence);

// A whole number in words ("one hundred twenty three"), 0 .. 999 999 999 999;
// withAnd puts the British "and" after the hundreds ("one hundred and five").
std::vector<std::string> cardinalWords(int64_t n, bool withAnd = false);

}  // namespace qm::align
