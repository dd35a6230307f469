#pragma once

#include <string>
#include <string_view>
#include <vector>

// Cue text as the note wants it: markup removed, the cue's lines on one line.
// Internal to the transcript library.
namespace qm::transcript::detail {

enum class Markup {
    SubRip,  // <i>, <b>, <u>, <font ...>, their ends, and {\an8}-style override blocks
    WebVtt,  // <c.x>, <v Speaker>, <i>, <lang>, <ruby> (the <rt> reading dropped),
             // <00:01.000> timestamps; character references (&amp;, &lt;, &#39; ...) decoded
    Lrc,     // <00:01.00> word timestamps of enhanced lyrics
};

// One line of cue text with its markup removed. A "<" or "{" that starts no
// tag (no letter, "/" or digit after "<"; no "\" after "{"; no closing
// bracket on the line) stays as it is.
std::string stripMarkup(std::string_view line, Markup markup);

// The cue's lines joined with one blank into one note, each line's markup
// removed and its blanks at both ends trimmed; lines left empty are skipped.
std::string noteFromLines(const std::vector<std::string_view>& lines, Markup markup);

// Blanks (space, tab) trimmed at both ends.
std::string_view trimmed(std::string_view s);

// The text for an error's detail: at most 80 bytes, never cut inside a UTF-8 character.
std::string clipped(std::string_view s);

// A note on one line: every CR and LF becomes a blank (writers are line-based).
std::string oneLine(std::string_view note);

}  // namespace qm::transcript::detail
