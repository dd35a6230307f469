#include "core/PathParts.h"

namespace qm {

namespace {
constexpr std::size_t kMaxPartBytes = 255;

bool isContinuationByte(unsigned char c) { return (c & 0xC0) == 0x80; }
}  // namespace

std::string_view cutUtf8(std::string_view s, std::size_t maxBytes) {
    if (s.size() <= maxBytes) return s;
    std::size_t n = maxBytes;
    while (n > 0 && isContinuationByte(static_cast<unsigned char>(s[n]))) --n;
    return s.substr(0, n);
}

std::string fileNamePart(std::string_view s) {
    const auto p = s.find_last_of("\\/");
    const auto rest = p == std::string_view::npos ? s : s.substr(p + 1);
    return std::string(cutUtf8(rest, kMaxPartBytes));
}

std::string extensionPart(std::string_view s) {
    const auto p = s.rfind('.');
    if (p == std::string_view::npos) return {};
    return std::string(cutUtf8(s.substr(p), kMaxPartBytes));
}

}  // namespace qm

namespace qm {

std::string settingsFolderPart(std::string_view path) {
    const auto p = path.find_last_of("\\/:");
    if (p == std::string_view::npos) return {};
    std::string_view dir = path.substr(0, p + 1);
    const char last = dir.back();
    if ((last == '\\' || last == '/') && dir.size() > 1) {
        const char before = dir[dir.size() - 2];
        if (before != ':' && before != '\\' && before != '/') dir.remove_suffix(1);
    }
    return std::string(dir);
}

}  // namespace qm
