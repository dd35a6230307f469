// libFuzzer target over one transcript reader, chosen when built:
// QM_FUZZ_READER is 1 SubRip, 2 WebVTT, 3 LRC, 4 Audacity labels, 5 plain text.
// Besides crashes and sanitizer findings it traps when a property breaks:
// - a refused file gives no cue and a line within the file (or line 1);
// - cues read are valid UTF-8, start at 0 or later, end at or after their start;
// - blocks made from them start at 0, ascend strictly, number 1 .. 1000 with a
//   note each, and end at the media length when one is given;
// - those blocks written in the same format (SubRip and WebVTT: both) and read
//   back give the same separators and, for WebVTT, the same notes (SubRip:
//   when no note holds "-->").
#include "transcript/CuesToBlocks.h"
#include "text/TextCodec.h"
#include "transcript/TranscriptFormats.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#ifndef QM_FUZZ_READER
#error "QM_FUZZ_READER names the reader under test"
#endif

namespace {

using namespace qm::transcript;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

#if QM_FUZZ_READER != 5
int lineCount(std::string_view bytes) {
    return static_cast<int>(qm::text::splitLines(qm::text::decode(bytes)).size());
}

void checkBlocks(const BlocksResult& b, int32_t mediaLength) {
    if (!b.ok()) {
        check(b.data.separators.empty() && b.data.memoLines.empty());
        return;
    }
    const auto& seps = b.data.separators;
    check(seps.size() >= 2 && seps.size() <= static_cast<size_t>(kMaxBlocks) + 1);
    check(seps.front() == 0);
    for (size_t i = 1; i < seps.size(); ++i) check(seps[i] > seps[i - 1]);
    check(b.data.memoLines.size() + 1 == seps.size());
    if (mediaLength > 0) check(seps.back() == mediaLength);
    check(b.data.mediaLength == seps.back());
}

// The blocks through a writer and its reader again.
void checkRoundTrip(const qm::blockfile::BlockData& data) {
    const BlockOptions options{data.mediaLength, GapPolicy::JoinFollowing};
    const LoadedTranscript vtt = loadTranscript(Format::WebVtt, writeWebVtt(data), options);
    check(vtt.ok());
    check(vtt.data.separators == data.separators);
    // Notes come back trimmed at both ends, and line breaks as blanks.
    for (size_t i = 0; i < data.memoLines.size(); ++i) {
        const std::string& n = data.memoLines[i];
        const bool plain = n.find_first_of("\r\n") == std::string::npos && !n.empty() && n.front() != ' ' &&
                           n.front() != '\t' && n.back() != ' ' && n.back() != '\t';
        if (plain) check(vtt.data.memoLines[i] == n);
    }
    // A note holding "-->" may be a valid timing line, which SubRip cannot tell from one.
    for (const auto& n : data.memoLines)
        if (n.find("-->") != std::string::npos) return;
    const LoadedTranscript srt = loadTranscript(Format::SubRip, writeSubRip(data), options);
    check(srt.ok());
    check(srt.data.separators == data.separators);
}

#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);

#if QM_FUZZ_READER == 5
    for (const auto& note : readPlainText(input)) check(qm::text::isValidUtf8(note));
    return 0;
#else
#if QM_FUZZ_READER == 1
    const CueReadResult read = readSubRip(input);
#elif QM_FUZZ_READER == 2
    const CueReadResult read = readWebVtt(input);
#elif QM_FUZZ_READER == 3
    const CueReadResult read = readLrc(input);
#elif QM_FUZZ_READER == 4
    const CueReadResult read = readAudacityLabels(input);
#endif
    if (!read.ok()) {
        check(read.cues.empty());
        // An empty file is refused on its line 1 (no header there).
        check(read.error->line >= 0 && read.error->line <= std::max(1, lineCount(input)));
        check(qm::text::isValidUtf8(message(*read.error)));
        return 0;
    }
    for (const Cue& c : read.cues) {
        check(c.startMs >= 0);
        check(!c.endMs || *c.endMs >= c.startMs);
        check(qm::text::isValidUtf8(c.text));
    }
    // A media length from the input itself, so cut and stretched ends are both tried.
    const int32_t mediaLength = size > 0 ? static_cast<int32_t>(bytes[0]) * 1000 : 0;
    for (GapPolicy policy : {GapPolicy::JoinFollowing, GapPolicy::OwnBlock}) {
        for (int32_t length : {0, mediaLength}) {
            const BlocksResult b = toBlocks(read.cues, BlockOptions{length, policy});
            checkBlocks(b, length);
            if (b.ok()) checkRoundTrip(b.data);
        }
    }
    return 0;
#endif
}
