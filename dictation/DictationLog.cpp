#include "dictation/DictationLog.h"

#include "dictation/CharacterFolding.h"
#include "text/TextCodec.h"

#include <algorithm>
#include <limits>

namespace qm::dictation {

namespace {

constexpr std::string_view kName = "QM5 dictation answers";
constexpr std::string_view kColumns = "block\tstart_ms\tattempts\tlatest_score\tbest_score\tlatest_answer";
constexpr std::string_view kCrLf = "\r\n";

bool valid(const BlockAnswer& r) {
    return r.block >= 0 && r.block < kMaxBlocks && r.blockStartMs >= 0 && r.attempts >= 1 &&
           r.latestScore >= 0 && r.bestScore <= 100 && r.latestScore <= r.bestScore;
}

std::vector<BlockAnswer>::iterator lowerBound(std::vector<BlockAnswer>& v, int block) {
    return std::lower_bound(v.begin(), v.end(), block,
                            [](const BlockAnswer& a, int b) { return a.block < b; });
}

void appendEscaped(std::string& out, std::string_view answer) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::size_t i = 0;
    while (i < answer.size()) {
        const auto c = static_cast<unsigned char>(answer[i]);
        const auto cp = detail::nextCodePoint(answer, i);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && cp.length == 1)) {
            // A control byte, or a byte that is no part of valid UTF-8.
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += answer.substr(i, cp.length);
            i += cp.length;
            continue;
        }
        ++i;
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> unescaped(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i >= s.size()) return std::nullopt;
        switch (s[i]) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 'x': {
            if (i + 2 >= s.size()) return std::nullopt;
            const int hi = hexValue(s[i + 1]);
            const int lo = hexValue(s[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default: return std::nullopt;
        }
    }
    return out;
}

// Decimal digits only, within 0 .. max.
std::optional<int64_t> number(std::string_view s, int64_t max) {
    if (s.empty() || s.size() > 10) return std::nullopt;
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v > max) return std::nullopt;
    return v;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> f;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        f.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) return f;
        start = tab + 1;
    }
}

ParseResult failed(ParseProblem problem, int line, std::string detail = {}) {
    ParseResult r;
    r.error = ParseError{problem, line, std::move(detail)};
    return r;
}

}  // namespace

const BlockAnswer* DictationLog::addAttempt(int block, int32_t blockStartMs, std::string answer, int score) {
    if (block < 0 || block >= kMaxBlocks) return nullptr;
    score = std::clamp(score, 0, 100);
    auto it = lowerBound(answers_, block);
    if (it == answers_.end() || it->block != block) it = answers_.insert(it, BlockAnswer{block, 0, 0, 0, 0, {}});
    it->blockStartMs = std::max(blockStartMs, 0);
    it->attempts = it->attempts < std::numeric_limits<int>::max() ? it->attempts + 1 : it->attempts;
    it->latestScore = score;
    it->bestScore = std::max(it->bestScore, score);
    it->latestAnswer = std::move(answer);
    return &*it;
}

bool DictationLog::add(BlockAnswer record) {
    if (!valid(record)) return false;
    auto it = lowerBound(answers_, record.block);
    if (it != answers_.end() && it->block == record.block) return false;
    answers_.insert(it, std::move(record));
    return true;
}

const BlockAnswer* DictationLog::find(int block) const {
    auto it = std::lower_bound(answers_.begin(), answers_.end(), block,
                               [](const BlockAnswer& a, int b) { return a.block < b; });
    return it != answers_.end() && it->block == block ? &*it : nullptr;
}

void DictationLog::forget(int block) {
    auto it = lowerBound(answers_, block);
    if (it != answers_.end() && it->block == block) answers_.erase(it);
}

std::vector<BlockAnswer> weakestBlocks(const DictationLog& log, std::size_t count) {
    std::vector<BlockAnswer> weak;
    for (const auto& a : log.answers())
        if (a.latestScore < 100) weak.push_back(a);
    std::stable_sort(weak.begin(), weak.end(), [](const BlockAnswer& a, const BlockAnswer& b) {
        if (a.latestScore != b.latestScore) return a.latestScore < b.latestScore;
        return a.bestScore < b.bestScore;  // stable: lower block first among equals
    });
    if (weak.size() > count) weak.resize(count);
    return weak;
}

std::string answersPathFor(std::string_view blockFilePath) {
    const std::size_t slash = blockFilePath.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? blockFilePath : blockFilePath.substr(slash + 1);
    std::string_view stem = blockFilePath;
    if (name.size() > 4) {
        std::string ext(name.substr(name.size() - 4));
        for (char& c : ext)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (ext == ".bsd") stem = blockFilePath.substr(0, blockFilePath.size() - 4);
    }
    return std::string(stem) + std::string(kFileSuffix);
}

std::string serialize(const DictationLog& log) {
    std::string text;
    text += kName;
    text += '\t' + std::to_string(kFileVersion);
    text += kCrLf;
    text += kColumns;
    text += kCrLf;
    for (const auto& a : log.answers()) {
        text += std::to_string(a.block + 1) + '\t' + std::to_string(a.blockStartMs) + '\t' +
                std::to_string(a.attempts) + '\t' + std::to_string(a.latestScore) + '\t' +
                std::to_string(a.bestScore) + '\t';
        appendEscaped(text, a.latestAnswer);
        text += kCrLf;
    }
    return qm::text::encode(text);
}

ParseResult parse(std::string_view fileBytes) {
    const std::string text = qm::text::decode(fileBytes);
    const std::vector<std::string> lines = qm::text::splitLines(text);

    if (lines.empty()) return failed(ParseProblem::WrongHeader, 1);
    const auto head = fields(lines[0]);
    if (head.size() != 2 || head[0] != kName) return failed(ParseProblem::WrongHeader, 1);
    const auto version = number(head[1], std::numeric_limits<int32_t>::max());
    if (!version || *version < 1) return failed(ParseProblem::WrongHeader, 1);
    if (*version > kFileVersion) return failed(ParseProblem::NewerVersion, 1, std::string(head[1]));
    if (lines.size() < 2 || lines[1] != kColumns) return failed(ParseProblem::WrongColumns, 2);

    ParseResult result;
    for (std::size_t n = 2; n < lines.size(); ++n) {
        const int lineNo = static_cast<int>(n) + 1;
        const auto f = fields(lines[n]);
        if (f.size() != 6) return failed(ParseProblem::FieldCount, lineNo, std::to_string(f.size()));

        const auto block = number(f[0], kMaxBlocks);
        if (!block || *block < 1) return failed(ParseProblem::BadNumber, lineNo, std::string(f[0]));
        const auto start = number(f[1], std::numeric_limits<int32_t>::max());
        if (!start) return failed(ParseProblem::BadNumber, lineNo, std::string(f[1]));
        const auto attempts = number(f[2], std::numeric_limits<int>::max());
        if (!attempts || *attempts < 1) return failed(ParseProblem::BadNumber, lineNo, std::string(f[2]));
        const auto latest = number(f[3], 100);
        if (!latest) return failed(ParseProblem::BadNumber, lineNo, std::string(f[3]));
        const auto best = number(f[4], 100);
        if (!best || *best < *latest) return failed(ParseProblem::BadNumber, lineNo, std::string(f[4]));
        auto answer = unescaped(f[5]);
        if (!answer) return failed(ParseProblem::BadEscape, lineNo);

        BlockAnswer record{static_cast<int>(*block) - 1, static_cast<int32_t>(*start), static_cast<int>(*attempts),
                           static_cast<int>(*latest), static_cast<int>(*best), std::move(*answer)};
        if (!result.log.add(std::move(record)))
            return failed(ParseProblem::DuplicateBlock, lineNo, std::string(f[0]));
    }
    return result;
}

std::string message(const ParseError& error, const Translate& translate) {
    const auto shown = [&](const char* text) { return translated(translate, "qm::dictation", text); };
    std::string text = withArg(shown(QT_TRANSLATE_NOOP("qm::dictation", "%1 行目: ")), std::to_string(error.line));
    switch (error.problem) {
    case ParseProblem::WrongHeader:
        return text + shown(QT_TRANSLATE_NOOP("qm::dictation", "ディクテーションの記録ファイルではありません"));
    case ParseProblem::NewerVersion:
        return text + withArg(shown(QT_TRANSLATE_NOOP("qm::dictation", "新しい版 (%1) のプログラムで書かれたファイルです")),
                              error.detail);
    case ParseProblem::WrongColumns: return text + shown(QT_TRANSLATE_NOOP("qm::dictation", "列の見出しが違います"));
    case ParseProblem::FieldCount:
        return text + withArg(shown(QT_TRANSLATE_NOOP("qm::dictation", "列の数が 6 ではありません (%1)")), error.detail);
    case ParseProblem::BadNumber:
        return text + withArg(shown(QT_TRANSLATE_NOOP("qm::dictation", "'%1' は範囲内の整数ではありません")), error.detail);
    case ParseProblem::BadEscape: return text + shown(QT_TRANSLATE_NOOP("qm::dictation", "解答の \\ の後が読めません"));
    case ParseProblem::DuplicateBlock:
        return text + withArg(shown(QT_TRANSLATE_NOOP("qm::dictation", "ブロック %1 が二度あります")), error.detail);
    }
    return text;
}

}  // namespace qm::dictation
