#include "session/DictationRecord.h"

#include "common/Utf8.h"
#include "dictation/ReviewSchedule.h"
#include "files/WholeFile.h"
#include "session/FileFormats.h"
#include "session/FileMessages.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace qm {

namespace {
// An answers file is a few lines per attempt: as big as a block file at most.
constexpr std::size_t kMaxAnswersBytes = 16 * 1024 * 1024;
}  // namespace

DictationRecord::DictationRecord(QObject* parent)
    : QObject(parent), wallClock_([] { return QDateTime::currentSecsSinceEpoch(); }) {}

void DictationRecord::setWallClock(WallClock clock, int64_t utcOffset) {
    fixedOffset_ = clock ? std::optional<int64_t>(utcOffset) : std::nullopt;
    wallClock_ = clock ? std::move(clock) : WallClock([] { return QDateTime::currentSecsSinceEpoch(); });
}

int64_t DictationRecord::utcOffset() const {
    return fixedOffset_ ? *fixedOffset_ : QDateTime::fromSecsSinceEpoch(now()).offsetFromUtc();
}

std::optional<int> DictationRecord::dueBlocksOf(const QString& historyEntry, int64_t now, int64_t utcOffset) {
    const bool blockFile = formats::kindOf(historyEntry) == formats::Kind::BlockFile;
    const QString answers = blockFile ? answersPathFor({}, historyEntry) : answersPathFor(historyEntry.toStdString(), {});
    if (answers.isEmpty() || !QFileInfo::exists(answers)) return std::nullopt;
    const auto read = files::readWholeFile(QFile::encodeName(answers).toStdString(), kMaxAnswersBytes);
    if (read.error) return std::nullopt;
    const auto parsed = dictation::parse(read.bytes);
    if (!parsed.ok()) return std::nullopt;
    return static_cast<int>(dictation::dueBlocks(parsed.log, now, utcOffset).size());
}

QString DictationRecord::answersPathFor(const std::string& mediaFile, const QString& blockFile) {
    QString bsd = blockFile;
    if (bsd.isEmpty()) {
        const QFileInfo media(QString::fromStdString(mediaFile));
        if (!media.isAbsolute()) return {};  // a web address: nowhere beside it
        bsd = media.absoluteDir().filePath(media.completeBaseName() + QStringLiteral(".bsd"));
    }
    return QString::fromStdString(dictation::answersPathFor(bsd.toStdString()));
}

std::optional<QString> DictationRecord::load(const QString& answersPath) {
    log_ = {};
    path_ = answersPath;
    std::optional<QString> problem;
    if (!path_.isEmpty() && QFileInfo::exists(path_)) {
        const auto read = files::readWholeFile(QFile::encodeName(path_).toStdString(), kMaxAnswersBytes);
        if (read.error) {
            problem = messages::cannotOpen(*read.error);
        } else if (auto parsed = dictation::parse(read.bytes); parsed.ok()) {
            log_ = std::move(parsed.log);
        } else {
            problem = messages::cannotRead(path_, utf8ToQString(dictation::message(*parsed.error, messages::qtTranslate())));
        }
    }
    emit changed();
    return problem;
}

dictation::CheckResult DictationRecord::check(int32_t block, int32_t startMs, const std::string& reference,
                                              const QString& answer) {
    auto result = dictation::checkAnswer(reference, answer.toStdString());
    // When it was written down: the review schedule spaces the blocks by it.
    log_.addAttempt(block - 1, startMs, answer.toStdString(), result.score, now());
    return result;
}

void DictationRecord::write(const dictation::DictationLog& log) const {
    if (path_.isEmpty()) return;
    if (const auto e = files::writeWholeFile(QFile::encodeName(path_).toStdString(), dictation::serialize(log)))
        throw std::runtime_error(messages::cannotCreate(*e).toStdString());
}

}  // namespace qm
