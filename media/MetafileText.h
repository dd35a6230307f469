#pragma once

#include <optional>
#include <string>
#include <string_view>

// The text of a ".ram" metafile: one media address per line, blank lines and
// "#" comments between them, and "--stop--" ending the list. Plain C++, so
// that a fuzzer reaches it; what an entry is relative to is left to the caller.
namespace qm::media {

// The first entry of the metafile's bytes (UTF-8 when valid, else CP932),
// returned in UTF-8 as written, not resolved. Lines end at LF, CR or both; each
// is trimmed of white space at both ends (ASCII blanks and control white space,
// and the Unicode spaces such as U+3000), and blank lines and lines starting
// with "#" are skipped. nullopt when no entry comes before a "--stop--" line or
// the end (an empty file included). The returned text is never empty and holds
// no line break. Throws std::runtime_error only when CP932 conversion is
// unavailable.
std::optional<std::string> firstMetafileEntry(std::string_view fileBytes);

}  // namespace qm::media
