#pragma once

#include "align/Align.h"
#include "blockfile/BlockFile.h"
#include "core/PracticeState.h"
#include "files/WholeFile.h"
#include "media/MediaEngine.h"
#include "media/StreamingAudioControl.h"
#include "session/DictationRecord.h"
#include "session/Drill.h"
#include "session/LessonDocument.h"
#include "session/LessonFiles.h"
#include "session/PauseFinder.h"
#include "session/Recovery.h"
#include "session/BackgroundTask.h"
#include "session/SessionPrompts.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string_view>

namespace qm {

class Settings;

// The practice itself, without a window, and its one door: the windows, the
// media keys and the tests see a read-only view of the state and give every
// intent of the user as one command here. It is made of parts with one job
// each: the lesson document (blocks, notes, the undo history), the lesson's
// files (block file, transcripts, formats, recovery), the drill (the playback
// engines, the repeat controller, the block commands), the pause finder and
// the dictation record. An open announces the new media and each part takes
// it up; this class holds the open itself (engine choice, following block
// files, the wait for the length, a close deferred until that wait ends) and
// the release question. It reports every change by a signal.
// Errors a user or a file can cause are said through the prompts or thrown
// with their message for the caller's general handler; a broken invariant
// stops the program.
class PracticeSession : public QObject {
    Q_OBJECT
public:
    // The one clock and event pump of the program: the pump handles pending
    // events, waiting at most maxWaitMs for one; tests give their own.
    struct Clock {
        MediaEngine::EventPump pump;
        MediaEngine::Clock now;
        static Clock real();
    };

    PracticeSession(Settings& settings, SessionPrompts& prompts, Clock clock = Clock::real(),
                    const QString& audioOutput = {}, MetafileFetcher fetcher = {}, QObject* parent = nullptr);
    ~PracticeSession() override;

    // ---- what may be looked at
    const PracticeState& state() const { return state_; }
    const Lesson& lesson() const { return state_.lesson; }
    // Blocks or notes changed since the open or the last save (undoing back
    // to that point leaves nothing unsaved).
    bool unsaved() const { return document_.unsaved(); }
    const Settings& settings() const { return settings_; }
    bool isPlaying() { return drill_.isPlaying(); }
    // The position now, read from the engine (the state's mediaPos follows).
    int32_t readPosition();
    BlockMode blockMode() const { return drill_.blockMode(); }
    double rate() const { return drill_.rate(); }
    int volume() const { return drill_.volume(); }
    AfterBlock afterBlock() const { return drill_.afterBlock(); }
    // The playback controls, for their transports to show.
    MediaPlayerControl& mediaPlayer() { return drill_.mediaPlayer(); }
    StreamingAudioControl& streaming() { return drill_.streaming(); }
    // The block timer and the auto-pause wait; the engine, for tests that drive them.
    QTimer* blockTimer() const { return drill_.Timer1; }
    QTimer* waitTimer() const { return drill_.Timer2; }
    MediaEngine& engineForTesting() { return drill_.engine(); }
    // A lesson as if a media of mediaLength had opened with it, without the
    // engine: for tests of what is drawn and done with blocks and notes.
    void openLessonForTesting(int32_t mediaLength, LessonContent content, const std::string& mediaFile = {});
    // One tick of the block timer, as the timer would run it (benchmarks).
    void tickBlockTimerForTesting();
    void setNoteEditor(const NoteEditor* editor) { files_.setNoteEditor(editor); }
    const NoteEditor* noteEditor() const { return files_.noteEditor(); }

    // ---- opening
    // Every way in ends here. True only when a media file was opened and the
    // block list reset; a block file is followed to its media and gives false.
    bool OpenFile(const QString& path);
    // The Open button: CanReleaseMedia first, then the file chosen (nothing
    // when none is), opened without asking again.
    bool openChosen(const std::function<std::optional<QString>()>& choose);
    bool openInProgress() const { return busy_ > 0; }
    // A close of the program asked for: true when it may go on now; false
    // while an open waits for its length, and closeDue comes once the wait
    // has ended (however it ended).
    bool requestClose();
    // The one check before the open media and its block data are dropped.
    bool CanReleaseMedia();
    bool CommitData();        // a logout: CanReleaseMedia; agreed, nothing stays unsaved
    void KeepUnsavedWork();   // ended from outside: unsaved work to the recovery file, now
    // The notes editor's text changed: an edit not yet ended is unsaved work
    // too, kept in the background like any other change.
    void noteEditChanged() { files_.noteEditChanged(); }
    // How long after a change the recovery file is brought up to date.
    void setRecoveryDelayMs(int ms) { files_.setRecoveryDelayMs(ms); }
    void AddHistory(const QString& path);  // nothing while a block file is followed
    void EnableBlockControls(bool enabled);
    void shutdown();  // MediaShutdown
    // Loads the playback engine's library in the background now, so that the
    // first open finds it ready (the window shows before it is loaded).
    void warmUp();

    // ---- the lesson: every change one step of the undo history
    void markOrPlay();      // space: a mark while playing, else play
    void mark();            // a separator at the position, while playing
    void deleteLeft();
    void deleteRight();
    void clearBlocks();
    // Replaces the blocks by cuts at the middles of the pauses, the notes in
    // order on the new blocks; asks first when there are separators of the
    // user's. False when nothing was cut (no analysis yet, no pause, or No).
    bool cutAtPauses();
    // Inner separator k (1 .. count-1) dragged towards ms, kept between its
    // neighbours; the moves until endSeparatorDrag are one step.
    void moveSeparator(int32_t k, int32_t ms);
    void endSeparatorDrag();
    // Notes changed by the user (an ended edit).
    void editNotes(const QStringList& notes);
    void undo();
    void redo();
    bool canUndo() const { return document_.canUndo(); }
    bool canRedo() const { return document_.canRedo(); }
    QString undoText() const { return document_.undoText(); }
    QString redoText() const { return document_.redoText(); }

    // ---- the drill
    void SelectBlock(int32_t n);
    void nextBlock();
    void previousBlock();
    void blockAgain();      // the current block from its start
    void playPause();
    void play();
    void pause();           // a running auto-pause wait ends too
    void stop();            // paused at the current block's start
    void stopPlayback();    // the transport's stop
    // A position chosen from outside the bars (the desktop's media keys, a
    // transport): as a click on the position bar there, selecting the block.
    void seekToPosition(int32_t ms);
    void seekBy(int32_t deltaMs);  // from the position now, kept within the media
    // A position set on a transport: there, playing or not as before, its block current.
    void seekTransport(int32_t ms);
    void playBlock(int32_t n);      // block n (1-based) from its start; nothing outside the list
    void playLineBlock(int32_t line);  // the block of a note line when there is one, then play
    void positionBarClicked(int32_t ms);
    void blockBarClicked(int32_t ms);
    void setRate(double rate);
    void setVolume(int volume);
    void setBlockMode(BlockMode mode);
    void setAfterBlock(AfterBlock after);

    // ---- block files
    // Asks for the file; true when one was written. The name's extension picks
    // the format (the table of file formats).
    bool SaveBlockData();
    // Ctrl+S: the block file the lesson came from or went to, without a dialog
    // (through the dialog when there is none yet).
    bool saveInPlace();
    // The bytes of a block file applied to the open media, one step; a faulty file changes nothing.
    void ApplyBlockData(std::string_view fileBytes);
    // The Load button's file: a block file, or a transcript (SubRip, WebVTT,
    // LRC, Audacity labels: blocks and notes; plain text: the notes of the
    // present blocks). Unsaved work is asked about first. A faulty file is
    // refused with its reason; nothing changes.
    void loadBlockFile(const QString& path);
    // The block file the practice came from or went to last; empty before any.
    QString blockFilePath() const { return files_.blockFilePath(); }
    QString saveFolder() const;
    QString lastSaveName() const { return files_.lastSaveName(); }
    blockfile::BlockData blockData() const { return files_.blockData(); }

    // ---- a script aligned with the recording
    // Places the script's sentences (a plain text: one a line, or running
    // text) on the open recording on a worker thread: one block per sentence,
    // its note that sentence, the cuts in the pauses between them. The
    // result replaces the lesson as one step; unsaved work is asked about
    // first. False when it did not start (no local media, a run under way).
    bool alignScript(const QString& scriptPath);
    // Writes the lesson as an Anki package chosen in a save dialog, on a
    // worker thread: one note per block with a note line, its sound, its
    // sentence and the last dictation answer. False when it did not start.
    bool exportAnki();
    // The long work under way (aligning, exporting) stopped; nothing of it stays.
    void cancelWork();
    bool working() const { return work_.running(); }

    // ---- pauses, found in the media's loudness after each open
    analysis::EnvelopePtr envelope() const { return pauseFinder_.envelope(); }
    std::vector<analysis::Pause> pauses() const;

    // ---- the dictation check
    // Compares the answer with the current block's note, records it and
    // writes the answers file; nothing for block 0.
    std::optional<dictation::CheckResult> checkDictation(const QString& answer);
    const dictation::DictationLog& dictationLog() const { return dictation_.log(); }
    QString answersPath() const;
    // The dictation mode: the block repeats while it is written down; leaving
    // gives the block mode back (and ends a review).
    void enterDictation();
    void leaveDictation();

    // ---- review: the blocks due today by their attempts' schedule
    // Starts a review round in the dictation mode: the blocks due now that
    // have a note, weakest first, the first of them played. False when none
    // is due; nextReviewDue then says when one will be.
    bool startReview();
    // The round's next (previous) block, played; past the last the round is
    // over (reviewing() false, reviewChanged).
    void nextReviewBlock();
    void previousReviewBlock();
    void leaveReview();
    bool reviewing() const { return !review_.empty(); }
    int reviewPosition() const { return reviewing() ? static_cast<int>(reviewAt_) + 1 : 0; }  // 1-based
    int reviewCount() const { return static_cast<int>(review_.size()); }
    // How many blocks with a note are due now, and when the next one after
    // now comes due (seconds since the epoch, UTC; nullopt: none scheduled).
    int dueNow() const;
    std::optional<int64_t> nextReviewDue() const;
    // Seconds since the epoch (UTC) for the attempts' times and the
    // schedule, and the learner's calendar (seconds east of UTC): a review
    // day runs from local midnight. Tests set a fixed clock and offset (an
    // empty clock gives the real ones back).
    void setWallClock(DictationRecord::WallClock clock, int64_t utcOffset = 0) {
        dictation_.setWallClock(std::move(clock), utcOffset);
    }
    int64_t wallClockNow() const { return dictation_.now(); }
    int64_t utcOffset() const { return dictation_.utcOffset(); }

    // ---- notes: one line per block
    QStringList notes() const;
    // The lines the New button starts the editor with: "n(s)" per block.
    QStringList noteTemplate() const;

    // The messages for a file that cannot be read or written: path and reason.
    static QString cannotOpen(const files::FileError& e);
    static QString cannotCreate(const files::FileError& e);

signals:
    void blockControlsEnabled(bool enabled);
    void currentBlockChanged(int32_t n);   // the counter and the note selection
    void positionChanged();                // the cursor and the position label
    void positionBarCleared();
    void blockBarChanged();                // redraw the block bar from the list
    void cursorMoved(int32_t toMs);  // paused: the cursor goes there at once
    void mediaOpened(const QString& fileName);
    void notesChanged();
    void dictationChanged();
    void reviewChanged();  // a round began, moved on or ended
    void analysisProgress(int percent);  // 0 .. 100 while the media is analysed
    void analysisReady();                // envelope() holds the open media's loudness
    void analysisFailed(const QString& reason);
    void repeatOptionsChanged();  // block mode or what follows a block
    void playStateChanged();      // the active control began or stopped playing
    void rateChanged(double rate);
    void volumeChanged(int volume);
    void unsavedChanged(bool unsaved);
    void historyChanged();        // what undo and redo would do
    void closeDue();
    void workStarted(const QString& what);  // long work on a worker thread: what it is
    void workProgress(int percent);
    void workEnded();  // done, failed or cancelled

private:
    class BusyScope;
    template <typename Work>
    auto whileBusy(Work work) -> decltype(work());

    bool openFile(const QString& path);
    bool openMedia(const QString& path);
    void showNothingOpen();
    bool followBlockFile(const QString& path);
    std::optional<QString> locateMedia(const QString& blockFile, const QString& named, bool& located);
    void loadDictation();
    std::vector<int32_t> dueWithNotes() const;  // 1-based, weakest first
    void playReviewBlock();
    bool answersFollowSave(bool saved);
    void lessonChanged();
    void alignmentFinished(const align::Result& result, int sentences);
    // Each lesson is left where the learner was (block, modes, rate, volume)
    // and taken up there when it opens again.
    QString lessonKey() const;
    void rememberPlace();
    void restorePlace();

    Settings& settings_;
    SessionPrompts& prompts_;
    PracticeState state_;
    MediaEngine::EventPump pump_;
    LessonDocument document_;
    LessonFiles files_;
    Drill drill_;
    PauseFinder pauseFinder_;
    DictationRecord dictation_;
    std::vector<int32_t> review_;  // the round's blocks (1-based); empty: no round
    std::size_t reviewAt_ = 0;
    int32_t reviewBlockCount_ = 0;  // the lesson's blocks when the round began
    BackgroundTask work_;
    int busy_ = 0;  // waits under way in which the event loop runs
    bool closeRequested_ = false;
    bool released_ = false;  // the media was released for the next open already
    int dragId_ = 0;
    bool blockControlsOn_ = false;
    int quiet_ = 0;  // opens or a restore under way: no place is remembered meanwhile
    bool placePending_ = false;  // a lesson opened: its place is restored once the open is done
};

}  // namespace qm
