#include "transcript/CueText.h"

#include <cstdint>

namespace qm::transcript::detail {

namespace {

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The character a WebVTT reference at s[0] == '&' stands for, and its length;
// nothing for an unknown or broken one, which then stays as written.
bool decodeReference(std::string_view s, std::string& out, size_t& length) {
    const size_t semi = s.find(';');
    if (semi == std::string_view::npos || semi > 12) return false;
    const std::string_view name = s.substr(1, semi - 1);
    length = semi + 1;
    struct Named {
        std::string_view name;
        std::string_view text;
    };
    static constexpr Named kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"},
        {"nbsp", "\u00A0"}, {"lrm", ""}, {"rlm", ""},
    };
    for (const auto& n : kNamed) {
        if (name == n.name) {
            out += n.text;
            return true;
        }
    }
    if (name.size() < 2 || name[0] != '#') return false;
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 6) return false;
    uint32_t cp = 0;
    for (char c : digits) {
        int d = -1;
        if (isDigit(c)) d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return false;
        cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
    }
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    appendUtf8(out, cp);
    return true;
}

// The tag's name, lower-case ASCII: "rt" for "<rt>", "/rt" for "</rt>".
std::string tagName(std::string_view tag) {
    std::string name;
    for (size_t i = 1; i < tag.size(); ++i) {
        const char c = tag[i];
        if (!(isAsciiLetter(c) || (c == '/' && i == 1))) break;
        name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return name;
}

bool startsTag(std::string_view s, size_t i, Markup markup) {
    if (i + 1 >= s.size()) return false;
    const char next = s[i + 1];
    if (markup == Markup::Lrc) return isDigit(next);
    return isAsciiLetter(next) || next == '/' || isDigit(next);
}

}  // namespace

std::string stripMarkup(std::string_view line, Markup markup) {
    std::string out;
    out.reserve(line.size());
    // Inside <rt> or <rp> of a WebVTT ruby: the reading, not the text.
    bool inReading = false;
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == '<' && startsTag(line, i, markup)) {
            const size_t close = line.find('>', i);
            if (close != std::string_view::npos) {
                const std::string name = tagName(line.substr(i, close - i));
                if (markup == Markup::WebVtt) {
                    if (name == "rt" || name == "rp") inReading = true;
                    if (name == "/rt" || name == "/rp" || name == "/ruby") inReading = false;
                }
                i = close + 1;
                continue;
            }
        }
        if (c == '{' && markup == Markup::SubRip && i + 1 < line.size() && line[i + 1] == '\\') {
            const size_t close = line.find('}', i);
            if (close != std::string_view::npos) {
                i = close + 1;
                continue;
            }
        }
        if (inReading) {
            ++i;
            continue;
        }
        size_t length = 0;
        if (c == '&' && markup == Markup::WebVtt && decodeReference(line.substr(i), out, length)) {
            i += length;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

std::string_view trimmed(std::string_view s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

std::string noteFromLines(const std::vector<std::string_view>& lines, Markup markup) {
    std::string note;
    for (const auto line : lines) {
        const std::string stripped = stripMarkup(line, markup);
        const std::string_view part = trimmed(stripped);
        if (part.empty()) continue;
        if (!note.empty()) note += ' ';
        note += part;
    }
    return note;
}

std::string clipped(std::string_view s) {
    constexpr size_t kMax = 80;
    if (s.size() <= kMax) return std::string(s);
    size_t cut = kMax;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    return std::string(s.substr(0, cut)) + "...";
}

std::string oneLine(std::string_view note) {
    std::string out(note);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace qm::transcript::detail
