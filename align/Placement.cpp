#include "align/Placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm::align {

namespace {

int32_t overlap(int32_t a0, int32_t a1, int32_t b0, int32_t b1) { return std::max(0, std::min(a1, b1) - std::max(a0, b0)); }

// The middle of the quietest 10 ms frame in [from, to] (ms), or the middle of
// the range when the envelope has nothing there.
int32_t quietestBetween(const analysis::Envelope& e, int32_t from, int32_t to) {
    if (to < from) std::swap(from, to);
    const int32_t first = e.frameAt(from), last = e.frameAt(to);
    if (first < 0) return from + (to - from) / 2;
    int32_t best = first;
    for (int32_t k = first; k <= last; ++k)
        if (e.rms[static_cast<size_t>(k)] < e.rms[static_cast<size_t>(best)]) best = k;
    return std::clamp(best * e.frameMs + e.frameMs / 2, from, to);
}

// A run of speech with one owner: a sentence, or none (-1).
struct Piece {
    int32_t startMs = 0;
    int32_t endMs = 0;
    int owner = -1;
    bool split = false;  // starts where the piece before it was parted from it, not after a pause
    int32_t speechMs() const { return endMs - startMs; }
};

// Joins each piece into the one before it when the owners agree.
std::vector<Piece> joinRuns(const std::vector<Piece>& pieces) {
    std::vector<Piece> runs;
    for (const Piece& p : pieces) {
        if (!runs.empty() && runs.back().owner == p.owner) {
            runs.back().endMs = p.endMs;
            continue;
        }
        runs.push_back(p);
    }
    return runs;
}

// Where the block of run k starts: in the middle of the pause before it, or
// where its piece was parted from the one before.
int32_t cutBefore(const std::vector<Piece>& runs, size_t k) {
    if (runs[k].split) return runs[k].startMs;
    return runs[k - 1].endMs + (runs[k].startMs - runs[k - 1].endMs) / 2;
}

// The blocks of runs (not empty), sentences[k] those of run k.
Blocks blocksOf(const std::vector<Piece>& runs, const std::vector<std::vector<int>>& sentences, int32_t lengthMs) {
    Blocks b;
    b.separators.push_back(0);
    b.sentences.push_back(sentences[0]);
    for (size_t k = 1; k < runs.size(); ++k) {
        const int32_t cut = cutBefore(runs, k);
        if (cut <= b.separators.back() || cut >= lengthMs) {
            // No room for a cut: the run joins the block before it.
            auto& last = b.sentences.back();
            last.insert(last.end(), sentences[k].begin(), sentences[k].end());
            continue;
        }
        b.separators.push_back(cut);
        b.sentences.push_back(sentences[k]);
    }
    b.separators.push_back(lengthMs);
    return b;
}

}  // namespace

std::vector<Stretch> speechBetween(const std::vector<analysis::Pause>& pauses, int32_t lengthMs) {
    std::vector<Stretch> out;
    int32_t at = 0;
    for (const analysis::Pause& p : pauses) {
        if (p.startMs > at) out.push_back({at, std::min(p.startMs, lengthMs)});
        at = std::max(at, p.endMs);
    }
    if (at < lengthMs) out.push_back({at, lengthMs});
    return out;
}

Blocks blocksFromSpans(const analysis::Envelope& envelope, const std::vector<analysis::Pause>& pauses,
                       const std::vector<std::optional<Span>>& spans, int32_t lengthMs, int32_t minUnscriptedMs,
                       int maxBlocks) {
    std::vector<int> placed;
    for (size_t i = 0; i < spans.size(); ++i)
        if (spans[i]) placed.push_back(static_cast<int>(i));

    // Each stretch to the sentences that cover enough of it, parted between them.
    std::vector<Piece> pieces;
    int lastOwner = -1;
    size_t from = 0;  // the first placed sentence that may still reach the stretch
    for (const Stretch& st : speechBetween(pauses, lengthMs)) {
        while (from < placed.size() && spans[static_cast<size_t>(placed[from])]->endMs <= st.startMs) ++from;
        std::vector<int> owners;
        for (size_t k = from; k < placed.size(); ++k) {
            const Span& sp = *spans[static_cast<size_t>(placed[k])];
            if (sp.startMs >= st.endMs) break;
            // A sentence takes a part of the stretch when it covers much of it,
            // or a good deal of its own speech lies there: the recogniser's edges
            // may stray a little into the speech beside them.
            const int32_t shared = overlap(sp.startMs, sp.endMs, st.startMs, st.endMs);
            if (shared * 2 >= st.endMs - st.startMs || shared >= std::min<int32_t>(300, (sp.endMs - sp.startMs) / 2))
                owners.push_back(placed[k]);
        }
        int32_t start = st.startMs;
        bool split = false;
        for (size_t k = 0; k < owners.size(); ++k) {
            int32_t end = st.endMs;
            if (k + 1 < owners.size()) {
                const Span& a = *spans[static_cast<size_t>(owners[k])];
                const Span& b = *spans[static_cast<size_t>(owners[k + 1])];
                const int32_t lo = std::max(start + 10, std::min(a.endMs, b.startMs) - 60);
                const int32_t hi = std::min(st.endMs - 10, std::max(a.endMs, b.startMs) + 60);
                end = lo <= hi ? quietestBetween(envelope, lo, hi) : start + (st.endMs - start) / 2;
                if (end <= start) continue;  // no room: the next sentence takes it all
            }
            const int owner = std::max(owners[k], lastOwner);
            pieces.push_back({start, end, owner, split});
            lastOwner = owner;
            start = end;
            split = true;
        }
        if (owners.empty()) pieces.push_back({st.startMs, st.endMs, -1, false});
    }

    std::vector<Piece> runs = joinRuns(pieces);
    // Too little unheld speech for a block of its own (a breath, a click): it
    // goes with the block before it, or after it at the start.
    for (;;) {
        bool changed = false;
        for (size_t k = 0; k < runs.size() && runs.size() > 1; ++k) {
            if (runs[k].owner >= 0 || runs[k].speechMs() >= minUnscriptedMs) continue;
            const size_t into = k > 0 ? k - 1 : 1;
            runs[k].owner = runs[into].owner;
            changed = true;
        }
        runs = joinRuns(runs);
        if (!changed) break;
    }
    // The block list's limit: unheld speech joins the block before it, the shortest first.
    while (static_cast<int>(runs.size()) > maxBlocks) {
        size_t shortest = runs.size();
        for (size_t k = 0; k < runs.size(); ++k)
            if (runs[k].owner < 0 && (shortest == runs.size() || runs[k].speechMs() < runs[shortest].speechMs()))
                shortest = k;
        if (shortest == runs.size()) break;
        runs[shortest].owner = runs[shortest > 0 ? shortest - 1 : 1].owner;
        runs = joinRuns(runs);
    }

    std::vector<std::vector<int>> sentences;
    for (const Piece& r : runs) sentences.push_back(r.owner >= 0 ? std::vector<int>{r.owner} : std::vector<int>{});
    if (runs.empty()) return Blocks{{0, lengthMs}, {{}}};
    return blocksOf(runs, sentences, lengthMs);
}

Blocks blocksFromLengths(const std::vector<analysis::Pause>& pauses, const std::vector<double>& weights,
                         int32_t lengthMs) {
    const std::vector<Stretch> stretches = speechBetween(pauses, lengthMs);
    const size_t n = weights.size();
    const size_t m = stretches.size();
    std::vector<int> all(n);
    for (size_t i = 0; i < n; ++i) all[i] = static_cast<int>(i);
    if (m == 0 || n == 0) return Blocks{{0, lengthMs}, {all}};

    // Prefix sums: speech up to stretch j, weight up to sentence i.
    std::vector<double> speech(m + 1, 0), weight(n + 1, 0);
    for (size_t j = 0; j < m; ++j) speech[j + 1] = speech[j] + (stretches[j].endMs - stretches[j].startMs);
    for (size_t i = 0; i < n; ++i) weight[i + 1] = weight[i] + std::max(weights[i], 1e-6);
    const double totalSpeech = speech[m], totalWeight = weight[n];
    // How far a block's speech is from its share, in ms-smoothed log ratio.
    const auto blockCost = [&](size_t i0, size_t i1, size_t j0, size_t j1) {
        const double s = speech[j1] - speech[j0];
        const double t = (weight[i1] - weight[i0]) / totalWeight * totalSpeech;
        const double r = std::log((s + 200.0) / (t + 200.0));
        return r * r;
    };
    // A longer pause is likelier to part sentences.
    const auto pauseBonus = [&](size_t j) {
        const double gap = stretches[j].startMs - stretches[j - 1].endMs;
        return 0.1 * std::log(std::max(gap, 1.0) / 300.0);
    };
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr size_t kMaxSpan = 80;  // stretches of one sentence, or sentences of one stretch

    std::vector<Piece> runs;
    std::vector<std::vector<int>> groups;
    if (m >= n) {
        // cost[i][j]: the first i sentences in the first j stretches.
        std::vector<double> cost((n + 1) * (m + 1), kInf);
        std::vector<int32_t> back((n + 1) * (m + 1), -1);
        const auto at = [&](size_t i, size_t j) { return i * (m + 1) + j; };
        cost[at(0, 0)] = 0;
        for (size_t i = 1; i <= n; ++i) {
            const size_t jMin = i, jMax = m - (n - i);
            for (size_t j = jMin; j <= jMax; ++j) {
                const size_t j0Min = j > kMaxSpan ? std::max(i - 1, j - kMaxSpan) : i - 1;
                for (size_t j0 = j0Min; j0 < j; ++j0) {
                    const double before = cost[at(i - 1, j0)];
                    if (before == kInf) continue;
                    const double c = before + blockCost(i - 1, i, j0, j) - (j0 > 0 ? pauseBonus(j0) : 0.0);
                    if (c < cost[at(i, j)]) {
                        cost[at(i, j)] = c;
                        back[at(i, j)] = static_cast<int32_t>(j0);
                    }
                }
            }
        }
        std::vector<size_t> ends(n + 1, 0);
        ends[n] = m;
        for (size_t i = n; i > 0; --i) ends[i - 1] = static_cast<size_t>(std::max(back[at(i, ends[i])], 0));
        for (size_t i = 0; i < n; ++i) {
            runs.push_back({stretches[ends[i]].startMs, stretches[ends[i + 1] - 1].endMs, static_cast<int>(i), false});
            groups.push_back({static_cast<int>(i)});
        }
    } else {
        // Fewer stretches than sentences: each stretch a block; cost[j][i]: the
        // first j stretches hold the first i sentences.
        std::vector<double> cost((m + 1) * (n + 1), kInf);
        std::vector<int32_t> back((m + 1) * (n + 1), -1);
        const auto at = [&](size_t j, size_t i) { return j * (n + 1) + i; };
        cost[at(0, 0)] = 0;
        for (size_t j = 1; j <= m; ++j) {
            const size_t iMin = j, iMax = n - (m - j);
            for (size_t i = iMin; i <= iMax; ++i) {
                const size_t i0Min = i > kMaxSpan ? std::max(j - 1, i - kMaxSpan) : j - 1;
                for (size_t i0 = i0Min; i0 < i; ++i0) {
                    const double before = cost[at(j - 1, i0)];
                    if (before == kInf) continue;
                    const double c = before + blockCost(i0, i, j - 1, j);
                    if (c < cost[at(j, i)]) {
                        cost[at(j, i)] = c;
                        back[at(j, i)] = static_cast<int32_t>(i0);
                    }
                }
            }
        }
        std::vector<size_t> ends(m + 1, 0);
        ends[m] = n;
        for (size_t j = m; j > 0; --j) ends[j - 1] = static_cast<size_t>(std::max(back[at(j, ends[j])], 0));
        for (size_t j = 0; j < m; ++j) {
            std::vector<int> group;
            for (size_t i = ends[j]; i < ends[j + 1]; ++i) group.push_back(static_cast<int>(i));
            runs.push_back({stretches[j].startMs, stretches[j].endMs, group.empty() ? -1 : group.front(), false});
            groups.push_back(std::move(group));
        }
    }
    return blocksOf(runs, groups, lengthMs);
}

}  // namespace qm::align
