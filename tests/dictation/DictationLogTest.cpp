// The answers kept per block, the drill list, and the answers file.
#include "dictation/AnswerCheck.h"
#include "dictation/DictationLog.h"
#include "text/TextCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qm::dictation;

TEST(DictationLog, AttemptsCountTheLatestReplacesTheBestStays) {
    DictationLog log;
    EXPECT_EQ(log.find(3), nullptr);
    log.addAttempt(3, 9000, "first try", 40);
    log.addAttempt(3, 9000, "second try", 90);
    const BlockAnswer* r = log.addAttempt(3, 9100, "third try", 60);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(*r, (BlockAnswer{3, 9100, 3, 60, 90, "third try"}));
    EXPECT_EQ(log.find(3), r);
    // Scores are clamped, blocks outside the file's range refused.
    EXPECT_EQ(log.addAttempt(0, 0, "", 250)->latestScore, 100);
    EXPECT_EQ(log.addAttempt(1, 0, "", -5)->bestScore, 0);
    EXPECT_EQ(log.addAttempt(-1, 0, "x", 10), nullptr);
    EXPECT_EQ(log.addAttempt(kMaxBlocks, 0, "x", 10), nullptr);
    ASSERT_EQ(log.answers().size(), 3u);
    EXPECT_EQ(log.answers()[0].block, 0);
    EXPECT_EQ(log.answers()[2].block, 3);
    log.forget(1);
    log.forget(7);
    EXPECT_EQ(log.answers().size(), 2u);
}

TEST(DictationLog, WholeRecordsMustKeepTheRules) {
    DictationLog log;
    EXPECT_TRUE(log.add({5, 0, 1, 50, 50, "a"}));
    EXPECT_FALSE(log.add({5, 0, 2, 60, 60, "again"}));
    EXPECT_FALSE(log.add({6, 0, 0, 50, 50, "no attempts"}));
    EXPECT_FALSE(log.add({6, 0, 1, 70, 60, "best below latest"}));
    EXPECT_FALSE(log.add({6, 0, 1, 50, 101, "over 100"}));
    EXPECT_FALSE(log.add({1000, 0, 1, 50, 50, "past the last block"}));
    EXPECT_FALSE(log.add({6, -1, 1, 50, 50, "negative start"}));
    EXPECT_EQ(log.answers().size(), 1u);
    EXPECT_EQ(log.find(5)->latestAnswer, "a");
}

// The lesson's edits: attempts follow their block, and each edit's inverse
// gives the very same file back, even with answers recorded in between.
TEST(DictationLog, AttemptsFollowSplitAndJoinAndTheUndoGivesTheSameBytes) {
    const int64_t day = 86400, t0 = 1796774400;  // 2026-12-09T00:00:00Z
    DictationLog log;
    log.add({1, 1000, 3, 50, 90, "one, carried over"});
    log.addAttempt(1, 1000, "one", 70, t0 + 2 * day);
    log.addAttempt(2, 2000, "two late", 40, t0 + 3 * day);
    log.addAttempt(2, 2000, "two early", 30, t0);
    log.add({2, 2000, 2, 10, 20, "refused: 2 has attempts"});
    log.add({3, 3000, 4, 80, 100, "three, carried over"});
    log.addAttempt(3, 3000, "three", 60, t0 + day);
    log.addAttempt(3, 3000, "three again", 65, t0 + 3 * day);
    log.addAttempt(5, 5000, "five", 100, t0);
    const std::string before = serialize(log);

    DictationLog split = log;
    ASSERT_TRUE(split.splitAt(2));
    EXPECT_EQ(split.attempts(2), log.attempts(2));
    EXPECT_TRUE(split.attempts(3).empty());
    EXPECT_EQ(split.find(4)->latestAnswer, "three again");
    EXPECT_EQ(split.find(4)->block, 4);
    EXPECT_EQ(split.attempts(4)[0].block, 4);
    EXPECT_EQ(split.earlier(4), (EarlierAttempts{3, 100}));
    EXPECT_EQ(split.find(6)->latestAnswer, "five");
    EXPECT_EQ(split.find(5), nullptr);
    ASSERT_TRUE(split.joinAt(2));
    EXPECT_EQ(serialize(split), before);

    DictationLog joined = log;
    const auto undo = joined.joinAt(2);
    ASSERT_TRUE(undo);
    std::vector<std::string> two;
    for (const auto& a : joined.attempts(2)) two.push_back(a.answer);
    // Time order: an unknown time first.
    EXPECT_EQ(two, (std::vector<std::string>{"three, carried over", "two early", "three", "two late", "three again"}));
    EXPECT_EQ(joined.earlier(2), (EarlierAttempts{3, 100}));
    EXPECT_EQ(*joined.find(2), (BlockAnswer{2, 3000, 8, 65, 100, "three again"}));
    EXPECT_EQ(joined.find(3), nullptr);
    EXPECT_EQ(joined.find(4)->latestAnswer, "five");
    EXPECT_EQ(joined.answers().size(), 3u);
    DictationLog undone = joined;
    ASSERT_TRUE(undone.unjoin(*undo));
    EXPECT_EQ(serialize(undone), before);
    EXPECT_EQ(undone.answers(), log.answers());

    // Answered while joined: the new attempt stays with the kept block.
    joined.addAttempt(2, 2000, "joined", 90, t0 + 4 * day);
    ASSERT_TRUE(joined.unjoin(*undo));
    EXPECT_EQ(joined.attempts(3), log.attempts(3));
    EXPECT_EQ(joined.find(2)->latestAnswer, "joined");
    EXPECT_EQ(joined.attempts(2).size(), 3u);
    EXPECT_EQ(joined.find(5)->latestAnswer, "five");

    // Nothing falls off the end; out of range changes nothing.
    DictationLog full;
    full.addAttempt(kMaxBlocks - 1, 0, "last", 50, t0);
    EXPECT_FALSE(full.splitAt(0));
    EXPECT_FALSE(full.joinAt(kMaxBlocks - 1));
    EXPECT_FALSE(full.joinAt(-1));
    ASSERT_TRUE(full.joinAt(kMaxBlocks - 2));
    EXPECT_EQ(full.find(kMaxBlocks - 2)->latestAnswer, "last");
    EXPECT_FALSE(full.splitAt(-1));
    EXPECT_FALSE(full.splitAt(kMaxBlocks - 1));
    full.clear();
    EXPECT_TRUE(full.empty());
    EXPECT_EQ(serialize(full), serialize(DictationLog{}));
}

TEST(WeakestBlocks, WeakestBlocksComeFirstPerfectOnesNotAtAll) {
    DictationLog log;
    log.add({0, 0, 1, 100, 100, ""});
    log.add({1, 0, 2, 40, 80, ""});
    log.add({2, 0, 1, 40, 40, ""});
    log.add({3, 0, 1, 75, 75, ""});
    log.add({4, 0, 3, 40, 40, ""});
    log.add({5, 0, 1, 0, 90, ""});
    std::vector<int> order;
    for (const auto& a : weakestBlocks(log, 10)) order.push_back(a.block);
    // 0 first; then the 40s, lower best first, then by block; then 75.
    EXPECT_EQ(order, (std::vector<int>{5, 2, 4, 1, 3}));
    EXPECT_EQ(weakestBlocks(log, 2).size(), 2u);
    EXPECT_TRUE(weakestBlocks(log, 0).empty());
    EXPECT_TRUE(weakestBlocks(DictationLog{}, 5).empty());
}

TEST(AnswersFile, NamedAfterTheBlockFile) {
    EXPECT_EQ(answersPathFor("/home/u/lesson.bsd"), "/home/u/lesson.dictation.tsv");
    EXPECT_EQ(answersPathFor("/home/u/Lesson.BSD"), "/home/u/Lesson.dictation.tsv");
    EXPECT_EQ(answersPathFor("/home/u/lesson.txt"), "/home/u/lesson.txt.dictation.tsv");
    EXPECT_EQ(answersPathFor("/home/u.v2/lesson"), "/home/u.v2/lesson.dictation.tsv");
    EXPECT_EQ(answersPathFor("/home/u/.bsd"), "/home/u/.bsd.dictation.tsv");
}

TEST(AnswersFile, KnownLogGivesKnownBytes) {
    DictationLog log;
    log.add({1, 4000, 2, 50, 75, "a\tb\\c\r\nd\x01"});
    log.add({0, 0, 1, 100, 100, "Hello"});
    log.addAttempt(0, 20, "Hello!", 90, 1796811300);  // 2026-12-09T10:15:00Z
    EXPECT_EQ(serialize(log),
              "QM5 dictation answers\t2\r\n"
              "block\tstart_ms\ttime\tscore\tattempts\tanswer\r\n"
              "1\t0\t-\t100\t1\tHello\r\n"
              "1\t20\t2026-12-09T10:15:00Z\t90\t1\tHello!\r\n"
              "2\t0\tearlier\t75\t1\t\r\n"
              "2\t4000\t-\t50\t1\ta\\tb\\\\c\\r\\nd\\x01\r\n");
    EXPECT_EQ(serialize(DictationLog{}),
              "QM5 dictation answers\t2\r\nblock\tstart_ms\ttime\tscore\tattempts\tanswer\r\n");
}

// A file the program wrote before attempts were kept one by one: each block's
// count, latest and best survive the reading, a new attempt, and the writing
// as version 2.
TEST(AnswersFile, AVersion1FileIsReadAndWrittenAgainWithoutLoss) {
    const std::string v1 =
        "QM5 dictation answers\t1\r\n"
        "block\tstart_ms\tattempts\tlatest_score\tbest_score\tlatest_answer\r\n"
        "4\t9000\t7\t60\t95\tlatest \\t try\r\n"
        "1\t0\t1\t100\t100\tperfect\r\n"
        "2\t1500\t1\t30\t80\tedited by hand: best above latest\r\n";
    const std::vector<BlockAnswer> summaries = {{0, 0, 1, 100, 100, "perfect"},
                                                {1, 1500, 1, 30, 80, "edited by hand: best above latest"},
                                                {3, 9000, 7, 60, 95, "latest \t try"}};
    const ParseResult first = parse(v1);
    ASSERT_TRUE(first.ok()) << message(*first.error);
    EXPECT_EQ(first.log.answers(), summaries);
    EXPECT_EQ(first.log.attempts(3), (std::vector<Attempt>{{3, 9000, kUnknownTime, 60, "latest \t try"}}));
    EXPECT_EQ(first.log.earlier(3), (EarlierAttempts{6, 95}));
    EXPECT_EQ(first.log.earlier(0), EarlierAttempts{});

    const std::string v2 = serialize(first.log);
    EXPECT_EQ(v2,
              "QM5 dictation answers\t2\r\n"
              "block\tstart_ms\ttime\tscore\tattempts\tanswer\r\n"
              "1\t0\t-\t100\t1\tperfect\r\n"
              "2\t0\tearlier\t80\t0\t\r\n"
              "2\t1500\t-\t30\t1\tedited by hand: best above latest\r\n"
              "4\t0\tearlier\t95\t6\t\r\n"
              "4\t9000\t-\t60\t1\tlatest \\t try\r\n");
    ParseResult second = parse(v2);
    ASSERT_TRUE(second.ok()) << message(*second.error);
    EXPECT_EQ(second.log.answers(), summaries);
    EXPECT_EQ(serialize(second.log), v2);

    // Answered again: the count goes on, the carried best stays until beaten.
    EXPECT_EQ(*second.log.addAttempt(3, 9100, "again", 70, 1796811300), (BlockAnswer{3, 9100, 8, 70, 95, "again"}));
    EXPECT_EQ(*second.log.addAttempt(1, 1500, "better", 85, 1796811300), (BlockAnswer{1, 1500, 2, 85, 85, "better"}));
    const ParseResult third = parse(serialize(second.log));
    ASSERT_TRUE(third.ok());
    EXPECT_EQ(third.log.answers(), second.log.answers());
}

// Every attempt kept with its time, whatever order they were recorded in;
// the file gives them back exactly, and its bad times are refused.
TEST(AnswersFile, Version2KeepsEveryAttemptAndItsTime) {
    DictationLog log;
    const int64_t leapDay = 1709164800;  // 2024-02-29T00:00:00Z
    log.addAttempt(2, 500, "tab\there \\t and lf\n", 40, leapDay + 86399);
    log.addAttempt(2, 500, "earlier in the day", 20, leapDay);
    log.addAttempt(2, 600, "same second, after", 60, leapDay + 86399);
    log.addAttempt(0, 0, "the last second", 100, kLatestTime);
    log.addAttempt(0, 0, std::string("nul\0 and \xFF", 10), 0, 1);
    EXPECT_EQ(log.addAttempt(0, 0, "", 0, -1), nullptr);
    EXPECT_EQ(log.addAttempt(0, 0, "", 0, kLatestTime + 1), nullptr);
    EXPECT_FALSE(log.add(std::vector<Attempt>{{4, 0, 1, 50, "fine"}, {4, 0, 2, 101, "over 100"}}));
    EXPECT_FALSE(log.add(std::vector<Attempt>{{4, 0, -1, 50, "before 1970"}}));
    EXPECT_EQ(log.find(4), nullptr);

    const std::vector<Attempt> two = {{2, 500, leapDay, 20, "earlier in the day"},
                                      {2, 500, leapDay + 86399, 40, "tab\there \\t and lf\n"},
                                      {2, 600, leapDay + 86399, 60, "same second, after"}};
    EXPECT_EQ(log.attempts(2), two);
    EXPECT_EQ(*log.find(2), (BlockAnswer{2, 600, 3, 60, 60, "same second, after"}));
    EXPECT_TRUE(log.attempts(1).empty());

    const std::string bytes = serialize(log);
    EXPECT_NE(bytes.find("\t1970-01-01T00:00:01Z\t0\t1\tnul\\x00 and \\xFF\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\t9999-12-31T23:59:59Z\t100\t"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("3\t500\t2024-02-29T23:59:59Z\t40\t1\ttab\\there \\\\t and lf\\n\r\n"
                         "3\t600\t2024-02-29T23:59:59Z\t60\t"),
              std::string::npos)
        << bytes;
    const ParseResult back = parse(bytes);
    ASSERT_TRUE(back.ok()) << message(*back.error);
    EXPECT_EQ(back.log.attempts(2), two);
    EXPECT_EQ(back.log.attempts(0), log.attempts(0));
    EXPECT_EQ(back.log.answers(), log.answers());
    EXPECT_EQ(serialize(back.log), bytes);

    const std::string head = "QM5 dictation answers\t2\r\nblock\tstart_ms\ttime\tscore\tattempts\tanswer\r\n";
    const auto errorOf2 = [&](const std::string& row) {
        const ParseResult r = parse(head + "1\t0\t-\t50\t1\tok\r\n" + row);
        EXPECT_TRUE(r.log.empty());
        return r.error.value_or(ParseError{});
    };
    for (const std::string time : {"2025-02-29T10:00:00Z", "2026-12-09 10:15:00Z", "2026-12-09T24:00:00Z",
                                   "1970-01-01T00:00:00Z", "1969-12-31T23:59:59Z", "2026-12-09T10:15:00", "+"})
        EXPECT_EQ(errorOf2("1\t0\t" + time + "\t50\t1\tx\r\n"), (ParseError{ParseProblem::BadNumber, 4, time}));
    EXPECT_EQ(errorOf2("1\t0\t-\t50\t2\tx\r\n"), (ParseError{ParseProblem::BadNumber, 4, "2"}));
    EXPECT_EQ(errorOf2("1\t0\t-\t50\tx\r\n"), (ParseError{ParseProblem::FieldCount, 4, "5"}));
    EXPECT_EQ(errorOf2("1\t0\tearlier\t50\t3\t\r\n1\t0\tearlier\t50\t3\t\r\n"),
              (ParseError{ParseProblem::DuplicateBlock, 5, "1"}));
    EXPECT_EQ(parse(head + "1\t0\t-\t50\t1\tok\r\n").error, std::nullopt);
}

TEST(AnswersFile, EveryAnswerComesBackByteForByte) {
    const std::vector<std::string> answers = {
        "",
        "plain",
        "tab\there, lf\nthere, cr\rthere, crlf\r\n, lfcr\n\r",
        "backslashes \\ \\t \\x41 \\\\ and a last one \\",
        std::string("nul\0byte\x7f", 10),
        "日本語の答え、表ソ十",
        "broken \x80\xE3\x81 utf-8 \xFF",
        "emoji \xF0\x9F\x98\x80 and U+FFFD \xEF\xBF\xBD",
        "  leading and trailing  ",
    };
    DictationLog log;
    for (size_t i = 0; i < answers.size(); ++i)
        log.addAttempt(static_cast<int>(i * 100), static_cast<int32_t>(i * 1000), answers[i], static_cast<int>(i * 10));
    const std::string bytes = serialize(log);
    const ParseResult back = parse(bytes);
    ASSERT_TRUE(back.ok()) << message(*back.error);
    EXPECT_EQ(back.log.answers(), log.answers());
    EXPECT_EQ(serialize(back.log), bytes);
}

TEST(AnswersFile, JapaneseAnswersAreWrittenAsCp932AndReadBack) {
    DictationLog log;
    log.addAttempt(0, 0, "日本語", 100);
    const std::string bytes = serialize(log);
    EXPECT_NE(bytes.find("\x93\xfa\x96\x7b\x8c\xea"), std::string::npos);
    const ParseResult back = parse(bytes);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.log.find(0)->latestAnswer, "日本語");
}

ParseError errorOf(const std::string& rows, const std::string& head = "QM5 dictation answers\t1\r\n") {
    const ParseResult r = parse(head + "block\tstart_ms\tattempts\tlatest_score\tbest_score\tlatest_answer\r\n" + rows);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.log.empty()) << "a refused file gives no record";
    return r.error.value_or(ParseError{});
}

TEST(AnswersFile, BadFilesNameTheirLine) {
    EXPECT_EQ(parse("").error, (ParseError{ParseProblem::WrongHeader, 1, {}}));
    EXPECT_EQ(errorOf("", "QM5 dictation answers\r\n"), (ParseError{ParseProblem::WrongHeader, 1, {}}));
    EXPECT_EQ(errorOf("", "QM5 dictation answers\t0\r\n"), (ParseError{ParseProblem::WrongHeader, 1, {}}));
    EXPECT_EQ(errorOf("", "QM5 dictation answers\t3\r\n"), (ParseError{ParseProblem::NewerVersion, 1, "3"}));
    EXPECT_EQ(parse("QM5 dictation answers\t1\r\nblock\tstart\r\n").error,
              (ParseError{ParseProblem::WrongColumns, 2, {}}));
    EXPECT_EQ(parse("QM5 dictation answers\t1\r\n").error, (ParseError{ParseProblem::WrongColumns, 2, {}}));

    const std::string good = "1\t0\t1\t50\t50\tok\r\n";
    EXPECT_EQ(errorOf(good + "2\t0\t1\t50\t50\r\n"), (ParseError{ParseProblem::FieldCount, 4, "5"}));
    EXPECT_EQ(errorOf(good + "2\t0\t1\t50\t50\tx\ty\r\n"), (ParseError{ParseProblem::FieldCount, 4, "7"}));
    EXPECT_EQ(errorOf(good + "\r\n"), (ParseError{ParseProblem::FieldCount, 4, "1"}));
    EXPECT_EQ(errorOf("0\t0\t1\t50\t50\tx\r\n"), (ParseError{ParseProblem::BadNumber, 3, "0"}));
    EXPECT_EQ(errorOf("1001\t0\t1\t50\t50\tx\r\n"), (ParseError{ParseProblem::BadNumber, 3, "1001"}));
    EXPECT_EQ(errorOf("1\t-5\t1\t50\t50\tx\r\n"), (ParseError{ParseProblem::BadNumber, 3, "-5"}));
    EXPECT_EQ(errorOf("1\t0\t0\t50\t50\tx\r\n"), (ParseError{ParseProblem::BadNumber, 3, "0"}));
    EXPECT_EQ(errorOf("1\t0\t1\t101\t101\tx\r\n"), (ParseError{ParseProblem::BadNumber, 3, "101"}));
    EXPECT_EQ(errorOf("1\t0\t1\t60\t50\tx\r\n"), (ParseError{ParseProblem::BadNumber, 3, "50"}));
    EXPECT_EQ(errorOf("1\t0\t1\t 5\t50\tx\r\n"), (ParseError{ParseProblem::BadNumber, 3, " 5"}));
    EXPECT_EQ(errorOf(good + "2\t0\t1\t50\t50\tbad \\q\r\n"), (ParseError{ParseProblem::BadEscape, 4, {}}));
    EXPECT_EQ(errorOf(good + "2\t0\t1\t50\t50\tcut \\x4\r\n"), (ParseError{ParseProblem::BadEscape, 4, {}}));
    EXPECT_EQ(errorOf(good + "2\t0\t1\t50\t50\tend \\\r\n"), (ParseError{ParseProblem::BadEscape, 4, {}}));
    EXPECT_EQ(errorOf(good + good), (ParseError{ParseProblem::DuplicateBlock, 4, "1"}));
    EXPECT_EQ(message(ParseError{ParseProblem::DuplicateBlock, 4, "1"}), "4 行目: ブロック 1 が二度あります");
}

TEST(AnswersFile, LfOnlyAndAnyRowOrderAreRead) {
    const ParseResult r = parse(
        "QM5 dictation answers\t1\nblock\tstart_ms\tattempts\tlatest_score\tbest_score\tlatest_answer\n"
        "7\t100\t4\t20\t90\tseven\n2\t5\t1\t0\t0\t\n");
    ASSERT_TRUE(r.ok()) << message(*r.error);
    ASSERT_EQ(r.log.answers().size(), 2u);
    EXPECT_EQ(r.log.answers()[0], (BlockAnswer{1, 5, 1, 0, 0, ""}));
    EXPECT_EQ(r.log.answers()[1], (BlockAnswer{6, 100, 4, 20, 90, "seven"}));
}

// The memo window's path: check the answer, record it, save, load.
TEST(AnswersFile, ACheckedAnswerIsRecordedAndSurvivesTheFile) {
    DictationLog log;
    const std::string note = "She sells sea shells.";
    log.addAttempt(0, 0, "she sells see shells", checkAnswer(note, "she sells see shells").score);
    log.addAttempt(0, 0, "She sells sea shells", checkAnswer(note, "She sells sea shells").score);
    log.addAttempt(1, 2500, "by the sea", checkAnswer("by the seashore", "by the sea").score);
    const ParseResult back = parse(serialize(log));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back.log.find(0), (BlockAnswer{0, 0, 2, 100, 100, "She sells sea shells"}));
    EXPECT_EQ(*back.log.find(1), (BlockAnswer{1, 2500, 1, 66, 66, "by the sea"}));  // 2 of 3
    ASSERT_EQ(weakestBlocks(back.log, 5).size(), 1u);
    EXPECT_EQ(weakestBlocks(back.log, 5)[0].block, 1);
}

}  // namespace
