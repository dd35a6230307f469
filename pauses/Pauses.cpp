#include "pauses/Pauses.h"

#include <algorithm>
#include <cmath>

namespace qm::analysis {

float loudnessDb(float rms) {
    constexpr float kSilence = 1e-5f;  // -100 dB
    return 20.0f * std::log10(std::max(rms, kSilence));
}

namespace {

// The value below which percent % of values lie (values is reordered).
float percentile(std::vector<float>& values, float percent) {
    const double p = std::clamp(static_cast<double>(percent), 0.0, 100.0) / 100.0;
    const size_t k = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    return values[k];
}

// Each frame's power (RMS squared) averaged with its two neighbours: noise
// flickers less over 30 ms, so one loud 10 ms frame of it does not split a pause.
std::vector<float> smoothedPower(const Envelope& e) {
    const size_t n = e.rms.size();
    std::vector<float> out(n);
    for (size_t k = 0; k < n; ++k) {
        const size_t from = k == 0 ? 0 : k - 1, to = std::min(n, k + 2);
        double sum = 0;
        for (size_t j = from; j < to; ++j) sum += static_cast<double>(e.rms[j]) * e.rms[j];
        out[k] = static_cast<float>(sum / static_cast<double>(to - from));
    }
    return out;
}

float powerDb(float power) { return loudnessDb(std::sqrt(power)); }

PauseLevels levelsOf(std::vector<float> power, const PauseParams& params) {
    PauseLevels levels;
    if (power.empty()) return levels;
    // Percentiles of power are percentiles of dB: the mapping keeps the order.
    levels.floorDb = powerDb(percentile(power, params.floorPercentile));
    levels.speechDb = powerDb(percentile(power, params.speechPercentile));
    float threshold = levels.floorDb + params.marginDb;
    threshold = std::min(threshold, levels.speechDb - params.minBelowSpeechDb);
    threshold = std::max(threshold, levels.speechDb - params.maxBelowSpeechDb);
    levels.thresholdDb = std::max(threshold, params.silenceDb);
    return levels;
}

}  // namespace

PauseLevels pauseLevels(const Envelope& envelope, const PauseParams& params) {
    return levelsOf(smoothedPower(envelope), params);
}

std::vector<Pause> findPauses(const Envelope& envelope, const PauseParams& params) {
    std::vector<Pause> pauses;
    if (envelope.rms.empty() || envelope.frameMs <= 0) return pauses;
    const std::vector<float> power = smoothedPower(envelope);
    const float thresholdDb = levelsOf(power, params).thresholdDb;
    const float thresholdPower = std::pow(10.0f, thresholdDb / 10.0f);
    const float thresholdRms = std::pow(10.0f, thresholdDb / 20.0f);
    const auto n = static_cast<int32_t>(power.size());
    const int32_t frame = envelope.frameMs;
    const auto quietFrame = [&](int32_t k) { return envelope.rms[static_cast<size_t>(k)] < thresholdRms; };

    int32_t runStart = -1;
    for (int32_t k = 0; k <= n; ++k) {
        if (k < n && power[static_cast<size_t>(k)] < thresholdPower) {
            if (runStart < 0) runStart = k;
            continue;
        }
        if (runStart < 0) continue;
        // The averaging blurs the edges: they go back out over quiet frames.
        int32_t first = runStart, end = k;
        runStart = -1;
        while (first > 0 && quietFrame(first - 1)) --first;
        while (end < n && quietFrame(end)) ++end;
        if (!pauses.empty() && first * frame <= pauses.back().endMs) continue;  // already taken
        // Sound starts or ends somewhere in the louder frame beside the quiet
        // ones: the edge goes to its middle, except at the media's ends.
        Pause p;
        p.startMs = first == 0 ? 0 : first * frame - frame / 2;
        p.endMs = end == n ? envelope.durationMs : std::min(end * frame + frame / 2, envelope.durationMs);
        if (p.endMs - p.startMs >= params.minPauseMs) pauses.push_back(p);
    }
    return pauses;
}

std::vector<int32_t> cutsAtPauses(const std::vector<Pause>& pauses, int32_t durationMs) {
    std::vector<int32_t> cuts;
    for (const Pause& p : pauses)
        if (p.startMs > 0 && p.endMs < durationMs) cuts.push_back(p.middleMs());
    return cuts;
}

std::vector<int32_t> cutsAtPauses(const Envelope& envelope, const PauseParams& params) {
    return cutsAtPauses(findPauses(envelope, params), envelope.durationMs);
}

std::optional<int32_t> snapToPause(const std::vector<Pause>& pauses, int32_t ms, int32_t withinMs) {
    if (withinMs < 0) return std::nullopt;
    // The first pause not wholly before ms, and the one before it, are the only candidates.
    const auto after = std::lower_bound(pauses.begin(), pauses.end(), ms,
                                        [](const Pause& p, int32_t t) { return p.endMs < t; });
    const auto distance = [ms](const Pause& p) -> int64_t {
        if (ms < p.startMs) return int64_t{p.startMs} - ms;
        if (ms > p.endMs) return int64_t{ms} - p.endMs;
        return 0;
    };
    std::optional<int32_t> best;
    int64_t bestDistance = int64_t{withinMs} + 1;
    if (after != pauses.begin()) {
        const Pause& before = *std::prev(after);
        if (distance(before) < bestDistance) {
            bestDistance = distance(before);
            best = before.middleMs();
        }
    }
    if (after != pauses.end() && distance(*after) < bestDistance) best = after->middleMs();
    return best;
}

}  // namespace qm::analysis
