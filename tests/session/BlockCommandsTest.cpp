// The block commands on the session alone: deleting a separator at either
// side and at the list's edges, clearing, dragging, and on the generated
// lesson with the real engine the cut at pauses and the mark that snaps to
// a pause. Each change is one step of the history, and the notes follow
// their blocks.
#include "tests/support/LessonTimes.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/Waits.h"

#include "blockfile/BlockFile.h"
#include "files/WholeFile.h"
#include "session/PracticeSession.h"
#include "session/Recovery.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using qm::PracticeSession;
using Separators = std::vector<int32_t>;

QString media(const QString& name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name;
}

class BlockCommands : public ::testing::Test {
protected:
    void SetUp() override { qm::recovery::setFolderForTesting(recoveryDir.path()); }
    void TearDown() override { qm::recovery::setFolderForTesting({}); }

    QTemporaryDir dir;
    QTemporaryDir recoveryDir;
    qm::Settings settings{dir.filePath("QM4.ini")};
    qmtest::ScriptedPrompts prompts;
    PracticeSession session{settings, prompts};
    const qm::PracticeState& s = session.state();
};

// Before any open there is nothing to change: every command is a no-op that
// says nothing and leaves no step behind.
TEST_F(BlockCommands, BeforeAnyOpenTheyChangeNothing) {
    session.deleteLeft();
    session.deleteRight();
    session.clearBlocks();
    session.mark();
    EXPECT_FALSE(session.cutAtPauses());
    session.undo();
    session.redo();
    EXPECT_TRUE(s.blocks().empty());
    EXPECT_EQ(s.curBlock, 0);
    EXPECT_FALSE(session.unsaved());
    EXPECT_FALSE(session.canUndo());
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ").toStdString();
}

// L deletes the current block's left separator, R its right one; the two
// notes become one, joined by a blank. The start of block 1, the end of the
// last block and block 0 have nothing to delete.
TEST_F(BlockCommands, DeletingJoinsTwoBlocksAndTheirNotesButNeverAnEdge) {
    const Separators start{0, 3000, 5000, 9000};
    session.openLessonForTesting(9000, {start, {"one", "two", "three"}});
    QSignalSpy unsavedChanges(&session, &PracticeSession::unsavedChanged);

    session.SelectBlock(0);
    session.deleteLeft();
    session.deleteRight();
    session.SelectBlock(1);
    session.deleteLeft();
    session.SelectBlock(3);
    session.deleteRight();
    EXPECT_EQ(s.blocks().separators(), start);
    EXPECT_EQ(s.curBlock, 3);
    EXPECT_FALSE(session.canUndo());
    EXPECT_TRUE(unsavedChanges.isEmpty());

    session.SelectBlock(2);
    session.deleteLeft();
    EXPECT_EQ(s.blocks().separators(), (Separators{0, 5000, 9000}));
    EXPECT_EQ(s.curBlock, 1);  // the joined block
    EXPECT_EQ(session.notes(), (QStringList{"one two", "three"}));
    EXPECT_TRUE(session.unsaved());
    ASSERT_EQ(unsavedChanges.size(), 1);

    session.deleteRight();
    EXPECT_EQ(s.blocks().separators(), (Separators{0, 9000}));
    EXPECT_EQ(s.curBlock, 1);
    EXPECT_EQ(session.notes(), QStringList{"one two three"});

    // Each delete was a step of its own; undone to the opened lesson, nothing is unsaved.
    session.undo();
    EXPECT_EQ(s.blocks().separators(), (Separators{0, 5000, 9000}));
    EXPECT_EQ(session.notes(), (QStringList{"one two", "three"}));
    session.undo();
    EXPECT_EQ(s.blocks().separators(), start);
    EXPECT_EQ(session.notes(), (QStringList{"one", "two", "three"}));
    EXPECT_FALSE(session.unsaved());
    session.redo();
    EXPECT_EQ(session.notes(), (QStringList{"one two", "three"}));
    EXPECT_TRUE(session.unsaved());
}

// A join with an empty note adds no blank; a join past the last note adds no line.
TEST_F(BlockCommands, DeletingBesideAnEmptyOrMissingNoteAddsNothingToTheNotes) {
    session.openLessonForTesting(9000, {{0, 3000, 5000, 7000, 9000}, {"", "two"}});
    session.SelectBlock(1);
    session.deleteRight();
    EXPECT_EQ(session.notes(), QStringList{"two"});
    session.SelectBlock(3);
    session.deleteLeft();
    EXPECT_EQ(session.notes(), QStringList{"two"});
    EXPECT_EQ(s.blocks().separators(), (Separators{0, 5000, 9000}));
}

// Clear leaves one block over the whole media and the notes in order, the
// first on the one block; on one block already it is no step at all.
TEST_F(BlockCommands, ClearLeavesOneBlockAndKeepsTheNotesInOrder) {
    const Separators start{0, 3000, 5000, 9000};
    session.openLessonForTesting(9000, {start, {"one", "two", "three"}});
    session.SelectBlock(2);
    session.clearBlocks();
    EXPECT_EQ(s.blocks().separators(), (Separators{0, 9000}));
    EXPECT_EQ(s.curBlock, 1);
    EXPECT_EQ(session.notes(), (QStringList{"one", "two", "three"}));
    EXPECT_TRUE(session.unsaved());

    session.clearBlocks();
    session.undo();
    EXPECT_EQ(s.blocks().separators(), start);
    EXPECT_FALSE(session.unsaved());
    EXPECT_FALSE(session.canUndo());
}

// A separator dragged stays strictly between its neighbours, the notes stay
// where they are, and a drag is one step however many moves it takes; one
// dragged back where it began is none.
TEST_F(BlockCommands, ADragIsOneStepAndStopsJustBeforeTheNeighbour) {
    const Separators start{0, 3000, 6000, 9000};
    session.openLessonForTesting(9000, {start, {"a", "b", "c"}});

    session.moveSeparator(2, 7000);
    session.moveSeparator(2, 6000);
    session.endSeparatorDrag();
    EXPECT_EQ(s.blocks().separators(), start);
    EXPECT_FALSE(session.unsaved());
    EXPECT_FALSE(session.canUndo());

    session.moveSeparator(1, 3500);
    session.moveSeparator(1, 4000);
    session.moveSeparator(1, 9000);
    session.endSeparatorDrag();
    EXPECT_EQ(s.blocks().separators(), (Separators{0, 5999, 6000, 9000}));
    EXPECT_EQ(session.notes(), (QStringList{"a", "b", "c"}));
    EXPECT_TRUE(session.unsaved());

    session.moveSeparator(1, -50);  // a second drag, the other way
    session.endSeparatorDrag();
    EXPECT_EQ(s.blocks()[1], 1);

    session.undo();
    EXPECT_EQ(s.blocks()[1], 5999);
    session.undo();
    EXPECT_EQ(s.blocks().separators(), start);
    EXPECT_FALSE(session.unsaved());
    EXPECT_FALSE(session.canUndo());
}

// ---------------------------------------------------------------- on the real engine

class Pauses : public BlockCommands {
protected:
    void SetUp() override {
        BlockCommands::SetUp();
        times = qmtest::lessonTimes(media(QStringLiteral("lesson.times")));
        ASSERT_TRUE(times.count("silence 1") && times.count("silence 2")) << "no test media";
        // The analysis runs at a low priority: on a busy machine it takes a while.
        QSignalSpy analysed(&session, &PracticeSession::analysisReady);
        ASSERT_TRUE(session.OpenFile(media("lesson.mp3"))) << prompts.messages.join(" | ").toStdString();
        ASSERT_TRUE(qmtest::waitForSignals(analysed, 1, 30000)) << "no loudness analysis";
    }
    int32_t middle(const char* pause) const { return (times.at(pause).first + times.at(pause).second) / 2; }

    std::map<std::string, std::pair<int, int>> times;
};

// The cut puts a separator in the middle of each pause; the notes stay in
// order on the new blocks. Over separators of the user's it asks first, and
// No keeps them. What is saved after it is a block file the old program reads.
TEST_F(Pauses, CutAtPausesKeepsTheNotesInOrderAndAsksBeforeReplacingTheUsersSeparators) {
    session.pause();
    session.editNotes({"first", "second", "third"});
    ASSERT_TRUE(session.cutAtPauses());
    EXPECT_TRUE(prompts.questions.isEmpty());  // one block only: nothing to ask
    ASSERT_EQ(s.blocks().count(), 3);
    EXPECT_NEAR(s.blocks()[1], middle("silence 1"), 30);
    EXPECT_NEAR(s.blocks()[2], middle("silence 2"), 30);
    EXPECT_EQ(s.blocks()[3], s.mediaLength);
    EXPECT_EQ(session.notes(), (QStringList{"first", "second", "third"}));
    const Separators cut = s.blocks().separators();

    session.SelectBlock(1);
    session.deleteRight();
    EXPECT_EQ(session.notes(), (QStringList{"first second", "third"}));
    prompts.warningAnswers = {false};
    EXPECT_FALSE(session.cutAtPauses());
    EXPECT_EQ(prompts.questions,
              QStringList{QStringLiteral("今のブロック区切りを、見つかった 2 か所の無音で置き換えますか？")});
    EXPECT_EQ(s.blocks().count(), 2);

    prompts.warningAnswers = {true};
    ASSERT_TRUE(session.cutAtPauses());
    EXPECT_EQ(s.blocks().separators(), cut);
    EXPECT_EQ(session.notes(), (QStringList{"first second", "third"}));

    const QString bsd = dir.filePath("cut.bsd");
    prompts.saveAnswers = {bsd};
    ASSERT_TRUE(session.SaveBlockData());
    const auto read = qm::files::readWholeFile(bsd.toStdString(), 1 << 20);
    ASSERT_FALSE(read.error);
    const auto parsed = qm::blockfile::parse(read.bytes);
    ASSERT_EQ(parsed.status, qm::blockfile::ParseStatus::Ok);
    EXPECT_EQ(parsed.data.separators, cut);
    EXPECT_EQ(parsed.data.memoLines, (std::vector<std::string>{"first second", "third"}));

    // The save is the point the history is measured from: undoing past it is unsaved work again.
    EXPECT_FALSE(session.unsaved());
    session.undo();
    EXPECT_TRUE(session.unsaved());
    EXPECT_EQ(s.blocks().count(), 2);
}

// A mark comes a reaction time late: near a pause it lands in its middle;
// with snapping off it stays where it was made.
TEST_F(Pauses, AMarkNearAPauseLandsInItsMiddleUnlessSnappingIsOff) {
    const auto [from, to] = times.at("silence 1");
    session.engineForTesting().SeekTo(from + 120);  // a little after the sentence, as a reaction comes
    session.play();
    ASSERT_TRUE(qmtest::waitFor([&] { return session.isPlaying() && session.readPosition() >= from + 100; }, 3000));
    session.mark();
    ASSERT_EQ(s.blocks().count(), 2);
    EXPECT_NEAR(s.blocks()[1], (from + to) / 2, 30);

    settings.setSnapMarks(false);
    const auto [from2, to2] = times.at("silence 2");
    session.engineForTesting().SeekTo(from2 + 120);
    ASSERT_TRUE(qmtest::waitFor([&] { return session.isPlaying() && session.readPosition() >= from2 + 100; }, 3000));
    session.mark();
    ASSERT_EQ(s.blocks().count(), 3);
    EXPECT_GE(s.blocks()[2], from2 + 100);
    EXPECT_LT(s.blocks()[2], (from2 + to2) / 2 - 200);  // where the key was pressed
    session.pause();
}

}  // namespace
