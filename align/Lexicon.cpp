#include "align/Lexicon.h"

#include "files/WholeFile.h"

#include <espeak-ng/speak_lib.h>

#include <cctype>
#include <mutex>
#include <sstream>

namespace qm::align {

namespace {

// The dictionary is some 3 MB; anything far bigger is no dictionary.
constexpr size_t kMaxDictionaryBytes = 64 << 20;

// espeak-ng keeps all its state in globals: one caller at a time, set up once.
std::mutex espeakMutex;
bool espeakReady = false;
bool espeakTried = false;

bool setUpEspeak() {
    if (espeakTried) return espeakReady;
    espeakTried = true;
    // Synchronous and without a sound device: only its phonemes are asked for.
    if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT) <= 0) return false;
    espeakReady = espeak_SetVoiceByName("en-us") == EE_OK;
    return espeakReady;
}

// espeak-ng's English phoneme names and the model's phones for them. Stress
// and length marks are taken off first.
const std::map<std::string, std::string>& espeakToModel() {
    static const std::map<std::string, std::string> table = {
        {"a", "AE"},    {"a#", "AH"},     {"aa", "AE"},     {"A:", "AA"},   {"A@", "AA R"},  {"A~", "AA N"},
        {"aI", "AY"},   {"aI3", "AY ER"}, {"aI@", "AY ER"}, {"aU", "AW"},   {"aU@", "AW ER"}, {"@", "AH"},
        {"@-", "AH"},   {"@2", "AH"},     {"@5", "AH"},     {"@L", "AH L"}, {"3", "ER"},     {"3:", "ER"},
        {"e", "EH"},    {"E", "EH"},      {"E2", "EH"},     {"E3", "EH"},   {"e@", "EH R"},  {"eI", "EY"},
        {"i", "IY"},    {"I", "IH"},      {"I2", "IH"},     {"I#", "IH"},   {"i:", "IY"},    {"i@", "IY AH"},
        {"i@3", "IH R"}, {"0", "AA"},     {"O", "AO"},      {"O:", "AO"},   {"O2", "AO"},    {"O@", "AO R"},
        {"o@", "AO R"}, {"OI", "OY"},     {"oU", "OW"},     {"u:", "UW"},   {"u", "UW"},     {"U", "UH"},
        {"U@", "UH R"}, {"V", "AH"},      {"b", "B"},       {"d", "D"},     {"f", "F"},      {"g", "G"},
        {"h", "HH"},    {"j", "Y"},       {"k", "K"},       {"l", "L"},     {"m", "M"},      {"n", "N"},
        {"N", "NG"},    {"p", "P"},       {"r", "R"},       {"r-", "ER"},   {"s", "S"},      {"S", "SH"},
        {"t", "T"},     {"T", "TH"},      {"D", "DH"},      {"v", "V"},     {"w", "W"},      {"z", "Z"},
        {"Z", "ZH"},    {"tS", "CH"},     {"dZ", "JH"},     {"t#", "T"},    {"t2", "T"},     {"d#", "D"},
        {"n-", "AH N"}, {"l-", "AH L"},   {"l#", "L"},      {"?", "T"},     {"x", "K"},      {"C", "HH"},
    };
    return table;
}

// Crude letter rules, for when espeak-ng cannot be had: some sound is better
// than a word left out of the grammar.
std::string letterRules(std::string_view word) {
    static const std::pair<const char*, const char*> digraphs[] = {
        {"th", "TH"}, {"sh", "SH"}, {"ch", "CH"}, {"ph", "F"}, {"ng", "NG"}, {"ck", "K"},
        {"ee", "IY"}, {"ea", "IY"}, {"oo", "UW"}, {"ou", "AW"}, {"ai", "EY"}, {"qu", "K W"}};
    static const char* letters[26] = {"AE", "B", "K", "D", "EH", "F", "G", "HH", "IH", "JH", "K", "L", "M",
                                      "N",  "AA", "P", "K", "R", "S", "T", "AH", "V", "W", "K S", "Y", "Z"};
    std::string out;
    const auto add = [&](const char* phones) {
        if (!out.empty()) out += ' ';
        out += phones;
    };
    char previous = 0;
    for (size_t i = 0; i < word.size();) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(word[i])));
        bool matched = false;
        for (const auto& [spelling, phones] : digraphs) {
            if (word.substr(i, 2).size() == 2 && std::tolower(static_cast<unsigned char>(word[i + 1])) == spelling[1] &&
                c == spelling[0]) {
                add(phones);
                i += 2;
                matched = true;
                break;
            }
        }
        if (matched) {
            previous = 0;
            continue;
        }
        if (c >= 'a' && c <= 'z' && c != previous) add(letters[c - 'a']);
        previous = c;
        ++i;
    }
    return out;
}

}  // namespace

std::string Lexicon::mapEspeakPhonemes(std::string_view espeakPhonemes) {
    std::string out;
    std::string name;
    const auto flush = [&] {
        std::string bare;
        for (char c : name)
            if (c != '\'' && c != ',' && c != '=' && c != '%' && c != '_') bare += c;
        name.clear();
        const auto it = espeakToModel().find(bare);
        if (it == espeakToModel().end()) return;
        if (!out.empty()) out += ' ';
        out += it->second;
    };
    for (char c : espeakPhonemes) {
        if (c == '|' || c == ' ' || c == '\n') {
            flush();
        } else {
            name += c;
        }
    }
    flush();
    return out;
}

std::string Lexicon::guessPronunciation(std::string_view written) {
    std::string phonemes;
    {
        const std::lock_guard<std::mutex> lock(espeakMutex);
        if (setUpEspeak()) {
            const std::string text(written);
            const void* at = text.c_str();
            // One call per clause; the text is one word, but it may hold a mark.
            while (at != nullptr) {
                const char* ph = espeak_TextToPhonemes(&at, espeakCHARS_UTF8, '|' << 8);
                if (ph == nullptr) break;
                if (!phonemes.empty()) phonemes += ' ';
                phonemes += ph;
            }
        }
    }
    std::string mapped = mapEspeakPhonemes(phonemes);
    if (mapped.empty()) mapped = letterRules(written);
    return mapped;
}

std::optional<Lexicon> Lexicon::load(const std::string& dictPath, const std::set<std::string>& words,
                                     const std::map<std::string, std::string>& writtenForms, std::string& error) {
    const files::ReadResult read = files::readWholeFile(dictPath, kMaxDictionaryBytes);
    if (read.error) {
        error = "the pronouncing dictionary " + read.error->path + " cannot be read: " + read.error->reason;
        return std::nullopt;
    }
    Lexicon lex;
    std::string_view text = read.bytes;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const size_t blank = line.find(' ');
        if (blank == std::string_view::npos || blank == 0) continue;
        std::string_view word = line.substr(0, blank);
        // Variants are "word(2)"; they join the word's own list.
        if (word.back() == ')') {
            const size_t open = word.rfind('(');
            if (open == std::string_view::npos || open == 0) continue;
            word = word.substr(0, open);
        }
        const std::string key(word);
        if (!words.count(key)) continue;
        std::string_view phones = line.substr(blank + 1);
        while (!phones.empty() && (phones.back() == '\r' || phones.back() == ' ')) phones.remove_suffix(1);
        if (!phones.empty()) lex.prons_[key].emplace_back(phones);
    }
    if (lex.prons_.empty() && !words.empty() && read.bytes.find(' ') == std::string::npos) {
        error = "the pronouncing dictionary " + dictPath + " holds no words";
        return std::nullopt;
    }
    for (const std::string& w : words) {
        if (lex.prons_.count(w)) continue;
        const auto written = writtenForms.find(w);
        const std::string guess = guessPronunciation(written == writtenForms.end() ? w : written->second);
        if (guess.empty()) continue;
        lex.prons_[w].push_back(guess);
        lex.guessed_.push_back(w);
    }
    return lex;
}

const std::vector<std::string>& Lexicon::pronunciations(const std::string& word) const {
    static const std::vector<std::string> none;
    const auto it = prons_.find(word);
    return it == prons_.end() ? none : it->second;
}

}  // namespace qm::align
