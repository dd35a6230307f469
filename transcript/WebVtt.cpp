#include "transcript/CueText.h"
#include "transcript/CueTime.h"
#include "text/TextCodec.h"
#include "transcript/TranscriptFormats.h"

namespace qm::transcript {

namespace {

using namespace detail;

bool isBlank(std::string_view line) { return trimmed(line).empty(); }

// "WEBVTT" alone or followed by a blank and any text.
bool isHeader(std::string_view line) {
    if (!line.starts_with("WEBVTT")) return false;
    return line.size() == 6 || line[6] == ' ' || line[6] == '\t';
}

// A NOTE, STYLE or REGION block: a comment or settings, no cue.
bool isNonCueBlock(std::string_view line) {
    for (std::string_view word : {"NOTE", "STYLE", "REGION"}) {
        if (!line.starts_with(word)) continue;
        if (line.size() == word.size() || line[word.size()] == ' ' || line[word.size()] == '\t') return true;
    }
    return false;
}

bool hasArrow(std::string_view line) { return line.find("-->") != std::string_view::npos; }

CueReadResult failed(TranscriptError e) {
    CueReadResult r;
    r.error = std::move(e);
    return r;
}

// "start --> end [settings]": the start, the end, then settings after a blank.
std::optional<TranscriptError> readTiming(std::string_view line, int lineNo, Cue& cue) {
    const size_t arrow = line.find("-->");
    const std::string_view left = trimmed(line.substr(0, arrow));
    std::string_view right = trimmed(line.substr(arrow + 3));
    right = right.substr(0, right.find_first_of(" \t"));
    const auto start = parseClock(left, ClockStyle::WebVtt);
    if (!start) return TranscriptError{ErrorKind::BadTime, lineNo, clipped(left)};
    const auto end = parseClock(right, ClockStyle::WebVtt);
    if (!end) return TranscriptError{ErrorKind::BadTime, lineNo, clipped(right)};
    if (*end < *start) return TranscriptError{ErrorKind::EndBeforeStart, lineNo, {}};
    cue.startMs = *start;
    cue.endMs = *end;
    return std::nullopt;
}

void appendEscaped(std::string& out, std::string_view note) {
    for (char c : note) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r':
        case '\n': out += ' '; break;
        default: out += c;
        }
    }
}

}  // namespace

CueReadResult readWebVtt(std::string_view fileBytes) {
    const std::string text = qm::text::decode(fileBytes);
    const std::vector<std::string> lines = qm::text::splitLines(text);
    if (lines.empty() || !isHeader(lines[0])) return failed({ErrorKind::BadHeader, 1, {}});

    // The header runs to the first blank line; a timing line there starts the cues early.
    size_t i = 1;
    while (i < lines.size() && !isBlank(lines[i]) && !hasArrow(lines[i])) ++i;

    CueReadResult result;
    while (i < lines.size()) {
        if (isBlank(lines[i])) {
            ++i;
            continue;
        }
        size_t blockEnd = i;
        while (blockEnd < lines.size() && !isBlank(lines[blockEnd])) ++blockEnd;

        const std::string_view first = lines[i];
        if (isNonCueBlock(first)) {
            i = blockEnd;
            continue;
        }
        // An identifier may stand above the timing line.
        size_t timing = i;
        if (!hasArrow(first)) {
            if (i + 1 >= blockEnd || !hasArrow(lines[i + 1]))
                return failed({ErrorKind::UnexpectedText, static_cast<int>(i) + 1, clipped(first)});
            timing = i + 1;
        }
        Cue cue;
        if (auto e = readTiming(lines[timing], static_cast<int>(timing) + 1, cue)) return failed(std::move(*e));
        std::vector<std::string_view> payload(lines.begin() + static_cast<std::ptrdiff_t>(timing) + 1,
                                              lines.begin() + static_cast<std::ptrdiff_t>(blockEnd));
        cue.text = noteFromLines(payload, Markup::WebVtt);
        result.cues.push_back(std::move(cue));
        i = blockEnd;
    }
    if (result.cues.empty()) return failed({ErrorKind::NoCues, 0, {}});
    return result;
}

std::string writeWebVtt(const blockfile::BlockData& data) {
    std::string out = "WEBVTT\r\n";
    for (size_t i = 0; i + 1 < data.separators.size(); ++i) {
        out += "\r\n";
        out += formatClock(data.separators[i], ClockStyle::WebVtt) + " --> " +
               formatClock(data.separators[i + 1], ClockStyle::WebVtt) + "\r\n";
        if (i < data.memoLines.size()) appendEscaped(out, data.memoLines[i]);
        out += "\r\n";
    }
    // WebVTT is UTF-8 by definition: no CP932 here.
    return out;
}

}  // namespace qm::transcript
