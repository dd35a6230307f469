#include "core/Lesson.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <variant>
#include <vector>

namespace {

using qm::Lesson;
using qm::LessonContent;

Lesson lessonOf(std::vector<int32_t> separators, std::vector<std::string> notes) {
    Lesson l;
    LessonContent c{std::move(separators), std::move(notes)};
    l.swapContent(c);
    return l;
}

// Nine blocks, one sentence each: the learner's lesson.
Lesson nineSentences() {
    std::vector<int32_t> seps;
    std::vector<std::string> notes;
    for (int i = 0; i <= 9; ++i) seps.push_back(i * 1000);
    for (int i = 1; i <= 9; ++i) notes.push_back("sentence " + std::to_string(i));
    return lessonOf(seps, notes);
}

TEST(Lesson, ARemovedSeparatorJoinsTheTwoNotesAndTheRestStayWithTheirBlocks) {
    Lesson l = nineSentences();
    const auto j = l.join(5);  // between blocks 5 and 6
    EXPECT_EQ(l.blocks().count(), 8);
    EXPECT_EQ(l.noteOf(5), "sentence 5 sentence 6");
    EXPECT_EQ(l.noteOf(6), "sentence 7");
    EXPECT_EQ(l.noteOf(8), "sentence 9");
    EXPECT_EQ(l.notes().size(), 8u);  // no line left without its block
    l.undo(j);
    EXPECT_EQ(l.content(), nineSentences().content());

    // An empty note adds nothing; a block without a line joins none.
    Lesson sparse = lessonOf({0, 1000, 2000, 3000}, {"", "two"});
    sparse.join(1);
    EXPECT_EQ(sparse.notes(), (std::vector<std::string>{"two"}));
    Lesson shorter = lessonOf({0, 1000, 2000, 3000}, {"one"});
    shorter.join(2);
    EXPECT_EQ(shorter.notes(), (std::vector<std::string>{"one"}));
}

TEST(Lesson, ASplitKeepsTheNoteOnTheFirstPartAndLaterNotesOnTheirBlocks) {
    Lesson l = nineSentences();
    const auto s = l.split(2500);  // inside block 3
    ASSERT_TRUE(s);
    EXPECT_EQ(s->index, 3);
    EXPECT_EQ(l.noteOf(3), "sentence 3");
    EXPECT_EQ(l.noteOf(4), "");
    EXPECT_EQ(l.noteOf(5), "sentence 4");
    EXPECT_EQ(l.noteOf(10), "sentence 9");
    l.undo(*s);
    EXPECT_EQ(l.content(), nineSentences().content());

    // Past the last note nothing moves, so no empty line is added.
    Lesson fewNotes = lessonOf({0, 1000, 2000}, {"one"});
    ASSERT_TRUE(fewNotes.split(1500));
    EXPECT_EQ(fewNotes.notes(), (std::vector<std::string>{"one"}));
    // On a separator, at the start or before it: nothing.
    EXPECT_FALSE(l.split(3000));
    EXPECT_FALSE(l.split(0));
    EXPECT_FALSE(l.split(-5));
    EXPECT_EQ(l.content(), nineSentences().content());
}

TEST(Lesson, NoteLinesPastTheLastBlockStayThroughEveryChange) {
    Lesson l = lessonOf({0, 1000, 2000}, {"one", "two", "spare a", "spare b"});
    ASSERT_TRUE(l.split(500));
    EXPECT_EQ(l.notes(), (std::vector<std::string>{"one", "", "two", "spare a", "spare b"}));
    l.join(1);
    l.join(1);
    EXPECT_EQ(l.notes(), (std::vector<std::string>{"one two", "spare a", "spare b"}));
}

// Any sequence of changes, undone in reverse, gives back the lesson exactly;
// after each change the list keeps its rules and the note count follows.
TEST(Lesson, EveryChangeUndoneInReverseGivesBackTheExactLesson) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 200; ++round) {
        Lesson l = nineSentences();
        const LessonContent start = l.content();
        using Step = std::variant<Lesson::Split, Lesson::Join, std::pair<int32_t, int32_t>, LessonContent>;
        std::vector<Step> done;
        for (int step = 0; step < 30; ++step) {
            const int32_t count = l.blocks().count();
            const std::size_t notesBefore = l.notes().size();
            switch (random() % 4) {
                case 0:
                    if (auto s = l.split(static_cast<int32_t>(random() % 9500))) {
                        EXPECT_LE(l.notes().size(), notesBefore + 1);
                        done.emplace_back(*s);
                    }
                    break;
                case 1:
                    if (count > 1) {
                        done.emplace_back(l.join(1 + static_cast<int32_t>(random() % static_cast<unsigned>(count - 1))));
                        EXPECT_GE(l.notes().size() + 1, notesBefore);
                    }
                    break;
                case 2:
                    if (count > 1) {
                        const int32_t k = 1 + static_cast<int32_t>(random() % static_cast<unsigned>(count - 1));
                        const int32_t from = l.blocks()[k];
                        l.move(k, static_cast<int32_t>(random() % 9500));
                        done.emplace_back(std::pair{k, from});
                    }
                    break;
                case 3: {
                    LessonContent other{{0, 400, 9000}, {"a", "b", "c"}};
                    l.swapContent(other);
                    done.emplace_back(std::move(other));
                    break;
                }
            }
            ASSERT_TRUE(qm::BlockSeparators::isValid(l.blocks().separators()));
        }
        while (!done.empty()) {
            std::visit(
                [&l](auto& s) {
                    using T = std::decay_t<decltype(s)>;
                    if constexpr (std::is_same_v<T, std::pair<int32_t, int32_t>>) {
                        l.move(s.first, s.second);
                    } else if constexpr (std::is_same_v<T, LessonContent>) {
                        l.swapContent(s);
                    } else {
                        l.undo(s);
                    }
                },
                done.back());
            done.pop_back();
        }
        ASSERT_EQ(l.content(), start) << "round " << round;
    }
}

}  // namespace
