#pragma once

#include "blockfile/BlockFile.h"
#include "transcript/Cue.h"
#include "transcript/CuesToBlocks.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Transcript files: readers from each format's bytes to cues, writers from
// block data to each format's bytes. Plain C++. Readers decode the bytes with
// qm::text::decode (UTF-8 when valid, else CP932; a UTF-8 BOM dropped) and
// take CR LF, LF or CR as line breaks. A reader never throws for bad input:
// it gives every cue or, for a bad file, the first faulty line and no cue at
// all. (std::runtime_error escapes only when CP932 conversion is unavailable.)
//
// Each cue's text is one note line: the cue's lines joined with one blank,
// markup removed, blanks at both ends trimmed.
namespace qm::transcript {

enum class Format {
    SubRip,          // .srt
    WebVtt,          // .vtt
    Lrc,             // .lrc
    AudacityLabels,  // .txt: start TAB end TAB text, in seconds
    PlainText,       // .txt: one note per line, no times
};

// SubRip. Cue numbers may be missing; hours may have any number of digits; a
// "." may stand for the ","; position settings after the end time are
// ignored; a blank line inside a cue's text does not end the cue (the lines
// after it, up to the next timing line, are its text). A timing line needs no
// blank line before it, so a note line that is a valid timing line starts a
// cue. Faults: text before the first timing line; where a cue starts (after a
// blank line or a cue number), a timing line whose times do not read or whose
// end is before its start (right under a cue's text such a line is text);
// a file without cues.
CueReadResult readSubRip(std::string_view fileBytes);

// WebVTT. The header ("WEBVTT" and what follows up to the first blank line),
// NOTE, STYLE and REGION blocks, cue identifiers and cue settings are skipped;
// the reading of a ruby (<rt>) is dropped. Faults: no "WEBVTT" on line 1, a
// block that is neither a cue nor one of those, a bad time, an end before the
// start; a file without cues.
CueReadResult readWebVtt(std::string_view fileBytes);

// LRC. Several time tags on one line give one cue each; [offset:+/-ms] moves
// every time of the file earlier by that much (the last offset tag counts;
// times below 0 become 0); other tags ([ar:], [ti:], [length:], ...) are
// skipped. Cues come sorted by time. Each cue ends where the next later one
// starts; a last cue without text only marks the end of the one before it and
// gives no cue of its own; any other last cue has no end (endMs empty). Times
// have centiseconds ("[01:02.50]"); "[mm:ss]", "[mm:ss.xxx]", "[mm:ss:xx]" and
// "[h:mm:ss.xx]" are read too. Faults: a line that is neither blank nor starts
// with a tag, a time tag that does not read, a bad offset; a file without cues.
CueReadResult readLrc(std::string_view fileBytes);

// Audacity label track export: "start TAB end TAB text" per label, times in
// seconds with decimals ("." or ","), rounded to the millisecond. Lines
// starting with a TAB (the frequency range of a spectral label) and blank
// lines are skipped; a label without text may lack its second TAB. Faults: a
// line without two times, a time that does not read, an end before the start;
// a file without labels.
CueReadResult readAudacityLabels(std::string_view fileBytes);

// Plain text: every line one note, blank lines included (empty notes); no
// markup removed, nothing trimmed. Never fails; an empty file gives no note.
std::vector<std::string> readPlainText(std::string_view fileBytes);

// Writers. The block data's separators give the cues: block i runs from
// separators[i] to separators[i + 1] with note memoLines[i] (empty when the
// memo has fewer lines; memo lines past the last block are not written). Fewer
// than two separators write no cue. A CR or LF inside a note becomes a blank.
// The bytes are encoded with qm::text::encode (CP932 when every character fits,
// else UTF-8), except WebVTT, which the format defines as UTF-8. Lines end in CR LF.

// "1", "00:00:00,000 --> 00:00:04,000", the note, a blank line; per block.
// SubRip cannot escape anything: markup in a note ("<i>", "{\an8}") is read
// back as markup and removed, and a note that is itself a timing line reads
// back as a cue.
std::string writeSubRip(const blockfile::BlockData& data);
// "WEBVTT", then per block a blank line, the timing line and the note, with
// "&", "<" and ">" written as character references so the note reads back as it was.
std::string writeWebVtt(const blockfile::BlockData& data);
// "[mm:ss.cc]note" per block and "[mm:ss.cc]" at the last separator, marking
// where the last block ends. Times are rounded to the nearest centisecond.
std::string writeLrc(const blockfile::BlockData& data);
// "start TAB end TAB note" per block, seconds with six decimals, as Audacity
// writes them. A TAB inside a note becomes a blank.
std::string writeAudacityLabels(const blockfile::BlockData& data);
// One note per block, each followed by CR LF.
std::string writePlainText(const blockfile::BlockData& data);

// The format a file's name says: .srt, .vtt, .lrc (any letter case); for .txt
// Audacity labels when the first line that is not blank reads as a label,
// else plain text. Nothing for any other name.
std::optional<Format> formatOf(std::string_view fileName, std::string_view fileBytes);

// What a transcript file gives the block file. Timed formats give separators
// and notes (memoLines); plain text gives notes only, and data.separators stays empty.
struct LoadedTranscript {
    blockfile::BlockData data;  // mediaPath left empty for the caller
    bool timed = false;         // false for plain text: keep the old separators
    int droppedCues = 0;        // cues past the media's end, left out (see toBlocks)
    std::optional<TranscriptError> error;  // then data is empty

    bool ok() const { return !error; }
};

// Reads the file in the format and, for a timed format, turns its cues into
// blocks with toBlocks(cues, options).
LoadedTranscript loadTranscript(Format format, std::string_view fileBytes, const BlockOptions& options);

// The file's bytes for the block data in the format (one of the writers above).
std::string writeTranscript(Format format, const blockfile::BlockData& data);

}  // namespace qm::transcript
