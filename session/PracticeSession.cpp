#include "session/PracticeSession.h"

#include "align/loader/AlignModule.h"
#include "anki/loader/AnkiModule.h"
#include "common/Utf8.h"
#include "core/BlockList.h"
#include "core/ErrorPolicy.h"
#include "core/PathParts.h"
#include "dictation/ReviewSchedule.h"
#include "media/MpvLibrary.h"
#include "session/FileFormats.h"
#include "session/FileMessages.h"
#include "settings/Settings.h"
#include "transcript/TranscriptFormats.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <future>
#include <stdexcept>

namespace qm {

namespace {
// The class's texts under its full name. Called as qm::Texts::tr, so that
// lupdate finds that name even where it cannot read the class's header.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(qm::PracticeSession)
};
}  // namespace

namespace {

// How far from a pause a mark still snaps to it.
constexpr int32_t kSnapWithinMs = 500;
QString fromUtf8(const std::string& s) { return utf8ToQString(s); }

bool hasScheme(const QString& s) { return s.contains(QStringLiteral("://")); }

// Sets a flag for a scope and clears it on every way out, errors included.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
};

// Counts a scope in, and out on every way out: scopes may nest.
class CountGuard {
public:
    explicit CountGuard(int& count) : count_(count) { ++count_; }
    ~CountGuard() { --count_; }
    CountGuard(const CountGuard&) = delete;
    CountGuard& operator=(const CountGuard&) = delete;

private:
    int& count_;
};

}  // namespace

// The session is busy for the scope; a close asked for meanwhile comes when
// the last such scope ends, also when it ends by an error.
class PracticeSession::BusyScope {
public:
    explicit BusyScope(PracticeSession& s) : s_(s) { ++s_.busy_; }
    ~BusyScope() {
        if (--s_.busy_ > 0 || !s_.closeRequested_) return;
        s_.closeRequested_ = false;
        QTimer::singleShot(0, &s_, [session = &s_] { emit session->closeDue(); });
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    PracticeSession& s_;
};

template <typename Work>
auto PracticeSession::whileBusy(Work work) -> decltype(work()) {
    BusyScope busy(*this);
    auto result = std::async(std::launch::async, std::move(work));
    while (result.wait_for(std::chrono::seconds(0)) != std::future_status::ready) pump_(10);
    return result.get();
}

PracticeSession::Clock PracticeSession::Clock::real() { return {qtEventPump(), std::chrono::steady_clock::now}; }

PracticeSession::PracticeSession(Settings& settings, SessionPrompts& prompts, Clock clock,
                                 const QString& audioOutput, MetafileFetcher fetcher, QObject* parent)
    : QObject(parent),
      settings_(settings),
      prompts_(prompts),
      pump_(clock.pump),
      document_(state_),
      files_(state_, document_, settings_, prompts_,
             [this](const std::function<void()>& work) { whileBusy([&work] { work(); }); }),
      drill_(state_, std::move(clock.pump), std::move(clock.now), audioOutput, std::move(fetcher)) {
    document_.setAnswers(&dictation_.logOfLesson());  // the attempts follow their blocks
    connect(&drill_, &Drill::currentBlockChanged, this, &PracticeSession::currentBlockChanged);
    connect(&work_, &BackgroundTask::progress, this, &PracticeSession::workProgress);
    connect(&drill_, &Drill::positionChanged, this, &PracticeSession::positionChanged);
    connect(&drill_, &Drill::cursorMoved, this, &PracticeSession::cursorMoved);
    connect(&drill_, &Drill::repeatOptionsChanged, this, &PracticeSession::repeatOptionsChanged);
    connect(&drill_, &Drill::rateChanged, this, &PracticeSession::rateChanged);
    connect(&drill_, &Drill::volumeChanged, this, &PracticeSession::volumeChanged);
    // Where the learner is in the lesson, kept as it changes.
    connect(&drill_, &Drill::currentBlockChanged, this, &PracticeSession::rememberPlace);
    connect(&drill_, &Drill::repeatOptionsChanged, this, &PracticeSession::rememberPlace);
    connect(&drill_, &Drill::rateChanged, this, &PracticeSession::rememberPlace);
    connect(&drill_, &Drill::volumeChanged, this, &PracticeSession::rememberPlace);
    // The analysis waits for the media to play.
    auto playingNow = [this] {
        if (drill_.isPlaying()) pauseFinder_.playing();
        emit playStateChanged();
    };
    connect(&drill_.mediaPlayer(), &MediaPlayerControl::PlayStateChange, this, playingNow);
    connect(&drill_.streaming(), &StreamingAudioControl::PlayStateChange, this, playingNow);
    connect(&pauseFinder_, &PauseFinder::progress, this, &PracticeSession::analysisProgress);
    connect(&pauseFinder_, &PauseFinder::ready, this, &PracticeSession::analysisReady);
    connect(&pauseFinder_, &PauseFinder::failed, this, &PracticeSession::analysisFailed);
    connect(&dictation_, &DictationRecord::changed, this, &PracticeSession::dictationChanged);
    connect(&document_, &LessonDocument::lessonChanged, this, &PracticeSession::lessonChanged);
    connect(&document_, &LessonDocument::unsavedChanged, this, &PracticeSession::unsavedChanged);
    connect(&document_, &LessonDocument::historyChanged, this, &PracticeSession::historyChanged);
}

PracticeSession::~PracticeSession() = default;

// Every change of the lesson, by a command, an undo or a redo: the current
// block stays within the list, the windows redraw, and the recovery file
// follows within its delay, off the block timer's path.
void PracticeSession::lessonChanged() {
    // A round's blocks are numbers in the lesson as it was: a change of the
    // blocks ends it rather than drill the wrong sentences.
    if (reviewing() && state_.blocks().count() != reviewBlockCount_) leaveReview();
    if (state_.curBlock > state_.blocks().count()) drill_.SelectBlock(state_.blocks().count());
    emit blockBarChanged();
    emit notesChanged();
    emit currentBlockChanged(state_.curBlock);
    files_.lessonChanged();
}

// ---------------------------------------------------------------- files

QString PracticeSession::cannotOpen(const files::FileError& e) { return messages::cannotOpen(e); }

QString PracticeSession::cannotCreate(const files::FileError& e) { return messages::cannotCreate(e); }

// ---------------------------------------------------------------- release, enable

bool PracticeSession::CanReleaseMedia() {
    if (files_.refuseWhileEditing()) return false;
    if (!unsaved()) return true;
    switch (prompts_.confirm(qm::Texts::tr("保存しますか"))) {
        case Answer::Yes:
            return SaveBlockData();
        case Answer::No:
            files_.discardRecovery();  // given up: not offered again
            return true;
        case Answer::Cancel:
            return false;
    }
    return false;
}

bool PracticeSession::CommitData() {
    if (!CanReleaseMedia()) return false;
    document_.markSaved();  // saved or given up: nothing is asked again
    return true;
}

void PracticeSession::KeepUnsavedWork() { files_.keepNow(); }

void PracticeSession::EnableBlockControls(bool enabled) {
    blockControlsOn_ = enabled;
    drill_.setBlockTimerRunning(enabled);
    emit blockControlsEnabled(enabled);
}

bool PracticeSession::requestClose() {
    if (busy_ == 0) return true;
    // An open waits for its media's length: the close comes once it has finished.
    closeRequested_ = true;
    return false;
}

void PracticeSession::warmUp() { preloadMpv(); }

void PracticeSession::shutdown() {
    cancelWork();
    drill_.setBlockTimerRunning(false);
    drill_.engine().MediaShutdown();
}

// ---------------------------------------------------------------- opening

void PracticeSession::AddHistory(const QString& path) {
    if (state_.loadingBsd) return;
    settings_.addHistory(path);
}

bool PracticeSession::openChosen(const std::function<std::optional<QString>()>& choose) {
    if (openInProgress()) return false;
    if (!CanReleaseMedia()) return false;
    // Answered No: the work is given up, also when no file is chosen after all.
    if (unsaved()) document_.markSaved();
    const auto chosen = choose();
    if (!chosen) return false;
    FlagGuard released(released_);
    return OpenFile(*chosen);
}

bool PracticeSession::OpenFile(const QString& path) {
    bool opened = false;
    {
        // What an open does to the block and the modes is no place of the learner's.
        CountGuard quiet(quiet_);
        opened = openFile(path);
    }
    // The outermost open takes the lesson up where it was left.
    if (!state_.loadingBsd && std::exchange(placePending_, false)) restorePlace();
    return opened;
}

bool PracticeSession::openFile(const QString& path) {
    if (busy_ > 0) return false;  // another open is waiting for its length
    if (!released_ && !CanReleaseMedia()) return false;
    drill_.cancelWait();
    EnableBlockControls(false);
    // An open that fails before the new media is loaded leaves the old lesson
    // as it was, usable again; one that fails after leaves nothing open.
    struct Usable {
        PracticeSession& s;
        ~Usable() {
            if (!s.blockControlsOn_ && s.state_.mediaLength > 0) s.EnableBlockControls(true);
        }
    } usable{*this};
    drill_.engine().MediaStop();
    emit positionBarCleared();
    if (path.isEmpty()) {
        prompts_.message(qm::Texts::tr("メディアのパスがありません"));
        return false;
    }
    // A FIFO or a device would hold the engine's open (and the analysis) for
    // ever: only regular files are opened. A missing one is the engine's to report.
    if (!hasScheme(path) && QFileInfo::exists(path)) {
        if (const auto e = files::checkRegularFile(QFile::encodeName(path).toStdString())) {
            prompts_.message(cannotOpen(*e));
            return false;
        }
    }
    // The lists name the controls; whatever neither list names goes to the
    // media player control, which plays what the engine plays (ogg, wav, m4a,
    // flac, ...), except a block file, which is followed to its media.
    const QString wmp = settings_.wmpExtensions(), rp = settings_.rpExtensions();
    const QString ext = formats::extensionOf(path);
    const bool listed = !ext.isEmpty() && (wmp.toLower().contains(ext) || rp.toLower().contains(ext));
    if (!listed && formats::kindOf(path) == formats::Kind::BlockFile) return followBlockFile(path);
    return openMedia(path);
}

bool PracticeSession::openMedia(const QString& path) {
    cancelWork();  // its result was for the recording that goes
    leaveReview();
    MediaEngine& engine = drill_.engine();
    const bool streaming = formats::playsOnStreamingControl(path, settings_.wmpExtensions(), settings_.rpExtensions());
    engine.LoadIntoEngine(path, streaming ? Engine::Streaming : Engine::MediaPlayer);
    if (!engine.IsPlaying()) engine.MediaPlay();
    {
        // A close asked for during the wait comes now, also when the wait failed.
        BusyScope waiting(*this);
        engine.WaitForLength();
    }
    if (state_.mediaLength == 0) {
        showNothingOpen();
        prompts_.message(qm::Texts::tr("ファイル %1 は開けません\n%2").arg(path, engine.lengthFailure()));
        return false;
    }

    // Only what opened enters the history; a block file's media does not.
    AddHistory(path);
    state_.mediaFile = path.toStdString();
    files_.mediaOpened();
    // The new media, announced to each part: a lesson of one block, its
    // pauses to be found, its answers read.
    document_.reset(state_.mediaLength);
    pauseFinder_.mediaOpened(path);
    emit mediaOpened(fromUtf8(fileNamePart(state_.mediaFile)));
    EnableBlockControls(true);
    drill_.SelectBlock(0);
    if (!state_.loadingBsd) {
        if (!files_.offerRecovery()) {
            if (const auto script = files_.offerTranscript()) {
                if (prompts_.warningYesNo(qm::Texts::tr("同じ名前の台本 %1 があります。録音に合わせてブロックに分けますか？")
                                              .arg(QFileInfo(*script).fileName())))
                    alignScript(*script);
            }
        }
        loadDictation();
        placePending_ = true;
    }
    return true;
}

// The old media went and the new one did not open: no lesson, no name, no
// blocks, the counter at 0/0, as before the first open.
void PracticeSession::showNothingOpen() {
    state_.mediaFile.clear();
    state_.mediaLength = 0;
    state_.mediaPos = 0;
    files_.mediaOpened();
    pauseFinder_.cancel();
    document_.open({});
    drill_.SelectBlock(0);
    emit mediaOpened(QString());
    emit positionChanged();
}

bool PracticeSession::followBlockFile(const QString& path) {
    // A block file that names a block file is not followed: no chain, no ring.
    if (state_.loadingBsd) {
        prompts_.message(
            qm::Texts::tr("ファイル %1 は開けません\nブロックファイルが別のブロックファイルを指しています").arg(path));
        return false;
    }
    const auto bytes = files_.readBlockFile(path);
    if (!bytes) {
        prompts_.message(qm::Texts::tr("ファイル %1 はブロックファイルではありません").arg(path));
        return false;
    }
    const std::string named = blockfile::line(*bytes, 1);
    QString mediaPath = fromUtf8(named);
    // A bare file name or relative path is taken beside the block file, so a
    // lesson folder can be moved as a whole.
    const bool windowsPath = mediaPath.contains(QLatin1Char('\\')) || (mediaPath.size() > 2 && mediaPath[1] == QLatin1Char(':'));
    if (!mediaPath.isEmpty() && !hasScheme(mediaPath) && !windowsPath && QFileInfo(mediaPath).isRelative()) {
        mediaPath = QFileInfo(path).absoluteDir().filePath(mediaPath);
    }
    std::optional<QString> found;
    bool located = false;  // by the learner, in a dialog
    if (!mediaPath.isEmpty() && !hasScheme(mediaPath) && !QFileInfo::exists(mediaPath)) {
        found = locateMedia(path, mediaPath, located);
    }
    bool opened = false;
    {
        FlagGuard loading(state_.loadingBsd);
        opened = OpenFile(found.value_or(mediaPath));
        // What the file holds is the lesson as it was saved: no step, nothing unsaved.
        if (opened) files_.openBlockFile(path, *bytes);
    }
    // Located by the learner: where it is now is a change to save. Found
    // beside the block file, the file stays as it is (the program that made
    // it still reads it).
    if (opened && located) document_.relink(named);
    if (opened) {
        AddHistory(path);
        files_.offerRecovery();
        loadDictation();
        placePending_ = true;
    }
    return false;
}

// The media a block file names is not there (a block file made on Windows
// names C:\lessons\lesson.mp3; a folder was moved): its file name is
// looked for beside the block file, and else the learner may locate it.
std::optional<QString> PracticeSession::locateMedia(const QString& blockFile, const QString& named, bool& located) {
    const QString name = fromUtf8(fileNamePart(named.toStdString()));
    if (name.isEmpty()) return std::nullopt;
    const QDir folder = QFileInfo(blockFile).absoluteDir();
    if (QFileInfo(folder.filePath(name)).isFile()) return folder.filePath(name);
    if (!prompts_.warningYesNo(qm::Texts::tr("ブロックファイル %1 の録音 %2 が見つかりません。録音の場所を指定しますか？")
                                   .arg(QFileInfo(blockFile).fileName(), named))) {
        return std::nullopt;
    }
    FileDialogRequest request;
    request.initialDir = folder.absolutePath();
    request.fileName = name;
    request.filter = formats::openFilter(settings_.wmpExtensions(), settings_.rpExtensions());
    request.mustExist = true;
    const auto chosen = prompts_.openFile(request);
    located = chosen.has_value();
    return chosen;
}

// ---------------------------------------------------------------- places

QString PracticeSession::lessonKey() const {
    if (!files_.blockFilePath().isEmpty()) return files_.blockFilePath();
    return QString::fromStdString(state_.mediaFile);
}

void PracticeSession::rememberPlace() {
    if (quiet_ > 0 || state_.mediaLength <= 0 || state_.mediaFile.empty()) return;
    settings::LessonPlace place;
    place.block = state_.curBlock;
    place.mode = drill_.blockMode() == BlockMode::Repeat ? 1 : 0;
    place.after = drill_.afterBlock() == AfterBlock::AutoPause ? 2 : drill_.afterBlock() == AfterBlock::Pause ? 1 : 0;
    place.rate = drill_.rate();
    place.volume = drill_.volume();
    settings_.rememberLessonPlace(lessonKey(), place);
}

void PracticeSession::restorePlace() {
    const auto place = settings_.lessonPlace(lessonKey());
    if (!place) {
        rememberPlace();
        return;
    }
    {
        CountGuard quiet(quiet_);
        drill_.setBlockMode(place->mode == 1 ? BlockMode::Repeat : BlockMode::Next);
        drill_.setAfterBlock(place->after == 2 ? AfterBlock::AutoPause
                             : place->after == 1 ? AfterBlock::Pause
                                                 : AfterBlock::None);
        drill_.setRate(place->rate);
        drill_.setVolume(place->volume);
        const int32_t block = std::min(place->block, state_.blocks().count());
        if (block > 0) drill_.playLineBlock(block - 1);  // its start, as the learner left it
    }
    rememberPlace();
}

// ---------------------------------------------------------------- block files

QString PracticeSession::saveFolder() const { return settings_.saveFolder(); }

bool PracticeSession::SaveBlockData() { return answersFollowSave(files_.save()); }

bool PracticeSession::saveInPlace() { return answersFollowSave(files_.saveInPlace()); }

// A block file saved: its answers file holds the attempts where its blocks now are.
bool PracticeSession::answersFollowSave(bool saved) {
    if (saved && !dictation_.log().empty() && dictation_.path() == answersPath()) dictation_.write(dictation_.log());
    return saved;
}

void PracticeSession::ApplyBlockData(std::string_view fileBytes) {
    files_.applyBlockBytes(fileBytes, qm::Texts::tr("ブロックファイルの読み込み"));
}

void PracticeSession::loadBlockFile(const QString& path) {
    if (files_.load(path) && formats::kindOf(path) == formats::Kind::BlockFile) loadDictation();
}

// ---------------------------------------------------------------- the lesson

void PracticeSession::markOrPlay() {
    if (drill_.isPlaying()) {
        mark();
    } else {
        play();
    }
}

void PracticeSession::mark() {
    const auto position = drill_.markPosition();
    if (!position) return;
    // A mark lands a reaction time late: near a pause, it goes to its middle.
    int32_t at = *position;
    if (settings_.snapMarks()) {
        if (const auto snapped = pauseFinder_.snap(at, settings_.minPauseMs(), kSnapWithinMs)) at = *snapped;
    }
    document_.split(at);  // nothing on a separator, or with the list full
}

void PracticeSession::deleteLeft() {
    // The start of block 1 is never deleted.
    if (state_.curBlock < 2 || state_.curBlock > state_.blocks().count()) return;
    const int32_t block = state_.curBlock - 1;
    document_.join(block);
    drill_.SelectBlock(block);
}

void PracticeSession::deleteRight() {
    // The end of the last block is never deleted; block 0 has no right edge.
    if (state_.curBlock < 1 || state_.curBlock >= state_.blocks().count()) return;
    document_.join(state_.curBlock);
    drill_.SelectBlock(state_.curBlock);
}

// One block from the start to the end; the notes stay in order, the first
// with the one block, so that a new cut puts them back on the new blocks.
void PracticeSession::clearBlocks() {
    if (state_.blocks().empty()) return;
    if (state_.blocks().count() > 1) {
        document_.replace({{0, state_.blocks().last()}, state_.lesson.notes()}, qm::Texts::tr("ブロッククリア"));
    }
    drill_.SelectBlock(1);
}

bool PracticeSession::cutAtPauses() {
    if (state_.blocks().empty()) return false;
    if (pauseFinder_.envelope() == nullptr) {
        prompts_.message(qm::Texts::tr("音声をまだ解析しています。解析が終わってからもう一度お試しください"));
        return false;
    }
    // At most 1000 blocks: the longest pauses win.
    std::vector<int32_t> seps{0};
    for (int32_t cut : pauseFinder_.cuts(settings_.minPauseMs(), state_.mediaLength,
                                         static_cast<std::size_t>(kMaxBlocks - 1)))
        seps.push_back(cut);
    seps.push_back(state_.mediaLength);
    if (seps.size() < 3) {
        prompts_.message(qm::Texts::tr("区切れる無音が見つかりませんでした"));
        return false;
    }
    if (state_.blocks().count() > 1 &&
        !prompts_.warningYesNo(qm::Texts::tr("今のブロック区切りを、見つかった %1 か所の無音で置き換えますか？").arg(seps.size() - 2))) {
        return false;
    }
    document_.replace({std::move(seps), state_.lesson.notes()}, qm::Texts::tr("無音で区切る"));
    return true;
}

// ---------------------------------------------------------------- scripts

bool PracticeSession::alignScript(const QString& scriptPath) {
    if (work_.running() || state_.blocks().empty()) return false;
    const QFileInfo media(fromUtf8(state_.mediaFile));
    if (!media.isAbsolute() || !media.isFile()) {
        prompts_.message(qm::Texts::tr("台本を合わせられるのは、このコンピューターにある録音だけです"));
        return false;
    }
    std::string bytes = files_.readScript(scriptPath);
    if (!files_.mayReplaceLesson()) return false;
    align::Options options;
    options.minPauseMs = settings_.minPauseMs();
    // The module is loaded, the script split and placed, all on the worker.
    const bool started = work_.start([this, media = state_.mediaFile, bytes = std::move(bytes), options](
                                            const BackgroundTask::Progress& progress, const std::atomic<bool>& cancel) {
        auto result = std::make_shared<align::Result>();
        int sentences = 0;
        std::string why;
        if (const align::ModuleApi* api = align::alignModule(why)) {
            const auto script = api->splitScript(bytes);
            sentences = static_cast<int>(script.size());
            if (!script.empty()) *result = api->alignScript(media, script, options, progress, &cancel);
        } else {
            result->error = why;
        }
        return std::function<void()>([this, result, sentences] { alignmentFinished(*result, sentences); });
    });
    if (!started) return false;
    emit workStarted(qm::Texts::tr("台本を録音に合わせています…"));
    return true;
}

bool PracticeSession::exportAnki() {
    if (work_.running() || state_.blocks().empty()) return false;
    const QFileInfo media(fromUtf8(state_.mediaFile));
    if (!media.isAbsolute() || !media.isFile()) {
        prompts_.message(qm::Texts::tr("Anki に書き出せるのは、このコンピューターにある録音のレッスンだけです"));
        return false;
    }
    const auto& notes = state_.lesson.notes();
    if (std::none_of(notes.begin(), notes.end(), [](const std::string& n) { return !n.empty(); })) {
        prompts_.message(qm::Texts::tr("メモのあるブロックがないため、書き出すカードがありません"));
        return false;
    }
    // The lesson is named by its block file, else by its recording.
    const QString lesson = blockFilePath().isEmpty() ? media.absoluteFilePath() : blockFilePath();
    const QFileInfo named(lesson);
    FileDialogRequest request;
    request.initialDir = named.absolutePath();
    request.fileName = named.completeBaseName() + QStringLiteral(".apkg");
    request.filter = qm::Texts::tr("Anki パッケージ") + QStringLiteral("|*.apkg");
    request.defaultSuffix = QStringLiteral("apkg");
    request.confirmOverwrite = true;
    const auto chosen = prompts_.saveFile(request);
    if (!chosen) return false;

    anki::ExportInput input;
    input.deckName = named.completeBaseName().toStdString();
    input.mediaPath = state_.mediaFile;
    input.separators = state_.blocks().separators();
    input.notes.assign(notes.begin(), notes.end());
    input.notes.resize(input.separators.size() - 1);  // lines past the last block belong to none
    input.lastAnswers.resize(input.notes.size());
    for (const auto& a : dictation_.log().answers())
        if (static_cast<std::size_t>(a.block) < input.lastAnswers.size())
            input.lastAnswers[static_cast<std::size_t>(a.block)] = a.latestAnswer;
    input.lessonKey = lesson.toStdString();
    const std::string target = QFile::encodeName(*chosen).toStdString();
    const bool started = work_.start([this, input = std::move(input), target, path = *chosen](
                                         const BackgroundTask::Progress& progress, const std::atomic<bool>& cancel) {
        std::string why;
        anki::ExportResult result;
        if (const anki::ModuleApi* api = anki::ankiModule(why)) {
            result = api->exportPackage(input, target, progress, &cancel);
        } else {
            result.error = why;
        }
        return std::function<void()>([this, result, path] {
            emit workEnded();
            if (result.error) {
                prompts_.message(qm::Texts::tr("Anki パッケージ %1 を書き出せませんでした\n%2").arg(path, fromUtf8(*result.error)));
                return;
            }
            prompts_.message(qm::Texts::tr("%1 枚のカードを %2 に書き出しました").arg(result.notesWritten).arg(path));
        });
    });
    if (!started) return false;
    emit workStarted(qm::Texts::tr("Anki に書き出しています…"));
    return true;
}

void PracticeSession::cancelWork() {
    if (!work_.running()) return;
    work_.cancel();
    emit workEnded();
}

void PracticeSession::alignmentFinished(const align::Result& result, int sentences) {
    emit workEnded();
    if (result.cancelled) return;
    if (result.error || result.separators.size() < 2) {
        prompts_.message(sentences == 0 ? qm::Texts::tr("台本に文がありません")
                                        : qm::Texts::tr("台本を録音に合わせられませんでした\n%1")
                                              .arg(fromUtf8(result.error.value_or(std::string()))));
        return;
    }
    // The recording's length as the player has it ends the last block; cuts
    // past it (a decoder's length differs by a few ms) go.
    std::vector<int32_t> separators{0};
    std::vector<std::string> notes;
    for (std::size_t k = 1; k + 1 < result.separators.size(); ++k) {
        if (result.separators[k] >= state_.mediaLength) break;
        separators.push_back(result.separators[k]);
        notes.push_back(result.notes[k - 1]);
    }
    notes.push_back(result.notes[separators.size() - 1]);
    separators.push_back(state_.mediaLength);
    document_.replace({std::move(separators), std::move(notes)}, qm::Texts::tr("台本に合わせる"));
    QString report = qm::Texts::tr("台本の %1 文のうち %2 文をブロックにしました").arg(sentences).arg(result.placedSentences);
    if (!result.unplacedLines.empty()) {
        QStringList lines;
        for (int line : result.unplacedLines) lines << QString::number(line);
        report += QLatin1Char('\n') + qm::Texts::tr("録音に見つからなかった台本の行: %1").arg(lines.join(QStringLiteral(", ")));
    }
    if (result.approximate)
        report += QLatin1Char('\n') + qm::Texts::tr("英語以外の台本は、無音と文の長さから置いたおおよその位置です");
    prompts_.message(report);
}

void PracticeSession::moveSeparator(int32_t k, int32_t ms) { document_.move(k, ms, dragId_); }

void PracticeSession::endSeparatorDrag() { ++dragId_; }

void PracticeSession::editNotes(const QStringList& notes) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(notes.size()));
    for (const QString& l : notes) lines.push_back(l.toStdString());
    document_.replace({state_.blocks().separators(), std::move(lines)}, qm::Texts::tr("メモの編集"));
}

void PracticeSession::undo() { document_.undo(); }

void PracticeSession::redo() { document_.redo(); }

QStringList PracticeSession::notes() const {
    QStringList out;
    out.reserve(static_cast<qsizetype>(state_.lesson.notes().size()));
    for (const std::string& n : state_.lesson.notes()) out << fromUtf8(n);
    return out;
}

QStringList PracticeSession::noteTemplate() const {
    QStringList lines;
    for (int32_t i = 0; i < state_.blocks().count(); ++i)
        lines << QString::asprintf("%2d(%3d)", i + 1, state_.blocks()[i] / 1000);
    return lines;
}

// ---------------------------------------------------------------- the drill

void PracticeSession::openLessonForTesting(int32_t mediaLength, LessonContent content, const std::string& mediaFile) {
    state_.mediaLength = mediaLength;
    if (!mediaFile.empty()) state_.mediaFile = mediaFile;
    document_.open(std::move(content));
}

void PracticeSession::tickBlockTimerForTesting() { drill_.tickBlockTimer(); }

int32_t PracticeSession::readPosition() {
    drill_.engine().ReadPosition();
    return state_.mediaPos;
}

void PracticeSession::SelectBlock(int32_t n) { drill_.SelectBlock(n); }
void PracticeSession::nextBlock() { drill_.nextBlock(); }
void PracticeSession::previousBlock() { drill_.previousBlock(); }
void PracticeSession::blockAgain() { drill_.blockAgain(); }
void PracticeSession::playPause() { drill_.playPause(); }
void PracticeSession::play() { drill_.play(); }
void PracticeSession::pause() { drill_.pause(); }
void PracticeSession::stop() { drill_.stop(); }
void PracticeSession::stopPlayback() { drill_.stopPlayback(); }
void PracticeSession::seekToPosition(int32_t ms) { drill_.seekToPosition(ms); }
void PracticeSession::seekBy(int32_t deltaMs) { drill_.seekBy(deltaMs); }
void PracticeSession::seekTransport(int32_t ms) { drill_.seekTransport(ms); }
void PracticeSession::playBlock(int32_t n) { drill_.playBlock(n); }
void PracticeSession::playLineBlock(int32_t line) { drill_.playLineBlock(line); }
void PracticeSession::positionBarClicked(int32_t ms) { drill_.positionBarClicked(ms); }
void PracticeSession::blockBarClicked(int32_t ms) { drill_.blockBarClicked(ms); }
void PracticeSession::setRate(double rate) { drill_.setRate(rate); }
void PracticeSession::setVolume(int volume) { drill_.setVolume(volume); }
void PracticeSession::setBlockMode(BlockMode mode) { drill_.setBlockMode(mode); }
void PracticeSession::setAfterBlock(AfterBlock after) { drill_.setAfterBlock(after); }

// ---------------------------------------------------------------- pauses

std::vector<analysis::Pause> PracticeSession::pauses() const { return pauseFinder_.pauses(settings_.minPauseMs()); }

// ---------------------------------------------------------------- the dictation check

QString PracticeSession::answersPath() const {
    return DictationRecord::answersPathFor(state_.mediaFile, files_.blockFilePath());
}

void PracticeSession::loadDictation() {
    leaveReview();  // another lesson's answers: another schedule
    if (const auto problem = dictation_.load(answersPath())) prompts_.message(*problem);
}

std::optional<dictation::CheckResult> PracticeSession::checkDictation(const QString& answer) {
    const int32_t block = state_.curBlock;
    if (block < 1) return std::nullopt;
    auto result = dictation_.check(block, blockStart(state_, block), state_.lesson.noteOf(block), answer);
    // The file goes with the saved block file: with blocks cut or joined since
    // the save, it holds the attempts where the saved blocks are. The change
    // is announced once the file holds it, written or not.
    try {
        dictation_.write(document_.answersAsSaved().value_or(dictation_.log()));
    } catch (...) {
        emit dictationChanged();
        throw;
    }
    emit dictationChanged();
    return result;
}

void PracticeSession::enterDictation() { drill_.beginRepeatingForDictation(); }

void PracticeSession::leaveDictation() {
    leaveReview();
    drill_.endRepeatingForDictation();
}

// ---------------------------------------------------------------- review

std::vector<int32_t> PracticeSession::dueWithNotes() const {
    std::vector<int32_t> due;
    const int32_t count = state_.blocks().count();
    for (const int block : dictation::dueBlocks(dictation_.log(), dictation_.now(), dictation_.utcOffset())) {
        const int32_t n = block + 1;
        // Attempts at a block the lesson no longer has, or one whose note was
        // emptied, have nothing to be checked against.
        if (n <= count && !state_.lesson.noteOf(n).empty()) due.push_back(n);
    }
    return due;
}

int PracticeSession::dueNow() const { return static_cast<int>(dueWithNotes().size()); }

std::optional<int64_t> PracticeSession::nextReviewDue() const {
    return dictation::nextDue(dictation_.log(), dictation_.now(), dictation_.utcOffset());
}

bool PracticeSession::startReview() {
    review_ = dueWithNotes();
    reviewAt_ = 0;
    reviewBlockCount_ = state_.blocks().count();
    if (review_.empty()) {
        emit reviewChanged();
        return false;
    }
    drill_.beginRepeatingForDictation();
    playReviewBlock();
    emit reviewChanged();
    return true;
}

void PracticeSession::playReviewBlock() {
    if (reviewing()) drill_.playBlock(review_[reviewAt_]);
}

void PracticeSession::nextReviewBlock() {
    if (!reviewing()) return;
    if (++reviewAt_ >= review_.size()) {
        leaveReview();
        return;
    }
    playReviewBlock();
    emit reviewChanged();
}

void PracticeSession::previousReviewBlock() {
    if (!reviewing() || reviewAt_ == 0) return;
    --reviewAt_;
    playReviewBlock();
    emit reviewChanged();
}

void PracticeSession::leaveReview() {
    if (!reviewing()) return;
    review_.clear();
    reviewAt_ = 0;
    emit reviewChanged();
}

}  // namespace qm
