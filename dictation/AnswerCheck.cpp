#include "dictation/AnswerCheck.h"

#include "dictation/CharacterFolding.h"

#include <dtl/dtl.hpp>

#include <algorithm>

namespace qm::dictation {

namespace {

using detail::CharRole;

// Collects tokens while the text is read code point by code point.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : text_(text) {}

    std::vector<Token> run() {
        std::size_t offset = 0;
        while (offset < text_.size()) {
            const auto cp = detail::nextCodePoint(text_, offset);
            char32_t folded[4];
            const int n = detail::fold(cp.value, folded);
            for (int i = 0; i < n; ++i) take(folded[i], offset, offset + cp.length);
            offset += cp.length;
        }
        finish();
        return std::move(tokens_);
    }

private:
    // One folded code point that came from text_[begin, end).
    void take(char32_t cp, std::size_t begin, std::size_t end) {
        switch (detail::roleOf(cp)) {
        case CharRole::Space:
        case CharRole::Punctuation:
            finish();
            return;
        case CharRole::Apostrophe:
        case CharRole::Ignorable:
            return;
        case CharRole::Mark:
            if (open_) add(cp, end);
            return;
        case CharRole::Unspaced:
            finish();
            start(begin);
            add(cp, end);
            unspaced_ = true;
            return;
        case CharRole::Letter:
            if (open_ && unspaced_) finish();
            if (!open_) start(begin);
            add(cp, end);
            return;
        }
    }

    void start(std::size_t begin) {
        open_ = true;
        unspaced_ = false;
        current_ = Token{{}, {}, begin};
        end_ = begin;
    }

    void add(char32_t cp, std::size_t end) {
        detail::appendUtf8(current_.key, cp);
        end_ = end;
    }

    void finish() {
        if (!open_) return;
        current_.text = std::string(text_.substr(current_.offset, end_ - current_.offset));
        tokens_.push_back(std::move(current_));
        open_ = false;
    }

    std::string_view text_;
    std::vector<Token> tokens_;
    Token current_;
    std::size_t end_ = 0;
    bool open_ = false;
    bool unspaced_ = false;
};

// Builds the marked sequence and keeps the counts.
class Marker {
public:
    Marker(const std::vector<Token>& ref, const std::vector<Token>& ans, std::string_view refText,
           std::string_view ansText)
        : ref_(ref), ans_(ans), refSize_(refText.size()), ansSize_(ansText.size()) {}

    void correct(std::size_t i, std::size_t j) {
        push({Mark::Correct, ref_[i].text, ans_[j].text, ref_[i].offset, ans_[j].offset});
    }

    // A stretch of reference tokens [i0, i1) and answer tokens [j0, j1) with no match.
    void change(std::size_t i0, std::size_t i1, std::size_t j0, std::size_t j1) {
        const std::size_t pairs = std::min(i1 - i0, j1 - j0);
        for (std::size_t k = 0; k < pairs; ++k)
            push({Mark::Wrong, ref_[i0 + k].text, ans_[j0 + k].text, ref_[i0 + k].offset, ans_[j0 + k].offset});
        for (std::size_t i = i0 + pairs; i < i1; ++i)
            push({Mark::Missing, ref_[i].text, {}, ref_[i].offset, ansOffset(j1)});
        for (std::size_t j = j0 + pairs; j < j1; ++j)
            push({Mark::Extra, {}, ans_[j].text, refOffset(i1), ans_[j].offset});
    }

    CheckResult result() {
        const int total = result_.correct + result_.missing + result_.wrong + result_.extra;
        result_.score = total == 0 ? 100 : result_.correct * 100 / total;
        return std::move(result_);
    }

private:
    std::size_t refOffset(std::size_t i) const { return i < ref_.size() ? ref_[i].offset : refSize_; }
    std::size_t ansOffset(std::size_t j) const { return j < ans_.size() ? ans_[j].offset : ansSize_; }

    void push(MarkedToken t) {
        switch (t.mark) {
        case Mark::Correct: ++result_.correct; break;
        case Mark::Missing: ++result_.missing; break;
        case Mark::Wrong: ++result_.wrong; break;
        case Mark::Extra: ++result_.extra; break;
        }
        result_.tokens.push_back(std::move(t));
    }

    const std::vector<Token>& ref_;
    const std::vector<Token>& ans_;
    std::size_t refSize_;
    std::size_t ansSize_;
    CheckResult result_;
};

std::vector<std::string> keys(const std::vector<Token>& tokens, std::size_t count) {
    std::vector<std::string> k;
    k.reserve(count);
    for (std::size_t i = 0; i < count; ++i) k.push_back(tokens[i].key);
    return k;
}

}  // namespace

std::vector<Token> tokenize(std::string_view text) { return Tokenizer(text).run(); }

CheckResult checkAnswer(std::string_view reference, std::string_view answer) {
    const std::vector<Token> ref = tokenize(reference);
    const std::vector<Token> ans = tokenize(answer);
    const std::size_t m = std::min(ref.size(), kMaxComparedTokens);
    const std::size_t n = std::min(ans.size(), kMaxComparedTokens);
    Marker marker(ref, ans, reference, answer);

    std::size_t i = 0, j = 0;    // next reference and answer token
    std::size_t i0 = 0, j0 = 0;  // where the current unmatched stretch began
    if (m > 0 && n > 0) {
        dtl::Diff<std::string> diff(keys(ref, m), keys(ans, n));
        diff.compose();
        for (const auto& step : diff.getSes().getSequence()) {
            const dtl::edit_t type = step.second.type;
            if (type == dtl::SES_COMMON) {
                marker.change(i0, i, j0, j);
                marker.correct(i, j);
                i0 = ++i;
                j0 = ++j;
            } else if (type == dtl::SES_DELETE) {
                ++i;
            } else {
                ++j;
            }
        }
    }
    // What the script did not cover: everything when a side is empty.
    marker.change(i0, m, j0, n);
    marker.change(m, ref.size(), n, n);
    marker.change(m, m, n, ans.size());
    return marker.result();
}

}  // namespace qm::dictation
