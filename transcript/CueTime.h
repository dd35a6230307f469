#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Times as the transcript formats write them, read into and written from whole
// milliseconds. Internal to the transcript library.
namespace qm::transcript::detail {

enum class ClockStyle {
    SubRip,  // 01:02:03,456
    WebVtt,  // 01:02:03.456
    Lrc,     // 62:03.46 (centiseconds, minutes without limit)
};

// Reads "[h:]m:s[(.|,)fraction]" into milliseconds. The first field has up to
// 9 digits (hours beyond 99, or minutes beyond 59 when no hours are given),
// later fields 1 or 2 digits below 60; the fraction has 1 to 9 digits and is
// rounded to the nearest millisecond. In LRC style three fields without a
// fraction are minutes, seconds and centiseconds ("01:02:50"), as some lyric
// editors write them. Nothing else is allowed: no blanks, no sign. Times past
// int32 milliseconds (about 596 hours) give nothing.
std::optional<int32_t> parseClock(std::string_view text, ClockStyle style);

// Reads decimal seconds "12" or "12.345678" (or with a decimal comma) into
// milliseconds, rounded to the nearest. No sign, no exponent.
std::optional<int32_t> parseSeconds(std::string_view text);

// Writes ms (below 0 as 0) as the style does: SubRip and WebVTT "HH:MM:SS,mmm" /
// "HH:MM:SS.mmm" with at least two hour digits; LRC "MM:SS.cc", minutes at
// least two digits and without limit, rounded to the nearest centisecond.
std::string formatClock(int32_t ms, ClockStyle style);

// Writes ms (below 0 as 0) as seconds with six decimals: "1.234000".
std::string formatSeconds(int32_t ms);

}  // namespace qm::transcript::detail
