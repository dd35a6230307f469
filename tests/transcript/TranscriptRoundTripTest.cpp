// Block files out to each transcript format and back: the bytes of the block
// file, its separators and its notes, as far as each format can carry them.
#include "blockfile/BlockFile.h"
#include "transcript/TranscriptFormats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qm::transcript;
using qm::blockfile::BlockData;
using Seps = std::vector<int32_t>;
using Notes = std::vector<std::string>;

// A lesson longer than 100 hours, with notes that tempt every writer: Japanese,
// an empty one, markup characters and an arrow, digits alone, a tab.
BlockData lesson() {
    BlockData d;
    d.mediaPath = "/home/user/lessons/表ソ十.mp3";
    d.mediaLength = 363724321;
    d.separators = {0, 1234, 5678, 9001, 60000, 3600001, 363600999, 363724321};
    d.memoLines = {"Good morning, everyone.", "日本語のメモです", "", "x < y && y > z --> done", "12345",
                   "WEBVTT NOTE 00:00:01,000", "last one\twith a tab"};
    return d;
}

// The block file's bytes after a trip through the format: parse, write, read, make blocks, serialize.
std::string blockFileThrough(Format format, const std::string& bsdBytes, GapPolicy policy) {
    const auto parsed = qm::blockfile::parse(bsdBytes);
    EXPECT_EQ(parsed.status, qm::blockfile::ParseStatus::Ok);
    const std::string transcript = writeTranscript(format, parsed.data);
    LoadedTranscript loaded =
        loadTranscript(format, transcript, BlockOptions{parsed.data.mediaLength, policy});
    EXPECT_TRUE(loaded.ok()) << message(*loaded.error);
    EXPECT_EQ(loaded.droppedCues, 0);
    loaded.data.mediaPath = parsed.data.mediaPath;
    return qm::blockfile::serialize(loaded.data);
}

TEST(TranscriptRoundTrip, BlockFileThroughSubRipComesBackByteForByte) {
    const std::string bsd = qm::blockfile::serialize(lesson());
    EXPECT_EQ(blockFileThrough(Format::SubRip, bsd, GapPolicy::JoinFollowing), bsd);
    EXPECT_EQ(blockFileThrough(Format::SubRip, bsd, GapPolicy::OwnBlock), bsd);
}

TEST(TranscriptRoundTrip, BlockFileThroughWebVttComesBackByteForByte) {
    const std::string bsd = qm::blockfile::serialize(lesson());
    EXPECT_EQ(blockFileThrough(Format::WebVtt, bsd, GapPolicy::JoinFollowing), bsd);
    EXPECT_EQ(blockFileThrough(Format::WebVtt, bsd, GapPolicy::OwnBlock), bsd);
}

TEST(TranscriptRoundTrip, LrcKeepsNotesAndSeparatorsToTheCentisecond) {
    const BlockData original = lesson();
    const LoadedTranscript back =
        loadTranscript(Format::Lrc, writeLrc(original), BlockOptions{original.mediaLength, kDefaultGapPolicy});
    ASSERT_TRUE(back.ok()) << message(*back.error);
    // Rounded to the nearest 10 ms; the last separator is the media length itself.
    EXPECT_EQ(back.data.separators, (Seps{0, 1230, 5680, 9000, 60000, 3600000, 363601000, 363724321}));
    EXPECT_EQ(back.data.memoLines, original.memoLines);
    // Without the media length, the closing time tag ends the last block.
    const LoadedTranscript unknown = loadTranscript(Format::Lrc, writeLrc(original), BlockOptions{});
    ASSERT_TRUE(unknown.ok()) << message(*unknown.error);
    EXPECT_EQ(unknown.data.separators.back(), 363724320);
    EXPECT_EQ(unknown.data.memoLines, original.memoLines);
}

TEST(TranscriptRoundTrip, AudacityLabelsKeepSeparatorsTabsInNotesBecomeBlanks) {
    const BlockData original = lesson();
    const LoadedTranscript back = loadTranscript(Format::AudacityLabels, writeAudacityLabels(original),
                                                 BlockOptions{original.mediaLength, kDefaultGapPolicy});
    ASSERT_TRUE(back.ok()) << message(*back.error);
    EXPECT_EQ(back.data.separators, original.separators);
    Notes notes = original.memoLines;
    notes.back() = "last one with a tab";
    EXPECT_EQ(back.data.memoLines, notes);
}

TEST(TranscriptRoundTrip, PlainTextKeepsTheNotesOnly) {
    const BlockData original = lesson();
    const LoadedTranscript back = loadTranscript(Format::PlainText, writePlainText(original), BlockOptions{});
    ASSERT_TRUE(back.ok());
    EXPECT_FALSE(back.timed);
    EXPECT_TRUE(back.data.separators.empty());
    EXPECT_EQ(back.data.memoLines, original.memoLines);
}

TEST(TranscriptRoundTrip, MarkupInANoteSurvivesWebVttButNotSubRip) {
    BlockData d;
    d.separators = {0, 1000};
    d.memoLines = {"<i>kept</i> & {\\an8}ok &amp;"};
    const CueReadResult vtt = readWebVtt(writeWebVtt(d));
    ASSERT_TRUE(vtt.ok());
    EXPECT_EQ(vtt.cues.at(0).text, d.memoLines[0]);
    // SubRip has no way to write a literal tag: it is read as markup.
    const CueReadResult srt = readSubRip(writeSubRip(d));
    ASSERT_TRUE(srt.ok());
    EXPECT_EQ(srt.cues.at(0).text, "kept & ok &amp;");
}

// ---- the writers' bytes ----

BlockData twoBlocks() {
    BlockData d;
    d.mediaLength = 4000;
    d.separators = {0, 1500, 4000};
    d.memoLines = {"Hello, world", "a & b < c"};
    return d;
}

TEST(TranscriptWriters, KnownBlocksGiveKnownBytes) {
    const BlockData d = twoBlocks();
    EXPECT_EQ(writeSubRip(d),
              "1\r\n00:00:00,000 --> 00:00:01,500\r\nHello, world\r\n\r\n"
              "2\r\n00:00:01,500 --> 00:00:04,000\r\na & b < c\r\n\r\n");
    EXPECT_EQ(writeWebVtt(d),
              "WEBVTT\r\n\r\n00:00:00.000 --> 00:00:01.500\r\nHello, world\r\n"
              "\r\n00:00:01.500 --> 00:00:04.000\r\na &amp; b &lt; c\r\n");
    EXPECT_EQ(writeLrc(d), "[00:00.00]Hello, world\r\n[00:01.50]a & b < c\r\n[00:04.00]\r\n");
    EXPECT_EQ(writeAudacityLabels(d), "0.000000\t1.500000\tHello, world\r\n1.500000\t4.000000\ta & b < c\r\n");
    EXPECT_EQ(writePlainText(d), "Hello, world\r\na & b < c\r\n");
}

TEST(TranscriptWriters, MissingNotesAreEmptyLineBreaksBlanksAndExtraMemoLinesLeftOut) {
    BlockData d = twoBlocks();
    d.memoLines = {"line\r\nbreak"};
    EXPECT_EQ(writePlainText(d), "line  break\r\n\r\n");
    EXPECT_EQ(writeLrc(d), "[00:00.00]line  break\r\n[00:01.50]\r\n[00:04.00]\r\n");
    d.memoLines = {"a", "b", "not a block"};
    EXPECT_EQ(writePlainText(d), "a\r\nb\r\n");
    d.separators = {0};
    EXPECT_EQ(writeSubRip(d), "");
    EXPECT_EQ(writeWebVtt(d), "WEBVTT\r\n");
    EXPECT_EQ(writeLrc(d), "");
}

TEST(TranscriptWriters, JapaneseIsCp932ExceptInWebVtt) {
    BlockData d = twoBlocks();
    d.memoLines = {"日本", ""};
    EXPECT_NE(writeSubRip(d).find("\x93\xfa\x96\x7b"), std::string::npos);
    EXPECT_NE(writePlainText(d).find("\x93\xfa\x96\x7b"), std::string::npos);
    EXPECT_NE(writeWebVtt(d).find("日本"), std::string::npos);
}

TEST(LoadTranscript, ErrorsComeWithNoDataAndPlainTextKeepsTheSeparators) {
    const LoadedTranscript bad = loadTranscript(Format::SubRip, "1\r\n00:00:01,000 --> 00:00:00,500\r\n", {});
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error->kind, ErrorKind::EndBeforeStart);
    EXPECT_TRUE(bad.data.separators.empty());
    EXPECT_TRUE(bad.data.memoLines.empty());

    const LoadedTranscript noEnd = loadTranscript(Format::Lrc, "[00:01.00]only line\r\n", {});
    ASSERT_FALSE(noEnd.ok());
    EXPECT_EQ(noEnd.error->kind, ErrorKind::NoEndTime);

    const LoadedTranscript own =
        loadTranscript(Format::AudacityLabels, "1.0\t2.0\ta\n3.0\t4.0\tb\n", BlockOptions{5000, GapPolicy::OwnBlock});
    ASSERT_TRUE(own.ok());
    EXPECT_TRUE(own.timed);
    EXPECT_EQ(own.data.separators, (Seps{0, 2000, 3000, 4000, 5000}));
    EXPECT_EQ(own.data.memoLines, (Notes{"a", "", "b", ""}));
}

}  // namespace
