#include "session/LessonFiles.h"

#include "common/Utf8.h"
#include "core/PathParts.h"
#include "session/FileFormats.h"
#include "session/FileMessages.h"
#include "settings/Settings.h"
#include "transcript/TranscriptFormats.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <stdexcept>

namespace qm {

namespace {
// The class's texts under its full name. Called as qm::Texts::tr, so that
// lupdate finds that name even where it cannot read the class's header.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(qm::LessonFiles)
};
}  // namespace

namespace {

QString fromUtf8(const std::string& s) { return utf8ToQString(s); }
std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A block file holds a media path, a thousand numbers and the notes: a few
// hundred kilobytes at most. Anything much bigger is no block file.
constexpr std::size_t kMaxBlockFileBytes = 16 * 1024 * 1024;
// Enough of the file's start to hold its header line.
constexpr std::size_t kHeaderProbeBytes = 4096;
// A block file this big is read on a worker while the event loop goes on: a
// million note lines take longer than a window may stand still.
constexpr std::size_t kReadAsideBytes = 1024 * 1024;

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

LessonFiles::LessonFiles(PracticeState& state, LessonDocument& document, Settings& settings, SessionPrompts& prompts,
                         RunAside runAside, QObject* parent)
    : QObject(parent),
      state_(state),
      document_(document),
      settings_(settings),
      prompts_(prompts),
      runAside_(std::move(runAside)),
      keeper_([this] { return unsavedWork(); }) {
    // A write that lands after its work was saved or given up is not kept.
    connect(&keeper_, &recovery::BackgroundKeeper::written, this, [this](const QString& path) {
        if (path != recovery::fileFor(state_.mediaFile) || !unsavedWork()) QFile::remove(path);
    });
}

bool LessonFiles::refuseWhileEditing() {
    if (editor_ == nullptr || !editor_->editing()) return false;
    prompts_.message(qm::Texts::tr("Memoの編集を終了してください"));
    return true;
}

void LessonFiles::mediaOpened() {
    blockFilePath_.clear();
    blockFileStamp_.reset();
}

blockfile::BlockData LessonFiles::blockData() const {
    blockfile::BlockData data;
    data.mediaPath = state_.mediaFile;
    data.mediaLength = state_.mediaLength;
    data.separators = state_.blocks().separators();
    data.memoLines = state_.lesson.notes();
    return data;
}

// ---------------------------------------------------------------- reading

std::optional<std::string> LessonFiles::readBlockFile(const QString& path) {
    const auto head = files::readFileHead(native(path), kHeaderProbeBytes);
    if (head.error) throw std::runtime_error(messages::cannotOpen(*head.error).toStdString());
    if (blockfile::line(head.bytes, 0) != blockfile::kHeader) return std::nullopt;
    auto whole = files::readWholeFile(native(path), kMaxBlockFileBytes);
    if (whole.error) throw std::runtime_error(messages::cannotOpen(*whole.error).toStdString());
    return std::move(whole.bytes);
}

bool LessonFiles::openBlockFile(const QString& path, std::string_view bytes) {
    if (!applyBlockBytes(bytes, {})) return false;
    noteBlockFile(path);
    return true;
}

bool LessonFiles::applyBlockBytes(std::string_view fileBytes, const QString& text) {
    using blockfile::ParseStatus;
    const int32_t length = state_.mediaLength;
    blockfile::ParseResult result;
    if (fileBytes.size() < kReadAsideBytes) {
        result = prepare(fileBytes, length);
    } else {
        runAside_([&] { result = prepare(fileBytes, length); });
    }
    switch (result.status) {
        case ParseStatus::Ok:
            break;
        case ParseStatus::WrongHeader:
            return false;
        case ParseStatus::NotInteger:
            throw std::runtime_error(
                qm::Texts::tr("'%1' は整数ではありません").arg(fromUtf8(result.offendingText)).toStdString());
        case ParseStatus::BadCount:
            prompts_.message(qm::Texts::tr("ブロック数が 1 から 1000 の範囲にないため、読み込めません"));
            return false;
        case ParseStatus::NotAscending:
            prompts_.message(qm::Texts::tr("ブロック区切りが 0 から順に並んでいないため、読み込めません"));
            return false;
    }
    if (result.data.mediaLength != state_.mediaLength &&
        !prompts_.warningYesNo(qm::Texts::tr("長さが違いますが、それでも読み込みますか？"))) {
        return false;
    }
    if (!BlockSeparators::isValid(result.data.separators)) {
        prompts_.message(qm::Texts::tr("ブロック区切りが 0 から順に並んでいないため、読み込めません"));
        return false;
    }
    LessonContent content{std::move(result.data.separators), std::move(result.data.memoLines)};
    // No text: the lesson as it opened, no step.
    if (text.isEmpty()) {
        document_.open(std::move(content));
    } else {
        document_.replace(std::move(content), text);
    }
    return true;
}

bool LessonFiles::load(const QString& path) {
    if (formats::kindOf(path) == formats::Kind::Transcript) return loadTranscript(path, /*askFirst=*/false);
    const auto bytes = readBlockFile(path);
    if (!bytes) return false;
    if (!mayReplaceLesson()) return false;
    if (!applyBlockBytes(*bytes, qm::Texts::tr("ブロックファイルの読み込み"))) return false;
    noteBlockFile(path);
    return true;
}

// A transcript of the media's own name beside it (lesson.srt for lesson.mp3)
// is offered when the media was opened without a block file.
std::optional<QString> LessonFiles::offerTranscript() {
    const QFileInfo media(QString::fromStdString(state_.mediaFile));
    if (!media.isAbsolute() || !media.exists()) return std::nullopt;  // web addresses have no folder to look in
    for (const QString& ext : formats::transcriptExtensions()) {
        const QString candidate = media.absoluteDir().filePath(media.completeBaseName() + ext);
        if (!QFileInfo(candidate).isFile()) continue;
        const auto head = files::readFileHead(native(candidate), 4096);
        if (!head.error && formats::transcriptFormatOf(candidate, head.bytes) == transcript::Format::PlainText)
            return candidate;  // sentences without times: a script to align
        loadTranscript(candidate, /*askFirst=*/true);
        return std::nullopt;
    }
    return std::nullopt;
}

std::string LessonFiles::readScript(const QString& path) {
    auto read = files::readWholeFile(native(path), kMaxBlockFileBytes);
    if (read.error) throw std::runtime_error(messages::cannotOpen(*read.error).toStdString());
    return std::move(read.bytes);
}

bool LessonFiles::mayReplaceLesson() {
    if (!document_.unsaved()) return true;
    switch (prompts_.confirm(qm::Texts::tr("保存しますか"))) {
        case Answer::Yes:
            return save();
        case Answer::No:
            return true;  // the load is one step: an undo brings the work back
        case Answer::Cancel:
            return false;
    }
    return false;
}

bool LessonFiles::loadTranscript(const QString& path, bool askFirst) {
    const auto read = files::readWholeFile(native(path), kMaxBlockFileBytes);
    if (read.error) throw std::runtime_error(messages::cannotOpen(*read.error).toStdString());
    const auto format = formats::transcriptFormatOf(path, read.bytes);
    if (!format) return false;
    if (askFirst && !prompts_.warningYesNo(qm::Texts::tr("同じ名前の字幕ファイル %1 があります。ブロックとメモに読み込みますか？")
                                               .arg(QFileInfo(path).fileName()))) {
        return false;
    }
    transcript::BlockOptions options;
    options.mediaLength = state_.mediaLength;
    auto loaded = transcript::loadTranscript(*format, read.bytes, options);
    if (!loaded.ok()) {
        prompts_.message(messages::cannotRead(path, fromUtf8(transcript::message(*loaded.error, messages::qtTranslate()))));
        return false;
    }
    if (!askFirst && !mayReplaceLesson()) return false;
    // Plain text fills the notes of the blocks there are: say how many notes it replaces.
    const auto& notesNow = state_.lesson.notes();
    const auto written = std::count_if(notesNow.begin(), notesNow.end(), [](const std::string& n) { return !n.empty(); });
    if (!loaded.timed && written > 0 &&
        !prompts_.warningYesNo(qm::Texts::tr("今のメモ %1 行を、ファイル %2 の %3 行で置き換えますか？")
                                   .arg(written)
                                   .arg(QFileInfo(path).fileName())
                                   .arg(loaded.data.memoLines.size()))) {
        return false;
    }
    LessonContent content;
    content.separators = loaded.timed ? loaded.data.separators : state_.blocks().separators();
    content.notes = std::move(loaded.data.memoLines);
    document_.replace(std::move(content), qm::Texts::tr("字幕の読み込み"));
    if (loaded.droppedCues > 0) {
        prompts_.message(qm::Texts::tr("メディアの長さを過ぎた %1 個の字幕は読み込みませんでした").arg(loaded.droppedCues));
    }
    return true;
}

// ---------------------------------------------------------------- writing

// What any save refuses: an edit under way, and a media path a block file cannot hold.
bool LessonFiles::maySave() {
    if (refuseWhileEditing()) return false;
    if (state_.mediaFile.find_first_of("\r\n") != std::string::npos) {
        // Line 1 of the file holds the path: a break in it would shift every line after it.
        prompts_.message(qm::Texts::tr("メディアのパスに改行が含まれているため、ブロックファイルに保存できません"));
        return false;
    }
    return true;
}

bool LessonFiles::save() {
    if (!maySave()) return false;
    QString proposal = fromUtf8(fileNamePart(state_.mediaFile));
    const int dot = proposal.lastIndexOf(QLatin1Char('.'));
    proposal = (dot >= 0 ? proposal.left(dot) : proposal) + QStringLiteral(".bsd");

    FileDialogRequest request;
    request.initialDir = settings_.saveFolder();
    request.fileName = proposal;
    request.defaultSuffix = QStringLiteral("bsd");
    request.confirmOverwrite = true;
    request.filter = formats::saveFilter();
    const auto chosen = prompts_.saveFile(request);
    if (!chosen) {
        lastSaveName_ = proposal;
        return false;
    }
    lastSaveName_ = *chosen;
    // The name's extension picks the format, and for .txt the type chosen.
    return writeTo(*chosen, formats::saveFormatOf(*chosen, request.chosenFilter));
}

bool LessonFiles::saveInPlace() {
    if (blockFilePath_.isEmpty()) return save();
    if (!maySave()) return false;
    return writeTo(blockFilePath_, std::nullopt);
}

bool LessonFiles::writeTo(const QString& target, std::optional<transcript::Format> format) {
    if (changedElsewhere(target) &&
        !prompts_.warningYesNo(
            qm::Texts::tr("ファイル %1 は、読み込んだ後にほかのプログラムで変更されています。上書きしますか？").arg(target))) {
        return false;
    }
    // A failure keeps the old file and the unsaved work, and the caller's close or open does not go on.
    const std::string bytes = format ? transcript::writeTranscript(*format, blockData()) : blockfile::serialize(blockData());
    if (const auto e = files::writeWholeFile(native(target), bytes)) {
        throw std::runtime_error(messages::cannotCreate(*e).toStdString());
    }
    settings_.noteSavedFile(QFileInfo(target).absoluteFilePath());
    if (!format) {
        // Only a block file reopens its media: transcripts stay out of the history.
        noteBlockFile(target);
        if (!state_.loadingBsd) settings_.addHistory(target);
    }
    document_.markSaved();
    discardRecovery();
    return true;
}

void LessonFiles::noteBlockFile(const QString& path) {
    blockFilePath_ = QFileInfo(path).absoluteFilePath();
    blockFileStamp_ = files::stampOf(native(blockFilePath_));
}

// The block file this practice came from or went to last, changed on disk
// since by someone else (another program, another QM5).
bool LessonFiles::changedElsewhere(const QString& path) const {
    if (blockFilePath_.isEmpty() || QFileInfo(path).absoluteFilePath() != blockFilePath_) return false;
    const auto now = files::stampOf(native(blockFilePath_));
    return now && now != blockFileStamp_;
}

// ---------------------------------------------------------------- unsaved work

std::optional<recovery::Snapshot> LessonFiles::unsavedWork() const {
    const std::optional<QStringList> edited = editor_ != nullptr ? editor_->unendedEdit() : std::nullopt;
    if ((!document_.unsaved() && !edited) || state_.mediaFile.empty() || state_.blocks().empty()) return std::nullopt;
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

void LessonFiles::keepNow() {
    // A background write still under way must not land over this one.
    keeper_.settle();
    auto snap = unsavedWork();
    if (!snap) return;
    recovery::keep(state_.mediaFile, recovery::bytesFor(std::move(snap->data)));
}

void LessonFiles::discardRecovery() {
    keeper_.settle();
    if (!state_.mediaFile.empty()) recovery::discard(state_.mediaFile);
}

// The file stays while the question is asked, and after a Yes until the
// restored work is saved: an end of the program meanwhile loses nothing.
bool LessonFiles::offerRecovery() {
    const auto kept = recovery::read(state_.mediaFile);
    if (!kept) return false;
    if (!prompts_.warningYesNo(qm::Texts::tr("前回保存されずに終了したブロックデータがあります。復元しますか？"))) {
        discardRecovery();
        return false;
    }
    // Restored work is not saved work: one step, unsaved.
    return applyBlockBytes(*kept, qm::Texts::tr("保存されなかったデータの復元"));
}

}  // namespace qm
