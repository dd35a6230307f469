#include "text/TextCodec.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace qm::text {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr const char* kAnsi = "CP932";
constexpr const char* kUtf8 = "UTF-8";

// Owns one iconv descriptor; iconv keeps shift state in it, so it is used by
// one thread at a time.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`. With `replaceBad`, input bytes that do not convert
    // become U+FFFD (the target must be UTF-8); without it any such byte, and
    // any conversion iconv counts as irreversible, fails the whole conversion.
    bool convert(std::string_view in, std::string& out, bool replaceBad) {
        out.clear();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // whatever an earlier failure left
        char* inPtr = const_cast<char*>(in.data());  // iconv does not write through it
        size_t inLeft = in.size();
        size_t used = 0;
        out.resize(in.size() * 2 + 16);
        for (;;) {
            char* outPtr = out.data() + used;
            size_t outLeft = out.size() - used;
            const size_t rc = inLeft == 0 ? iconv(cd_, nullptr, nullptr, &outPtr, &outLeft)
                                          : iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            const int err = errno;
            used = out.size() - outLeft;
            if (rc != static_cast<size_t>(-1)) {
                if (rc != 0 && !replaceBad) return false;  // something was approximated
                if (inLeft == 0) break;                    // flushed: done
                continue;
            }
            if (err == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            if ((err != EILSEQ && err != EINVAL) || !replaceBad) return false;
            // EILSEQ: a byte that starts no character here; EINVAL: the text
            // ends inside a character. Either way one byte is given up.
            if (out.size() - used < kReplacement.size()) out.resize(out.size() * 2);
            out.replace(used, kReplacement.size(), kReplacement);
            used += kReplacement.size();
            ++inPtr;
            --inLeft;
        }
        out.resize(used);
        return true;
    }

private:
    iconv_t cd_;
};

// The length of the well-formed UTF-8 sequence of a character of 2 to 4 bytes
// starting at p[i] (p[i] >= 0x80), or 0 when none starts there.
size_t sequenceLength(const unsigned char* p, size_t i, size_t n) {
    const unsigned char c = p[i];
    size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0) lo = 0xA0;  // overlong below U+0800
        if (c == 0xED) hi = 0x9F;  // surrogates U+D800..U+DFFF
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0) lo = 0x90;  // overlong below U+10000
        if (c == 0xF4) hi = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;  // continuation byte, C0/C1 overlongs, F5..FF
    }
    if (n - i < len) return 0;
    if (p[i + 1] < lo || p[i + 1] > hi) return 0;
    for (size_t k = 2; k < len; ++k)
        if (p[i + k] < 0x80 || p[i + k] > 0xBF) return 0;
    return len;
}

// The end of the run of ASCII bytes starting at p[i], eight at a time.
size_t asciiRunEnd(const unsigned char* p, size_t i, size_t n) {
    constexpr uint64_t kHighBits = 0x8080808080808080ULL;
    for (uint64_t w = 0; n - i >= sizeof w; i += sizeof w) {
        std::memcpy(&w, p + i, sizeof w);
        if (w & kHighBits) break;
    }
    while (i < n && p[i] < 0x80) ++i;
    return i;
}

// The CP932 code of each character of the Basic Multilingual Plane, looked up
// through iconv the first time one is written and kept for the process: one
// byte (below 0x100) or lead byte * 256 + trail byte, kNoCp932 when CP932 has
// no code that reads back as this very character (U+00A5 is written as "\",
// U+301C comes back as U+FF5E), kNotLookedUp before the first look-up. The
// values never change once found, so threads may race to store the same one.
constexpr uint16_t kNotLookedUp = 0;
constexpr uint16_t kNoCp932 = 0xFFFF;
std::atomic<uint16_t> cp932Codes[0x10000];

// utf8Char is the one character cp, in UTF-8.
uint16_t lookUpCp932(char32_t cp, std::string_view utf8Char) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    static Converter toAnsi(kAnsi, kUtf8);
    static Converter fromAnsi(kUtf8, kAnsi);
    uint16_t code = kNoCp932;
    std::string ansi;
    std::string back;
    // Without replacement, a character iconv only approximates fails here.
    if (toAnsi.ok() && fromAnsi.ok() && toAnsi.convert(utf8Char, ansi, false) && !ansi.empty() &&
        ansi.size() <= 2 && fromAnsi.convert(ansi, back, true) && back == utf8Char) {
        const auto lead = static_cast<unsigned char>(ansi[0]);
        code = ansi.size() == 1 ? lead : static_cast<uint16_t>(lead << 8 | static_cast<unsigned char>(ansi[1]));
    }
    cp932Codes[cp].store(code, std::memory_order_relaxed);
    return code;
}

uint16_t cp932Code(char32_t cp, std::string_view utf8Char) {
    if (cp > 0xFFFF) return kNoCp932;  // CP932 has nothing beyond the BMP
    const uint16_t code = cp932Codes[cp].load(std::memory_order_relaxed);
    return code != kNotLookedUp ? code : lookUpCp932(cp, utf8Char);
}

char32_t codePoint(const unsigned char* p, size_t len) {
    char32_t cp = p[0] & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) cp = cp << 6 | (p[k] & 0x3F);
    return cp;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const size_t len = sequenceLength(p, i, n);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::string decode(std::string_view fileBytes) {
    if (isValidUtf8(fileBytes)) {
        if (fileBytes.starts_with(kUtf8Bom)) fileBytes.remove_prefix(kUtf8Bom.size());
        return std::string(fileBytes);
    }
    Converter conv(kUtf8, kAnsi);
    if (!conv.ok()) throw std::runtime_error("CP932 text conversion is not available (iconv)");
    std::string out;
    if (!conv.convert(fileBytes, out, true))
        throw std::runtime_error("CP932 text conversion failed (iconv)");
    return out;
}

namespace {

// Text written as UTF-8, as it is. The reader drops one leading byte-order
// mark, so valid text that starts with U+FEFF gets one more for it to drop.
std::string asUtf8(std::string_view utf8) {
    if (!utf8.starts_with(kUtf8Bom) || !isValidUtf8(utf8)) return std::string(utf8);
    std::string bytes;
    bytes.reserve(kUtf8Bom.size() + utf8.size());
    bytes += kUtf8Bom;
    bytes += utf8;
    return bytes;
}

}  // namespace

std::string encode(std::string_view utf8) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    size_t i = asciiRunEnd(p, 0, n);
    if (i == n) return std::string(utf8);  // ASCII is the same in CP932
    // Only bytes that read back as exactly this text are written as CP932.
    // CP932 keeps no state and its lead byte alone tells a code's length, so
    // the text reads back when each of its characters does. Any other text
    // is written as UTF-8 (text that is no valid UTF-8 as it is). A character
    // never takes more bytes in CP932 than in UTF-8.
    std::string ansi(n, '\0');
    std::memcpy(ansi.data(), p, i);
    size_t used = i;
    while (i < n) {
        if (p[i] < 0x80) {
            const size_t end = asciiRunEnd(p, i, n);
            std::memcpy(ansi.data() + used, p + i, end - i);
            used += end - i;
            i = end;
            continue;
        }
        const size_t len = sequenceLength(p, i, n);
        if (len == 0) return asUtf8(utf8);
        const uint16_t code = cp932Code(codePoint(p + i, len), utf8.substr(i, len));
        if (code == kNoCp932) return asUtf8(utf8);
        if (code > 0xFF) ansi[used++] = static_cast<char>(code >> 8);
        ansi[used++] = static_cast<char>(code & 0xFF);
        i += len;
    }
    ansi.resize(used);
    // CP932 bytes may happen to form valid UTF-8, which the reader takes as
    // UTF-8 (ﾃｱ is C3 B1, ñ): then they must read as this text that way.
    if (isValidUtf8(ansi)) {
        std::string_view asRead(ansi);
        if (asRead.starts_with(kUtf8Bom)) asRead.remove_prefix(kUtf8Bom.size());
        if (asRead != utf8) return asUtf8(utf8);
    }
    return ansi;
}

namespace {

// The end of the line starting at from: the first CR or LF, or the text's end.
size_t lineEnd(std::string_view text, size_t from) {
    const char* p = text.data() + from;
    const char* const end = text.data() + text.size();
    // LF ends most lines: memchr finds it fast, and a CR before it is looked for in the line only.
    const void* lf = std::memchr(p, '\n', static_cast<size_t>(end - p));
    const char* stop = lf != nullptr ? static_cast<const char*>(lf) : end;
    const void* cr = std::memchr(p, '\r', static_cast<size_t>(stop - p));
    if (cr != nullptr) stop = static_cast<const char*>(cr);
    return static_cast<size_t>(stop - text.data());
}

}  // namespace

std::vector<std::string> splitLines(std::string_view text) {
    // Counted first, so that a text of a million lines is placed once, not
    // moved through a growing list.
    size_t breaks = 0;
    for (size_t i = 0; i < text.size(); ++breaks) {
        const size_t end = lineEnd(text, i);
        if (end == text.size()) break;
        const char pair = text[end] == '\r' ? '\n' : '\r';
        i = end + ((end + 1 < text.size() && text[end + 1] == pair) ? 2 : 1);
    }
    std::vector<std::string> lines;
    lines.reserve(breaks + 1);
    size_t i = 0;
    while (i < text.size()) {
        const size_t end = lineEnd(text, i);
        lines.emplace_back(text.substr(i, end - i));
        if (end == text.size()) return lines;
        // CR LF and LF CR are one break each.
        const char pair = text[end] == '\r' ? '\n' : '\r';
        i = end + ((end + 1 < text.size() && text[end + 1] == pair) ? 2 : 1);
    }
    return lines;
}

}  // namespace qm::text
