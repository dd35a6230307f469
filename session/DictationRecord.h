#pragma once

#include "dictation/AnswerCheck.h"
#include "dictation/DictationLog.h"

#include <QObject>
#include <QString>

#include <cstdint>
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
    // starting at startMs. The file is the caller's to write.
    dictation::CheckResult check(int32_t block, int32_t startMs, const std::string& reference, const QString& answer);
    // Writes the answers file (nothing when there is none) through the checked
    // writer; throws the message when it cannot.
    void write(const dictation::DictationLog& log) const;

signals:
    void changed();

private:
    dictation::DictationLog log_;
    QString path_;
};

}  // namespace qm
