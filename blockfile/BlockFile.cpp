#include "blockfile/BlockFile.h"

#include "text/TextCodec.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <optional>

namespace qm::blockfile {

namespace {

constexpr size_t kMaxLineBytes = 4096;
constexpr int32_t kMaxCount = 1000;
constexpr std::string_view kCrLf = "\r\n";

// Walks the lines of decoded text; CR LF, LF CR, LF and CR each end one line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // The next line without its break, or nothing past the last line.
    std::optional<std::string_view> next() {
        if (pos_ >= text_.size()) return std::nullopt;
        const size_t end = text_.find_first_of("\r\n", pos_);
        if (end == std::string_view::npos) {
            const auto rest = text_.substr(pos_);
            pos_ = text_.size();
            return rest;
        }
        const auto found = text_.substr(pos_, end - pos_);
        const char pair = text_[end] == '\r' ? '\n' : '\r';
        pos_ = end + ((end + 1 < text_.size() && text_[end + 1] == pair) ? 2 : 1);
        return found;
    }

    // Line reads are capped like the line buffer's: at most 4096 bytes, never
    // ending inside a UTF-8 character.
    std::string nextCapped() {
        auto l = next().value_or(std::string_view{});
        if (l.size() <= kMaxLineBytes) return std::string(l);
        size_t cut = kMaxLineBytes;
        while (cut > 0 && (static_cast<unsigned char>(l[cut]) & 0xC0) == 0x80) --cut;
        return std::string(l.substr(0, cut));
    }

    size_t position() const { return pos_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

// An optional "-" and decimal digits, nothing else, fitting int32. Blanks are
// not trimmed: the writer never puts any there, and a number line that holds
// anything else did not come from this format.
std::optional<int32_t> toInt32(std::string_view s) {
    // from_chars takes exactly this: no "+", no blanks, no base prefix.
    const char* last = s.data() + s.size();
    int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), last, value, 10);
    if (ec != std::errc() || ptr != last) return std::nullopt;
    return value;
}

void appendLine(std::string& out, std::string_view text) {
    out += text;
    out += kCrLf;
}

// Room for any number line: "-" and the digits of a 64-bit value, CR LF.
constexpr size_t kNumberLineBytes = 22;

void appendNumberLine(std::string& out, long long value) {
    char digits[kNumberLineBytes];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
    out += kCrLf;
}

}  // namespace

std::string serialize(const BlockData& data) {
    size_t size = kHeader.size() + data.mediaPath.size() + 1 + (data.separators.size() + 2) * kNumberLineBytes;
    for (const auto& memo : data.memoLines) size += memo.size() + kCrLf.size();
    std::string text;
    text.reserve(size);
    appendLine(text, kHeader);
    appendLine(text, data.mediaPath);
    appendNumberLine(text, data.mediaLength);
    appendNumberLine(text, static_cast<long long>(data.separators.size()) - 1);
    for (int32_t sep : data.separators) appendNumberLine(text, sep);
    text += '*';
    for (const auto& memo : data.memoLines) appendLine(text, memo);
    return text::encode(text);
}

std::string line(std::string_view fileBytes, int n) {
    if (n < 0) return {};
    // A big file is not copied whole for its first lines: UTF-8 is read as it
    // lies, and of CP932 only the lines up to n are decoded (CR and LF are
    // never part of a CP932 character, so they decode as within the whole file).
    std::string decoded;
    std::string_view text = fileBytes;
    if (text::isValidUtf8(fileBytes)) {
        if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    } else {
        LineReader raw(fileBytes);
        for (int i = 0; i <= n && raw.next(); ++i) {
        }
        decoded = text::decode(fileBytes.substr(0, raw.position()));
        text = decoded;
    }
    LineReader reader(text);
    for (int i = 0; i < n; ++i)
        if (!reader.next()) return {};
    return reader.nextCapped();
}

ParseResult parse(std::string_view fileBytes) {
    ParseResult result;
    const std::string text = text::decode(fileBytes);
    LineReader reader(text);

    if (reader.nextCapped() != kHeader) {
        result.status = ParseStatus::WrongHeader;
        return result;
    }
    BlockData& data = result.data;
    data.mediaPath = reader.nextCapped();

    // Reads the next line as a number; a cut-off file reads "" and fails here.
    auto readNumber = [&](int32_t& value) {
        std::string s = reader.nextCapped();
        const auto v = toInt32(s);
        if (!v) {
            result.status = ParseStatus::NotInteger;
            result.offendingText = std::move(s);
            return false;
        }
        value = *v;
        return true;
    };

    if (!readNumber(data.mediaLength)) return result;
    int32_t count = 0;
    if (!readNumber(count)) return result;
    // Checked before any separator is read, so an absurd count reads nothing.
    if (count < 1 || count > kMaxCount) {
        result.status = ParseStatus::BadCount;
        return result;
    }
    data.separators.reserve(static_cast<size_t>(count) + 1);
    // The first faulty separator line decides the status.
    for (int32_t i = 0; i <= count; ++i) {
        int32_t sep = 0;
        if (!readNumber(sep)) return result;
        const bool inOrder = i == 0 ? sep == 0 : sep >= data.separators.back();
        if (!inOrder) {
            result.status = ParseStatus::NotAscending;
            return result;
        }
        data.separators.push_back(sep);
    }

    // The memo part starts with the "*" that opens line 5+B, as the writer puts
    // it, so a "*" in the media path (a web address may hold one) stays in the
    // path. A file whose line 5+B does not start with "*" takes the memo from
    // the first "*" of the whole text, wherever it stands, and a file without
    // one gives its whole text as memo lines, header and numbers included, as
    // such files have always loaded. The text is not cut at any size: every
    // note comes back.
    const size_t memoLine = reader.position();
    const size_t star = memoLine < text.size() && text[memoLine] == '*' ? memoLine : text.find('*');
    const std::string_view memoText =
        star == std::string::npos ? std::string_view(text) : std::string_view(text).substr(star + 1);
    data.memoLines = text::splitLines(memoText);
    return result;
}

std::vector<int32_t> fitToLength(const std::vector<int32_t>& separators, int32_t mediaLength) {
    // No known length: nothing to fit to.
    if (mediaLength <= 0) return separators;
    std::vector<int32_t> fitted;
    fitted.reserve(separators.size());
    for (int32_t sep : separators) {
        if (sep >= mediaLength) {
            fitted.push_back(mediaLength);
            break;
        }
        fitted.push_back(sep);
    }
    return fitted;
}

std::string joinNotes(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + ' ' + second;
}

void removeEmptyBlocks(BlockData& data) {
    auto& seps = data.separators;
    if (seps.size() < 2 || seps.front() == seps.back()) return;
    auto& notes = data.memoLines;
    const auto noteOf = [&notes](std::size_t block) { return block < notes.size() ? notes[block] : std::string(); };
    // Block b (from 0) spans seps[b] .. seps[b + 1].
    for (std::size_t b = 0; b + 1 < seps.size();) {
        if (seps[b] != seps[b + 1]) {
            ++b;
            continue;
        }
        const bool last = b + 2 == seps.size();
        // The empty block goes into its neighbour: the next one, or for the last block the one before.
        const std::size_t keep = last ? b - 1 : b + 1;
        const std::size_t first = std::min(keep, b), second = std::max(keep, b);
        if (first < notes.size()) {
            notes[first] = joinNotes(noteOf(first), noteOf(second));
            if (second < notes.size()) notes.erase(notes.begin() + static_cast<std::ptrdiff_t>(second));
        }
        seps.erase(seps.begin() + static_cast<std::ptrdiff_t>(last ? b : b + 1));
        if (last) break;
    }
}

}  // namespace qm::blockfile
