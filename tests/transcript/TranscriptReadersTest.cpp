// The readers on files shaped as real programs write them, made here byte by byte.
#include "transcript/TranscriptFormats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qm::transcript;
using Cues = std::vector<Cue>;

// Lines joined by `brk`, each followed by it.
std::string file(const std::vector<std::string>& lines, const std::string& brk = "\r\n") {
    std::string s;
    for (const auto& l : lines) s += l + brk;
    return s;
}

void expectError(const CueReadResult& r, ErrorKind kind, int line, const std::string& detail = {}) {
    ASSERT_TRUE(r.error.has_value());
    EXPECT_EQ(*r.error, (TranscriptError{kind, line, detail}));
    EXPECT_TRUE(r.cues.empty()) << "a refused file gives no cue";
}

// ---- SubRip ----

TEST(SubRip, SubtitleEditorFileWithBomCrLfTagsAndPositions) {
    const std::string bytes = "\xEF\xBB\xBF" + file({
        "1",
        "00:00:01,000 --> 00:00:04,250",
        "<i>Where are</i> <b>you</b>",
        "<font color=\"#ffff00\">going?</font>",
        "",
        "2",
        "00:00:05,5 --> 00:00:07,080  X1:100 X2:200 Y1:10 Y2:50",
        "{\\an8}Upstairs.",
        "",
        "3",
        "101:02:03.004 --> 101:02:04,000",
        "a < b and 3 > 2",
        "",
    });
    const CueReadResult r = readSubRip(bytes);
    ASSERT_TRUE(r.ok()) << message(*r.error);
    EXPECT_EQ(r.cues, (Cues{{1000, 4250, "Where are you going?"},
                            {5500, 7080, "Upstairs."},
                            {363723004, 363724000, "a < b and 3 > 2"}}));
}

TEST(SubRip, NoCueNumbersLfAndBlankLinesAndArrowsInsideACue) {
    const std::string bytes = file({
        "",
        "00:00:00,000 --> 00:00:02,000",
        "first",
        "12:75 --> later",
        "",
        "still the first",
        "00:00:02,000 --> 00:00:03,000",
        "42",
        "",
        "",
        "00:00:03,000 --> 00:00:03,000",
    }, "\n");
    const CueReadResult r = readSubRip(bytes);
    ASSERT_TRUE(r.ok()) << message(*r.error);
    // Right under text, a line that only looks like a timing line is text.
    EXPECT_EQ(r.cues, (Cues{{0, 2000, "first 12:75 --> later still the first"}, {2000, 3000, "42"}, {3000, 3000, ""}}));
}

TEST(SubRip, Cp932FileWithCrLineBreaks) {
    // 日本語 and ソ十 in CP932; the second bytes of ソ and 十 are "\".
    const std::string bytes = file({"1", "00:00:00,000 --> 00:00:01,500", "\x93\xfa\x96\x7b\x8c\xea", "",
                                    "2", "00:00:01,500 --> 00:00:02,000", "\x83\x5c\x8f\x5c"},
                                   "\r");
    const CueReadResult r = readSubRip(bytes);
    ASSERT_TRUE(r.ok()) << message(*r.error);
    EXPECT_EQ(r.cues, (Cues{{0, 1500, "日本語"}, {1500, 2000, "ソ十"}}));
}

TEST(SubRip, BadFilesNameTheirLine) {
    expectError(readSubRip(file({"1", "00:00:01,000 --> 00:00:02,000", "ok", "", "2",
                                 "00:00:03,000 --> 00:00:61,000", "bad"})),
                ErrorKind::BadTime, 6, "00:00:61,000");
    expectError(readSubRip(file({"1", "00:00:05,000 --> 00:00:04,000", "x"})), ErrorKind::EndBeforeStart, 2);
    expectError(readSubRip(file({"Just some notes", "00:00:05,000 --> 00:00:06,000"})),
                ErrorKind::UnexpectedText, 1, "Just some notes");
    expectError(readSubRip(file({"", "  ", ""})), ErrorKind::NoCues, 0);
    expectError(readSubRip(file({"1", "00:00:01,000 -->", "x"})), ErrorKind::BadTime, 2, "");
    // past int32 milliseconds
    expectError(readSubRip(file({"1", "00:00:01,000 --> 600:00:00,000"})), ErrorKind::BadTime, 2,
                "600:00:00,000");
}

// ---- WebVTT ----

TEST(WebVtt, BroadcastFileWithHeaderNotesStyleIdsAndSettings) {
    const std::string bytes = file({
        "WEBVTT - lesson 3",
        "Kind: captions",
        "Language: en",
        "",
        "STYLE",
        "::cue(.yellow) { color: yellow; }",
        "",
        "NOTE This file was made by hand.",
        "It has two lines of comment.",
        "",
        "intro",
        "00:01.000 --> 00:04.000 align:start position:10% line:0",
        "<v Roger Bingham><c.yellow>We are</c> in</v> <i>New York</i> &amp; <b>more</b>",
        "",
        "NOTE",
        "between cues",
        "",
        "2",
        "00:00:04.000 --> 00:00:06.500",
        "<00:00:04.000><c> word</c><00:00:05.000><c> by word</c>",
        "",
        "00:00:06.500 --> 120:00:00.000",
        "<ruby>漢字<rt>かんじ</rt></ruby>&lt;&#x41;&#66;&gt;&nbsp;&unknown;",
    });
    const CueReadResult r = readWebVtt(bytes);
    ASSERT_TRUE(r.ok()) << message(*r.error);
    EXPECT_EQ(r.cues, (Cues{{1000, 4000, "We are in New York & more"},
                            {4000, 6500, "word by word"},
                            {6500, 432000000, "漢字<AB>\u00A0&unknown;"}}));
}

TEST(WebVtt, BomLfAndACueRightUnderTheHeader) {
    const std::string bytes = "\xEF\xBB\xBF" + file({"WEBVTT", "00:00.000 --> 00:01.000", "one", "", "",
                                                     "00:01.000 --> 00:02.000", "two", "lines"},
                                                    "\n");
    const CueReadResult r = readWebVtt(bytes);
    ASSERT_TRUE(r.ok()) << message(*r.error);
    EXPECT_EQ(r.cues, (Cues{{0, 1000, "one"}, {1000, 2000, "two lines"}}));
}

TEST(WebVtt, BadFilesNameTheirLine) {
    expectError(readWebVtt(file({"WEBVTTX", "", "00:00.000 --> 00:01.000", "x"})), ErrorKind::BadHeader, 1);
    expectError(readWebVtt(file({"1", "00:00:00,000 --> 00:00:01,000", "an srt"})), ErrorKind::BadHeader, 1);
    expectError(readWebVtt(""), ErrorKind::BadHeader, 1);
    expectError(readWebVtt(file({"WEBVTT", "", "00:00.000 --> 00:01.000", "x", "", "stray text", "more"})),
                ErrorKind::UnexpectedText, 6, "stray text");
    expectError(readWebVtt(file({"WEBVTT", "", "id", "00:00.000 --> 00:01.0x0"})), ErrorKind::BadTime, 4,
                "00:01.0x0");
    expectError(readWebVtt(file({"WEBVTT", "", "00:02.000 --> 00:01.000"})), ErrorKind::EndBeforeStart, 3);
    expectError(readWebVtt(file({"WEBVTT", "", "NOTE nothing here"})), ErrorKind::NoCues, 0);
}

// ---- LRC ----

TEST(Lrc, LyricsWithMetadataOffsetRepeatsAndWordTimes) {
    const std::string bytes = file({
        "[ar:Some Singer]",
        "[ti:Some Song]",
        "[al:Album]",
        "[by:someone]",
        "[length: 03:20]",
        "[offset:+500]",
        "",
        "[00:12.00]First line",
        "[00:17.20][01:10.50]Chorus <00:17.70>comes <00:18.00>twice",
        "[00:21.10]",
        "[125:03.456]Long after",
        "[01:02:03]old colon style",
        "[00:12.00][1] is text",
    });
    const CueReadResult r = readLrc(bytes);
    ASSERT_TRUE(r.ok()) << message(*r.error);
    // Every time 500 ms earlier; sorted; each ends where a later one starts.
    EXPECT_EQ(r.cues, (Cues{{11500, 16700, "First line"},
                            {11500, 16700, "[1] is text"},
                            {16700, 20600, "Chorus comes twice"},
                            {20600, 61530, ""},
                            {61530, 70000, "old colon style"},
                            {70000, 7502956, "Chorus comes twice"},
                            {7502956, std::nullopt, "Long after"}}));
}

TEST(Lrc, NegativeOffsetAndTheFinalEmptyLineEndingTheLast) {
    const std::string bytes = "\xEF\xBB\xBF" + file({"[offset:-250]", "[00:00.10]a", "[00:01.00]b", "[00:02.50]"},
                                                    "\n");
    const CueReadResult r = readLrc(bytes);
    ASSERT_TRUE(r.ok()) << message(*r.error);
    EXPECT_EQ(r.cues, (Cues{{350, 1250, "a"}, {1250, 2750, "b"}}));
}

TEST(Lrc, OffsetBeyondTheStartClampsToZero) {
    const CueReadResult r = readLrc(file({"[offset:1000]", "[00:00.50]a", "[00:03.00]b"}));
    ASSERT_TRUE(r.ok()) << message(*r.error);
    EXPECT_EQ(r.cues, (Cues{{0, 2000, "a"}, {2000, std::nullopt, "b"}}));
}

TEST(Lrc, BadFilesNameTheirLine) {
    expectError(readLrc(file({"[ti:x]", "[00:01.00]ok", "plain words"})), ErrorKind::UnexpectedText, 3,
                "plain words");
    expectError(readLrc(file({"[00:01.00]ok", "[00:61.00]bad"})), ErrorKind::BadTime, 2, "00:61.00");
    expectError(readLrc(file({"[offset:soon]", "[00:01.00]ok"})), ErrorKind::BadTime, 1, "offset:soon");
    expectError(readLrc(file({"[00:01.00", "x"})), ErrorKind::UnexpectedText, 1, "[00:01.00");
    expectError(readLrc(file({"[ar:only tags]", "[ti:here]"})), ErrorKind::NoCues, 0);
}

// ---- Audacity labels ----

TEST(AudacityLabels, ExportWithSpectralLinesPointLabelsAndEmptyText) {
    const std::string bytes = file({
        "0.000000\t2.500000\tHello there",
        "\t100.000000\t2000.000000",
        "2.500000\t2.500000\tpoint label",
        "3.1234565\t4.0004994\t",
        "5\t6",
        "",
        "6,250000\t7,5\ttext\twith a tab",
    }, "\n");
    const CueReadResult r = readAudacityLabels(bytes);
    ASSERT_TRUE(r.ok()) << message(*r.error);
    EXPECT_EQ(r.cues, (Cues{{0, 2500, "Hello there"},
                            {2500, 2500, "point label"},
                            {3123, 4000, ""},
                            {5000, 6000, ""},
                            {6250, 7500, "text\twith a tab"}}));
}

TEST(AudacityLabels, BadFilesNameTheirLine) {
    expectError(readAudacityLabels(file({"1.0\t2.0\ta", "no tabs here"})), ErrorKind::UnexpectedText, 2,
                "no tabs here");
    expectError(readAudacityLabels(file({"1.0\t-2.0\ta"})), ErrorKind::BadTime, 1, "-2.0");
    expectError(readAudacityLabels(file({"1.0e3\t2.0\ta"})), ErrorKind::BadTime, 1, "1.0e3");
    expectError(readAudacityLabels(file({"3.0\t2.0\ta"})), ErrorKind::EndBeforeStart, 1);
    expectError(readAudacityLabels(file({"\t1.0\t2.0"})), ErrorKind::NoCues, 0);
}

// ---- plain text and formats ----

TEST(PlainText, EveryLineANoteBlankOnesIncluded) {
    EXPECT_EQ(readPlainText("\xEF\xBB\xBF" "first\r\n\r\n  spaced  \r\nlast"),
              (std::vector<std::string>{"first", "", "  spaced  ", "last"}));
    EXPECT_EQ(readPlainText("\x93\xfa\x96\x7b\n"), (std::vector<std::string>{"日本"}));
    EXPECT_TRUE(readPlainText("").empty());
}

TEST(TranscriptFormat, ChosenByExtensionAndForTxtByContent) {
    EXPECT_EQ(formatOf("/a/b.SRT", ""), Format::SubRip);
    EXPECT_EQ(formatOf("b.vtt", ""), Format::WebVtt);
    EXPECT_EQ(formatOf("b.Lrc", ""), Format::Lrc);
    EXPECT_EQ(formatOf("labels.txt", "\n1.500000\t2.000000\tx\n"), Format::AudacityLabels);
    EXPECT_EQ(formatOf("notes.txt", "1.5 is a number\tand a tab\n"), Format::PlainText);
    EXPECT_EQ(formatOf("notes.txt", ""), Format::PlainText);
    EXPECT_EQ(formatOf("lesson.bsd", ""), std::nullopt);
    EXPECT_EQ(formatOf("dir.srt/noext", ""), std::nullopt);
}

TEST(TranscriptMessage, SayTheLineAndWhatWasWrong) {
    EXPECT_EQ(message({ErrorKind::BadTime, 12, "00:61"}), "12 行目: 時刻 '00:61' が読めません");
    EXPECT_EQ(message({ErrorKind::TooManyBlocks, 0, "1204"}),
              "ブロックが 1204 個になり、1000 個を超えるため読み込めません");
}

TEST(TranscriptMessage, LongOffendingLinesAreClippedWithoutBreakingUtf8) {
    const std::string line = std::string(79, 'x') + "日本語";
    const CueReadResult r = readSubRip(line + "\n");
    ASSERT_TRUE(r.error.has_value());
    EXPECT_EQ(r.error->detail, std::string(79, 'x') + "...");
}

}  // namespace
