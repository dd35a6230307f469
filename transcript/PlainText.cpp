#include "transcript/CueText.h"
#include "text/TextCodec.h"
#include "transcript/TranscriptFormats.h"

namespace qm::transcript {

std::vector<std::string> readPlainText(std::string_view fileBytes) {
    return qm::text::splitLines(qm::text::decode(fileBytes));
}

std::string writePlainText(const blockfile::BlockData& data) {
    std::string out;
    for (size_t i = 0; i + 1 < data.separators.size(); ++i) {
        if (i < data.memoLines.size()) out += detail::oneLine(data.memoLines[i]);
        out += "\r\n";
    }
    return qm::text::encode(out);
}

}  // namespace qm::transcript
