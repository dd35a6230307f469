// Cues to separators and notes: both gap policies, overlaps, disorder, media
// length and the block limit, each worked out by hand.
#include "transcript/CuesToBlocks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qm::transcript;
using Seps = std::vector<int32_t>;
using Notes = std::vector<std::string>;

// Two sentences with pauses before, between and after them.
std::vector<Cue> pausedLesson() {
    return {{1000, 3000, "one"}, {4000, 6000, "two"}};
}

BlocksResult blocks(std::vector<Cue> cues, int32_t mediaLength, GapPolicy policy = kDefaultGapPolicy) {
    return toBlocks(std::move(cues), BlockOptions{mediaLength, policy});
}

void expectBlocks(const BlocksResult& r, const Seps& seps, const Notes& notes) {
    ASSERT_TRUE(r.ok()) << message(*r.error);
    EXPECT_EQ(r.data.separators, seps);
    EXPECT_EQ(r.data.memoLines, notes);
    EXPECT_EQ(r.data.mediaLength, seps.back());
    EXPECT_TRUE(r.data.mediaPath.empty());
}

TEST(GapPolicy, TheDefaultJoinsAGapToTheFollowingBlock) {
    EXPECT_EQ(kDefaultGapPolicy, GapPolicy::JoinFollowing);
    // The pause before "one" is the first block's, 3000..4000 goes with "two",
    // and the tail up to the media's end with the last block.
    expectBlocks(blocks(pausedLesson(), 8000), {0, 3000, 8000}, {"one", "two"});
    // No media length: the last cue's end is the end.
    expectBlocks(blocks(pausedLesson(), 0), {0, 3000, 6000}, {"one", "two"});
}

TEST(GapPolicy, OwnBlockGivesEveryGapAnEmptyNote) {
    // The time before the first cue still belongs to it: the first block starts at 0.
    expectBlocks(blocks(pausedLesson(), 8000, GapPolicy::OwnBlock), {0, 3000, 4000, 6000, 8000},
                 {"one", "", "two", ""});
    expectBlocks(blocks(pausedLesson(), 0, GapPolicy::OwnBlock), {0, 3000, 4000, 6000}, {"one", "", "two"});
    // Touching cues make no gap blocks.
    expectBlocks(blocks({{0, 1000, "a"}, {1000, 2000, "b"}}, 2000, GapPolicy::OwnBlock), {0, 1000, 2000},
                 {"a", "b"});
}

TEST(CueOrder, UnorderedCuesAreSortedAndOverlapsCutAtTheNextStart) {
    const std::vector<Cue> cues = {{5000, 7000, "third"}, {0, 2500, "first"}, {2000, 5500, "second"}};
    // "first" is cut at 2000, "second" at 5000.
    expectBlocks(blocks(cues, 0), {0, 2000, 5000, 7000}, {"first", "second", "third"});
    expectBlocks(blocks(cues, 0, GapPolicy::OwnBlock), {0, 2000, 5000, 7000}, {"first", "second", "third"});
}

TEST(CueOrder, EqualStartsBecomeOneBlockInFileOrder) {
    const std::vector<Cue> cues = {{1000, 2000, "b1"}, {0, 1000, "a"}, {1000, 3000, "b2"}, {3000, 4000, "c"}};
    expectBlocks(blocks(cues, 0), {0, 1000, 3000, 4000}, {"a", "b1 b2", "c"});
}

TEST(CueOrder, ZeroLengthCuesGiveTheirNoteToTheNextBlock) {
    // A point at 2000 between two cues; another point at the very end.
    const std::vector<Cue> cues = {{0, 2000, "a"}, {2000, 2000, "point"}, {2000, 4000, "b"}, {4000, 4000, "end"}};
    // 2000 twice: merged by start ("point b"); the last, of no length, joins the one before.
    expectBlocks(blocks(cues, 0), {0, 2000, 4000}, {"a", "point b end"});
    // Under OwnBlock a point followed by a gap leaves its note to the gap.
    expectBlocks(blocks({{0, 1000, "a"}, {1000, 1000, "pt"}, {3000, 4000, "b"}}, 0, GapPolicy::OwnBlock),
                 {0, 1000, 3000, 4000}, {"a", "pt", "b"});
    // Empty texts add no stray blanks.
    expectBlocks(blocks({{0, 0, ""}, {0, 1000, "x"}, {1000, 1000, ""}}, 0), {0, 1000}, {"x"});
}

TEST(CueMediaLength, CuesPastTheEndAreDroppedAndCountedAndTheLastBlockIsCut) {
    const std::vector<Cue> cues = {{0, 2000, "a"}, {2000, 5000, "b"}, {5000, 6000, "c"}, {6000, 7000, "d"}};
    const BlocksResult r = blocks(cues, 4500);
    expectBlocks(r, {0, 2000, 4500}, {"a", "b"});
    EXPECT_EQ(r.droppedCues, 2);
    EXPECT_EQ(blocks(cues, 0).droppedCues, 0);
}

TEST(CueMediaLength, OpenEndsRunToTheNextStartOrTheMediaEnd) {
    const std::vector<Cue> lyric = {{500, std::nullopt, "a"}, {2000, std::nullopt, "b"}};
    expectBlocks(blocks(lyric, 3000), {0, 2000, 3000}, {"a", "b"});
    expectBlocks(blocks(lyric, 3000, GapPolicy::OwnBlock), {0, 2000, 3000}, {"a", "b"});
    const BlocksResult unknown = blocks(lyric, 0);
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(*unknown.error, (TranscriptError{ErrorKind::NoEndTime, 0, {}}));
    EXPECT_TRUE(unknown.data.separators.empty());
}

TEST(BlockLimit, AThousandBlocksAreFineOneMoreIsRefused) {
    std::vector<Cue> cues;
    for (int i = 0; i < 1000; ++i) cues.push_back({i * 100, i * 100 + 100, "n" + std::to_string(i)});
    const BlocksResult fits = blocks(cues, 0);
    ASSERT_TRUE(fits.ok());
    EXPECT_EQ(fits.data.separators.size(), 1001u);
    EXPECT_EQ(fits.data.memoLines.back(), "n999");

    cues.push_back({100000, 100100, "one too many"});
    const BlocksResult refused = blocks(cues, 0);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(*refused.error, (TranscriptError{ErrorKind::TooManyBlocks, 0, "1001"}));
    EXPECT_TRUE(refused.data.memoLines.empty());

    // The gap blocks count too.
    std::vector<Cue> spaced;
    for (int i = 0; i < 600; ++i) spaced.push_back({i * 100, i * 100 + 50, "x"});
    EXPECT_TRUE(blocks(spaced, 0).ok());
    EXPECT_EQ(blocks(spaced, 0, GapPolicy::OwnBlock).error->detail, "1199");
}

TEST(BlockLimit, NothingToMakeBlocksOf) {
    EXPECT_EQ(blocks({}, 5000).error->kind, ErrorKind::NoCues);
    EXPECT_EQ(blocks({{6000, 7000, "late"}}, 5000).error->kind, ErrorKind::PastMediaEnd);
    EXPECT_EQ(blocks({{0, 0, "instant"}}, 0).error->kind, ErrorKind::NoTimeSpan);
    // A negative start counts as 0.
    expectBlocks(blocks({{-500, 1000, "early"}}, 0), {0, 1000}, {"early"});
}

TEST(CueNote, ALineBreakInACueBecomesABlank) {
    expectBlocks(blocks({{0, 1000, "two\r\nlines"}, {1000, 2000, "a\nb\rc"}}, 0), {0, 1000, 2000},
                 {"two  lines", "a b c"});
}

}  // namespace
