#include "settings/LessonPlaces.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace qm::settings {

namespace {

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) return out;
        start = tab + 1;
    }
}

template <typename T>
std::optional<T> number(std::string_view s) {
    T v{};
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace

std::optional<LessonPlace> LessonPlaces::find(const std::string& key) const {
    const auto it = entries_.find(key);
    if (it == entries_.end()) return std::nullopt;
    return it->second.place;
}

void LessonPlaces::remember(const std::string& key, const LessonPlace& place) {
    if (key.empty() || key.find_first_of("\t\r\n") != std::string::npos) return;
    entries_[key] = {place, next_++};
    if (entries_.size() <= kMaxPlaces) return;
    const auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                         [](const auto& a, const auto& b) { return a.second.order < b.second.order; });
    entries_.erase(oldest);
}

LessonPlaces LessonPlaces::parse(std::string_view bytes) {
    std::vector<std::pair<std::string, LessonPlace>> read;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const auto f = fields(line);
        if (f.size() != 6 || f[0].empty()) continue;
        const auto block = number<int32_t>(f[1]);
        const auto mode = number<int>(f[2]);
        const auto after = number<int>(f[3]);
        const auto rate = number<double>(f[4]);
        const auto volume = number<int>(f[5]);
        if (!block || !mode || !after || !rate || !volume || !std::isfinite(*rate)) continue;
        LessonPlace p;
        p.block = std::max(*block, 0);
        p.mode = std::clamp(*mode, 0, 1);
        p.after = std::clamp(*after, 0, 2);
        p.rate = std::clamp(*rate, 0.25, 4.0);
        p.volume = std::clamp(*volume, 0, 100);
        read.emplace_back(std::string(f[0]), p);
    }
    // The file lists the most recent first.
    LessonPlaces places;
    for (auto it = read.rbegin(); it != read.rend(); ++it) places.remember(it->first, it->second);
    return places;
}

std::string LessonPlaces::serialize() const {
    std::vector<const std::pair<const std::string, Entry>*> order;
    for (const auto& e : entries_) order.push_back(&e);
    std::sort(order.begin(), order.end(), [](auto a, auto b) { return a->second.order > b->second.order; });
    std::string out;
    char number[32];
    for (const auto* e : order) {
        const LessonPlace& p = e->second.place;
        std::snprintf(number, sizeof number, "%.2f", p.rate);
        out += e->first + '\t' + std::to_string(p.block) + '\t' + std::to_string(p.mode) + '\t' +
               std::to_string(p.after) + '\t' + number + '\t' + std::to_string(p.volume) + '\n';
    }
    return out;
}

}  // namespace qm::settings
