#include "transcript/CueText.h"
#include "transcript/CueTime.h"
#include "text/TextCodec.h"
#include "transcript/TranscriptFormats.h"

#include <algorithm>
#include <limits>

namespace qm::transcript {

namespace {

using namespace detail;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "[ar:...]", "[offset:+250]", "[#:...]": a key of letters or "#", then a colon.
bool isMetadata(std::string_view content, std::string& key) {
    const size_t colon = content.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    key.clear();
    for (char c : content.substr(0, colon)) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && c != '#') return false;
        key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return true;
}

// "+250", "-40", "100": milliseconds.
std::optional<int64_t> readOffset(std::string_view s) {
    s = trimmed(s);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > 9) return std::nullopt;
    int64_t v = 0;
    for (char c : s) {
        if (!isDigit(c)) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return negative ? -v : v;
}

struct Stamp {
    int32_t ms;
    std::string text;
};

CueReadResult failed(TranscriptError e) {
    CueReadResult r;
    r.error = std::move(e);
    return r;
}

}  // namespace

CueReadResult readLrc(std::string_view fileBytes) {
    const std::string text = qm::text::decode(fileBytes);
    const std::vector<std::string> lines = qm::text::splitLines(text);

    std::vector<Stamp> stamps;
    int64_t offset = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        std::string_view rest = trimmed(lines[i]);
        if (rest.empty()) continue;
        const size_t close = rest.find(']');
        if (rest[0] != '[' || close == std::string_view::npos)
            return failed({ErrorKind::UnexpectedText, lineNo, clipped(rest)});

        const std::string_view first = rest.substr(1, close - 1);
        if (first.empty() || !isDigit(first[0])) {
            std::string key;
            if (!isMetadata(first, key)) return failed({ErrorKind::UnexpectedText, lineNo, clipped(rest)});
            if (key == "offset") {
                const auto v = readOffset(first.substr(first.find(':') + 1));
                if (!v) return failed({ErrorKind::BadTime, lineNo, clipped(first)});
                offset = *v;
            }
            continue;
        }

        // One or more time tags, then the text they share.
        std::vector<int32_t> times;
        while (!rest.empty() && rest[0] == '[') {
            const size_t end = rest.find(']');
            if (end == std::string_view::npos) break;
            const std::string_view content = rest.substr(1, end - 1);
            const auto t = parseClock(content, ClockStyle::Lrc);
            if (!t) {
                // The first tag must be a time; a later bracket is part of the text.
                if (times.empty()) return failed({ErrorKind::BadTime, lineNo, clipped(content)});
                break;
            }
            times.push_back(*t);
            rest = rest.substr(end + 1);
            const size_t next = rest.find_first_not_of(" \t");
            if (next != std::string_view::npos && rest[next] == '[') rest.remove_prefix(next);
        }
        std::string note(trimmed(stripMarkup(rest, Markup::Lrc)));
        for (int32_t t : times) stamps.push_back({t, note});
    }
    if (stamps.empty()) return failed({ErrorKind::NoCues, 0, {}});

    // A positive offset makes the lines come sooner.
    for (auto& s : stamps) {
        const int64_t moved = static_cast<int64_t>(s.ms) - offset;
        s.ms = static_cast<int32_t>(std::clamp<int64_t>(moved, 0, std::numeric_limits<int32_t>::max()));
    }
    std::stable_sort(stamps.begin(), stamps.end(), [](const Stamp& a, const Stamp& b) { return a.ms < b.ms; });

    CueReadResult result;
    result.cues.resize(stamps.size());
    std::optional<int32_t> nextLater;
    for (size_t k = stamps.size(); k-- > 0;) {
        if (k + 1 < stamps.size() && stamps[k + 1].ms > stamps[k].ms) nextLater = stamps[k + 1].ms;
        result.cues[k] = {stamps[k].ms, nextLater, std::move(stamps[k].text)};
    }
    // A last time without text only says where the line before it ends.
    if (result.cues.size() > 1 && result.cues.back().text.empty()) result.cues.pop_back();
    return result;
}

std::string writeLrc(const blockfile::BlockData& data) {
    std::string out;
    if (data.separators.size() < 2) return out;
    for (size_t i = 0; i + 1 < data.separators.size(); ++i) {
        out += "[" + formatClock(data.separators[i], ClockStyle::Lrc) + "]";
        if (i < data.memoLines.size()) out += oneLine(data.memoLines[i]);
        out += "\r\n";
    }
    out += "[" + formatClock(data.separators.back(), ClockStyle::Lrc) + "]\r\n";
    return qm::text::encode(out);
}

}  // namespace qm::transcript
