#include "transcript/TranscriptFormats.h"

#include "transcript/CueText.h"
#include "transcript/CueTime.h"
#include "text/TextCodec.h"

namespace qm::transcript {

namespace {

std::string lowerExtension(std::string_view fileName) {
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    std::string ext(fileName.substr(dot + 1));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

// The first line that is not blank reads as "seconds TAB seconds".
bool looksLikeLabels(std::string_view fileBytes) {
    const std::string text = qm::text::decode(fileBytes);
    for (const auto& line : qm::text::splitLines(text)) {
        if (detail::trimmed(line).empty()) continue;
        const size_t tab1 = line.find('\t');
        if (tab1 == std::string::npos) return false;
        const size_t tab2 = line.find('\t', tab1 + 1);
        const std::string_view view = line;
        return detail::parseSeconds(detail::trimmed(view.substr(0, tab1))) &&
               detail::parseSeconds(detail::trimmed(
                   view.substr(tab1 + 1, tab2 == std::string::npos ? tab2 : tab2 - tab1 - 1)));
    }
    return false;
}

}  // namespace

std::optional<Format> formatOf(std::string_view fileName, std::string_view fileBytes) {
    const std::string ext = lowerExtension(fileName);
    if (ext == "srt") return Format::SubRip;
    if (ext == "vtt") return Format::WebVtt;
    if (ext == "lrc") return Format::Lrc;
    if (ext == "txt") return looksLikeLabels(fileBytes) ? Format::AudacityLabels : Format::PlainText;
    return std::nullopt;
}

LoadedTranscript loadTranscript(Format format, std::string_view fileBytes, const BlockOptions& options) {
    LoadedTranscript loaded;
    CueReadResult read;
    switch (format) {
    case Format::PlainText:
        loaded.data.memoLines = readPlainText(fileBytes);
        return loaded;
    case Format::SubRip: read = readSubRip(fileBytes); break;
    case Format::WebVtt: read = readWebVtt(fileBytes); break;
    case Format::Lrc: read = readLrc(fileBytes); break;
    case Format::AudacityLabels: read = readAudacityLabels(fileBytes); break;
    }
    loaded.timed = true;
    if (read.error) {
        loaded.error = std::move(read.error);
        return loaded;
    }
    BlocksResult blocks = toBlocks(std::move(read.cues), options);
    if (blocks.error) {
        loaded.error = std::move(blocks.error);
        return loaded;
    }
    loaded.data = std::move(blocks.data);
    loaded.droppedCues = blocks.droppedCues;
    return loaded;
}

std::string writeTranscript(Format format, const blockfile::BlockData& data) {
    switch (format) {
    case Format::SubRip: return writeSubRip(data);
    case Format::WebVtt: return writeWebVtt(data);
    case Format::Lrc: return writeLrc(data);
    case Format::AudacityLabels: return writeAudacityLabels(data);
    case Format::PlainText: return writePlainText(data);
    }
    return {};
}

}  // namespace qm::transcript
