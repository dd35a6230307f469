#include "anki/AnkiExport.h"

#include "anki/AnkiCollection.h"
#include "anki/ClipCutter.h"
#include "dictation/AnswerCheck.h"

#include <zip.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace qm::anki {

namespace {

// The first code point of a UTF-8 text; 0 for an empty one.
char32_t firstCodePoint(std::string_view s) {
    if (s.empty()) return 0;
    const auto b = static_cast<unsigned char>(s[0]);
    int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    char32_t c = more == 3 ? b & 0x07 : more == 2 ? b & 0x0F : more == 1 ? b & 0x1F : b;
    for (size_t i = 1; i <= static_cast<size_t>(more) && i < s.size(); ++i)
        c = (c << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    return c;
}

// Kanji, kana and the rest of CJK, from U+2E80 on: as the dictation window
// decides, two such tokens stand without a blank between them.
bool writtenWithoutSpaces(std::string_view token) { return firstCodePoint(token) >= 0x2E80; }

const std::string& shown(const dictation::MarkedToken& t) {
    return t.mark == dictation::Mark::Extra ? t.answer : t.reference.empty() ? t.answer : t.reference;
}

bool blank(std::string_view s) { return s.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// 64 bits of the SHA-1 of a purpose and its parts: the same lesson, the same ids.
uint64_t stableHash(std::initializer_list<std::string> parts) {
    std::string text;
    for (const std::string& p : parts) {
        text += p;
        text += '\n';
    }
    const auto d = sha1(text);
    uint64_t h = 0;
    for (int i = 0; i < 8; ++i) h = (h << 8) | d[i];
    return h;
}

// Anki reads an id as the time it was made, in ms: the ids stay among
// plausible times (2001 to 2036) and well inside what JavaScript counts exactly.
int64_t idOf(uint64_t hash) { return 1'000'000'000'000 + static_cast<int64_t>(hash % (uint64_t{1} << 40)); }

std::string hex(uint64_t h) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

std::optional<std::string> checkInput(const ExportInput& in) {
    const auto& s = in.separators;
    if (in.notes.empty() || s.size() != in.notes.size() + 1)
        return std::string("the lesson's separators and notes do not match");
    if (s.front() < 0) return std::string("the lesson's first block starts before the media");
    for (size_t k = 1; k < s.size(); ++k)
        if (s[k] <= s[k - 1]) return "the lesson's block " + std::to_string(k) + " has no length";
    if (in.mediaPath.empty()) return std::string("no media named");
    return std::nullopt;
}

// A temporary folder beside the package, removed with all it holds.
class WorkFolder {
public:
    ~WorkFolder() {
        if (path_.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::optional<std::string> create(const std::string& apkgPath) {
        const std::filesystem::path target(apkgPath);
        std::filesystem::path parent = target.parent_path();
        if (parent.empty()) parent = ".";
        std::string pattern = (parent / ("." + target.filename().string() + ".XXXXXX")).string();
        if (!mkdtemp(pattern.data())) return "cannot create a folder beside " + apkgPath + ": " + std::strerror(errno);
        path_ = pattern;
        return std::nullopt;
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::optional<std::string> syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::string("cannot write the package: ") + std::strerror(errno);
    const int r = ::fsync(fd);
    const int e = errno;
    ::close(fd);
    if (r != 0) return std::string("cannot write the package: ") + std::strerror(e);
    return std::nullopt;
}

struct ZipState {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(double)> progress;
};

int zipCancelled(zip_t*, void* state) {
    const auto* s = static_cast<ZipState*>(state);
    return s->cancel && s->cancel->load(std::memory_order_relaxed) ? 1 : 0;
}

void zipProgress(zip_t*, double fraction, void* state) {
    const auto* s = static_cast<ZipState*>(state);
    if (s->progress) s->progress(fraction);
}

std::string zipText(zip_error_t* e) { return zip_error_strerror(e); }

// The package: the collection, the media map and the clips under their numbers.
std::optional<std::string> writeZip(const std::string& zipPath, const WorkFolder& work, const std::string& mediaMap,
                                    size_t clips, ZipState& state) {
    int code = 0;
    zip_t* archive = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_EXCL, &code);
    if (!archive) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        std::string text = "cannot create the package: " + zipText(&e);
        zip_error_fini(&e);
        return text;
    }
    auto failWith = [&](const char* step) {
        std::string text = std::string(step) + ": " + zip_strerror(archive);
        zip_discard(archive);
        return text;
    };
    auto addFile = [&](const std::string& name, const std::string& path, bool store) -> bool {
        zip_source_t* source = zip_source_file(archive, path.c_str(), 0, -1);
        if (!source) return false;
        const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            return false;
        }
        // mp3 does not shrink: stored, not deflated.
        return !store || zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0) == 0;
    };
    if (!addFile("collection.anki2", work.file("collection.anki2"), false))
        return failWith("cannot add the collection");
    zip_source_t* map = zip_source_buffer(archive, mediaMap.data(), mediaMap.size(), 0);
    if (!map) return failWith("cannot add the media list");
    if (zip_file_add(archive, "media", map, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(map);
        return failWith("cannot add the media list");
    }
    for (size_t i = 0; i < clips; ++i)
        if (!addFile(std::to_string(i), work.file(std::to_string(i)), true)) return failWith("cannot add a clip");
    if (zip_register_cancel_callback_with_state(archive, &zipCancelled, nullptr, &state) < 0 ||
        zip_register_progress_callback_with_state(archive, 0.01, &zipProgress, nullptr, &state) < 0)
        return failWith("cannot write the package");
    if (zip_close(archive) < 0) {
        if (state.cancel && state.cancel->load()) {
            zip_discard(archive);
            return std::string("cancelled");
        }
        return failWith("cannot write the package");
    }
    return std::nullopt;
}

}  // namespace

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out;
}

std::string markedAnswerHtml(std::string_view sentence, std::string_view answer) {
    const dictation::CheckResult result = dictation::checkAnswer(sentence, answer);
    std::string html;
    const dictation::MarkedToken* previous = nullptr;
    for (const auto& t : result.tokens) {
        if (previous && !(writtenWithoutSpaces(shown(*previous)) && writtenWithoutSpaces(shown(t)))) html += ' ';
        previous = &t;
        switch (t.mark) {
            case dictation::Mark::Correct:
                html += escapeHtml(t.answer);
                break;
            case dictation::Mark::Missing:
                html += "<span style=\"color:#c00000\">[" + escapeHtml(t.reference) + "]</span>";
                break;
            case dictation::Mark::Wrong:
                html += "<span style=\"color:#c06000\"><s>" + escapeHtml(t.answer) + "</s> " +
                        escapeHtml(t.reference) + "</span>";
                break;
            case dictation::Mark::Extra:
                html += "<span style=\"color:#0050c0\"><s>" + escapeHtml(t.answer) + "</s></span>";
                break;
        }
    }
    return html;
}

ExportResult exportPackage(const ExportInput& in, const std::string& apkgPath,
                           const std::function<void(int)>& progress, const std::atomic<bool>* cancel) {
    ExportResult result;
    auto fail = [&](std::string reason) {
        result.notesWritten = 0;
        result.error = std::move(reason);
        return result;
    };
    if (auto e = checkInput(in)) return fail(*e);
    // A symbolic link stays and the file it names is replaced, as with the program's other files.
    std::error_code ignored, linkError;
    std::string target = apkgPath;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(apkgPath, ignored))) {
        target = std::filesystem::weakly_canonical(apkgPath, linkError).string();
        if (linkError) return fail("cannot follow " + apkgPath + ": " + linkError.message());
    }

    int reported = -1;
    auto report = [&](int percent) {
        if (!progress || percent <= reported) return;
        reported = percent;
        progress(percent);
    };
    report(0);

    WorkFolder work;
    if (auto e = work.create(target)) return fail(*e);

    CollectionDeck deck;
    deck.deckName = in.deckName.empty() ? std::string("QM5") : in.deckName;
    deck.deckId = idOf(stableHash({"deck", in.lessonKey}));
    deck.modelId = idOf(stableHash({"note type", kModelName}));
    deck.nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::system_clock::now().time_since_epoch())
                     .count();

    std::vector<CollectionNote> notes;
    std::vector<ClipRange> clips;
    std::string mediaMap = "{";
    for (size_t k = 0; k < in.notes.size(); ++k) {
        if (blank(in.notes[k])) continue;
        const std::string block = std::to_string(k);
        const int32_t start = in.separators[k], end = in.separators[k + 1];
        // A block's times are in its clip's name, so a changed block brings a new sound.
        const std::string clipName =
            "qm5-" + hex(stableHash({"clip", in.lessonKey, block, std::to_string(start), std::to_string(end)})) +
            ".mp3";
        const std::string number = std::to_string(clips.size());
        clips.push_back({start, end, work.file(number)});
        if (clips.size() > 1) mediaMap += ",";
        mediaMap += "\"" + number + "\":\"" + clipName + "\"";  // both free of JSON's special characters

        CollectionNote n;
        n.id = idOf(stableHash({"note", in.lessonKey, block}));
        n.guid = "qm5" + hex(stableHash({"guid", in.lessonKey, block}));
        n.cardId = idOf(stableHash({"card", in.lessonKey, block}));
        n.sound = "[sound:" + clipName + "]";
        n.sentence = escapeHtml(in.notes[k]);
        const bool answered = k < in.lastAnswers.size() && in.lastAnswers[k] && !blank(*in.lastAnswers[k]);
        if (answered) n.answer = markedAnswerHtml(in.notes[k], *in.lastAnswers[k]);
        n.sortText = in.notes[k];
        n.due = static_cast<int64_t>(k) + 1;
        notes.push_back(std::move(n));
    }
    mediaMap += "}";
    if (notes.empty()) return fail("the lesson has no note line to make a card of");

    if (auto e = writeCollection(work.file("collection.anki2"), deck, notes)) return fail(*e);
    const std::function<void(double)> cutProgress = [&](double f) { report(static_cast<int>(f * 90)); };
    if (auto e = cutClips(in.mediaPath, clips, cutProgress, cancel)) return fail(*e);

    ZipState state{cancel, [&](double f) { report(90 + static_cast<int>(f * 9)); }};
    const std::string zipPath = work.file("package.apkg");
    if (auto e = writeZip(zipPath, work, mediaMap, clips.size(), state)) return fail(*e);
    if (auto e = syncFile(zipPath)) return fail(*e);
    if (cancel && cancel->load()) return fail("cancelled");
    if (::rename(zipPath.c_str(), target.c_str()) != 0)
        return fail("cannot write " + apkgPath + ": " + std::strerror(errno));
    report(100);
    result.notesWritten = static_cast<int>(notes.size());
    return result;
}

}  // namespace qm::anki
