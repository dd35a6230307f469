#pragma once

#include <string>
#include <string_view>
#include <vector>

// The settings file QM4.ini: a plain list of lines, not sections and keys.
// Line 0 is the block-file save folder, line 1 the history size, the rest the
// history, most recent first. Plain C++, so that a fuzzer reaches it.
namespace qm::settings {

inline constexpr int kMinHistory = 10;
inline constexpr int kMaxHistory = 100;
// A settings file is a few kilobytes; a bigger one is not read.
inline constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

struct SettingsData {
    std::string saveFolder;            // UTF-8; may be empty
    int historySize = kMinHistory;     // always within kMinHistory .. kMaxHistory
    std::vector<std::string> history;  // UTF-8 paths or web addresses
};

// The history size a size line stands for: a number (integer or decimal, as a
// hand-edited file may hold "30.0") rounded and brought into 10 .. 100; 10 for
// a text that is no number.
int historySizeFromText(std::string_view line);

// Reads the file's bytes (UTF-8 when valid, else CP932). Never fails: every
// readable entry is kept. A line 1 that is no number counts as size 10, and
// when it looks like a path (the size line is missing) it is the first entry.
// Empty lines are no entries.
SettingsData parse(std::string_view fileBytes);

// The file's bytes, every line ended by CR LF, the history cut to historySize.
// A folder or entry holding a line break would break the line format: such a
// folder is written as an empty line 0 and such an entry is left out.
std::string serialize(const SettingsData& data);

}  // namespace qm::settings
