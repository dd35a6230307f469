#pragma once

#include <string>
#include <string_view>
#include <vector>

// Text files are UTF-8 inside. Read: UTF-8 when the bytes are valid UTF-8,
// otherwise CP932 (Shift-JIS, as written on Japanese Windows). Write: CP932 when
// every character fits, otherwise UTF-8, so nothing is ever lost (text that
// starts with U+FEFF gets a byte-order mark before it, which the reader drops).
namespace qm::text {

bool isValidUtf8(std::string_view bytes);
std::string decode(std::string_view fileBytes);  // -> UTF-8
std::string encode(std::string_view utf8);       // -> file bytes

// Splits at CR LF, LF CR, LF or CR; a final line break yields no empty last line.
std::vector<std::string> splitLines(std::string_view text);

}  // namespace qm::text
