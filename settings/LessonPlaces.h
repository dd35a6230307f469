#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// Where a learner left each lesson: its block, how blocks are taken and what
// follows them, the rate and the volume, so that opening it again goes on
// from there. A lesson is its block file, or its media when it has none. Kept
// in the settings folder (places.tsv), not in the block file, whose format
// stays. Plain C++: "key TAB block TAB mode TAB after TAB rate TAB volume"
// lines, the most recent first, at most kMaxPlaces.
namespace qm::settings {

struct LessonPlace {
    int32_t block = 0;
    int mode = 0;    // 0 Next, 1 Repeat
    int after = 0;   // 0 None, 1 Pause, 2 Auto Pause
    double rate = 1.0;
    int volume = 50;
    bool operator==(const LessonPlace&) const = default;
};

class LessonPlaces {
public:
    static constexpr std::size_t kMaxPlaces = 500;

    std::optional<LessonPlace> find(const std::string& key) const;
    void remember(const std::string& key, const LessonPlace& place);

    // Reads the file's bytes (UTF-8); lines that do not read are skipped, values kept in range.
    static LessonPlaces parse(std::string_view bytes);
    std::string serialize() const;

private:
    struct Entry {
        LessonPlace place;
        uint64_t order = 0;  // larger: more recent
    };
    std::map<std::string, Entry> entries_;
    uint64_t next_ = 1;
};

}  // namespace qm::settings
