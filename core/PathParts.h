#pragma once

#include <string>
#include <string_view>

// Path helpers on UTF-8 text. Both results are cut to at most 255 bytes, and a
// cut never splits a character.
namespace qm {

// The text after the last "\" or "/"; all of s when it has neither.
std::string fileNamePart(std::string_view s);

// The text from the last "." to the end, the "." included; empty without ".".
// The search does not stop at a directory separator.
std::string extensionPart(std::string_view s);

// The first bytes of s, at most maxBytes, ending on a character boundary.
std::string_view cutUtf8(std::string_view s, std::size_t maxBytes);

}  // namespace qm

namespace qm {

// The folder of a file path as the settings file keeps it: the text up to its
// last "\", "/" or ":", without a final "\" or "/" unless that follows ":" or
// another separator, or is all there is (so "C:\" and "/" stay). Empty when the
// path holds none of them.
std::string settingsFolderPart(std::string_view path);

}  // namespace qm
