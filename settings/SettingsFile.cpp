#include "settings/SettingsFile.h"

#include "text/TextCodec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace qm::settings {

namespace {

bool holdsLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::string_view trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// A number in the size line, when it is one: "30", "30.0", "-5", "1e9".
bool readNumber(std::string_view line, double& value) {
    const std::string_view t = trimmed(line);
    if (t.empty()) return false;
    const std::string s(t);
    char* end = nullptr;
    value = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && !std::isnan(value);
}

bool looksLikePath(std::string_view line) {
    return line.find_first_of("/\\") != std::string_view::npos || line.find("://") != std::string_view::npos;
}

}  // namespace

int historySizeFromText(std::string_view line) {
    double v = 0;
    if (!readNumber(line, v)) return kMinHistory;
    return static_cast<int>(std::clamp(std::round(v), double(kMinHistory), double(kMaxHistory)));
}

SettingsData parse(std::string_view fileBytes) {
    SettingsData data;
    const std::vector<std::string> lines = text::splitLines(text::decode(fileBytes));
    if (lines.empty()) return data;
    data.saveFolder = lines[0];
    std::size_t first = 2;
    if (lines.size() > 1) {
        double v = 0;
        if (readNumber(lines[1], v)) {
            data.historySize = historySizeFromText(lines[1]);
        } else if (looksLikePath(lines[1])) {
            first = 1;  // no size line: the history starts here
        }
    }
    for (std::size_t i = first; i < lines.size(); ++i)
        if (!lines[i].empty()) data.history.push_back(lines[i]);
    return data;
}

std::string serialize(const SettingsData& data) {
    std::string out;
    auto line = [&out](std::string_view s) {
        out += s;
        out += "\r\n";
    };
    line(holdsLineBreak(data.saveFolder) ? std::string_view() : std::string_view(data.saveFolder));
    const int size = std::clamp(data.historySize, kMinHistory, kMaxHistory);
    line(std::to_string(size));
    int written = 0;
    for (const std::string& entry : data.history) {
        if (written == size) break;
        if (entry.empty() || holdsLineBreak(entry)) continue;
        line(entry);
        ++written;
    }
    return text::encode(out);
}

}  // namespace qm::settings
