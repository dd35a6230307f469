#pragma once

#include "core/Lesson.h"
#include "core/PracticeState.h"
#include "dictation/DictationLog.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <cstdint>
#include <optional>

namespace qm {

// The lesson as one document: the blocks with their notes (the state's
// lesson, which nothing else writes) and the one undo history of every change
// to them. Each change is one undoable step; a drag of a separator is one
// step however far it goes. Unsaved means the history is not where it was
// last saved (or opened), so undoing back there leaves nothing unsaved.
// The learner's dictation attempts follow their blocks as notes do: a block
// cut in two keeps them on its first part, two blocks made one keep both
// blocks' attempts, and an undo gives them back as they were.
// QtCore and QtGui (the undo stack), no widgets.
class LessonDocument : public QObject {
    Q_OBJECT
public:
    LessonDocument(PracticeState& state, QObject* parent = nullptr);
    // The attempts that follow the blocks (the dictation record's).
    void setAnswers(dictation::DictationLog* answers) { answers_ = answers; }
    // The attempts as they stand in the lesson as last saved or opened: what
    // its answers file must hold while blocks were cut or joined since.
    // Nothing when that point is no longer in the history.
    std::optional<dictation::DictationLog> answersAsSaved() const;

    const Lesson& lesson() const { return state_.lesson; }
    bool unsaved() const { return !history_.isClean(); }
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    QString undoText() const { return history_.undoText(); }
    QString redoText() const { return history_.redoText(); }

    // A fresh open: one block of the media's length, no notes, no history.
    void reset(int32_t length);
    // A block file opened with its media: its lesson, no history, nothing unsaved.
    void open(LessonContent content);
    // The history is where the lesson was saved: nothing is unsaved now.
    void markSaved();
    void undo();
    void redo();

    // ---- the changes, each one step
    // A separator at ms; false (nothing changed) on a separator, at or past the end, or with the list full.
    bool split(int32_t ms);
    // Inner separator k removed, the two notes joined; its time.
    int32_t join(int32_t k);
    // Inner separator k moved towards ms; the moves of one drag (the same
    // dragId) make one step. Nothing when it does not move.
    void move(int32_t k, int32_t ms, int dragId);
    // Everything replaced: a load, a cut at pauses, a clear, an ended memo
    // edit, a restore. text names the step. Nothing when content is the same.
    void replace(LessonContent content, const QString& text);
    // The media was found elsewhere than the block file says (previousPath):
    // the new path is a change to save, one step.
    void relink(const std::string& previousPath);

signals:
    // The blocks, the notes or both changed (by a change, an undo or a redo).
    void lessonChanged();
    void unsavedChanged(bool unsaved);
    void historyChanged();  // canUndo, canRedo or their texts

private:
    PracticeState& state_;
    QUndoStack history_;
    dictation::DictationLog* answers_ = nullptr;
};

}  // namespace qm
