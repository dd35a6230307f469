#include "session/PracticeSession.h"

#include "common/Utf8.h"
#include "core/BlockList.h"
#include "core/ErrorPolicy.h"
#include "core/PathParts.h"
#include "media/MpvLibrary.h"
#include "session/FileFormats.h"
#include "session/FileMessages.h"
#include "settings/Settings.h"
#include "transcript/TranscriptFormats.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <future>
#include <stdexcept>

namespace qm {

namespace {

// A block file holds a media path, a thousand numbers and the notes: a few
// hundred kilobytes at most. Anything much bigger is no block file.
constexpr std::size_t kMaxBlockFileBytes = 16 * 1024 * 1024;
// Enough of the file's start to hold its header line.
constexpr std::size_t kHeaderProbeBytes = 4096;
// How far from a pause a mark still snaps to it.
constexpr int32_t kSnapWithinMs = 500;
// A block file this big is read on a worker while the event loop goes on: a
// million note lines take longer than a window may stand still.
constexpr std::size_t kReadAsideBytes = 1024 * 1024;

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

// A block file's bytes as the lesson takes them: checked, fitted to the
// media, its blocks of no length joined with their neighbours.
blockfile::ParseResult prepare(std::string_view fileBytes, int32_t mediaLength) {
    blockfile::ParseResult p = blockfile::parse(fileBytes);
    if (p.status != blockfile::ParseStatus::Ok) return p;
    auto& seps = p.data.separators;
    if (mediaLength > 0) seps = blockfile::fitToLength(seps, mediaLength);
    // A list made for a shorter media: its last block takes the rest, so the tail stays reachable.
    if (mediaLength > 0 && seps.size() >= 2 && seps.back() < mediaLength) seps.back() = mediaLength;
    // Blocks of no length (a double mark an older program kept) go into
    // their neighbours, taking their notes along.
    blockfile::removeEmptyBlocks(p.data);
    return p;
}

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
      drill_(state_, std::move(clock.pump), std::move(clock.now), audioOutput, std::move(fetcher)),
      recoveryKeeper_([this] { return unsavedWork(); }) {
    connect(&drill_, &Drill::currentBlockChanged, this, &PracticeSession::currentBlockChanged);
    connect(&drill_, &Drill::positionChanged, this, &PracticeSession::positionChanged);
    connect(&drill_, &Drill::cursorMoved, this, &PracticeSession::cursorMoved);
    connect(&drill_, &Drill::repeatOptionsChanged, this, &PracticeSession::repeatOptionsChanged);
    // The analysis waits for the media to play.
    auto playingNow = [this] {
        if (drill_.isPlaying()) pauseFinder_.playing();
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
    // A write that lands after its work was saved or given up is not kept.
    connect(&recoveryKeeper_, &recovery::BackgroundKeeper::written, this, [this](const QString& path) {
        if (path != recovery::fileFor(state_.mediaFile) || !unsavedWork()) QFile::remove(path);
    });
}

PracticeSession::~PracticeSession() = default;

// Every change of the lesson, by a command, an undo or a redo: the current
// block stays within the list, the windows redraw, and the recovery file
// follows within its delay, off the block timer's path.
void PracticeSession::lessonChanged() {
    if (state_.curBlock > state_.blocks().count()) drill_.SelectBlock(state_.blocks().count());
    emit blockBarChanged();
    emit notesChanged();
    emit currentBlockChanged(state_.curBlock);
    recoveryKeeper_.changed();
}

// ---------------------------------------------------------------- files

QString PracticeSession::cannotOpen(const files::FileError& e) { return messages::cannotOpen(e); }

QString PracticeSession::cannotCreate(const files::FileError& e) { return messages::cannotCreate(e); }

// ---------------------------------------------------------------- release, enable

bool PracticeSession::refuseWhileEditing() {
    if (editor_ == nullptr || !editor_->editing()) return false;
    prompts_.message(tr("Memoの編集を終了してください"));
    return true;
}

bool PracticeSession::CanReleaseMedia() {
    if (refuseWhileEditing()) return false;
    if (!unsaved()) return true;
    switch (prompts_.confirm(tr("保存しますか"))) {
        case Answer::Yes:
            return SaveBlockData();
        case Answer::No:
            discardRecovery();  // given up: not offered again
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

std::optional<recovery::Snapshot> PracticeSession::unsavedWork() const {
    const std::optional<QStringList> edited = editor_ != nullptr ? editor_->unendedEdit() : std::nullopt;
    if ((!unsaved() && !edited) || state_.mediaFile.empty() || state_.blocks().empty()) return std::nullopt;
    recovery::Snapshot snap;
    snap.data.mediaPath = state_.mediaFile;
    snap.data.mediaLength = state_.mediaLength;
    snap.data.separators = state_.blocks().separators();
    if (edited) {
        for (const QString& l : *edited) snap.data.memoLines.push_back(l.toStdString());
    } else {
        snap.data.memoLines = state_.lesson.notes();
    }
    return snap;
}

void PracticeSession::KeepUnsavedWork() {
    // A background write still under way must not land over this one.
    recoveryKeeper_.settle();
    auto snap = unsavedWork();
    if (!snap) return;
    recovery::keep(state_.mediaFile, recovery::bytesFor(std::move(snap->data)));
}

void PracticeSession::discardRecovery() {
    recoveryKeeper_.settle();
    if (!state_.mediaFile.empty()) recovery::discard(state_.mediaFile);
}

void PracticeSession::EnableBlockControls(bool enabled) {
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
    const auto chosen = choose();
    if (!chosen) return false;
    FlagGuard released(released_);
    return OpenFile(*chosen);
}

bool PracticeSession::OpenFile(const QString& path) {
    if (busy_ > 0) return false;  // another open is waiting for its length
    if (!released_ && !CanReleaseMedia()) return false;
    drill_.cancelWait();
    EnableBlockControls(false);
    drill_.engine().MediaStop();
    emit positionBarCleared();
    if (path.isEmpty()) {
        prompts_.message(tr("メディアのパスがありません"));
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
        prompts_.message(tr("ファイル %1 は開けません\n%2").arg(path, engine.lengthFailure()));
        return false;
    }

    // Only what opened enters the history; a block file's media does not.
    AddHistory(path);
    state_.mediaFile = path.toStdString();
    blockFilePath_.clear();
    blockFileStamp_.reset();
    // The new media, announced to each part: a lesson of one block, its
    // pauses to be found, its answers read.
    document_.reset(state_.mediaLength);
    pauseFinder_.mediaOpened(path);
    emit mediaOpened(fromUtf8(fileNamePart(state_.mediaFile)));
    EnableBlockControls(true);
    drill_.SelectBlock(0);
    if (!state_.loadingBsd) {
        if (!offerRecovery()) offerTranscript();
        loadDictation();
    }
    return true;
}

std::optional<std::string> PracticeSession::readBlockFile(const QString& path) {
    const std::string p = QFile::encodeName(path).toStdString();
    const auto head = files::readFileHead(p, kHeaderProbeBytes);
    if (head.error) throw std::runtime_error(cannotOpen(*head.error).toStdString());
    if (blockfile::line(head.bytes, 0) != blockfile::kHeader) return std::nullopt;
    auto whole = files::readWholeFile(p, kMaxBlockFileBytes);
    if (whole.error) throw std::runtime_error(cannotOpen(*whole.error).toStdString());
    return std::move(whole.bytes);
}

bool PracticeSession::followBlockFile(const QString& path) {
    // A block file that names a block file is not followed: no chain, no ring.
    if (state_.loadingBsd) {
        prompts_.message(
            tr("ファイル %1 は開けません\nブロックファイルが別のブロックファイルを指しています").arg(path));
        return false;
    }
    const auto bytes = readBlockFile(path);
    if (!bytes) {
        prompts_.message(tr("ファイル %1 はブロックファイルではありません").arg(path));
        return false;
    }
    QString mediaPath = fromUtf8(blockfile::line(*bytes, 1));
    // A bare file name or relative path is taken beside the block file, so a
    // lesson folder can be moved as a whole.
    if (!mediaPath.isEmpty() && !hasScheme(mediaPath) && QFileInfo(mediaPath).isRelative()) {
        mediaPath = QFileInfo(path).absoluteDir().filePath(mediaPath);
    }
    bool opened = false;
    {
        FlagGuard loading(state_.loadingBsd);
        opened = OpenFile(mediaPath);
        // What the file holds is the lesson as it was saved: no step, nothing unsaved.
        if (opened) applyBlockBytes(*bytes, {});
    }
    if (opened) {
        noteBlockFile(path);
        AddHistory(path);
        offerRecovery();
        loadDictation();
    }
    return false;
}

// The file stays while the question is asked, and after a Yes until the
// restored work is saved: an end of the program meanwhile loses nothing.
bool PracticeSession::offerRecovery() {
    const auto kept = recovery::read(state_.mediaFile);
    if (!kept) return false;
    if (!prompts_.warningYesNo(tr("前回保存されずに終了したブロックデータがあります。復元しますか？"))) {
        discardRecovery();
        return false;
    }
    // Restored work is not saved work: one step, unsaved.
    return applyBlockBytes(*kept, tr("保存されなかったデータの復元"));
}

// A transcript of the media's own name beside it (lesson.srt for lesson.mp3)
// is offered when the media was opened without a block file.
void PracticeSession::offerTranscript() {
    const QFileInfo media(QString::fromStdString(state_.mediaFile));
    if (!media.isAbsolute() || !media.exists()) return;  // web addresses have no folder to look in
    for (const QString& ext : formats::transcriptExtensions()) {
        const QString candidate = media.absoluteDir().filePath(media.completeBaseName() + ext);
        if (!QFileInfo(candidate).isFile()) continue;
        loadTranscript(candidate, /*askFirst=*/true);
        return;
    }
}

bool PracticeSession::mayReplaceLesson() {
    if (!unsaved()) return true;
    switch (prompts_.confirm(tr("保存しますか"))) {
        case Answer::Yes:
            return SaveBlockData();
        case Answer::No:
            return true;  // the load is one step: an undo brings the work back
        case Answer::Cancel:
            return false;
    }
    return false;
}

bool PracticeSession::loadTranscript(const QString& path, bool askFirst) {
    const auto read = files::readWholeFile(QFile::encodeName(path).toStdString(), kMaxBlockFileBytes);
    if (read.error) throw std::runtime_error(cannotOpen(*read.error).toStdString());
    const auto format = formats::transcriptFormatOf(path, read.bytes);
    if (!format) return false;
    if (askFirst && !prompts_.warningYesNo(tr("同じ名前の字幕ファイル %1 があります。ブロックとメモに読み込みますか？")
                                               .arg(QFileInfo(path).fileName()))) {
        return false;
    }
    transcript::BlockOptions options;
    options.mediaLength = state_.mediaLength;
    auto loaded = transcript::loadTranscript(*format, read.bytes, options);
    if (!loaded.ok()) {
        prompts_.message(messages::cannotRead(path, fromUtf8(transcript::message(*loaded.error))));
        return false;
    }
    if (!askFirst && !mayReplaceLesson()) return false;
    // Plain text fills the notes of the blocks there are: say how many notes it replaces.
    const auto& notesNow = state_.lesson.notes();
    const auto written = std::count_if(notesNow.begin(), notesNow.end(), [](const std::string& n) { return !n.empty(); });
    if (!loaded.timed && written > 0 &&
        !prompts_.warningYesNo(tr("今のメモ %1 行を、ファイル %2 の %3 行で置き換えますか？")
                                   .arg(written)
                                   .arg(QFileInfo(path).fileName())
                                   .arg(loaded.data.memoLines.size()))) {
        return false;
    }
    LessonContent content;
    content.separators = loaded.timed ? loaded.data.separators : state_.blocks().separators();
    content.notes = std::move(loaded.data.memoLines);
    document_.replace(std::move(content), tr("字幕の読み込み"));
    if (loaded.droppedCues > 0) {
        prompts_.message(tr("メディアの長さを過ぎた %1 個の字幕は読み込みませんでした").arg(loaded.droppedCues));
    }
    return true;
}

// ---------------------------------------------------------------- block files

QString PracticeSession::saveFolder() const { return settings_.saveFolder(); }

blockfile::BlockData PracticeSession::blockData() const {
    blockfile::BlockData data;
    data.mediaPath = state_.mediaFile;
    data.mediaLength = state_.mediaLength;
    data.separators = state_.blocks().separators();
    data.memoLines = state_.lesson.notes();
    return data;
}

bool PracticeSession::SaveBlockData() {
    if (refuseWhileEditing()) return false;
    if (state_.mediaFile.find_first_of("\r\n") != std::string::npos) {
        // Line 1 of the file holds the path: a break in it would shift every line after it.
        prompts_.message(tr("メディアのパスに改行が含まれているため、ブロックファイルに保存できません"));
        return false;
    }
    QString proposal = fromUtf8(fileNamePart(state_.mediaFile));
    const int dot = proposal.lastIndexOf(QLatin1Char('.'));
    proposal = (dot >= 0 ? proposal.left(dot) : proposal) + QStringLiteral(".bsd");

    FileDialogRequest request;
    request.initialDir = saveFolder();
    request.fileName = proposal;
    request.defaultSuffix = QStringLiteral("bsd");
    request.confirmOverwrite = true;
    request.filter = formats::saveFilter();
    const auto chosen = prompts_.saveFile(request);
    if (!chosen) {
        lastSaveName_ = proposal;
        return false;
    }
    const QString target = *chosen;
    lastSaveName_ = target;
    if (changedElsewhere(target) &&
        !prompts_.warningYesNo(
            tr("ファイル %1 は、読み込んだ後にほかのプログラムで変更されています。上書きしますか？").arg(target))) {
        return false;
    }
    // The name's extension picks the format, and for .txt the type chosen.
    const auto format = formats::saveFormatOf(target, request.chosenFilter);
    // A failure keeps the old file and the unsaved work, and the caller's close or open does not go on.
    const std::string bytes = format ? transcript::writeTranscript(*format, blockData()) : blockfile::serialize(blockData());
    if (const auto e = files::writeWholeFile(QFile::encodeName(target).toStdString(), bytes)) {
        throw std::runtime_error(cannotCreate(*e).toStdString());
    }
    settings_.noteSavedFile(QFileInfo(target).absoluteFilePath());
    if (!format) {
        // Only a block file reopens its media: transcripts stay out of the history.
        noteBlockFile(target);
        AddHistory(target);
    }
    document_.markSaved();
    discardRecovery();
    return true;
}

bool PracticeSession::applyBlockBytes(std::string_view fileBytes, const QString& text) {
    using blockfile::ParseStatus;
    const int32_t length = state_.mediaLength;
    blockfile::ParseResult result = fileBytes.size() < kReadAsideBytes
                                        ? prepare(fileBytes, length)
                                        : whileBusy([fileBytes, length] { return prepare(fileBytes, length); });
    switch (result.status) {
        case ParseStatus::Ok:
            break;
        case ParseStatus::WrongHeader:
            return false;
        case ParseStatus::NotInteger:
            throw std::runtime_error(
                tr("'%1' は整数ではありません").arg(fromUtf8(result.offendingText)).toStdString());
        case ParseStatus::BadCount:
            prompts_.message(tr("ブロック数が 1 から 1000 の範囲にないため、読み込めません"));
            return false;
        case ParseStatus::NotAscending:
            prompts_.message(tr("ブロック区切りが 0 から順に並んでいないため、読み込めません"));
            return false;
    }
    if (result.data.mediaLength != state_.mediaLength &&
        !prompts_.warningYesNo(tr("長さが違いますが、それでも読み込みますか？"))) {
        return false;
    }
    if (!BlockSeparators::isValid(result.data.separators)) {
        prompts_.message(tr("ブロック区切りが 0 から順に並んでいないため、読み込めません"));
        return false;
    }
    LessonContent content{std::move(result.data.separators), std::move(result.data.memoLines)};
    if (text.isEmpty()) {
        document_.open(std::move(content));
    } else {
        document_.replace(std::move(content), text);
    }
    return true;
}

void PracticeSession::ApplyBlockData(std::string_view fileBytes) {
    applyBlockBytes(fileBytes, tr("ブロックファイルの読み込み"));
}

void PracticeSession::loadBlockFile(const QString& path) {
    if (formats::kindOf(path) == formats::Kind::Transcript) {
        loadTranscript(path, /*askFirst=*/false);
        return;
    }
    const auto bytes = readBlockFile(path);
    if (!bytes) return;
    if (!mayReplaceLesson()) return;
    if (!applyBlockBytes(*bytes, tr("ブロックファイルの読み込み"))) return;
    noteBlockFile(path);
    loadDictation();
}

void PracticeSession::noteBlockFile(const QString& path) {
    blockFilePath_ = QFileInfo(path).absoluteFilePath();
    blockFileStamp_ = files::stampOf(QFile::encodeName(blockFilePath_).toStdString());
}

// The block file this practice came from or went to last, changed on disk
// since by someone else (another program, another of our windows elsewhere).
bool PracticeSession::changedElsewhere(const QString& path) const {
    if (blockFilePath_.isEmpty() || QFileInfo(path).absoluteFilePath() != blockFilePath_) return false;
    const auto now = files::stampOf(QFile::encodeName(blockFilePath_).toStdString());
    return now && now != blockFileStamp_;
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
        document_.replace({{0, state_.blocks().last()}, state_.lesson.notes()}, tr("ブロッククリア"));
    }
    drill_.SelectBlock(1);
}

bool PracticeSession::cutAtPauses() {
    if (state_.blocks().empty()) return false;
    if (pauseFinder_.envelope() == nullptr) {
        prompts_.message(tr("音声をまだ解析しています。解析が終わってからもう一度お試しください"));
        return false;
    }
    // At most 1000 blocks: the longest pauses win.
    std::vector<int32_t> seps{0};
    for (int32_t cut : pauseFinder_.cuts(settings_.minPauseMs(), state_.mediaLength,
                                         static_cast<std::size_t>(kMaxBlocks - 1)))
        seps.push_back(cut);
    seps.push_back(state_.mediaLength);
    if (seps.size() < 3) {
        prompts_.message(tr("区切れる無音が見つかりませんでした"));
        return false;
    }
    if (state_.blocks().count() > 1 &&
        !prompts_.warningYesNo(tr("今のブロック区切りを、見つかった %1 か所の無音で置き換えますか？").arg(seps.size() - 2))) {
        return false;
    }
    document_.replace({std::move(seps), state_.lesson.notes()}, tr("無音で区切る"));
    return true;
}

void PracticeSession::moveSeparator(int32_t k, int32_t ms) { document_.move(k, ms, dragId_); }

void PracticeSession::endSeparatorDrag() { ++dragId_; }

void PracticeSession::editNotes(const QStringList& notes) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(notes.size()));
    for (const QString& l : notes) lines.push_back(l.toStdString());
    document_.replace({state_.blocks().separators(), std::move(lines)}, tr("メモの編集"));
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

QString PracticeSession::answersPath() const { return DictationRecord::answersPathFor(state_.mediaFile, blockFilePath_); }

void PracticeSession::loadDictation() {
    if (const auto problem = dictation_.load(answersPath())) prompts_.message(*problem);
}

std::optional<dictation::CheckResult> PracticeSession::checkDictation(const QString& answer) {
    const int32_t block = state_.curBlock;
    if (block < 1) return std::nullopt;
    return dictation_.check(block, blockStart(state_, block), state_.lesson.noteOf(block), answer);
}

void PracticeSession::enterDictation() { drill_.beginRepeatingForDictation(); }

void PracticeSession::leaveDictation() { drill_.endRepeatingForDictation(); }

}  // namespace qm
