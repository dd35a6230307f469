#pragma once

#include "dictation/AnswerCheck.h"
#include "blockfile/BlockFile.h"
#include "dictation/DictationLog.h"
#include "media/MediaEngine.h"
#include "analysis/MediaAnalyzer.h"
#include "media/MediaPlayerControl.h"
#include "pauses/Pauses.h"
#include "core/PracticeState.h"
#include "session/Recovery.h"
#include "core/RepeatController.h"
#include "session/SessionPrompts.h"
#include "media/StreamingAudioControl.h"
#include "files/WholeFile.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>
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

// The practice itself, without a window: the practice state, the two
// playback controls and the engine adapter over them, the open pipeline
// (engine choice, following block files, the wait for the length, a close
// deferred until that wait ends), block-file load and save, the block
// commands, the notes, and the repeat controller with its two timers. The
// windows show it, answer its questions (SessionPrompts) and forward the
// user's actions to it; it reports every change by a signal. Errors a user or
// a file can cause are said through the prompts or thrown with their message
// for the caller's general handler; a broken invariant stops the program.
class PracticeSession : public QObject, private RepeatHost {
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

    PracticeState& state() { return state_; }
    const PracticeState& state() const { return state_; }
    MediaEngine& engine() { return engine_; }
    MediaPlayerControl& mediaPlayer() { return wmp_; }
    StreamingAudioControl& streaming() { return ra_; }
    RepeatController& repeater() { return repeater_; }
    Settings& settings() { return settings_; }
    void setNoteEditor(const NoteEditor* editor) { editor_ = editor; }
    const NoteEditor* noteEditor() const { return editor_; }

    // ---- opening
    // Every way in ends here. True only when a media file was opened and the
    // block list reset; a block file is followed to its media and gives false.
    bool OpenFile(const QString& path);
    // An open waits for its media's length, or a big block file is read on a
    // worker: the event loop runs meanwhile, and no other open may start.
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
    void noteEditChanged() { recoveryKeeper_.changed(); }
    // How long after a change the recovery file is brought up to date.
    void setRecoveryDelayMs(int ms) { recoveryKeeper_.setDelayMs(ms); }
    void AddHistory(const QString& path);  // nothing while a block file is followed
    void EnableBlockControls(bool enabled);
    void shutdown();  // MediaShutdown
    // Loads the playback engine's library in the background now, so that the
    // first open finds it ready (the window shows before it is loaded).
    void warmUp();

    // ---- blocks
    void SelectBlock(int32_t n);
    void mark();            // a separator at the position, while playing
    void nextBlock();
    void previousBlock();
    void blockAgain();      // the current block from its start
    void playPause();
    void play();
    void pause();           // a running auto-pause wait ends too
    void stop();            // paused at the current block's start
    // A position chosen from outside the bars (the desktop's media keys): as a
    // click on the position bar there, selecting the block that holds it.
    void seekToPosition(int32_t ms);
    void seekBy(int32_t deltaMs);  // from the position now, kept within the media
    void deleteLeft();
    void deleteRight();
    void clearBlocks();
    void playBlock(int32_t n);      // block n (1-based) from its start; nothing outside the list
    void playLineBlock(int32_t line);  // the block of a note line when there is one, then play
    void positionBarClicked(int32_t ms);
    void blockBarClicked(int32_t ms);
    void setRate(double rate);
    void setBlockMode(BlockMode mode);
    void setAfterBlock(AfterBlock after);
    BlockMode blockMode() const override { return blockMode_; }
    AfterBlock afterBlock() const override { return afterBlock_; }

    // ---- block files
    // Asks for the file; true when one was written. The name's extension picks
    // the format: .srt, .vtt, .lrc and .txt (Audacity labels, or plain notes
    // when that file type was chosen) besides .bsd, the default.
    bool SaveBlockData();
    // The bytes of a block file applied to the open media; a faulty file changes nothing.
    void ApplyBlockData(std::string_view fileBytes);
    // The Load button's file: a block file, or a transcript (SubRip, WebVTT,
    // LRC, Audacity labels: blocks and notes; plain text: the notes of the
    // present blocks). A faulty transcript is refused with its line; nothing changes.
    void loadBlockFile(const QString& path);
    // The block file the practice came from or went to last; empty before any.
    QString blockFilePath() const { return blockFilePath_; }
    QString saveFolder() const;
    QString lastSaveName() const { return lastSaveName_; }
    blockfile::BlockData blockData() const;

    // ---- pauses, found in the media's loudness after each open
    // The loudness of the open media once analysed; null before, or when it
    // could not be analysed (say a web address of another kind).
    analysis::EnvelopePtr envelope() const { return envelope_; }
    // The pauses of at least the settings' shortest pause length.
    std::vector<analysis::Pause> pauses() const;
    // Replaces the block list by cuts at the middles of the pauses; asks first
    // when there are separators of the user's. Marks the data unsaved. False
    // when nothing was cut (no analysis yet, no pause, or answered No).
    bool cutAtPauses();
    // Moves inner separator k (1 .. count-1) to ms, kept between its neighbours.
    void moveSeparator(int32_t k, int32_t ms);
    analysis::MediaAnalyzer& analyzer() { return analyzer_; }

    // ---- the dictation check
    // Compares the answer with the current block's note, records it for the
    // block and writes the answers file beside the block file (or beside the
    // media, named as its block file would be); for a web address without a
    // block file the answers are kept for the run only. Nothing for block 0.
    std::optional<dictation::CheckResult> checkDictation(const QString& answer);
    const dictation::DictationLog& dictationLog() const { return dictation_; }
    QString answersPath() const;

    // The messages for a file that cannot be read or written: path and reason.
    static QString cannotOpen(const files::FileError& e);
    static QString cannotCreate(const files::FileError& e);

    // ---- notes: one line per block
    const QStringList& notes() const { return notes_; }
    // Notes changed by the user (an ended edit): dirty is set.
    void editNotes(const QStringList& notes);
    void setNotes(const QStringList& notes);  // as loaded: dirty stays

    QTimer* Timer1;  // 50 ms: watches the position while a file is open
    QTimer* Timer2;  // one shot: the auto-pause wait

signals:
    void blockControlsEnabled(bool enabled);
    void currentBlockChanged(int32_t n);   // the counter and the note selection
    void positionChanged();                // the cursor and the position label
    void positionBarCleared();
    void blockBarChanged();                // redraw the block bar from the list
    void separatorChanged(int32_t ms, bool present);  // one line drawn or erased
    void cursorMoved(int32_t fromMs, int32_t toMs);
    void mediaOpened(const QString& fileName);
    void notesChanged();
    void dictationChanged();
    void analysisProgress(int percent);  // 0 .. 100 while the media is analysed
    void analysisReady();                // envelope() holds the open media's loudness
    void analysisFailed(const QString& reason);
    void repeatOptionsChanged();  // block mode or what follows a block
    void closeDue();

private:
    std::optional<std::string> readBlockFile(const QString& path);
    std::optional<recovery::Snapshot> unsavedWork() const;
    void discardRecovery();  // the work of the open media was saved or given up
    void noteBlockFile(const QString& path);  // read or written by us: its stamp
    bool changedElsewhere(const QString& path) const;
    void writeFile(const QString& path, const std::string& bytes);  // throws cannotCreate
    bool followBlockFile(const QString& path);
    bool offerRecovery();
    void offerTranscript();
    bool loadTranscript(const QString& path, bool askFirst);
    void loadDictation();
    void startAnalysis();
    void seekAndShow(int32_t ms);
    bool refuseWhileEditing();
    // Runs work on a worker thread while the event loop goes on, as the open
    // does while it waits: the session counts as busy until it is done.
    template <typename Work>
    auto whileBusy(Work work) -> decltype(work());
    class BusyScope;

    // RepeatHost
    void readPosition() override;
    void readExactPosition() override;
    void seekTo(int32_t ms) override;
    void mediaPlay() override;
    void mediaPause() override;
    void selectBlock(int32_t n) override { SelectBlock(n); }
    void showPosition() override { emit positionChanged(); }
    bool blockTimerEnabled() const override;
    void setBlockTimerEnabled(bool on) override;
    void startWaitTimer(int32_t intervalMs) override;
    void stopWaitTimer() override;

    Settings& settings_;
    SessionPrompts& prompts_;
    const NoteEditor* editor_ = nullptr;
    PracticeState state_;
    MediaPlayerControl wmp_;
    StreamingAudioControl ra_;
    MediaEngine engine_;
    RepeatController repeater_;
    QStringList notes_;
    BlockMode blockMode_ = BlockMode::Next;
    AfterBlock afterBlock_ = AfterBlock::None;
    QString lastSaveName_;  // the name last chosen or proposed in the save dialog
    QString blockFilePath_;
    std::optional<files::FileStamp> blockFileStamp_;  // of blockFilePath_ when last read or written
    dictation::DictationLog dictation_;
    analysis::MediaAnalyzer analyzer_;
    analysis::EnvelopePtr envelope_;
    QTimer analysisDelay_;
    QString analysedSource_;
    int busy_ = 0;  // waits under way in which the event loop runs
    bool closeRequested_ = false;
    MediaEngine::EventPump pump_;
    recovery::BackgroundKeeper recoveryKeeper_;
};

}  // namespace qm
