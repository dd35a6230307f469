#pragma once

#include "dictation/AnswerCheck.h"
#include "dictation/DictationLog.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qm {

// The dictation check's record: every answer checked, with its score, per
// block, kept in the answers file beside the block file (or beside the media,
// named as its block file would be); for a web address without a block file
// the answers are kept for the run only. QtCore.
class DictationRecord : public QObject {
    Q_OBJECT
public:
    explicit DictationRecord(QObject* parent = nullptr);

    const dictation::DictationLog& log() const { return log_; }
    // The attempts, for the lesson document to carry along with the blocks.
    dictation::DictationLog& logOfLesson() { return log_; }
    // The answers file for a practice of mediaFile with blockFile (may be empty).
    static QString answersPathFor(const std::string& mediaFile, const QString& blockFile);
    QString path() const { return path_; }

    // Reads the answers of a practice; a file that cannot be read or is
    // damaged is said in the returned message (the record is then empty).
    std::optional<QString> load(const QString& answersPath);
    // Checks an answer against the reference and records it for block (1-based),
    // starting at startMs. The file is the caller's to write, and changed()
    // its to announce once the file is written (readers of the file count on it).
    dictation::CheckResult check(int32_t block, int32_t startMs, const std::string& reference, const QString& answer);
    // Writes the answers file (nothing when there is none) through the checked
    // writer; throws the message when it cannot.
    void write(const dictation::DictationLog& log) const;

    // The wall clock the attempts are stamped with and the review schedule
    // is read at: seconds since the epoch, UTC, and the learner's calendar
    // (seconds east of UTC; the local time zone's at now). Tests set a fixed
    // clock and offset; an empty clock gives the real ones back.
    using WallClock = std::function<int64_t()>;
    int64_t now() const { return wallClock_(); }
    int64_t utcOffset() const;
    void setWallClock(WallClock clock, int64_t utcOffset = 0);

    // How many blocks of a lesson in the history are due for review at now:
    // its answers file is found from the entry (a block file, or a media
    // with its block file's name beside it). nullopt when it has none or it
    // cannot be read; reads at most as much as a lesson's answers file holds.
    static std::optional<int> dueBlocksOf(const QString& historyEntry, int64_t now, int64_t utcOffset);

signals:
    void changed();  // another lesson's answers were read

private:
    dictation::DictationLog log_;
    QString path_;
    WallClock wallClock_;
    std::optional<int64_t> fixedOffset_;
};

}  // namespace qm
