#include "TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace qm::text {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr const char* kAnsi = "CP932";
constexpr const char* kUtf8 = "UTF-8";

// Owns one iconv descriptor; iconv keeps shift state in it, so it is never shared.
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

bool isAscii(std::string_view bytes) {
    for (unsigned char c : bytes)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
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
            return false;  // continuation byte, C0/C1 overlongs, F5..FF
        }
        if (n - i < len) return false;
        if (p[i + 1] < lo || p[i + 1] > hi) return false;
        for (size_t k = 2; k < len; ++k)
            if (p[i + k] < 0x80 || p[i + k] > 0xBF) return false;
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

std::string encode(std::string_view utf8) {
    if (isAscii(utf8) || !isValidUtf8(utf8)) return std::string(utf8);
    std::string ansi;
    {
        Converter conv(kAnsi, kUtf8);
        if (!conv.ok() || !conv.convert(utf8, ansi, false)) return std::string(utf8);
    }
    // CP932 maps some characters one way only (U+00A5 becomes "\", U+301C
    // comes back as U+FF5E), and CP932 bytes may happen to form valid UTF-8,
    // which the reader would then take as UTF-8. Only bytes that read back as
    // exactly this text are written as CP932.
    try {
        if (decode(ansi) == utf8) return ansi;
    } catch (const std::runtime_error&) {
        // No way back from CP932: UTF-8 keeps everything.
    }
    return std::string(utf8);
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.emplace_back(text.substr(start, i - start));
        // CR LF and LF CR are one break each.
        const char pair = c == '\r' ? '\n' : '\r';
        i += (i + 1 < text.size() && text[i + 1] == pair) ? 2 : 1;
        start = i;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

}  // namespace qm::text
