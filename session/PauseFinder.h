#pragma once

#include "analysis/MediaAnalyzer.h"
#include "pauses/Pauses.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

namespace qm {

// The pauses of the open media: its loudness analysed off the GUI thread
// after each open (a metafile as the local media it names), and the pauses
// of at least the shortest length asked for. The next open cancels the last
// analysis. QtCore.
class PauseFinder : public QObject {
    Q_OBJECT
public:
    explicit PauseFinder(QObject* parent = nullptr);

    // A new media is open: its analysis starts once it plays (or after a
    // second at most), so that the decoder's loading does not hold up playback.
    void mediaOpened(const QString& source);
    // The media plays now: the waiting analysis may start soon.
    void playing();
    void cancel();

    // The loudness of the open media once analysed; null before, or when it
    // could not be analysed (say a web address of another kind).
    analysis::EnvelopePtr envelope() const { return envelope_; }
    std::vector<analysis::Pause> pauses(int minPauseMs) const;
    // The middle of a pause within withinMs of ms, if there is one.
    std::optional<int32_t> snap(int32_t ms, int minPauseMs, int32_t withinMs) const;
    // The cuts at the middles of the pauses for a media of length ms, at most
    // maxCuts (the longest pauses win), in order; none at its very start or end.
    std::vector<int32_t> cuts(int minPauseMs, int32_t length, std::size_t maxCuts) const;

signals:
    void progress(int percent);  // 0 .. 100 while the media is analysed
    void ready();                // envelope() holds the open media's loudness
    void failed(const QString& reason);

private:
    void start();

    analysis::MediaAnalyzer analyzer_;
    analysis::EnvelopePtr envelope_;
    QTimer delay_;
    QString pending_;   // the source to analyse once the delay ends
    QString analysed_;  // the source whose results count
};

}  // namespace qm
