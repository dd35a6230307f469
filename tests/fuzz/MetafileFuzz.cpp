// libFuzzer target over the ".ram" metafile reader. Besides crashes and
// sanitizer findings it traps when a property breaks:
// - an entry found is valid UTF-8, not empty, without a line break, blank at
//   neither end, no comment and no "--stop--", and a line of the decoded text;
// - it is what a plain reading gives (split into lines, trimmed code point by
//   code point);
// - comments and blank lines put before the text change nothing.
#include "media/MetafileText.h"
#include "text/TextCodec.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

bool isBlank(char32_t c) {
    return (c >= 9 && c <= 13) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// The code points of valid UTF-8 with where each starts.
std::vector<std::pair<std::size_t, char32_t>> codePoints(std::string_view s) {
    std::vector<std::pair<std::size_t, char32_t>> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
        for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.emplace_back(i, cp);
        i += len;
    }
    return out;
}

std::string trimmedPlainly(std::string_view line) {
    const auto cps = codePoints(line);
    std::size_t first = 0, last = cps.size();
    while (first < last && isBlank(cps[first].second)) ++first;
    while (last > first && isBlank(cps[last - 1].second)) --last;
    if (first == last) return {};
    const std::size_t end = last == cps.size() ? line.size() : cps[last].first;
    return std::string(line.substr(cps[first].first, end - cps[first].first));
}

std::optional<std::string> readPlainly(std::string_view bytes) {
    for (const std::string& line : qm::text::splitLines(qm::text::decode(bytes))) {
        const std::string t = trimmedPlainly(line);
        if (t.empty() || t[0] == '#') continue;
        if (t == "--stop--") return std::nullopt;
        return t;
    }
    return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const std::optional<std::string> entry = qm::media::firstMetafileEntry(input);

    if (entry) {
        const std::string& e = *entry;
        check(!e.empty() && qm::text::isValidUtf8(e));
        check(e.find_first_of("\r\n") == std::string::npos);
        check(e[0] != '#' && e != "--stop--");
        check(trimmedPlainly(e) == e);
        check(qm::text::decode(input).find(e) != std::string::npos);
    }
    check(readPlainly(input) == entry);

    // A byte-order mark only counts at the very start, so it is left out here.
    if (!input.starts_with("\xEF\xBB\xBF")) {
        const std::string led = "# added\r\n \t\r\n\n#\n" + std::string(input);
        check(qm::media::firstMetafileEntry(led) == entry);
    }
    return 0;
}
