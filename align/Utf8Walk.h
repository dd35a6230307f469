#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Stepping through UTF-8 text one character at a time, for the script's
// sentences and words. The text comes from text::decode and is valid UTF-8;
// a stray byte is taken as a character of its own.
namespace qm::align::utf8 {

// The character starting at text[i] and its length in bytes (at least 1).
struct Char {
    char32_t code = 0;
    size_t length = 1;
};

inline Char at(std::string_view text, size_t i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = b(i);
    const auto continuation = [&](size_t count) {
        for (size_t k = 1; k <= count; ++k)
            if (i + k >= text.size() || (b(i + k) & 0xC0) != 0x80) return false;
        return true;
    };
    if (c < 0x80) return {c, 1};
    if ((c & 0xE0) == 0xC0 && continuation(1)) return {static_cast<char32_t>(((c & 0x1F) << 6) | (b(i + 1) & 0x3F)), 2};
    if ((c & 0xF0) == 0xE0 && continuation(2))
        return {static_cast<char32_t>(((c & 0x0F) << 12) | ((b(i + 1) & 0x3F) << 6) | (b(i + 2) & 0x3F)), 3};
    if ((c & 0xF8) == 0xF0 && continuation(3))
        return {static_cast<char32_t>(((c & 0x07) << 18) | ((b(i + 1) & 0x3F) << 12) | ((b(i + 2) & 0x3F) << 6) |
                                      (b(i + 3) & 0x3F)),
                4};
    return {0xFFFD, 1};
}

inline void append(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Blanks: ASCII white space, the no-break space and the ideographic space.
inline bool isBlank(char32_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == 0xA0 || c == 0x3000;
}

// Kana, CJK ideographs and Hangul: script the English model cannot hear.
inline bool isEastAsian(char32_t c) {
    return (c >= 0x3040 && c <= 0x30FF) ||   // hiragana, katakana
           (c >= 0x3400 && c <= 0x4DBF) ||   // CJK extension A
           (c >= 0x4E00 && c <= 0x9FFF) ||   // CJK unified ideographs
           (c >= 0xF900 && c <= 0xFAFF) ||   // compatibility ideographs
           (c >= 0xFF66 && c <= 0xFF9F) ||   // half-width katakana
           (c >= 0xAC00 && c <= 0xD7AF) ||   // Hangul syllables
           (c >= 0x20000 && c <= 0x2FFFF);   // ideographs beyond the BMP
}

}  // namespace qm::align::utf8
