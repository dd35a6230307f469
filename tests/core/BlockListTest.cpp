#include "core/BlockList.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

using qm::PracticeState;

PracticeState withSeparators(std::initializer_list<int32_t> seps, int32_t curBlock = 0) {
    PracticeState s;
    qm::LessonContent content{seps, {}};
    s.lesson.swapContent(content);
    s.curBlock = curBlock;
    s.mediaLength = s.blocks().last();
    return s;
}

qm::BlockSeparators listOf(std::initializer_list<int32_t> seps) {
    qm::BlockSeparators b;
    b.assign(seps);
    return b;
}

std::vector<int32_t> separators(const PracticeState& s) { return s.blocks().separators(); }

TEST(GetBlock, TimeOnASeparatorBelongsToTheBlockEndingThere) {
    const auto s = withSeparators({0, 5000, 9000});
    EXPECT_EQ(qm::getBlock(s, 5000), 1);
    EXPECT_EQ(qm::getBlock(s, 5001), 2);
    EXPECT_EQ(qm::getBlock(s, 0), 1);
    EXPECT_EQ(qm::getBlock(s, 9000), 2);
    EXPECT_EQ(qm::getBlock(s, -20), 1);
}

TEST(GetBlock, TimePastTheLastSeparatorBelongsToTheLastBlock) {
    const auto s = withSeparators({0, 5000, 9000});
    EXPECT_EQ(qm::getBlock(s, 9001), 2);
    EXPECT_EQ(qm::getBlock(s, INT32_MAX), 2);
}

TEST(GetBlock, NoBlockAtAllGivesZero) {
    PracticeState s;
    EXPECT_EQ(qm::getBlock(s, 0), 0);
    EXPECT_EQ(qm::getBlock(s, 1234), 0);
}

TEST(InsertSeparator, KeepsTheListInOrder) {
    auto s = withSeparators({0, 5000, 9000});
    ASSERT_TRUE(s.lesson.split(3000));
    EXPECT_EQ(separators(s), (std::vector<int32_t>{0, 3000, 5000, 9000}));
}

// Two presses inside one pause snap to the same middle: the second must not
// make an empty block, which would push every later note one block off. A
// mark at or past the end is no cut either.
TEST(InsertSeparator, AMarkOnASeparatorTheStartOrTheEndAddsNothing) {
    for (const int32_t at : {5000, 9000, 0, -40, 12000}) {
        auto s = withSeparators({0, 5000, 9000}, 2);
        EXPECT_FALSE(s.lesson.split(at)) << at;
        EXPECT_EQ(separators(s), (std::vector<int32_t>{0, 5000, 9000})) << at;
        EXPECT_EQ(s.curBlock, 2);
    }
    auto b = listOf({0, 5000, 9000});
    EXPECT_FALSE(b.insert(5000));
    EXPECT_FALSE(b.insert(-40));
}

TEST(InsertSeparator, RefusesAMarkWhenTheListIsFullOrEmpty) {
    PracticeState s;
    EXPECT_FALSE(s.lesson.split(10));  // nothing open yet
    EXPECT_EQ(s.blocks().count(), 0);
    s.lesson.reset(2'000'000);
    for (int32_t i = 1; i < qm::kMaxBlocks; ++i) ASSERT_TRUE(s.lesson.split(i * 10));
    ASSERT_EQ(s.blocks().count(), qm::kMaxBlocks);
    const auto before = separators(s);

    EXPECT_FALSE(s.lesson.split(55));
    EXPECT_EQ(separators(s), before);
    EXPECT_EQ(s.blocks()[qm::kMaxBlocks], 2'000'000);
}

TEST(BlockSeparatorsRules, AMovedSeparatorStaysStrictlyBetweenItsNeighbours) {
    auto b = listOf({0, 3000, 5000, 9000});
    EXPECT_EQ(b.moveInner(1, 4000), 4000);
    EXPECT_EQ(b.moveInner(1, 6000), 4999);
    EXPECT_EQ(b.moveInner(2, -10), 5000);  // separator 1 sits at 4999 now
    EXPECT_EQ(b.separators(), (std::vector<int32_t>{0, 4999, 5000, 9000}));
    EXPECT_EQ(b.moveInner(1, 0), 1);
    EXPECT_FALSE(qm::BlockSeparators::isValid({0}));
    EXPECT_FALSE(qm::BlockSeparators::isValid({10, 20}));
    EXPECT_FALSE(qm::BlockSeparators::isValid({0, 20, 10}));
    EXPECT_FALSE(qm::BlockSeparators::isValid({0, 20, 20, 30}));
    EXPECT_FALSE(qm::BlockSeparators::isValid({0, 0}));
    std::vector<int32_t> full(1001);
    for (int32_t i = 0; i < 1001; ++i) full[static_cast<std::size_t>(i)] = i;
    EXPECT_TRUE(qm::BlockSeparators::isValid(full));
    full.push_back(1001);
    EXPECT_FALSE(qm::BlockSeparators::isValid(full));
}

// Breaking the list's rules is a programmer's error: the program stops
// rather than go on with a list the rest of it cannot trust.
TEST(BlockSeparatorsRulesDeathTest, BrokenRulesStopTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto b = listOf({0, 3000, 9000});
    EXPECT_DEATH(b.assign({0, 5000, 3000}), "in order");
    EXPECT_DEATH(b.assign({0, 3000, 3000, 9000}), "in order");
    EXPECT_DEATH((void)b[3], "out of the block list");
    EXPECT_DEATH(b.removeInner(2), "inner separator");
}

TEST(DeleteSeparator, EitherSideMergesWithTheNeighbour) {
    auto s = withSeparators({0, 3000, 5000, 9000}, 2);
    EXPECT_EQ(s.lesson.join(1).time, 3000);  // block 2's left
    EXPECT_EQ(separators(s), (std::vector<int32_t>{0, 5000, 9000}));

    s = withSeparators({0, 3000, 5000, 9000}, 2);
    EXPECT_EQ(s.lesson.join(2).time, 5000);  // its right
    EXPECT_EQ(separators(s), (std::vector<int32_t>{0, 3000, 9000}));
}

TEST(BlockNoText, ShowsCurrentOfCount) {
    auto s = withSeparators({0, 3000, 5000, 9000}, 3);
    EXPECT_EQ(qm::blockNoText(s), "3/3");
    EXPECT_EQ(qm::blockNoText(PracticeState{}), "0/0");
}

}  // namespace
