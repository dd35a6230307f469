#include "blockfile/BlockFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qm::blockfile;
using Lines = std::vector<std::string>;
using Seps = std::vector<int32_t>;

BlockData lesson() {
    BlockData d;
    d.mediaPath = "/home/user/lesson.mp3";
    d.mediaLength = 123456;
    d.separators = {0, 4000, 9500, 123456};
    d.memoLines = {"first note", "a * b", "*starts with a star"};
    return d;
}

void expectSameData(const BlockData& got, const BlockData& want) {
    EXPECT_EQ(got.mediaPath, want.mediaPath);
    EXPECT_EQ(got.mediaLength, want.mediaLength);
    EXPECT_EQ(got.separators, want.separators);
    EXPECT_EQ(got.memoLines, want.memoLines);
}

// A hand-made file: the given lines joined by `brk`, every line followed by it.
std::string file(const Lines& lines, const std::string& brk = "\r\n") {
    std::string s;
    for (const auto& l : lines) s += l + brk;
    return s;
}

// ---- writing ----

TEST(Serialize, KnownSaveIsByteExact) {
    EXPECT_EQ(serialize(lesson()),
              "QM4 Block Separate Data\r\n"
              "/home/user/lesson.mp3\r\n"
              "123456\r\n"
              "3\r\n"
              "0\r\n4000\r\n9500\r\n123456\r\n"
              "*first note\r\n"
              "a * b\r\n"
              "*starts with a star\r\n");
}

TEST(Serialize, NoNotesEndsInTheStar) {
    BlockData d = lesson();
    d.memoLines.clear();
    d.separators = {0, 123456};
    d.mediaLength = -5;  // written as it is held
    EXPECT_EQ(serialize(d),
              "QM4 Block Separate Data\r\n/home/user/lesson.mp3\r\n-5\r\n1\r\n0\r\n123456\r\n*");
}

TEST(Serialize, JapaneseTextIsWrittenAsCp932) {
    BlockData d = lesson();
    d.mediaPath = "C:\\表\\ソ十.mp3";
    d.memoLines = {"日本語", "", "メモ"};
    EXPECT_EQ(serialize(d),
              "QM4 Block Separate Data\r\n"
              "C:\\\x95\x5c\\\x83\x5c\x8f\x5c.mp3\r\n"
              "123456\r\n3\r\n0\r\n4000\r\n9500\r\n123456\r\n"
              "*\x93\xfa\x96\x7b\x8c\xea\r\n\r\n\x83\x81\x83\x82\r\n");
}

TEST(Serialize, ACharacterOutsideCp932MakesTheWholeFileUtf8) {
    BlockData d = lesson();
    d.memoLines = {"日本語", "smile \xF0\x9F\x98\x80"};
    EXPECT_EQ(serialize(d),
              "QM4 Block Separate Data\r\n/home/user/lesson.mp3\r\n123456\r\n3\r\n"
              "0\r\n4000\r\n9500\r\n123456\r\n*日本語\r\nsmile \xF0\x9F\x98\x80\r\n");
}

// ---- round trips ----

TEST(RoundTrip, SavedDataLoadsBackUnchanged) {
    BlockData plain = lesson();
    BlockData japanese = lesson();
    japanese.mediaPath = "C:\\表\\ソ十\\練習.mp3";
    japanese.memoLines = {"日本語 * のメモ", "", "ｱｲｳ", "*", "最後", ""};
    BlockData utf8 = japanese;
    utf8.memoLines.push_back("10〜20 ¥500 \xF0\x9F\x98\x80");
    BlockData noNotes = lesson();
    noNotes.memoLines.clear();
    for (const BlockData& d : {plain, japanese, utf8, noNotes}) {
        const ParseResult r = parse(serialize(d));
        ASSERT_EQ(r.status, ParseStatus::Ok) << d.mediaPath;
        expectSameData(r.data, d);
    }
}

TEST(RoundTrip, ThousandBlocksAndAHugeMemoComeBackWhole) {
    BlockData d;
    d.mediaPath = "lesson.mp3";
    d.mediaLength = 1000000;
    for (int32_t i = 0; i <= 1000; ++i) d.separators.push_back(i * 1000);
    // Well past 640000 bytes of notes: none may be dropped.
    for (int i = 0; i < 1000; ++i) d.memoLines.push_back(std::string(799, 'a' + i % 26) + "*");
    const ParseResult r = parse(serialize(d));
    ASSERT_EQ(r.status, ParseStatus::Ok);
    expectSameData(r.data, d);
}

// ---- reading hand-made files ----

TEST(Parse, Cp932FileReadsTheSameWithEveryBreakKind) {
    const Lines lines = {"QM4 Block Separate Data", "C:\\\x95\x5c\\a.wma", "9000", "2",
                         "0",                       "5000",              "9000",
                         "*\x93\xfa\x96\x7b\x8c\xea", "second * note"};
    for (const std::string brk : {"\r\n", "\n", "\r", "\n\r"}) {
        const ParseResult r = parse(file(lines, brk));
        ASSERT_EQ(r.status, ParseStatus::Ok);
        EXPECT_EQ(r.data.mediaPath, "C:\\表\\a.wma");
        EXPECT_EQ(r.data.mediaLength, 9000);
        EXPECT_EQ(r.data.separators, (Seps{0, 5000, 9000}));
        EXPECT_EQ(r.data.memoLines, (Lines{"日本語", "second * note"}));
    }
}

TEST(Parse, Utf8FileWithByteOrderMarkIsRead) {
    const ParseResult r =
        parse("\xEF\xBB\xBF" "QM4 Block Separate Data\nx.mp3\n10\n1\n0\n10\n*ノート\n");
    ASSERT_EQ(r.status, ParseStatus::Ok);
    EXPECT_EQ(r.data.memoLines, Lines{"ノート"});
}

TEST(Parse, EmptyMemoPartGivesNoLines) {
    const ParseResult r = parse("QM4 Block Separate Data\r\nx.mp3\r\n10\r\n1\r\n0\r\n10\r\n*");
    ASSERT_EQ(r.status, ParseStatus::Ok);
    EXPECT_EQ(r.data.memoLines, Lines{});
}

TEST(Parse, WithoutAStarTheWholeTextBecomesMemoLines) {
    const Lines lines = {"QM4 Block Separate Data", "x.mp3", "10", "1", "0", "10", "note"};
    const ParseResult r = parse(file(lines, "\n"));
    ASSERT_EQ(r.status, ParseStatus::Ok);
    EXPECT_EQ(r.data.separators, (Seps{0, 10}));
    EXPECT_EQ(r.data.memoLines, lines);
}

TEST(Parse, AStarInTheMediaPathStaysInThePathWhenTheMemoLineStartsWithOne) {
    const ParseResult r = parse(file({"QM4 Block Separate Data", "http://h/a*b.mp3", "10", "1",
                                      "0", "10", "*note"}));
    ASSERT_EQ(r.status, ParseStatus::Ok);
    EXPECT_EQ(r.data.mediaPath, "http://h/a*b.mp3");
    EXPECT_EQ(r.data.separators, (Seps{0, 10}));
    EXPECT_EQ(r.data.memoLines, (Lines{"note"}));

    // Written by this program: the round trip keeps path and notes.
    BlockData d;
    d.mediaPath = "http://h/a*b*c.mp3";
    d.mediaLength = 10;
    d.separators = {0, 10};
    d.memoLines = {"*one*", "two"};
    const ParseResult back = parse(serialize(d));
    EXPECT_EQ(back.data.mediaPath, d.mediaPath);
    EXPECT_EQ(back.data.memoLines, d.memoLines);

    // A memo line that does not start with "*": the first "*" of the file, as before.
    const ParseResult old = parse(file({"QM4 Block Separate Data", "http://h/a*b.mp3", "10", "1",
                                        "0", "10", "note"}));
    EXPECT_EQ(old.data.memoLines, (Lines{"b.mp3", "10", "1", "0", "10", "note"}));
}

TEST(Parse, AnythingButTheExactHeaderIsWrongHeader) {
    const std::string rest = "x.mp3\r\n10\r\n1\r\n0\r\n10\r\n*";
    for (const std::string head :
         {"", "QM4 Block Separate Data ", " QM4 Block Separate Data", "qm4 block separate data",
          "QM4 Block Separate", "*QM4 Block Separate Data"}) {
        EXPECT_EQ(parse(head + "\r\n" + rest).status, ParseStatus::WrongHeader) << head;
    }
    EXPECT_EQ(parse("").status, ParseStatus::WrongHeader);
}

TEST(Parse, NumberLinesMustBePlainInt32AndTheFirstBadOneIsReported) {
    struct Case {
        Lines lines;
        std::string offending;
    };
    const std::string h = "QM4 Block Separate Data";
    const std::vector<Case> cases = {
        {{h, "x", "12a", "1", "0", "10"}, "12a"},
        {{h, "x", "1.5", "1", "0", "10"}, "1.5"},
        {{h, "x", " 10", "1", "0", "10"}, " 10"},
        {{h, "x", "+10", "1", "0", "10"}, "+10"},
        {{h, "x", "-", "1", "0", "10"}, "-"},
        {{h, "x", "0x10", "1", "0", "10"}, "0x10"},
        {{h, "x", "10", "1e3", "0", "10"}, "1e3"},
        {{h, "x", "10", "2147483648", "0", "10"}, "2147483648"},  // no int32
        {{h, "x", "10", "2", "0", "5 ", "10"}, "5 "},
        {{h, "x", "10", "2", "0", "abc", "x"}, "abc"},
        {{h, "x", "10", "2", "0", "", "10"}, ""},
        {{h, "x", "-2147483649", "1", "0", "10"}, "-2147483649"},
    };
    for (const auto& c : cases) {
        const ParseResult r = parse(file(c.lines));
        EXPECT_EQ(r.status, ParseStatus::NotInteger) << c.offending;
        EXPECT_EQ(r.offendingText, c.offending);
    }
    // The extremes of int32 and leading zeros are integers all the same.
    const ParseResult r = parse(file({h, "x", "-2147483648", "2", "00", "007", "2147483647"}));
    ASSERT_EQ(r.status, ParseStatus::Ok);
    EXPECT_EQ(r.data.mediaLength, INT32_MIN);
    EXPECT_EQ(r.data.separators, (Seps{0, 7, INT32_MAX}));
}

TEST(Parse, CutOffFileFailsAtTheFirstMissingLine) {
    const std::string full = "QM4 Block Separate Data\r\nx.mp3\r\n9000\r\n2\r\n0\r\n5000\r\n9000\r\n*";
    for (const size_t cut : {std::string("QM4 Block Separate Data\r\n").size(),
                             full.find("9000") + 4, full.find("\r\n5000"), full.rfind("9000")}) {
        const ParseResult r = parse(full.substr(0, cut));
        EXPECT_EQ(r.status, ParseStatus::NotInteger) << cut;
        EXPECT_EQ(r.offendingText, "") << cut;
    }
}

TEST(Parse, CountOutsideOneToThousandIsRefusedBeforeAnySeparatorIsRead) {
    const std::string h = "QM4 Block Separate Data";
    for (const std::string count : {"0", "-1", "1001", "2147483647", "-2147483648"}) {
        // The separator line would fail as no integer if it were read.
        const ParseResult r = parse(file({h, "x", "10", count, "junk"}));
        EXPECT_EQ(r.status, ParseStatus::BadCount) << count;
        EXPECT_EQ(r.data.separators, Seps{});
    }
    // 1000 is allowed; the file then needs its 1001 separator lines.
    Lines lines = {h, "x", "1000000", "1000"};
    for (int i = 0; i <= 1000; ++i) lines.push_back(std::to_string(i * 1000));
    EXPECT_EQ(parse(file(lines)).status, ParseStatus::Ok);
    lines.pop_back();
    const ParseResult r = parse(file(lines));
    EXPECT_EQ(r.status, ParseStatus::NotInteger);
    EXPECT_EQ(r.offendingText, "");
}

TEST(Parse, SeparatorsMustStartAtZeroAndNeverDescend) {
    const std::string h = "QM4 Block Separate Data";
    EXPECT_EQ(parse(file({h, "x", "10", "1", "1", "10"})).status, ParseStatus::NotAscending);
    EXPECT_EQ(parse(file({h, "x", "10", "1", "-1", "10"})).status, ParseStatus::NotAscending);
    EXPECT_EQ(parse(file({h, "x", "10", "3", "0", "5", "4", "10"})).status,
              ParseStatus::NotAscending);
    EXPECT_EQ(parse(file({h, "x", "10", "2", "0", "10", "-10"})).status, ParseStatus::NotAscending);
    // Equal neighbours (an empty block) are in order.
    const ParseResult r = parse(file({h, "x", "10", "3", "0", "5", "5", "10"}));
    ASSERT_EQ(r.status, ParseStatus::Ok);
    EXPECT_EQ(r.data.separators, (Seps{0, 5, 5, 10}));
}

// ---- single lines ----

TEST(Line, CountsEveryBreakKindAndReadsEmptyPastTheEnd) {
    const std::string bytes = "zero\r\none\ntwo\rthree\n\rfour";
    EXPECT_EQ(line(bytes, 0), "zero");
    EXPECT_EQ(line(bytes, 1), "one");
    EXPECT_EQ(line(bytes, 3), "three");
    EXPECT_EQ(line(bytes, 4), "four");
    EXPECT_EQ(line(bytes, 5), "");
    EXPECT_EQ(line(bytes, -1), "");
    EXPECT_EQ(line("QM4\r\nC:\\\x95\x5c\\a.mp3\r\n", 1), "C:\\表\\a.mp3");
}

TEST(Line, IsCutAt4096BytesNeverInsideACharacter) {
    EXPECT_EQ(line("h\r\n" + std::string(5000, 'x') + "\r\n", 1), std::string(4096, 'x'));
    EXPECT_EQ(line(std::string(4096, 'y'), 0), std::string(4096, 'y'));
    // 1365 three-byte characters fill 4095 bytes; the next would cross 4096.
    std::string kana;
    for (int i = 0; i < 2000; ++i) kana += "あ";
    EXPECT_EQ(line(kana, 0), kana.substr(0, 4095));
    // The media path is read through the same cap.
    const ParseResult r =
        parse("QM4 Block Separate Data\n" + std::string(5000, 'p') + "\n10\n1\n0\n10\n*");
    ASSERT_EQ(r.status, ParseStatus::Ok);
    EXPECT_EQ(r.data.mediaPath, std::string(4096, 'p'));
}

// ---- fitting to the open media ----

TEST(FitToLength, LongerMediaFileIsCutAtTheFirstSeparatorAtOrPastTheLength) {
    const Seps longer = {0, 3000, 6000, 9000, 10000};
    EXPECT_EQ(fitToLength(longer, 7000), (Seps{0, 3000, 6000, 7000}));
    EXPECT_EQ(fitToLength(longer, 6000), (Seps{0, 3000, 6000}));
    EXPECT_EQ(fitToLength(longer, 1), (Seps{0, 1}));
    EXPECT_EQ(fitToLength(longer, 10000), longer);
}

TEST(FitToLength, ShorterMediaFileKeepsEverySeparator) {
    const Seps shorter = {0, 3000, 6000};
    EXPECT_EQ(fitToLength(shorter, 8000), shorter);
    // An unknown length fits nothing.
    EXPECT_EQ(fitToLength(shorter, 0), shorter);
    EXPECT_EQ(fitToLength(shorter, -1), shorter);
}

}  // namespace
