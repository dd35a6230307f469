#include "transcript/CueText.h"
#include "transcript/CueTime.h"
#include "text/TextCodec.h"
#include "transcript/TranscriptFormats.h"

namespace qm::transcript {

namespace {

using namespace detail;

bool isAllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// A line meant as a timing line: digits, a colon, and "-->" somewhere. Text
// lines rarely start so; when one does and its times do not read, the file is
// refused rather than a cue silently lost.
bool looksLikeTiming(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    return i > 0 && i < line.size() && line[i] == ':' && line.find("-->") != std::string_view::npos;
}

struct Timing {
    int32_t start = 0;
    int32_t end = 0;
};

// "start --> end [X1:... position settings]"; the error names the time that failed.
std::optional<TranscriptError> readTiming(std::string_view line, int lineNo, Timing& timing) {
    const size_t arrow = line.find("-->");
    const std::string_view left = trimmed(line.substr(0, arrow));
    std::string_view right = trimmed(line.substr(arrow + 3));
    right = right.substr(0, right.find_first_of(" \t"));
    const auto start = parseClock(left, ClockStyle::SubRip);
    if (!start) return TranscriptError{ErrorKind::BadTime, lineNo, clipped(left)};
    const auto end = parseClock(right, ClockStyle::SubRip);
    if (!end) return TranscriptError{ErrorKind::BadTime, lineNo, clipped(right)};
    if (*end < *start) return TranscriptError{ErrorKind::EndBeforeStart, lineNo, {}};
    timing = {*start, *end};
    return std::nullopt;
}

CueReadResult failed(TranscriptError e) {
    CueReadResult r;
    r.error = std::move(e);
    return r;
}

}  // namespace

CueReadResult readSubRip(std::string_view fileBytes) {
    const std::string text = qm::text::decode(fileBytes);
    const std::vector<std::string> lines = qm::text::splitLines(text);

    CueReadResult result;
    std::vector<std::string_view> cueLines;
    auto finishCue = [&] {
        if (result.cues.empty()) return;
        result.cues.back().text = noteFromLines(cueLines, Markup::SubRip);
        cueLines.clear();
    };

    // The line before was the current cue's timing line or text: a line that
    // only looks like a timing line is text there, elsewhere a fault.
    bool inText = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        const std::string_view line = trimmed(lines[i]);
        if (line.empty()) {
            inText = false;
            continue;
        }
        // A cue number stands right above its timing line.
        if (isAllDigits(line) && i + 1 < lines.size() && looksLikeTiming(trimmed(lines[i + 1]))) {
            inText = false;
            continue;
        }
        if (looksLikeTiming(line)) {
            Timing t;
            auto e = readTiming(line, lineNo, t);
            if (!e) {
                finishCue();
                result.cues.push_back({t.start, t.end, {}});
                inText = true;
                continue;
            }
            if (!inText) return failed(std::move(*e));
        }
        if (result.cues.empty())
            return failed({ErrorKind::UnexpectedText, lineNo, clipped(line)});
        cueLines.push_back(line);
        inText = true;
    }
    finishCue();
    if (result.cues.empty()) return failed({ErrorKind::NoCues, 0, {}});
    return result;
}

std::string writeSubRip(const blockfile::BlockData& data) {
    std::string out;
    for (size_t i = 0; i + 1 < data.separators.size(); ++i) {
        out += std::to_string(i + 1) + "\r\n";
        out += formatClock(data.separators[i], ClockStyle::SubRip) + " --> " +
               formatClock(data.separators[i + 1], ClockStyle::SubRip) + "\r\n";
        if (i < data.memoLines.size()) out += oneLine(data.memoLines[i]);
        out += "\r\n\r\n";
    }
    return qm::text::encode(out);
}

}  // namespace qm::transcript
