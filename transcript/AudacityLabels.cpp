#include "transcript/CueText.h"
#include "transcript/CueTime.h"
#include "text/TextCodec.h"
#include "transcript/TranscriptFormats.h"

namespace qm::transcript {

namespace {

using namespace detail;

CueReadResult failed(TranscriptError e) {
    CueReadResult r;
    r.error = std::move(e);
    return r;
}

}  // namespace

CueReadResult readAudacityLabels(std::string_view fileBytes) {
    const std::string text = qm::text::decode(fileBytes);
    const std::vector<std::string> lines = qm::text::splitLines(text);

    CueReadResult result;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        const std::string_view line = lines[i];
        // A spectral label's frequency range: "\tlow\thigh".
        if (line.starts_with('\t') || trimmed(line).empty()) continue;

        const size_t tab1 = line.find('\t');
        if (tab1 == std::string_view::npos) return failed({ErrorKind::UnexpectedText, lineNo, clipped(line)});
        const size_t tab2 = line.find('\t', tab1 + 1);
        const std::string_view startText = trimmed(line.substr(0, tab1));
        const std::string_view endText =
            trimmed(line.substr(tab1 + 1, tab2 == std::string_view::npos ? tab2 : tab2 - tab1 - 1));
        const std::string_view label = tab2 == std::string_view::npos ? std::string_view{} : line.substr(tab2 + 1);

        const auto start = parseSeconds(startText);
        if (!start) return failed({ErrorKind::BadTime, lineNo, clipped(startText)});
        const auto end = parseSeconds(endText);
        if (!end) return failed({ErrorKind::BadTime, lineNo, clipped(endText)});
        if (*end < *start) return failed({ErrorKind::EndBeforeStart, lineNo, {}});
        result.cues.push_back({*start, *end, std::string(trimmed(label))});
    }
    if (result.cues.empty()) return failed({ErrorKind::NoCues, 0, {}});
    return result;
}

std::string writeAudacityLabels(const blockfile::BlockData& data) {
    std::string out;
    for (size_t i = 0; i + 1 < data.separators.size(); ++i) {
        out += formatSeconds(data.separators[i]) + "\t" + formatSeconds(data.separators[i + 1]) + "\t";
        if (i < data.memoLines.size()) {
            std::string note = oneLine(data.memoLines[i]);
            for (char& c : note)
                if (c == '\t') c = ' ';
            out += note;
        }
        out += "\r\n";
    }
    return qm::text::encode(out);
}

}  // namespace qm::transcript
