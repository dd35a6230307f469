// libFuzzer target over the answers file reader and the answer check. Besides
// crashes and sanitizer findings it traps when a property breaks:
// - a file that parses, written again, gives the same bytes and reads back equal;
// - a refused file gives no record;
// - the check of any two texts counts what it marks, scores 0 .. 100, and
//   scores a text against itself 100 with every token correct (up to the
//   compared length);
// - a block split and joined again, or joined and unjoined, gives the same bytes.
#include "dictation/AnswerCheck.h"
#include "dictation/DictationLog.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

using namespace qm::dictation;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

void checkCounts(const CheckResult& r) {
    int counts[4] = {0, 0, 0, 0};
    for (const auto& t : r.tokens) ++counts[static_cast<int>(t.mark)];
    check(counts[0] == r.correct && counts[1] == r.missing && counts[2] == r.wrong && counts[3] == r.extra);
    check(r.score >= 0 && r.score <= 100);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);

    const ParseResult first = parse(input);
    if (first.ok()) {
        const std::string again = serialize(first.log);
        const ParseResult second = parse(again);
        check(second.ok());
        check(second.log.answers() == first.log.answers());
        check(serialize(second.log) == again);

        const int block = static_cast<int>(size % (kMaxBlocks - 1));
        DictationLog edited = first.log;
        if (edited.splitAt(block)) {
            check(edited.joinAt(block).has_value());
            check(serialize(edited) == again);
        }
        const auto joined = edited.joinAt(block);
        check(joined && edited.unjoin(*joined) && serialize(edited) == again);
    } else {
        check(first.log.empty());
    }

    // The input split in two: a reference and an answer.
    const size_t cut = size / 2;
    const std::string_view reference = input.substr(0, cut);
    const std::string_view answer = input.substr(cut);
    const CheckResult r = checkAnswer(reference, answer);
    checkCounts(r);
    check(static_cast<size_t>(r.correct + r.missing + r.wrong) == tokenize(reference).size());
    for (const auto& t : r.tokens) {
        check(t.referenceOffset <= reference.size() && t.answerOffset <= answer.size());
        if (t.mark != Mark::Extra) check(reference.substr(t.referenceOffset, t.reference.size()) == t.reference);
        if (t.mark != Mark::Missing) check(answer.substr(t.answerOffset, t.answer.size()) == t.answer);
    }
    const CheckResult same = checkAnswer(answer, answer);
    checkCounts(same);
    if (tokenize(answer).size() <= kMaxComparedTokens)
        check(same.score == 100 && same.missing == 0 && same.wrong == 0 && same.extra == 0);

    DictationLog log;
    log.addAttempt(static_cast<int>(size % 1000), static_cast<int32_t>(size), std::string(input), r.score);
    const ParseResult back = parse(serialize(log));
    check(back.ok() && back.log.answers() == log.answers());
    return 0;
}
