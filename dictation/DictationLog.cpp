#include "dictation/DictationLog.h"

#include "dictation/CharacterFolding.h"
#include "text/TextCodec.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <limits>

namespace qm::dictation {

namespace {

constexpr std::string_view kName = "QM5 dictation answers";
constexpr std::string_view kColumnsV1 = "block\tstart_ms\tattempts\tlatest_score\tbest_score\tlatest_answer";
constexpr std::string_view kColumns = "block\tstart_ms\ttime\tscore\tattempts\tanswer";
constexpr std::string_view kUnknownTimeField = "-";
constexpr std::string_view kEarlierField = "earlier";
constexpr int64_t kDay = 24 * 60 * 60;
constexpr std::string_view kCrLf = "\r\n";

bool valid(const BlockAnswer& r) {
    return r.block >= 0 && r.block < kMaxBlocks && r.blockStartMs >= 0 && r.attempts >= 1 &&
           r.latestScore >= 0 && r.bestScore <= 100 && r.latestScore <= r.bestScore;
}

template <typename Records>
auto lowerBound(Records& v, int block) {
    return std::lower_bound(v.begin(), v.end(), block, [](const auto& a, int b) { return a.block < b; });
}

// Adds time-ordered attempts to time-ordered ones: in time order, those
// already there first among equal times.
template <typename It>
void appendInTimeOrder(std::vector<Attempt>& attempts, It first, It last) {
    const auto middle = static_cast<std::ptrdiff_t>(attempts.size());
    attempts.insert(attempts.end(), first, last);
    std::inplace_merge(attempts.begin(), attempts.begin() + middle, attempts.end(),
                       [](const Attempt& a, const Attempt& b) { return a.time < b.time; });
}

int saturatedSum(int a, int b) {
    return a > std::numeric_limits<int>::max() - b ? std::numeric_limits<int>::max() : a + b;
}

// "2026-12-09T10:15:00Z" for a time in 1 .. kLatestTime.
std::string isoTime(int64_t time) {
    const std::chrono::sys_days day{std::chrono::days{time / kDay}};
    const std::chrono::year_month_day ymd{day};
    const int64_t second = time % kDay;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), static_cast<int>(second / 3600),
                  static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
    return text;
}

// Exactly the form isoTime writes, a real date and time, 1 .. kLatestTime.
std::optional<int64_t> parsedIsoTime(std::string_view s) {
    if (s.size() != 20 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':' || s[19] != 'Z')
        return std::nullopt;
    const auto digits = [&](std::size_t at, std::size_t n) -> std::optional<int> {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (s[i] < '0' || s[i] > '9') return std::nullopt;
            v = v * 10 + (s[i] - '0');
        }
        return v;
    };
    const auto y = digits(0, 4), mo = digits(5, 2), d = digits(8, 2), h = digits(11, 2), mi = digits(14, 2),
               se = digits(17, 2);
    if (!y || !mo || !d || !h || !mi || !se || *y < 1970 || *h > 23 || *mi > 59 || *se > 59) return std::nullopt;
    const std::chrono::year_month_day ymd{std::chrono::year{*y}, std::chrono::month{static_cast<unsigned>(*mo)},
                                          std::chrono::day{static_cast<unsigned>(*d)}};
    if (!ymd.ok()) return std::nullopt;
    const int64_t time = std::chrono::sys_days{ymd}.time_since_epoch().count() * kDay + *h * 3600 + *mi * 60 + *se;
    if (time < 1 || time > kLatestTime) return std::nullopt;
    return time;
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

DictationLog::History& DictationLog::historyOf(int block) {
    auto it = lowerBound(history_, block);
    if (it == history_.end() || it->block != block) it = history_.insert(it, History{block, {}, {}});
    return *it;
}

// Renumbers every block from the given one on by the given step.
void DictationLog::shiftFrom(int block, int by) {
    for (auto& h : history_) {
        if (h.block < block) continue;
        h.block += by;
        for (auto& a : h.attempts) a.block = h.block;
    }
    for (auto& a : answers_)
        if (a.block >= block) a.block += by;
}

// Brings the block's summary in line with its attempts, and drops a history
// left with nothing.
void DictationLog::summarize(int block) {
    auto h = lowerBound(history_, block);
    const bool kept = h != history_.end() && h->block == block;
    auto it = lowerBound(answers_, block);
    const bool summarized = it != answers_.end() && it->block == block;
    if (!kept || h->attempts.empty()) {
        if (summarized) answers_.erase(it);
        if (kept && h->earlier == EarlierAttempts{}) history_.erase(h);
        return;
    }
    if (!summarized) it = answers_.insert(it, BlockAnswer{block, 0, 0, 0, 0, {}});
    const Attempt& latest = h->attempts.back();
    it->blockStartMs = latest.blockStartMs;
    it->attempts = h->earlier.count;
    it->bestScore = h->earlier.bestScore;
    for (const auto& a : h->attempts) {
        it->attempts = saturatedSum(it->attempts, 1);
        it->bestScore = std::max(it->bestScore, a.score);
    }
    it->latestScore = latest.score;
    it->latestAnswer = latest.answer;
}

const BlockAnswer* DictationLog::addAttempt(int block, int32_t blockStartMs, std::string answer, int score,
                                            int64_t time) {
    if (block < 0 || block >= kMaxBlocks || time < 0 || time > kLatestTime) return nullptr;
    auto& attempts = historyOf(block).attempts;
    const auto at = std::upper_bound(attempts.begin(), attempts.end(), time,
                                     [](int64_t t, const Attempt& a) { return t < a.time; });
    attempts.insert(at, Attempt{block, std::max(blockStartMs, 0), time, std::clamp(score, 0, 100), std::move(answer)});
    summarize(block);
    return find(block);
}

bool DictationLog::add(BlockAnswer record) {
    if (!valid(record)) return false;
    auto it = lowerBound(history_, record.block);
    if (it != history_.end() && it->block == record.block && !it->attempts.empty()) return false;
    auto& h = historyOf(record.block);
    if (record.attempts > 1 || record.bestScore > record.latestScore)
        h.earlier = EarlierAttempts{record.attempts - 1, record.bestScore};
    h.attempts.push_back(Attempt{record.block, record.blockStartMs, kUnknownTime, record.latestScore,
                                 std::move(record.latestAnswer)});
    summarize(record.block);
    return true;
}

bool DictationLog::add(std::vector<Attempt> attempts) {
    for (const auto& a : attempts)
        if (a.block < 0 || a.block >= kMaxBlocks || a.blockStartMs < 0 || a.time < 0 || a.time > kLatestTime ||
            a.score < 0 || a.score > 100)
            return false;
    std::stable_sort(attempts.begin(), attempts.end(), [](const Attempt& a, const Attempt& b) {
        return a.block != b.block ? a.block < b.block : a.time < b.time;
    });
    for (auto from = attempts.begin(); from != attempts.end();) {
        const int block = from->block;
        const auto to = std::find_if(from, attempts.end(), [&](const Attempt& a) { return a.block != block; });
        appendInTimeOrder(historyOf(block).attempts, std::make_move_iterator(from), std::make_move_iterator(to));
        summarize(block);
        from = to;
    }
    return true;
}

bool DictationLog::setEarlier(int block, EarlierAttempts earlier) {
    if (block < 0 || block >= kMaxBlocks || earlier.count < 0 || earlier.bestScore < 0 || earlier.bestScore > 100)
        return false;
    historyOf(block).earlier = earlier;
    summarize(block);
    return true;
}

const BlockAnswer* DictationLog::find(int block) const {
    auto it = lowerBound(answers_, block);
    return it != answers_.end() && it->block == block ? &*it : nullptr;
}

const std::vector<Attempt>& DictationLog::attempts(int block) const {
    static const std::vector<Attempt> kNone;
    auto it = lowerBound(history_, block);
    return it != history_.end() && it->block == block ? it->attempts : kNone;
}

EarlierAttempts DictationLog::earlier(int block) const {
    auto it = lowerBound(history_, block);
    return it != history_.end() && it->block == block ? it->earlier : EarlierAttempts{};
}

void DictationLog::forget(int block) {
    auto it = lowerBound(history_, block);
    if (it != history_.end() && it->block == block) history_.erase(it);
    summarize(block);
}

void DictationLog::clear() {
    history_.clear();
    answers_.clear();
}

bool DictationLog::splitAt(int block) {
    if (block < 0 || block > kMaxBlocks - 2 || (!history_.empty() && history_.back().block == kMaxBlocks - 1))
        return false;
    shiftFrom(block + 1, 1);
    return true;
}

std::optional<JoinedBlocks> DictationLog::joinAt(int block) {
    if (block < 0 || block > kMaxBlocks - 2) return std::nullopt;
    JoinedBlocks joined{block, {}, earlier(block), earlier(block + 1)};
    auto next = lowerBound(history_, block + 1);
    if (next != history_.end() && next->block == block + 1) {
        joined.moved = std::move(next->attempts);
        history_.erase(next);
        summarize(block + 1);
        auto& h = historyOf(block);
        h.earlier = EarlierAttempts{saturatedSum(joined.keptEarlier.count, joined.movedEarlier.count),
                                    std::max(joined.keptEarlier.bestScore, joined.movedEarlier.bestScore)};
        std::vector<Attempt> moved = joined.moved;
        for (auto& a : moved) a.block = block;
        appendInTimeOrder(h.attempts, std::make_move_iterator(moved.begin()), std::make_move_iterator(moved.end()));
    }
    shiftFrom(block + 2, -1);
    summarize(block);
    return joined;
}

bool DictationLog::unjoin(const JoinedBlocks& joined) {
    const int block = joined.block;
    if (block < 0 || block > kMaxBlocks - 2 || (!history_.empty() && history_.back().block == kMaxBlocks - 1))
        return false;
    shiftFrom(block + 1, 1);
    std::vector<Attempt> back;
    auto h = lowerBound(history_, block);
    const bool kept = h != history_.end() && h->block == block;  // else forgotten since, moved ones too
    if (kept) {
        // The moved ones kept their order among the block's: one walk picks them out.
        std::vector<Attempt> stay;
        auto next = joined.moved.begin();
        for (auto& a : h->attempts) {
            if (next != joined.moved.end() && a.time == next->time && a.blockStartMs == next->blockStartMs &&
                a.score == next->score && a.answer == next->answer) {
                a.block = block + 1;
                back.push_back(std::move(a));
                ++next;
            } else {
                stay.push_back(std::move(a));
            }
        }
        h->attempts = std::move(stay);
        h->earlier = joined.keptEarlier;
    }
    if (kept && (!back.empty() || joined.movedEarlier != EarlierAttempts{})) {
        auto& next = historyOf(block + 1);
        next.attempts = std::move(back);
        next.earlier = joined.movedEarlier;
    }
    summarize(block);
    summarize(block + 1);
    return true;
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
    const auto line = [&](int block, int32_t startMs, std::string_view time, int score, int count,
                          std::string_view answer) {
        text += std::to_string(block + 1) + '\t' + std::to_string(startMs) + '\t';
        text += time;
        text += '\t' + std::to_string(score) + '\t' + std::to_string(count) + '\t';
        appendEscaped(text, answer);
        text += kCrLf;
    };
    for (int block = 0; block < kMaxBlocks; ++block) {
        if (const auto e = log.earlier(block); e != EarlierAttempts{})
            line(block, 0, kEarlierField, e.bestScore, e.count, {});
        for (const auto& a : log.attempts(block))
            line(block, a.blockStartMs, a.time == kUnknownTime ? std::string(kUnknownTimeField) : isoTime(a.time),
                 a.score, 1, a.answer);
    }
    return qm::text::encode(text);
}

namespace {

// Version 1: one summary per block, each read as add() takes it.
ParseResult parseVersion1(const std::vector<std::string>& lines) {
    if (lines.size() < 2 || lines[1] != kColumnsV1) return failed(ParseProblem::WrongColumns, 2);
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

// Version 2: one line per attempt, and a block's earlier count; lines in any order.
ParseResult parseVersion2(const std::vector<std::string>& lines) {
    if (lines.size() < 2 || lines[1] != kColumns) return failed(ParseProblem::WrongColumns, 2);
    ParseResult result;
    std::vector<bool> hasEarlier(kMaxBlocks, false);
    std::vector<std::pair<int, EarlierAttempts>> earlier;
    std::vector<Attempt> attempts;
    for (std::size_t n = 2; n < lines.size(); ++n) {
        const int lineNo = static_cast<int>(n) + 1;
        const auto f = fields(lines[n]);
        if (f.size() != 6) return failed(ParseProblem::FieldCount, lineNo, std::to_string(f.size()));

        const auto block = number(f[0], kMaxBlocks);
        if (!block || *block < 1) return failed(ParseProblem::BadNumber, lineNo, std::string(f[0]));
        const int index = static_cast<int>(*block) - 1;
        const auto start = number(f[1], std::numeric_limits<int32_t>::max());
        if (!start) return failed(ParseProblem::BadNumber, lineNo, std::string(f[1]));
        const auto score = number(f[3], 100);
        if (!score) return failed(ParseProblem::BadNumber, lineNo, std::string(f[3]));

        if (f[2] == kEarlierField) {
            const auto count = number(f[4], std::numeric_limits<int>::max());
            if (!count) return failed(ParseProblem::BadNumber, lineNo, std::string(f[4]));
            if (hasEarlier[index]) return failed(ParseProblem::DuplicateBlock, lineNo, std::string(f[0]));
            hasEarlier[index] = true;
            earlier.push_back({index, EarlierAttempts{static_cast<int>(*count), static_cast<int>(*score)}});
            continue;
        }
        std::optional<int64_t> time = kUnknownTime;
        if (f[2] != kUnknownTimeField) time = parsedIsoTime(f[2]);
        if (!time) return failed(ParseProblem::BadNumber, lineNo, std::string(f[2]));
        if (f[4] != "1") return failed(ParseProblem::BadNumber, lineNo, std::string(f[4]));
        auto answer = unescaped(f[5]);
        if (!answer) return failed(ParseProblem::BadEscape, lineNo);
        attempts.push_back(
            Attempt{index, static_cast<int32_t>(*start), *time, static_cast<int>(*score), std::move(*answer)});
    }
    result.log.add(std::move(attempts));  // all checked above
    for (const auto& [block, e] : earlier) result.log.setEarlier(block, e);
    return result;
}

}  // namespace

ParseResult parse(std::string_view fileBytes) {
    const std::string text = qm::text::decode(fileBytes);
    const std::vector<std::string> lines = qm::text::splitLines(text);

    if (lines.empty()) return failed(ParseProblem::WrongHeader, 1);
    const auto head = fields(lines[0]);
    if (head.size() != 2 || head[0] != kName) return failed(ParseProblem::WrongHeader, 1);
    const auto version = number(head[1], std::numeric_limits<int32_t>::max());
    if (!version || *version < 1) return failed(ParseProblem::WrongHeader, 1);
    if (*version > kFileVersion) return failed(ParseProblem::NewerVersion, 1, std::string(head[1]));
    return *version == 1 ? parseVersion1(lines) : parseVersion2(lines);
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
