#include "transcript/CueTime.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <vector>

namespace qm::transcript::detail {

namespace {

constexpr int64_t kMaxMs = std::numeric_limits<int32_t>::max();

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// 1 to maxDigits decimal digits, nothing else.
std::optional<int64_t> digits(std::string_view s, size_t maxDigits) {
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    int64_t value = 0;
    for (char c : s) {
        if (!isDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A decimal fraction of 1 to 9 digits as milliseconds, rounded half up (may be 1000).
std::optional<int64_t> fractionMs(std::string_view s) {
    const auto f = digits(s, 9);
    if (!f) return std::nullopt;
    int64_t scale = 1;
    for (size_t i = 0; i < s.size(); ++i) scale *= 10;
    return (*f * 2000 + scale) / (2 * scale);
}

std::optional<int32_t> checked(int64_t ms) {
    if (ms < 0 || ms > kMaxMs) return std::nullopt;
    return static_cast<int32_t>(ms);
}

}  // namespace

std::optional<int32_t> parseClock(std::string_view text, ClockStyle style) {
    int64_t fraction = 0;
    const size_t dot = text.find_first_of(".,");
    std::string_view head = text;
    if (dot != std::string_view::npos) {
        const auto f = fractionMs(text.substr(dot + 1));
        if (!f) return std::nullopt;
        fraction = *f;
        head = text.substr(0, dot);
    }

    std::vector<std::string_view> fields;
    for (size_t start = 0;;) {
        const size_t colon = head.find(':', start);
        fields.push_back(head.substr(start, colon == std::string_view::npos ? colon : colon - start));
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    if (fields.size() < 2 || fields.size() > 3) return std::nullopt;

    std::array<int64_t, 3> v{};
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto d = digits(fields[i], i == 0 ? 9 : 2);
        if (!d) return std::nullopt;
        v[i] = *d;
    }
    if (fields.size() == 2) {
        if (v[1] >= 60) return std::nullopt;
        return checked((v[0] * 60 + v[1]) * 1000 + fraction);
    }
    if (style == ClockStyle::Lrc && dot == std::string_view::npos) {
        // minutes:seconds:centiseconds
        if (v[1] >= 60 || fields[2].size() != 2) return std::nullopt;
        return checked((v[0] * 60 + v[1]) * 1000 + v[2] * 10);
    }
    if (v[1] >= 60 || v[2] >= 60) return std::nullopt;
    return checked(((v[0] * 60 + v[1]) * 60 + v[2]) * 1000 + fraction);
}

std::optional<int32_t> parseSeconds(std::string_view text) {
    const size_t dot = text.find_first_of(".,");
    const auto whole = digits(text.substr(0, dot), 9);
    if (!whole) return std::nullopt;
    int64_t fraction = 0;
    if (dot != std::string_view::npos) {
        const auto f = fractionMs(text.substr(dot + 1));
        if (!f) return std::nullopt;
        fraction = *f;
    }
    return checked(*whole * 1000 + fraction);
}

std::string formatClock(int32_t ms, ClockStyle style) {
    ms = std::max(ms, 0);
    char buf[48];
    if (style == ClockStyle::Lrc) {
        const int64_t cs = (static_cast<int64_t>(ms) + 5) / 10;
        std::snprintf(buf, sizeof buf, "%02lld:%02lld.%02lld", static_cast<long long>(cs / 6000),
                      static_cast<long long>(cs / 100 % 60), static_cast<long long>(cs % 100));
        return buf;
    }
    const char mark = style == ClockStyle::SubRip ? ',' : '.';
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d%c%03d", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, mark, ms % 1000);
    return buf;
}

std::string formatSeconds(int32_t ms) {
    ms = std::max(ms, 0);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%03d000", ms / 1000, ms % 1000);
    return buf;
}

}  // namespace qm::transcript::detail
