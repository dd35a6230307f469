#include "session/PracticeSession.h"

#include "core/BlockList.h"
#include "core/Check.h"
#include "core/ErrorPolicy.h"
#include "core/PathParts.h"
#include "media/MpvLibrary.h"
#include "session/Recovery.h"
#include "settings/Settings.h"
#include "transcript/TranscriptFormats.h"
#include "common/Utf8.h"
#include "files/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

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
constexpr int kBlockTimerMs = 50;
// The analysis of a fresh open starts this long after it plays, or after the
// longer wait when it does not play.
constexpr int kAnalysisAfterPlayMs = 100;
constexpr int kAnalysisWaitMs = 1000;
// How far from a pause a mark still snaps to it.
constexpr int32_t kSnapWithinMs = 500;
// The file type of the save dialog for which .txt means plain notes (see saveFilter).
constexpr int kPlainTextFilter = 5;

QString fromUtf8(const std::string& s) { return utf8ToQString(s); }

bool hasScheme(const QString& s) { return s.contains(QStringLiteral("://")); }

// The extension that names a media's kind, in lower case: a web address's
// is its path's, so that a query (x.ram?id=3) does not hide it.
QString mediaExtension(const QString& path) {
    QString name = path;
    if (hasScheme(path)) {
        const QUrl url(path);
        if (url.isValid()) name = url.path();
    }
    return fromUtf8(extensionPart(name.toStdString())).toLower();
}

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

// A block file this big is read on a worker while the event loop goes on: a
// million note lines take longer than a window may stand still.
constexpr std::size_t kReadAsideBytes = 1024 * 1024;

// A block file's bytes as the session applies them: checked, fitted to the
// media, its blocks of no length joined with their neighbours, the notes as text.
struct PreparedBlockData {
    blockfile::ParseResult parsed;
    QStringList notes;
};

PreparedBlockData prepare(std::string_view fileBytes, int32_t mediaLength) {
    PreparedBlockData p;
    p.parsed = blockfile::parse(fileBytes);
    if (p.parsed.status != blockfile::ParseStatus::Ok) return p;
    blockfile::BlockData& data = p.parsed.data;
    auto& seps = data.separators;
    if (mediaLength > 0) seps = blockfile::fitToLength(seps, mediaLength);
    // A list made for a shorter media: its last block takes the rest, so the tail stays reachable.
    if (mediaLength > 0 && seps.size() >= 2 && seps.back() < mediaLength) seps.back() = mediaLength;
    // Blocks of no length (a double mark an older program kept) go into
    // their neighbours, taking their notes along.
    blockfile::removeEmptyBlocks(data);
    p.notes.reserve(static_cast<qsizetype>(data.memoLines.size()));
    for (const auto& l : data.memoLines) p.notes << utf8ToQString(l);
    data.memoLines = {};
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
      wmp_(this, audioOutput),
      ra_(this, audioOutput, std::move(fetcher)),
      engine_(state_, wmp_, ra_, clock.pump, std::move(clock.now)),
      repeater_(state_, *this),
      recoveryKeeper_([this] { return unsavedWork(); }) {
    pump_ = std::move(clock.pump);
    Timer1 = new QTimer(this);
    Timer1->setInterval(kBlockTimerMs);
    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);
    Timer2->setSingleShot(true);
    // A coarse timer may fire 5% late: 200 ms on a four-second block.
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer2->setTimerType(Qt::PreciseTimer);

    connect(Timer1, &QTimer::timeout, this, guarded([this] { repeater_.timer1Tick(); }));
    connect(Timer2, &QTimer::timeout, this, guarded([this] { repeater_.timer2Tick(); }));
    // The media player's end is seen through StatusChange, the streaming one's through its play state.
    connect(&wmp_, &MediaPlayerControl::StatusChange, this, guarded([this] {
                repeater_.mediaPlayerStatusChange(wmp_.playState(),
                                                  wmp_.stoppedAtEnd() ? StopCause::EndOfMedia : StopCause::Requested);
            }));
    analysisDelay_.setSingleShot(true);
    connect(&analysisDelay_, &QTimer::timeout, this, guarded([this] { startAnalysis(); }));
    auto playingNow = [this] {
        if (analysisDelay_.isActive() && engine_.IsPlaying()) analysisDelay_.start(kAnalysisAfterPlayMs);
    };
    connect(&wmp_, &MediaPlayerControl::PlayStateChange, this, playingNow);
    connect(&ra_, &StreamingAudioControl::PlayStateChange, this, playingNow);
    connect(&analyzer_, &analysis::MediaAnalyzer::progress, this,
            [this](const QString& source, int percent) {
                if (source == analysedSource_) emit analysisProgress(percent);
            });
    connect(&analyzer_, &analysis::MediaAnalyzer::finished, this,
            [this](const QString& source, analysis::EnvelopePtr envelope, bool) {
                if (source != analysedSource_) return;
                envelope_ = std::move(envelope);
                emit analysisReady();
            });
    connect(&analyzer_, &analysis::MediaAnalyzer::failed, this, [this](const QString& source, const QString& why) {
        if (source == analysedSource_) emit analysisFailed(why);
    });
    connect(&ra_, &StreamingAudioControl::PlayStateChange, this, guarded([this] {
                repeater_.streamingPlayStateChange(ra_.GetPlayState(),
                                                   ra_.stoppedAtEnd() ? StopCause::EndOfMedia : StopCause::Requested);
            }));
    // Every change of blocks or notes is announced by one of these: the
    // recovery file follows within its delay, off the block timer's path.
    auto changed = [this] { recoveryKeeper_.changed(); };
    connect(this, &PracticeSession::separatorChanged, this, changed);
    connect(this, &PracticeSession::blockBarChanged, this, changed);
    connect(this, &PracticeSession::notesChanged, this, changed);
    // A write that lands after its work was saved or given up is not kept.
    connect(&recoveryKeeper_, &recovery::BackgroundKeeper::written, this, [this](const QString& path) {
        if (path != recovery::fileFor(state_.mediaFile) || !unsavedWork()) QFile::remove(path);
    });
}

PracticeSession::~PracticeSession() = default;

// ---------------------------------------------------------------- files

QString PracticeSession::cannotOpen(const files::FileError& e) {
    return tr("ファイル %1 は開けません").arg(fromUtf8(e.path)) + QLatin1Char('\n') + fromUtf8(e.reason);
}

QString PracticeSession::cannotCreate(const files::FileError& e) {
    return tr("ファイル %1 を作成できません").arg(fromUtf8(e.path)) + QLatin1Char('\n') + fromUtf8(e.reason);
}

void PracticeSession::writeFile(const QString& path, const std::string& bytes) {
    if (const auto e = files::writeWholeFile(path.toStdString(), bytes)) throw std::runtime_error(cannotCreate(*e).toStdString());
}

// ---------------------------------------------------------------- release, enable

bool PracticeSession::refuseWhileEditing() {
    if (editor_ == nullptr || !editor_->editing()) return false;
    prompts_.message(tr("Memoの編集を終了してください"));
    return true;
}

bool PracticeSession::CanReleaseMedia() {
    if (refuseWhileEditing()) return false;
    if (!state_.dirty) return true;
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
    state_.dirty = false;
    return true;
}

std::optional<recovery::Snapshot> PracticeSession::unsavedWork() const {
    const std::optional<QStringList> edited = editor_ != nullptr ? editor_->unendedEdit() : std::nullopt;
    if ((!state_.dirty && !edited) || state_.mediaFile.empty() || state_.blocks.empty()) return std::nullopt;
    recovery::Snapshot snap;
    snap.data.mediaPath = state_.mediaFile;
    snap.data.mediaLength = state_.mediaLength;
    snap.data.separators = state_.blocks.separators();
    snap.notes = edited ? *edited : notes_;
    return snap;
}

void PracticeSession::KeepUnsavedWork() {
    // A background write still under way must not land over this one.
    recoveryKeeper_.settle();
    auto snap = unsavedWork();
    if (!snap) return;
    for (const QString& l : snap->notes) snap->data.memoLines.push_back(l.toStdString());
    recovery::keep(state_.mediaFile, recovery::bytesFor(std::move(snap->data)));
}

void PracticeSession::discardRecovery() {
    recoveryKeeper_.settle();
    if (!state_.mediaFile.empty()) recovery::discard(state_.mediaFile);
}

void PracticeSession::EnableBlockControls(bool enabled) {
    if (enabled) {
        Timer1->start();
    } else {
        Timer1->stop();
    }
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
    Timer1->stop();
    engine_.MediaShutdown();
}

// ---------------------------------------------------------------- opening

void PracticeSession::AddHistory(const QString& path) {
    if (state_.loadingBsd) return;
    settings_.addHistory(path);
}

bool PracticeSession::OpenFile(const QString& path) {
    if (busy_ > 0) return false;  // another open is waiting for its length
    if (!CanReleaseMedia()) return false;
    repeater_.cancelWait();
    EnableBlockControls(false);
    engine_.MediaStop();
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

    // The lists name the controls; letter case does not count, and whatever
    // neither list names goes to the media player control, which plays what
    // the engine plays (ogg, wav, m4a, flac, ...).
    const QString ext = mediaExtension(path);
    if (!ext.isEmpty() && settings_.wmpExtensions().toLower().contains(ext)) {
        engine_.LoadIntoEngine(path, Engine::MediaPlayer);
    } else if (!ext.isEmpty() && settings_.rpExtensions().toLower().contains(ext)) {
        engine_.LoadIntoEngine(path, Engine::Streaming);
    } else if (ext == QLatin1String(".bsd")) {
        return followBlockFile(path);
    } else {
        engine_.LoadIntoEngine(path, Engine::MediaPlayer);
    }

    if (!engine_.IsPlaying()) engine_.MediaPlay();
    {
        // A close asked for during the wait comes now, also when the wait failed.
        BusyScope waiting(*this);
        engine_.WaitForLength();
    }
    if (state_.mediaLength == 0) {
        prompts_.message(tr("ファイル %1 は開けません\n%2").arg(path, engine_.lengthFailure()));
        return false;
    }

    // Only what opened enters the history; a block file's media does not.
    AddHistory(path);
    state_.dirty = false;
    state_.blocks.reset(state_.mediaLength);
    state_.mediaFile = path.toStdString();
    setNotes({});
    emit blockBarChanged();
    blockFilePath_.clear();
    envelope_.reset();
    analyzer_.cancel();
    // The analysis waits until the media plays (or a second at most): its
    // decoder loading then does not hold up the start of playback.
    analysisDelay_.start(kAnalysisWaitMs);
    emit mediaOpened(fromUtf8(fileNamePart(state_.mediaFile)));
    EnableBlockControls(true);
    SelectBlock(0);
    if (!state_.loadingBsd) {
        if (!offerRecovery()) offerTranscript();
        loadDictation();
    }
    return true;
}

std::optional<std::string> PracticeSession::readBlockFile(const QString& path) {
    const std::string p = path.toStdString();
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
    if (!mediaPath.isEmpty() && !mediaPath.contains(QStringLiteral("://")) && QFileInfo(mediaPath).isRelative()) {
        mediaPath = QFileInfo(path).absoluteDir().filePath(mediaPath);
    }
    bool opened = false;
    {
        FlagGuard loading(state_.loadingBsd);
        opened = OpenFile(mediaPath);
        if (opened) ApplyBlockData(*bytes);
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
    ApplyBlockData(*kept);
    state_.dirty = true;  // restored, not saved
    return true;
}

// A transcript of the media's own name beside it (lesson.srt for lesson.mp3)
// is offered when the media was opened without a block file.
void PracticeSession::offerTranscript() {
    const QFileInfo media(QString::fromStdString(state_.mediaFile));
    if (!media.isAbsolute() || !media.exists()) return;  // web addresses have no folder to look in
    for (const char* ext : {".srt", ".vtt", ".lrc", ".txt"}) {
        const QString candidate = media.absoluteDir().filePath(media.completeBaseName() + QLatin1String(ext));
        if (!QFileInfo(candidate).isFile()) continue;
        loadTranscript(candidate, /*askFirst=*/true);
        return;
    }
}

bool PracticeSession::loadTranscript(const QString& path, bool askFirst) {
    const std::string p = path.toStdString();
    const auto read = files::readWholeFile(p, kMaxBlockFileBytes);
    if (read.error) throw std::runtime_error(cannotOpen(*read.error).toStdString());
    const auto format = transcript::formatOf(fileNamePart(p), read.bytes);
    if (!format) return false;
    if (askFirst && !prompts_.warningYesNo(tr("同じ名前の字幕ファイル %1 があります。ブロックとメモに読み込みますか？")
                                               .arg(QFileInfo(path).fileName()))) {
        return false;
    }
    transcript::BlockOptions options;
    options.mediaLength = state_.mediaLength;
    const auto loaded = transcript::loadTranscript(*format, read.bytes, options);
    if (!loaded.ok()) {
        prompts_.message(tr("ファイル %1 は読み込めません\n%2")
                             .arg(path, fromUtf8(transcript::message(*loaded.error))));
        return false;
    }
    QStringList notes;
    for (const auto& l : loaded.data.memoLines) notes << fromUtf8(l);
    if (loaded.timed) {
        state_.blocks.assign(loaded.data.separators);
        if (state_.curBlock > state_.blocks.count()) state_.curBlock = state_.blocks.count();
        emit blockBarChanged();
        emit currentBlockChanged(state_.curBlock);
    }
    setNotes(notes);
    // Blocks and notes no block file holds yet: the save question guards them.
    state_.dirty = true;
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
    data.separators = state_.blocks.separators();
    for (const QString& l : notes_) data.memoLines.push_back(l.toStdString());
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
    // The file types; the sixth, plain notes, is the one .txt is written as plain text for.
    request.filter = tr("ブロックファイル (*.bsd)|*.bsd|SubRip 字幕 (*.srt)|*.srt|WebVTT 字幕 (*.vtt)|*.vtt|"
                        "LRC 歌詞 (*.lrc)|*.lrc|Audacity ラベル (*.txt)|*.txt|メモのテキスト (*.txt)|*.txt");
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
    // The name's extension picks the format; .txt is Audacity's labels unless
    // plain notes were the file type chosen.
    const QString ext = QFileInfo(target).suffix().toLower();
    std::optional<transcript::Format> format;
    if (ext == QLatin1String("srt")) format = transcript::Format::SubRip;
    if (ext == QLatin1String("vtt")) format = transcript::Format::WebVtt;
    if (ext == QLatin1String("lrc")) format = transcript::Format::Lrc;
    if (ext == QLatin1String("txt"))
        format = request.chosenFilter == kPlainTextFilter ? transcript::Format::PlainText : transcript::Format::AudacityLabels;
    // A failure keeps the old file and dirty, and the caller's close or open does not go on.
    const std::string bytes = format ? transcript::writeTranscript(*format, blockData()) : blockfile::serialize(blockData());
    writeFile(target, bytes);
    settings_.noteSavedFile(QFileInfo(target).absoluteFilePath());
    if (!format) {
        // Only a block file reopens its media: transcripts stay out of the history.
        noteBlockFile(target);
        AddHistory(target);
    }
    state_.dirty = false;
    discardRecovery();
    return true;
}

void PracticeSession::ApplyBlockData(std::string_view fileBytes) {
    using blockfile::ParseStatus;
    const int32_t length = state_.mediaLength;
    PreparedBlockData prepared = fileBytes.size() < kReadAsideBytes
                                     ? prepare(fileBytes, length)
                                     : whileBusy([fileBytes, length] { return prepare(fileBytes, length); });
    const auto& result = prepared.parsed;
    switch (result.status) {
        case ParseStatus::Ok:
            break;
        case ParseStatus::WrongHeader:
            return;
        case ParseStatus::NotInteger:
            throw std::runtime_error(
                tr("'%1' は整数ではありません").arg(fromUtf8(result.offendingText)).toStdString());
        case ParseStatus::BadCount:
            prompts_.message(tr("ブロック数が 1 から 1000 の範囲にないため、読み込めません"));
            return;
        case ParseStatus::NotAscending:
            prompts_.message(tr("ブロック区切りが 0 から順に並んでいないため、読み込めません"));
            return;
    }
    if (result.data.mediaLength != state_.mediaLength &&
        !prompts_.warningYesNo(tr("長さが違いますが、それでも読み込みますか？"))) {
        return;
    }
    const auto& seps = result.data.separators;
    if (!BlockSeparators::isValid(seps)) {
        prompts_.message(tr("ブロック区切りが 0 から順に並んでいないため、読み込めません"));
        return;
    }
    state_.blocks.assign(seps);
    // Fewer blocks than before: the current block is the last one there is.
    if (state_.curBlock > state_.blocks.count()) state_.curBlock = state_.blocks.count();
    setNotes(prepared.notes);
    emit blockBarChanged();
    emit currentBlockChanged(state_.curBlock);
}

void PracticeSession::loadBlockFile(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("srt") || ext == QLatin1String("vtt") || ext == QLatin1String("lrc") ||
        ext == QLatin1String("txt")) {
        loadTranscript(path, /*askFirst=*/false);
        return;
    }
    const auto bytes = readBlockFile(path);
    if (!bytes) return;
    ApplyBlockData(*bytes);
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

// ---------------------------------------------------------------- pauses

// The open media's loudness, off the GUI thread; the next open cancels it.
// A metafile is analysed as the media it names, where that is a local file.
void PracticeSession::startAnalysis() {
    envelope_.reset();
    QString source = QString::fromStdString(state_.mediaFile);
    if (StreamingAudioControl::isMetafile(source)) source = StreamingAudioControl::readMetafile(source).value_or(QString());
    analysedSource_ = source;
    if (source.isEmpty()) {
        analyzer_.cancel();
        return;
    }
    analyzer_.start(source);
}

std::vector<analysis::Pause> PracticeSession::pauses() const {
    if (envelope_ == nullptr) return {};
    analysis::PauseParams params;
    params.minPauseMs = settings_.minPauseMs();
    return analysis::findPauses(*envelope_, params);
}

bool PracticeSession::cutAtPauses() {
    if (state_.blocks.empty()) return false;
    if (envelope_ == nullptr) {
        prompts_.message(tr("音声をまだ解析しています。解析が終わってからもう一度お試しください"));
        return false;
    }
    auto found = pauses();
    // At most 1000 blocks: the longest pauses win.
    if (found.size() > static_cast<std::size_t>(kMaxBlocks - 1)) {
        std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
            return a.endMs - a.startMs > b.endMs - b.startMs;
        });
        found.resize(static_cast<std::size_t>(kMaxBlocks - 1));
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.startMs < b.startMs; });
    }
    std::vector<int32_t> seps{0};
    // Pauses at the very start or end are no cut; the end is the analysed audio's.
    for (int32_t cut : analysis::cutsAtPauses(found, envelope_->durationMs))
        if (cut > seps.back() && cut < state_.mediaLength) seps.push_back(cut);
    seps.push_back(state_.mediaLength);
    if (seps.size() < 3) {
        prompts_.message(tr("区切れる無音が見つかりませんでした"));
        return false;
    }
    if (state_.blocks.count() > 1 &&
        !prompts_.warningYesNo(tr("今のブロック区切りを、見つかった %1 か所の無音で置き換えますか？").arg(seps.size() - 2))) {
        return false;
    }
    state_.blocks.assign(seps);
    if (state_.curBlock > state_.blocks.count()) state_.curBlock = state_.blocks.count();
    state_.dirty = true;
    emit blockBarChanged();
    emit currentBlockChanged(state_.curBlock);
    return true;
}

void PracticeSession::moveSeparator(int32_t k, int32_t ms) {
    const int32_t before = state_.blocks[k];
    if (state_.blocks.moveInner(k, ms) == before) return;
    state_.dirty = true;
    emit blockBarChanged();
}

// ---------------------------------------------------------------- the dictation check

QString PracticeSession::answersPath() const {
    QString bsd = blockFilePath_;
    if (bsd.isEmpty()) {
        const QFileInfo media(QString::fromStdString(state_.mediaFile));
        if (!media.isAbsolute()) return {};  // a web address: nowhere beside it
        bsd = media.absoluteDir().filePath(media.completeBaseName() + QStringLiteral(".bsd"));
    }
    return QString::fromStdString(dictation::answersPathFor(bsd.toStdString()));
}

void PracticeSession::loadDictation() {
    dictation_ = {};
    const QString path = answersPath();
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        const auto read = files::readWholeFile(path.toStdString(), kMaxBlockFileBytes);
        if (read.error) {
            prompts_.message(cannotOpen(*read.error));
        } else if (auto parsed = dictation::parse(read.bytes); parsed.ok()) {
            dictation_ = std::move(parsed.log);
        } else {
            prompts_.message(tr("ファイル %1 は読み込めません\n%2")
                                 .arg(path, fromUtf8(dictation::message(*parsed.error))));
        }
    }
    emit dictationChanged();
}

std::optional<dictation::CheckResult> PracticeSession::checkDictation(const QString& answer) {
    const int32_t block = state_.curBlock;
    if (block < 1) return std::nullopt;
    const QString reference = block - 1 < notes_.size() ? notes_[block - 1] : QString();
    auto result = dictation::checkAnswer(reference.toStdString(), answer.toStdString());
    dictation_.addAttempt(block - 1, blockStart(state_, block), answer.toStdString(), result.score);
    emit dictationChanged();
    const QString path = answersPath();
    if (!path.isEmpty()) writeFile(path, dictation::serialize(dictation_));
    return result;
}

// ---------------------------------------------------------------- notes

void PracticeSession::setNotes(const QStringList& notes) {
    notes_ = notes;
    emit notesChanged();
}

void PracticeSession::editNotes(const QStringList& notes) {
    setNotes(notes);
    state_.dirty = true;
}

// ---------------------------------------------------------------- block commands

void PracticeSession::SelectBlock(int32_t n) {
    QM_CHECK(n >= 0 && n <= state_.blocks.count(), "the current block lies outside the block list");
    state_.curBlock = n;
    emit currentBlockChanged(n);
}

void PracticeSession::seekAndShow(int32_t ms) {
    engine_.SeekTo(ms);
    engine_.ReadPosition();
    emit positionChanged();
}

void PracticeSession::mark() {
    if (!engine_.IsPlaying()) return;
    engine_.ReadPosition();
    // A mark lands a reaction time late: near a pause, it goes to its middle.
    int32_t at = state_.mediaPos;
    if (settings_.snapMarks()) {
        if (const auto snapped = analysis::snapToPause(pauses(), at, kSnapWithinMs)) at = *snapped;
    }
    if (!insertSeparator(state_, at)) return;  // the list is full
    emit separatorChanged(at, true);
    emit currentBlockChanged(state_.curBlock);
    state_.dirty = true;
}

void PracticeSession::nextBlock() {
    if (state_.curBlock < state_.blocks.count()) {
        SelectBlock(state_.curBlock + 1);
        seekAndShow(blockStart(state_, state_.curBlock));
    }
    engine_.MediaPlay();
}

void PracticeSession::previousBlock() {
    if (state_.curBlock > 1) {
        SelectBlock(state_.curBlock - 1);
        seekAndShow(blockStart(state_, state_.curBlock));
    }
    engine_.MediaPlay();
}

void PracticeSession::blockAgain() {
    // Block 0 starts where block 1 does.
    seekAndShow(blockStart(state_, state_.curBlock));
    engine_.MediaPlay();
}

void PracticeSession::playPause() {
    if (engine_.IsPlaying()) {
        engine_.MediaPause();
    } else {
        engine_.MediaPlay();
    }
}

void PracticeSession::play() { engine_.MediaPlay(); }

void PracticeSession::pause() {
    repeater_.cancelWait();
    if (engine_.IsPlaying()) engine_.MediaPause();
}

void PracticeSession::stop() {
    if (state_.mediaLength <= 0) return;
    pause();
    seekAndShow(blockStart(state_, state_.curBlock));
}

void PracticeSession::seekToPosition(int32_t ms) {
    if (state_.mediaLength <= 0) return;
    positionBarClicked(std::clamp(ms, 0, state_.mediaLength));
}

void PracticeSession::seekBy(int32_t deltaMs) {
    if (state_.mediaLength <= 0) return;
    engine_.ReadPosition();
    seekToPosition(static_cast<int32_t>(std::clamp<int64_t>(int64_t{state_.mediaPos} + deltaMs, 0, state_.mediaLength)));
}

void PracticeSession::deleteLeft() {
    const auto removed = deleteLeftSeparator(state_);
    if (!removed) return;
    emit separatorChanged(*removed, false);
    SelectBlock(state_.curBlock - 1);
}

void PracticeSession::deleteRight() {
    const auto removed = deleteRightSeparator(state_);
    if (!removed) return;
    emit separatorChanged(*removed, false);
    SelectBlock(state_.curBlock);
}

void PracticeSession::clearBlocks() {
    if (state_.blocks.empty()) return;
    clearSeparators(state_);
    emit blockBarChanged();
    SelectBlock(1);
}

void PracticeSession::playBlock(int32_t n) {
    if (n < 1 || n > state_.blocks.count()) return;
    SelectBlock(n);
    engine_.SeekTo(blockStart(state_, n));
    engine_.ReadPosition();
    engine_.MediaPlay();
}

void PracticeSession::playLineBlock(int32_t line) {
    if (line >= 0 && line < state_.blocks.count()) {
        SelectBlock(line + 1);
        engine_.SeekTo(state_.blocks[line]);
        engine_.ReadPosition();
    }
    engine_.MediaPlay();
}

void PracticeSession::positionBarClicked(int32_t ms) {
    if (engine_.IsPlaying()) {
        engine_.SeekTo(ms);
        SelectBlock(getBlock(state_, ms));
        return;
    }
    const int32_t from = state_.cursorPos;
    engine_.SeekTo(ms);
    SelectBlock(getBlock(state_, ms));
    state_.cursorPos = ms;
    emit cursorMoved(from, ms);
    engine_.MediaPlay();
}

void PracticeSession::blockBarClicked(int32_t ms) {
    SelectBlock(getBlock(state_, ms));
    const bool playing = engine_.IsPlaying();
    engine_.SeekTo(blockStart(state_, state_.curBlock));
    if (playing) return;
    const int32_t from = state_.cursorPos;
    engine_.ReadPosition();
    state_.cursorPos = state_.mediaPos;
    emit cursorMoved(from, state_.mediaPos);
    engine_.MediaPlay();
}

void PracticeSession::setRate(double rate) { engine_.SetRate(rate); }

void PracticeSession::setBlockMode(BlockMode mode) {
    if (mode == blockMode_) return;
    blockMode_ = mode;
    emit repeatOptionsChanged();
}

void PracticeSession::setAfterBlock(AfterBlock after) {
    const bool changed = after != afterBlock_;
    afterBlock_ = after;
    if (changed) emit repeatOptionsChanged();
    // Leaving Auto Pause ends a running wait.
    repeater_.repeatingClick();
}

// ---------------------------------------------------------------- repeat host

void PracticeSession::readPosition() { engine_.ReadPosition(); }
void PracticeSession::readExactPosition() { engine_.ReadExactPosition(); }
void PracticeSession::seekTo(int32_t ms) { engine_.SeekTo(ms); }
void PracticeSession::mediaPlay() { engine_.MediaPlay(); }
void PracticeSession::mediaPause() { engine_.MediaPause(); }
bool PracticeSession::blockTimerEnabled() const { return Timer1->isActive(); }

void PracticeSession::setBlockTimerEnabled(bool on) {
    if (on) {
        Timer1->start();
    } else {
        Timer1->stop();
    }
}

void PracticeSession::startWaitTimer(int32_t intervalMs) {
    Timer2->setInterval(intervalMs);
    Timer2->start();
}

void PracticeSession::stopWaitTimer() { Timer2->stop(); }

}  // namespace qm
