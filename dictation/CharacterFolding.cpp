#include "dictation/CharacterFolding.h"

#include <algorithm>
#include <iterator>

namespace qm::dictation::detail {

namespace {

struct Decomposition {
    char32_t from;
    char32_t to[4];  // 0 ends the list
};

struct LowerRun {
    char32_t first;
    char32_t last;
    int stride;  // 1 or 2: every code point of the run, or every other one
    int delta;   // lower case = code point + delta
};

#include "dictation/UnicodeTables.inc"

char32_t toLower(char32_t cp) {
    if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    if (cp == 0x03C2) return 0x03C3;  // final sigma compares as sigma
    const auto* end = std::end(kLowerRuns);
    auto it = std::upper_bound(std::begin(kLowerRuns), end, cp,
                               [](char32_t c, const LowerRun& r) { return c < r.first; });
    if (it == std::begin(kLowerRuns)) return cp;
    --it;
    if (cp > it->last || (cp - it->first) % static_cast<char32_t>(it->stride) != 0) return cp;
    return static_cast<char32_t>(static_cast<int64_t>(cp) + it->delta);
}

bool in(char32_t cp, char32_t lo, char32_t hi) { return cp >= lo && cp <= hi; }

}  // namespace

CodePoint nextCodePoint(std::string_view text, std::size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + offset;
    const std::size_t left = text.size() - offset;
    const unsigned char c = p[0];
    if (c < 0x80) return {c, 1};
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return {0xFFFD, 1};
    }
    if (left < len || p[1] < lo || p[1] > hi) return {0xFFFD, 1};
    for (std::size_t k = 1; k < len; ++k) {
        if (k > 1 && (p[k] < 0x80 || p[k] > 0xBF)) return {0xFFFD, 1};
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    return {cp, len};
}

void appendUtf8(std::string& out, char32_t cp) {
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

CharRole roleOf(char32_t cp) {
    if (cp < 0x80) {
        if (cp == '\'') return CharRole::Apostrophe;
        if ((cp >= '0' && cp <= '9') || (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z'))
            return CharRole::Letter;
        if (cp <= 0x20 || cp == 0x7F) return CharRole::Space;
        return CharRole::Punctuation;
    }
    if (cp <= 0xA0 || cp == 0x1680 || in(cp, 0x2000, 0x200B) || cp == 0x2028 || cp == 0x2029 ||
        cp == 0x202F || cp == 0x205F || cp == 0x3000 || cp == 0xFEFF)
        return CharRole::Space;
    if (cp == 0x2018 || cp == 0x2019 || cp == 0x02BC || cp == 0xFF07) return CharRole::Apostrophe;
    if (cp == 0x00AD || in(cp, 0x200C, 0x200F) || in(cp, 0x202A, 0x202E) || in(cp, 0x2060, 0x2069) ||
        in(cp, 0xFE00, 0xFE0F) || in(cp, 0xE0100, 0xE01EF))
        return CharRole::Ignorable;
    if (in(cp, 0x0300, 0x036F) || in(cp, 0x0483, 0x0489) || in(cp, 0x1AB0, 0x1AFF) ||
        in(cp, 0x1DC0, 0x1DFF) || in(cp, 0x20D0, 0x20FF) || in(cp, 0xFE20, 0xFE2F) ||
        in(cp, 0x3099, 0x309A) || in(cp, 0x302A, 0x302F))
        return CharRole::Mark;
    if (in(cp, 0x00A1, 0x00BF)) {
        // ª µ º are letters; ¹ ² ³ ¼ ½ ¾ numbers.
        if (cp == 0xAA || cp == 0xB5 || cp == 0xBA || cp == 0xB2 || cp == 0xB3 || cp == 0xB9 ||
            in(cp, 0xBC, 0xBE))
            return CharRole::Letter;
        return CharRole::Punctuation;
    }
    if (cp == 0xD7 || cp == 0xF7 || in(cp, 0x2010, 0x2027) || in(cp, 0x2030, 0x205E) ||
        in(cp, 0x20A0, 0x20CF) || in(cp, 0x2190, 0x245F) || in(cp, 0x2500, 0x2BFF) ||
        in(cp, 0x2E00, 0x2E7F) || in(cp, 0x3001, 0x3004) || in(cp, 0x3008, 0x3020) || cp == 0x3030 ||
        in(cp, 0x303D, 0x303F) || cp == 0x30A0 || cp == 0x30FB || in(cp, 0xFE10, 0xFE1F) ||
        in(cp, 0xFE30, 0xFE6F) || in(cp, 0xFF01, 0xFF0F) || in(cp, 0xFF1A, 0xFF20) ||
        in(cp, 0xFF3B, 0xFF40) || in(cp, 0xFF5B, 0xFF65) || in(cp, 0x1F000, 0x1FAFF))
        return CharRole::Punctuation;
    if (in(cp, 0x2E80, 0x2FDF) || in(cp, 0x3005, 0x3007) || in(cp, 0x3021, 0x3029) ||
        in(cp, 0x3031, 0x3035) || in(cp, 0x3038, 0x303C) || in(cp, 0x3041, 0x309F) ||
        in(cp, 0x30A1, 0x30FF) || in(cp, 0x3100, 0x312F) || in(cp, 0x31A0, 0x31BF) ||
        in(cp, 0x31F0, 0x31FF) || in(cp, 0x3400, 0x4DBF) || in(cp, 0x4E00, 0x9FFF) ||
        in(cp, 0xF900, 0xFAFF) || in(cp, 0xFF66, 0xFF9F) || in(cp, 0x20000, 0x3FFFF))
        return CharRole::Unspaced;
    return CharRole::Letter;
}

int fold(char32_t cp, char32_t out[4]) {
    int n = 1;
    out[0] = cp;
    if (cp >= 0xC0) {
        const auto* end = std::end(kDecompositions);
        const auto* it = std::lower_bound(std::begin(kDecompositions), end, cp,
                                          [](const Decomposition& d, char32_t c) { return d.from < c; });
        if (it != end && it->from == cp) {
            n = 0;
            while (n < 4 && it->to[n] != 0) {
                out[n] = it->to[n];
                ++n;
            }
        }
    }
    for (int i = 0; i < n; ++i) out[i] = toLower(out[i]);
    return n;
}

}  // namespace qm::dictation::detail
