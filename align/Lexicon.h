#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// How the words of a script are pronounced, in the phones of the acoustic
// model (CMU's ARPAbet without stress: AA AE AH ... ZH). Plain C++.
namespace qm::align {

class Lexicon {
public:
    // The pronunciations of words (lower case): those of the pronouncing
    // dictionary at dictPath (lines "word PH PH ...", variants "word(2) ..."),
    // and for each word it lacks one made by espeak-ng from the spelling, its
    // phonemes mapped to the model's (letter rules when espeak-ng cannot
    // help). Words are kept as given in writtenForms when one is there, so
    // espeak-ng sees "BBC" rather than "bbc". Reads the dictionary once, line
    // by line, keeping only what is asked for. Nothing when the dictionary
    // cannot be read; error says why.
    static std::optional<Lexicon> load(const std::string& dictPath, const std::set<std::string>& words,
                                       const std::map<std::string, std::string>& writtenForms, std::string& error);

    // The pronunciations of word, the dictionary's first; empty for a word not asked for.
    const std::vector<std::string>& pronunciations(const std::string& word) const;
    // The words the dictionary lacked, which got a made-up pronunciation.
    const std::vector<std::string>& guessedWords() const { return guessed_; }

    // espeak-ng's phonemes for text (its own ASCII names, | between phonemes
    // and a blank between words) in the model's phones; letter rules when
    // espeak-ng is not to be had. Never empty for a text with a letter.
    static std::string guessPronunciation(std::string_view written);
    // espeak-ng's phoneme names mapped to the model's phones; unknown names are left out.
    static std::string mapEspeakPhonemes(std::string_view espeakPhonemes);

private:
    std::map<std::string, std::vector<std::string>> prons_;
    std::vector<std::string> guessed_;
};

}  // namespace qm::align
