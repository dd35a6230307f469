#include "transcript/CuesToBlocks.h"

#include "transcript/CueText.h"

#include <algorithm>

namespace qm::transcript {

namespace {

BlocksResult failure(ErrorKind kind, std::string detail = {}) {
    BlocksResult r;
    r.error = TranscriptError{kind, 0, std::move(detail)};
    return r;
}

void joinNote(std::string& into, const std::string& text) {
    if (text.empty()) return;
    if (!into.empty()) into += ' ';
    into += text;
}

struct Segment {
    int32_t startMs;
    std::string note;
};

// Cues sorted, equal starts merged, ends resolved and clamped to the next start.
struct Span {
    int32_t startMs;
    int32_t endMs;
    std::string text;
};

}  // namespace

BlocksResult toBlocks(std::vector<Cue> cues, const BlockOptions& options) {
    if (cues.empty()) return failure(ErrorKind::NoCues);
    const bool lengthKnown = options.mediaLength > 0;

    for (auto& c : cues) {
        c.text = detail::oneLine(c.text);
        c.startMs = std::max(c.startMs, 0);
        if (c.endMs) c.endMs = std::max(*c.endMs, c.startMs);
    }
    std::stable_sort(cues.begin(), cues.end(),
                     [](const Cue& a, const Cue& b) { return a.startMs < b.startMs; });

    // Merge equal starts; drop what starts past a known media length.
    std::vector<Cue> merged;
    int dropped = 0;
    for (auto& c : cues) {
        if (lengthKnown && c.startMs >= options.mediaLength) {
            ++dropped;
            continue;
        }
        if (!merged.empty() && merged.back().startMs == c.startMs) {
            Cue& m = merged.back();
            joinNote(m.text, c.text);
            if (c.endMs) m.endMs = std::max(m.endMs.value_or(*c.endMs), *c.endMs);
            continue;
        }
        merged.push_back(std::move(c));
    }
    if (merged.empty()) return failure(ErrorKind::PastMediaEnd);

    std::vector<Span> spans;
    spans.reserve(merged.size());
    for (size_t i = 0; i < merged.size(); ++i) {
        Cue& c = merged[i];
        int32_t end = 0;
        if (i + 1 < merged.size()) {
            const int32_t next = merged[i + 1].startMs;
            end = c.endMs ? std::min(*c.endMs, next) : next;
        } else if (lengthKnown) {
            end = c.endMs ? std::min(*c.endMs, options.mediaLength) : options.mediaLength;
        } else if (c.endMs) {
            end = *c.endMs;
        } else {
            return failure(ErrorKind::NoEndTime);
        }
        spans.push_back({c.startMs, end, std::move(c.text)});
    }
    const int32_t finalEnd = lengthKnown ? options.mediaLength : spans.back().endMs;
    if (finalEnd <= 0) return failure(ErrorKind::NoTimeSpan);

    std::vector<Segment> segments;
    segments.reserve(spans.size() * 2);
    for (size_t i = 0; i < spans.size(); ++i) {
        Span& s = spans[i];
        if (i == 0) {
            segments.push_back({0, std::move(s.text)});
            continue;
        }
        const int32_t previousEnd = spans[i - 1].endMs;
        if (options.gapPolicy == GapPolicy::JoinFollowing) {
            segments.push_back({previousEnd, std::move(s.text)});
            continue;
        }
        if (previousEnd < s.startMs) segments.push_back({previousEnd, {}});
        segments.push_back({s.startMs, std::move(s.text)});
    }
    if (options.gapPolicy == GapPolicy::OwnBlock && spans.back().endMs < finalEnd)
        segments.push_back({spans.back().endMs, {}});

    // Blocks of no length give their notes to the next block (the last to the one before).
    std::vector<Segment> blocks;
    blocks.reserve(segments.size());
    std::string carried;
    for (size_t i = 0; i < segments.size(); ++i) {
        const int32_t end = i + 1 < segments.size() ? segments[i + 1].startMs : finalEnd;
        Segment& s = segments[i];
        if (end <= s.startMs) {
            joinNote(carried, s.note);
            continue;
        }
        std::string note = std::move(carried);
        carried.clear();
        joinNote(note, s.note);
        blocks.push_back({s.startMs, std::move(note)});
    }
    // finalEnd > 0 and the first segment starts at 0, so some block has length.
    joinNote(blocks.back().note, carried);

    if (blocks.size() > static_cast<size_t>(kMaxBlocks))
        return failure(ErrorKind::TooManyBlocks, std::to_string(blocks.size()));

    BlocksResult result;
    result.droppedCues = dropped;
    auto& data = result.data;
    data.mediaLength = finalEnd;
    data.separators.reserve(blocks.size() + 1);
    data.memoLines.reserve(blocks.size());
    for (auto& b : blocks) {
        data.separators.push_back(b.startMs);
        data.memoLines.push_back(std::move(b.note));
    }
    data.separators.push_back(finalEnd);
    return result;
}

}  // namespace qm::transcript
