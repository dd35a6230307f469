#pragma once

#include "blockfile/BlockFile.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <future>
#include <optional>
#include <string>

// Unsaved block data of a media, kept so that the next open of the same media
// can offer it back however the program ended: written in the background a
// while after each change, and at once when the program is ended from outside
// (a termination signal, a logout that may not ask). One block file per
// media, named by a hash of its path, in the user's data folder. A file goes
// only when its work is saved to a block file or the learner drops it.
namespace qm::recovery {

// <the user's data folder>/QM5/recovery, e.g. ~/.local/share/QM5/recovery.
QString folder();
void setFolderForTesting(const QString& folder);  // empty: back to folder()

QString fileFor(const std::string& mediaFile);

// The bytes of a recovery file for data. Line 1 of a block file holds the
// media path, which a line break would shift: the file is found by the
// path's hash, so the line only names it, without breaks.
std::string bytesFor(blockfile::BlockData data);

// Writes the block file's bytes for mediaFile; false (with the reason on
// stderr) when it cannot: the program may be ending, there is no one to ask.
bool keep(const std::string& mediaFile, const std::string& blockFileBytes);
// The kept bytes of mediaFile, if any; the file stays.
std::optional<std::string> read(const std::string& mediaFile);
// Removes the kept bytes of mediaFile: its work was saved or given up.
void discard(const std::string& mediaFile);

// Unsaved work as it stands.
struct Snapshot {
    blockfile::BlockData data;
};

// Keeps the recovery file of unsaved work up to date in the background: at
// most delayMs after a change, the work as it stands then is written on a
// thread of its own through the checked writer. The event loop only takes
// the snapshot (a copy of the notes). One write at a time; a change during a write is written by
// the next one.
class BackgroundKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 30000;

    // snapshot: the unsaved work, or nothing when there is none.
    explicit BackgroundKeeper(std::function<std::optional<Snapshot>()> snapshot, QObject* parent = nullptr);
    ~BackgroundKeeper() override;  // waits for a write under way

    void setDelayMs(int ms) { timer_.setInterval(ms); }
    // Something changed: a write follows within the delay.
    void changed();
    // Waits for a write under way, so that nothing written later replaces
    // what the caller writes next; the pending one is dropped.
    void settle();

signals:
    void written(const QString& path);

private:
    void writeNow();

    std::function<std::optional<Snapshot>()> snapshot_;
    QTimer timer_;
    std::future<void> writing_;
};

}  // namespace qm::recovery
