#include "align/Align.h"

#include "align/Utf8Walk.h"
#include "text/TextCodec.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace qm::align {

namespace {

using utf8::isBlank;

bool isAsciiTerminator(char32_t c) { return c == '.' || c == '?' || c == '!'; }
// 。？！ and the full-width full stop: they end a sentence wherever they stand.
bool isWideTerminator(char32_t c) { return c == 0x3002 || c == 0xFF1F || c == 0xFF01 || c == 0xFF0E; }
bool isCloser(char32_t c) {
    return c == '"' || c == '\'' || c == ')' || c == ']' || c == 0x201D || c == 0x2019 || c == 0x300D ||
           c == 0x300F || c == 0xFF09 || c == 0x3011 || c == 0xBB || c == 0x203A;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Abbreviations whose full stop never ends a sentence: a name or a word follows.
constexpr std::array kTitles = {"mr", "mrs", "ms", "dr", "prof", "st", "mt", "jr", "sr", "vs", "cf", "e.g", "i.e",
                                "fig", "approx", "dept", "gen", "col", "capt", "lt", "sgt", "rev", "hon", "messrs"};
// Abbreviations that end a sentence only when a capital letter follows.
constexpr std::array kMaybeEnd = {"a.m", "p.m", "etc", "inc", "ltd", "co", "no"};

// The word (letters and inner dots) that ends just before text[end].
std::string_view wordBefore(std::string_view text, size_t end) {
    size_t start = end;
    while (start > 0) {
        const char c = text[start - 1];
        if (!std::isalpha(static_cast<unsigned char>(c)) && c != '.') break;
        --start;
    }
    while (start < end && text[start] == '.') ++start;
    return text.substr(start, end - start);
}

// The first character that is no blank from text[i] on; 0 at the end.
char32_t nextVisible(std::string_view text, size_t i) {
    while (i < text.size()) {
        const utf8::Char c = utf8::at(text, i);
        if (!isBlank(c.code)) return c.code;
        i += c.length;
    }
    return 0;
}

bool isUpper(char32_t c) { return (c >= 'A' && c <= 'Z') || c == '"' || c == 0x201C; }

// Whether the full stop at text[dot] (one of a run of terminators, the run
// ending at text[after]) ends the sentence, judged by the word before it and
// what follows.
bool fullStopEnds(std::string_view text, size_t dot, size_t after) {
    if (after - dot >= 3) return isUpper(nextVisible(text, after));  // "..." goes on in lower case
    const std::string word = lower(wordBefore(text, dot));
    if (word.empty()) return true;
    for (const char* t : kTitles)
        if (word == t) return false;
    for (const char* t : kMaybeEnd)
        if (word == t) return isUpper(nextVisible(text, after));
    // An initial (J. Smith), or an acronym with dots (U.S.).
    const char first = wordBefore(text, dot).front();
    if (word.size() == 1 && std::isupper(static_cast<unsigned char>(first))) return false;
    if (word.find('.') != std::string::npos) return isUpper(nextVisible(text, after));
    return true;
}

std::string_view trim(std::string_view s) {
    size_t a = 0, b = s.size();
    while (a < b) {
        const utf8::Char c = utf8::at(s, a);
        if (!isBlank(c.code)) break;
        a += c.length;
    }
    while (b > a) {
        size_t k = b - 1;
        while (k > a && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80) --k;
        if (!isBlank(utf8::at(s, k).code)) break;
        b = k;
    }
    return s.substr(a, b - a);
}

// What the lines of a script show: whether a sentence ends inside a line
// (more text after it), and whether the line ends a sentence.
struct LineShape {
    bool endInside = false;
    bool endsSentence = false;
};

class Splitter {
public:
    std::vector<Sentence> out;

    // One line of the script; its end ends a sentence unless running text
    // goes on to the next line.
    LineShape line(std::string_view text, int number, bool running) {
        LineShape shape;
        size_t i = 0;
        while (i < text.size()) {
            const utf8::Char c = utf8::at(text, i);
            if (!isAsciiTerminator(c.code) && !isWideTerminator(c.code)) {
                take(text.substr(i, c.length), number);
                i += c.length;
                continue;
            }
            // The run of terminators and the closers after it go with the sentence.
            const size_t runStart = i;
            bool wide = false;
            while (i < text.size()) {
                const utf8::Char t = utf8::at(text, i);
                if (!isAsciiTerminator(t.code) && !isWideTerminator(t.code)) break;
                wide = wide || isWideTerminator(t.code);
                i += t.length;
            }
            const size_t runEnd = i;
            while (i < text.size() && isCloser(utf8::at(text, i).code)) i += utf8::at(text, i).length;
            take(text.substr(runStart, i - runStart), number);
            const bool blankAfter = i >= text.size() || isBlank(utf8::at(text, i).code);
            bool ends = wide;
            if (!wide && blankAfter) {
                const bool onlyStops = text.substr(runStart, runEnd - runStart).find_first_not_of('.') ==
                                       std::string_view::npos;
                ends = !onlyStops || fullStopEnds(text, runStart, runEnd);
            }
            if (!ends) continue;
            finish();
            if (!trim(text.substr(i)).empty()) shape.endInside = true;
        }
        shape.endsSentence = trim(pending_).empty();
        if (running && !shape.endsSentence) {
            pending_ += ' ';
        } else {
            finish();
        }
        return shape;
    }

    void finish() {
        const std::string_view t = trim(pending_);
        if (!t.empty()) out.push_back(Sentence{std::string(t), line_});
        pending_.clear();
        line_ = 0;
    }

private:
    void take(std::string_view piece, int number) {
        if (trim(pending_).empty() && trim(piece).empty()) return;
        if (line_ == 0) line_ = number;
        pending_ += piece;
    }

    std::string pending_;
    int line_ = 0;
};

}  // namespace

std::vector<Sentence> splitScript(std::string_view scriptBytes) {
    const std::vector<std::string> lines = text::splitLines(text::decode(scriptBytes));
    // A first look tells one sentence a line from running text wrapped by
    // hand: the latter ends sentences inside lines and leaves many lines
    // unfinished.
    Splitter look;
    size_t filled = 0, unfinished = 0;
    bool endInside = false;
    for (size_t k = 0; k < lines.size(); ++k) {
        if (trim(lines[k]).empty()) continue;
        const LineShape shape = look.line(lines[k], static_cast<int>(k) + 1, false);
        ++filled;
        if (!shape.endsSentence) ++unfinished;
        endInside = endInside || shape.endInside;
    }
    const bool running = endInside && unfinished * 10 >= filled * 3;
    if (!running) return std::move(look.out);

    Splitter s;
    for (size_t k = 0; k < lines.size(); ++k) {
        if (trim(lines[k]).empty()) {
            s.finish();
            continue;
        }
        s.line(lines[k], static_cast<int>(k) + 1, true);
    }
    s.finish();
    return std::move(s.out);
}

}  // namespace qm::align
