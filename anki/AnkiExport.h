#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A lesson written as an Anki package (.apkg): one note per block that has a
// note line, its front playing the block's clip, its back showing the
// sentence and the learner's last answer, marked. Plain C++; the clips are
// cut by FFmpeg's libraries in one pass over the media, the collection is an
// SQLite database in Anki 2.1's legacy layout, the package a zip.
//
// Exporting the same lesson again gives the same note, card, deck and note
// type ids and the same note guids, so Anki updates the notes it has instead
// of adding copies; a block whose times changed gets a clip of a new name.
namespace qm::anki {

struct ExportInput {
    std::string deckName;             // the deck the cards go to, named after the lesson
    std::string mediaPath;            // a local file FFmpeg reads
    std::vector<int32_t> separators;  // ms: 0 = s[0] < s[1] < ... < s[n] = media length
    std::vector<std::string> notes;   // one per block; an empty one gives no note
    // One per block (or fewer: the rest have none); the learner's last answer.
    std::vector<std::optional<std::string>> lastAnswers;
    // Where the ids come from: the same key, the same notes (the block file's path).
    std::string lessonKey;
};

struct ExportResult {
    int notesWritten = 0;
    std::optional<std::string> error;  // why nothing was written; "cancelled" when cancelled
};

// Writes the package to apkgPath, through a temporary folder beside it and a
// rename at the end: a failed or cancelled export leaves no file (an old one
// at apkgPath stays as it was). progress, when set, gets 0..100 as the work
// goes on; cancel, when set and true, stops the export. A lesson without any
// note line is an error, as is a media that ends before a block with a note
// starts. Blocking; run it off the GUI thread.
ExportResult exportPackage(const ExportInput& input, const std::string& apkgPath,
                           const std::function<void(int)>& progress, const std::atomic<bool>* cancel);

// The back of a card for an answer: the answer's tokens HTML-escaped and
// marked as the dictation window shows them (missing in red brackets, wrong
// struck through beside the right word, extra struck through in blue), with
// no blank between two tokens of text written without spaces (CJK).
std::string markedAnswerHtml(std::string_view sentence, std::string_view answer);

// The text with &, <, >, " and ' as HTML entities, and control characters
// (which Anki would take for its field separator) as blanks.
std::string escapeHtml(std::string_view text);

}  // namespace qm::anki
