#include "session/PauseFinder.h"

#include "media/StreamingAudioControl.h"

#include <algorithm>

namespace qm {

namespace {
// The analysis of a fresh open starts this long after it plays, or after the
// longer wait when it does not play.
constexpr int kAfterPlayMs = 100;
constexpr int kWaitMs = 1000;
}  // namespace

PauseFinder::PauseFinder(QObject* parent) : QObject(parent) {
    delay_.setSingleShot(true);
    connect(&delay_, &QTimer::timeout, this, &PauseFinder::start);
    connect(&analyzer_, &analysis::MediaAnalyzer::progress, this, [this](const QString& source, int percent) {
        if (source == analysed_) emit progress(percent);
    });
    connect(&analyzer_, &analysis::MediaAnalyzer::finished, this,
            [this](const QString& source, analysis::EnvelopePtr envelope, bool) {
                if (source != analysed_) return;
                envelope_ = std::move(envelope);
                emit ready();
            });
    connect(&analyzer_, &analysis::MediaAnalyzer::failed, this, [this](const QString& source, const QString& why) {
        if (source == analysed_) emit failed(why);
    });
}

void PauseFinder::mediaOpened(const QString& source) {
    envelope_.reset();
    analyzer_.cancel();
    analysed_.clear();
    pending_ = source;
    delay_.start(kWaitMs);
}

void PauseFinder::playing() {
    if (delay_.isActive()) delay_.start(kAfterPlayMs);
}

void PauseFinder::cancel() {
    delay_.stop();
    analyzer_.cancel();
}

void PauseFinder::start() {
    envelope_.reset();
    QString source = pending_;
    if (StreamingAudioControl::isMetafile(source)) source = StreamingAudioControl::readMetafile(source).value_or(QString());
    analysed_ = source;
    if (source.isEmpty()) {
        analyzer_.cancel();
        return;
    }
    analyzer_.start(source);
}

std::vector<analysis::Pause> PauseFinder::pauses(int minPauseMs) const {
    if (envelope_ == nullptr) return {};
    analysis::PauseParams params;
    params.minPauseMs = minPauseMs;
    return analysis::findPauses(*envelope_, params);
}

std::optional<int32_t> PauseFinder::snap(int32_t ms, int minPauseMs, int32_t withinMs) const {
    return analysis::snapToPause(pauses(minPauseMs), ms, withinMs);
}

std::vector<int32_t> PauseFinder::cuts(int minPauseMs, int32_t length, std::size_t maxCuts) const {
    if (envelope_ == nullptr) return {};
    auto found = pauses(minPauseMs);
    if (found.size() > maxCuts) {
        std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
            return a.endMs - a.startMs > b.endMs - b.startMs;
        });
        found.resize(maxCuts);
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.startMs < b.startMs; });
    }
    std::vector<int32_t> out;
    // Pauses at the very start or end are no cut; the end is the analysed audio's.
    for (int32_t cut : analysis::cutsAtPauses(found, envelope_->durationMs))
        if (cut > (out.empty() ? 0 : out.back()) && cut < length) out.push_back(cut);
    return out;
}

}  // namespace qm
