#pragma once

// The text encoder as it was before it learnt its fast paths: the whole text
// converted to CP932 by iconv, then converted back and compared. Kept as the
// yardstick the fast encoder must match byte for byte, in the differential
// test and in the benchmark.
#include "text/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qm::text::reference {

inline bool convertStrictly(iconv_t cd, std::string_view in, std::string& out) {
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    size_t used = 0;
    out.resize(in.size() * 2 + 16);
    for (;;) {
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        const size_t rc = inLeft == 0 ? iconv(cd, nullptr, nullptr, &outPtr, &outLeft)
                                      : iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        used = out.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) {
            if (rc != 0) return false;
            if (inLeft == 0) break;
            continue;
        }
        if (err != E2BIG) return false;
        out.resize(out.size() * 2);
    }
    out.resize(used);
    return true;
}

inline std::string encode(std::string_view utf8) {
    bool ascii = true;
    for (unsigned char c : utf8) ascii = ascii && c < 0x80;
    if (ascii || !isValidUtf8(utf8)) return std::string(utf8);
    std::string ansi;
    const iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
    const bool converted = convertStrictly(cd, utf8, ansi);
    iconv_close(cd);
    if (!converted) return std::string(utf8);
    try {
        if (decode(ansi) == utf8) return ansi;
    } catch (const std::runtime_error&) {
    }
    return std::string(utf8);
}

}  // namespace qm::text::reference
