#include "media/MetafileText.h"

#include "text/TextCodec.h"

#include <cstddef>
#include <cstdint>

namespace qm::media {

namespace {

// The length of the white-space character starting at s[i] in valid UTF-8, 0
// when the character there is none. The same characters a trim of a QString
// drops: tab to CR, space, U+0085, and the Unicode space separators.
std::size_t spaceAt(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = byte(0);
    if (c == ' ' || (c >= '\t' && c <= '\r')) return 1;
    const std::size_t left = s.size() - i;
    if (c == 0xC2 && left >= 2 && (byte(1) == 0x85 || byte(1) == 0xA0)) return 2;  // U+0085, U+00A0
    if (left < 3) return 0;
    if (c == 0xE1 && byte(1) == 0x9A && byte(2) == 0x80) return 3;  // U+1680
    if (c == 0xE2 && byte(1) == 0x80) {
        const unsigned char t = byte(2);
        if (t <= 0x8A || t == 0xA8 || t == 0xA9 || t == 0xAF) return 3;  // U+2000..200A, 2028, 2029, 202F
    }
    if (c == 0xE2 && byte(1) == 0x81 && byte(2) == 0x9F) return 3;  // U+205F
    if (c == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80) return 3;  // U+3000
    return 0;
}

// The start of the last character of s (valid UTF-8, not empty).
std::size_t lastCharacter(std::string_view s) {
    std::size_t i = s.size() - 1;
    while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
    return i;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty()) {
        const std::size_t n = spaceAt(s, 0);
        if (n == 0) break;
        s.remove_prefix(n);
    }
    while (!s.empty()) {
        const std::size_t last = lastCharacter(s);
        if (spaceAt(s, last) != s.size() - last) break;
        s.remove_suffix(s.size() - last);
    }
    return s;
}

}  // namespace

std::optional<std::string> firstMetafileEntry(std::string_view fileBytes) {
    const std::string text = text::decode(fileBytes);
    const std::string_view rest(text);
    std::size_t start = 0;
    while (start < rest.size()) {
        std::size_t end = rest.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = rest.size();
        const std::string_view line = trimmed(rest.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#') continue;
        if (line == "--stop--") return std::nullopt;  // the end of the entries
        return std::string(line);
    }
    return std::nullopt;
}

}  // namespace qm::media
