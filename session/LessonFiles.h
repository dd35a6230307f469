#pragma once

#include "blockfile/BlockFile.h"
#include "core/PracticeState.h"
#include "files/WholeFile.h"
#include "session/LessonDocument.h"
#include "session/Recovery.h"
#include "session/SessionPrompts.h"
#include "transcript/TranscriptFormats.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

class Settings;

// What the session needs to know of the notes editor: whether an edit is in
// progress (saving and dropping the media wait for its end), and the lines of
// an edit not yet ended (kept when the program is ended from outside).
class NoteEditor {
public:
    virtual bool editing() const = 0;
    virtual std::optional<QStringList> unendedEdit() const = 0;

protected:
    ~NoteEditor() = default;
};

// The lesson's files: the block file it came from or went to (its path, and
// a stamp that tells when someone else changed it), what Load reads and Save
// writes through the table of file formats (block files and transcripts),
// and the recovery file of unsaved work, kept up to date in the background.
// Every change it makes to the lesson goes through the document, as one step.
class LessonFiles : public QObject {
    Q_OBJECT
public:
    // runAside runs work on a worker while the event loop goes on (a big file's parse).
    using RunAside = std::function<void(const std::function<void()>& work)>;

    LessonFiles(PracticeState& state, LessonDocument& document, Settings& settings, SessionPrompts& prompts,
                RunAside runAside, QObject* parent = nullptr);

    void setNoteEditor(const NoteEditor* editor) { editor_ = editor; }
    const NoteEditor* noteEditor() const { return editor_; }
    // An edit is under way in the notes editor: said, and true.
    bool refuseWhileEditing();

    // A new media opened: no block file yet.
    void mediaOpened();
    QString blockFilePath() const { return blockFilePath_; }
    QString lastSaveName() const { return lastSaveName_; }  // the name last chosen or proposed in the save dialog
    blockfile::BlockData blockData() const;

    // The bytes of a block file, or nothing when its first line is no header;
    // throws the message when it cannot be read.
    std::optional<std::string> readBlockFile(const QString& path);
    // A block file followed to its media that opened: its lesson, no step.
    bool openBlockFile(const QString& path, std::string_view bytes);
    // The Load button's file: a block file, or a transcript (timed: blocks and
    // notes; plain text: the notes of the present blocks). Unsaved work is
    // asked about first. A faulty file is refused with its reason.
    bool load(const QString& path);
    // A block file's bytes applied as one step named text.
    bool applyBlockBytes(std::string_view fileBytes, const QString& text);
    // A transcript of the media's own name beside it is offered. A plain text
    // there is a script: its path is given back for the alignment to offer.
    std::optional<QString> offerTranscript();
    // A script's bytes, read as every file of the lesson is; throws the message.
    std::string readScript(const QString& path);
    // Asks about unsaved work before the lesson is replaced: true to go on.
    bool mayReplaceLesson();
    // Asks for the file and writes the lesson in the format its name says.
    bool save();
    // Writes the block file the lesson came from or went to, without asking
    // for a name; asks as save() does when there is none yet.
    bool saveInPlace();

    // ---- unsaved work
    // The recovery file of the open media, offered once it opened; true when restored (one step).
    bool offerRecovery();
    void keepNow();          // ended from outside: unsaved work to the recovery file, now
    void discardRecovery();  // the work of the open media was saved or given up
    void noteEditChanged() { keeper_.changed(); }
    void lessonChanged() { keeper_.changed(); }
    void setRecoveryDelayMs(int ms) { keeper_.setDelayMs(ms); }

private:
    bool loadTranscript(const QString& path, bool askFirst);
    bool maySave();
    bool writeTo(const QString& target, std::optional<transcript::Format> format);
    void noteBlockFile(const QString& path);
    bool changedElsewhere(const QString& path) const;
    std::optional<recovery::Snapshot> unsavedWork() const;

    PracticeState& state_;
    LessonDocument& document_;
    Settings& settings_;
    SessionPrompts& prompts_;
    RunAside runAside_;
    const NoteEditor* editor_ = nullptr;
    QString blockFilePath_;
    QString lastSaveName_;
    std::optional<files::FileStamp> blockFileStamp_;  // of blockFilePath_ when last read or written
    recovery::BackgroundKeeper keeper_;
};

}  // namespace qm
