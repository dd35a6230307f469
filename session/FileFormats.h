#pragma once

#include "transcript/TranscriptFormats.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>
#include <vector>

// The one table of the files the program reads and writes, decided by
// extension: what an open does with a path, what Load and Save read and
// write, and the file types the dialogs offer. A web address is judged by its
// path, so that a query does not hide its kind. QtCore only.
namespace qm::formats {

// What a file is to the program.
enum class Kind {
    BlockFile,   // .bsd
    Transcript,  // blocks and notes, or notes only (plain text)
    Media,       // anything the engines play, metafiles included
};

// The lower-case extension of a path or web address with its dot (".mp3"),
// empty when there is none.
QString extensionOf(const QString& pathOrAddress);

// What a path is: a block file, a transcript (.srt .vtt .lrc .txt), or media.
Kind kindOf(const QString& pathOrAddress);

// The media engines by the settings' extension lists (".wma.mp3.",
// ".ram.rm."): true when the streaming control plays it. Letter case does not
// count; what neither list names goes to the media player.
bool playsOnStreamingControl(const QString& pathOrAddress, const QString& wmpList, const QString& rpList);

// The transcript format of a file, from its name and (for .txt) its first
// line: Audacity labels or plain notes.
std::optional<transcript::Format> transcriptFormatOf(const QString& path, std::string_view bytes);

// Transcripts of a media's own name are looked for with these, in this order.
QStringList transcriptExtensions();

// What Save writes: a block file, or a transcript format.
struct SaveType {
    QString label;      // as the dialog shows it (translated)
    QString pattern;    // "*.srt"
    std::optional<transcript::Format> transcript;  // none: a block file
};
// The save dialog's types, the block file first; a chosen type is an index here.
std::vector<SaveType> saveTypes();
// The dialog's filter for them ("label|pattern|...").
QString saveFilter();
// What a chosen name is written as: by its extension, and for .txt by the
// type chosen (plain notes when that one was chosen, else Audacity labels).
std::optional<transcript::Format> saveFormatOf(const QString& path, int chosenType);

// The Load dialog's filter: block files, transcripts and scripts, a script
// to align with the recording, all files.
QString loadFilter();
// The Load dialog's type that aligns a plain-text script with the recording.
inline constexpr int kLoadScriptToAlign = 2;
// The Open dialog's filter: every media extension of the two lists and block
// files, then all files.
QString openFilter(const QString& wmpList, const QString& rpList);

}  // namespace qm::formats
