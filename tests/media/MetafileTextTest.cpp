#include "media/MetafileText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using qm::media::firstMetafileEntry;
using Entry = std::optional<std::string>;

TEST(FirstMetafileEntry, CommentsBlankLinesAndWhiteSpaceAreSkipped) {
    EXPECT_EQ(firstMetafileEntry("# made by hand\r\n\r\n \t \r\n  rtsp://host/a.rm \t\r\nhttp://host/b.rm\r\n"),
              Entry("rtsp://host/a.rm"));
    // A comment is a comment after leading blanks too; inner blanks stay.
    EXPECT_EQ(firstMetafileEntry("   # not this\n/home/u/my talk.rm\n"), Entry("/home/u/my talk.rm"));
    // The Unicode spaces a hand-edited file may hold (U+3000, U+00A0) are blanks.
    EXPECT_EQ(firstMetafileEntry("\u3000\n\u00A0talk.rm\u3000\n"), Entry("talk.rm"));
    // Relative entries come back as written: resolving them is the caller's.
    EXPECT_EQ(firstMetafileEntry("../media/talk.rm"), Entry("../media/talk.rm"));
}

TEST(FirstMetafileEntry, EveryLineBreakKindEndsALineAndNoneStaysInTheEntry) {
    EXPECT_EQ(firstMetafileEntry("#c\r\n\r\na.rm\r\n"), Entry("a.rm"));
    EXPECT_EQ(firstMetafileEntry("#c\n\na.rm\n"), Entry("a.rm"));
    EXPECT_EQ(firstMetafileEntry("#c\r\ra.rm\rb.rm"), Entry("a.rm"));
    EXPECT_EQ(firstMetafileEntry("#c\n\r\n\ra.rm\n\r"), Entry("a.rm"));
}

TEST(FirstMetafileEntry, NoEntryBeforeStopOrTheEndGivesNothing) {
    EXPECT_EQ(firstMetafileEntry(""), std::nullopt);
    EXPECT_EQ(firstMetafileEntry("\r\n  \r\n# only comments\r\n"), std::nullopt);
    EXPECT_EQ(firstMetafileEntry("# x\r\n  --stop--  \r\nafter.rm\r\n"), std::nullopt);
    // "--stop--" ends the list only as a whole line; an entry before it counts.
    EXPECT_EQ(firstMetafileEntry("a.rm\r\n--stop--\r\n"), Entry("a.rm"));
    EXPECT_EQ(firstMetafileEntry("--stop--.rm\r\n"), Entry("--stop--.rm"));
    EXPECT_EQ(firstMetafileEntry("--STOP--\r\n"), Entry("--STOP--"));
}

TEST(FirstMetafileEntry, Cp932AndUtf8WithBomAreDecoded) {
    // CP932, with 表 and ソ ending in the byte of "\".
    EXPECT_EQ(firstMetafileEntry("# \x83\x52\x83\x81\x83\x93\x83\x67\r\nC:\\\x95\x5c\\\x83\x5c.rm\r\n"),
              Entry("C:\\表\\ソ.rm"));
    // A byte-order mark does not hide the comment it stands before.
    EXPECT_EQ(firstMetafileEntry("\xEF\xBB\xBF# comment\nx.rm\n"), Entry("x.rm"));
    EXPECT_EQ(firstMetafileEntry("\xEF\xBB\xBF\xE8\xA1\xA8.rm"), Entry("表.rm"));
}

}  // namespace
