// The notes on the session alone: an ended edit is one step of the history,
// the New button's template, and the dictation check, which reads a block's
// note and records the answer in a file of its own.
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/Waits.h"

#include "dictation/DictationLog.h"
#include "files/WholeFile.h"
#include "session/PracticeSession.h"
#include "session/Recovery.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using qm::PracticeSession;

QString media(const QString& name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name;
}

class Notes : public ::testing::Test {
protected:
    void SetUp() override { qm::recovery::setFolderForTesting(recoveryDir.path()); }
    void TearDown() override { qm::recovery::setFolderForTesting({}); }

    QTemporaryDir dir;
    QTemporaryDir recoveryDir;
    qm::Settings settings{dir.filePath("QM4.ini")};
    qmtest::ScriptedPrompts prompts;
    PracticeSession session{settings, prompts};
};

// An edit that changes the notes is one step; one that gives them back as
// they are is none. The blocks stay as they are either way.
TEST_F(Notes, AnEditIsOneStepAndAnEditThatChangesNothingIsNone) {
    session.openLessonForTesting(9000, {{0, 3000, 9000}, {"one", "two"}});
    session.editNotes({"one", "two!", "three"});
    EXPECT_EQ(session.notes(), (QStringList{"one", "two!", "three"}));
    EXPECT_TRUE(session.unsaved());
    session.editNotes({"one", "two!", "three"});
    session.undo();
    EXPECT_EQ(session.notes(), (QStringList{"one", "two"}));
    EXPECT_FALSE(session.unsaved());
    EXPECT_FALSE(session.canUndo());
    session.redo();
    EXPECT_EQ(session.notes(), (QStringList{"one", "two!", "three"}));
    EXPECT_EQ(session.state().blocks().separators(), (std::vector<int32_t>{0, 3000, 9000}));
}

// The New button's lines: "n(s)" per block, the block number two wide and
// its start in whole seconds three wide, wider when it must be.
TEST_F(Notes, TheTemplateHasOneLinePerBlockWithItsStartInSeconds) {
    EXPECT_TRUE(session.noteTemplate().isEmpty());  // nothing open
    session.openLessonForTesting(9000, {{0, 3000, 5000, 9000}, {}});
    EXPECT_EQ(session.noteTemplate(), (QStringList{" 1(  0)", " 2(  3)", " 3(  5)"}));
    session.openLessonForTesting(20000, {{0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 10000, 20000}, {}});
    ASSERT_EQ(session.noteTemplate().size(), 12);
    EXPECT_EQ(session.noteTemplate().value(11), "12( 10)");
    session.openLessonForTesting(2000000, {{0, 3000, 1234567, 2000000}, {}});
    EXPECT_EQ(session.noteTemplate().value(2), " 3(1234)");
}

// The worked example: the answer is checked against the current block's
// note, scored, and kept in the answers file named as the block file would
// be; the next open of the media reads it back. The notes are not touched,
// and the block repeats while it is written down.
TEST_F(Notes, ADictationCheckIsRecordedBesideTheBlockFileAndTheNotesStay) {
    const QString lesson = dir.filePath("lesson.mp3");
    ASSERT_TRUE(QFile::copy(media("lesson.mp3"), lesson)) << "no test media";
    ASSERT_TRUE(session.OpenFile(lesson)) << prompts.messages.join(" | ").toStdString();
    const int32_t length = session.state().mediaLength;
    session.openLessonForTesting(length, {{0, 3000, length}, {"The quick brown fox jumps over the lazy dog.", "two"}});

    session.SelectBlock(0);
    EXPECT_FALSE(session.checkDictation("anything"));  // before the first block: nothing to check against
    session.enterDictation();
    EXPECT_EQ(session.blockMode(), qm::BlockMode::Repeat);
    session.SelectBlock(1);
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const auto result = session.checkDictation("the quick brown fox jumped over lazy old dog");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->score, 70);

    const QString answers = dir.filePath("lesson.dictation.tsv");
    EXPECT_EQ(session.answersPath(), answers);
    const auto read = qm::files::readWholeFile(answers.toStdString(), 1 << 20);
    ASSERT_FALSE(read.error) << "no answers file";
    const auto parsed = qm::dictation::parse(read.bytes);
    ASSERT_TRUE(parsed.ok());
    ASSERT_NE(parsed.log.find(0), nullptr);
    EXPECT_EQ(parsed.log.find(0)->latestScore, 70);
    EXPECT_EQ(parsed.log.find(1), nullptr);
    // The attempt keeps when it was made, for the review schedule.
    ASSERT_EQ(parsed.log.attempts(0).size(), 1u);
    EXPECT_GE(parsed.log.attempts(0)[0].time, before);
    EXPECT_LE(parsed.log.attempts(0)[0].time, QDateTime::currentSecsSinceEpoch());
    EXPECT_EQ(session.notes().first(), "The quick brown fox jumps over the lazy dog.");
    EXPECT_FALSE(session.unsaved());

    session.leaveDictation();
    EXPECT_EQ(session.blockMode(), qm::BlockMode::Next);

    qmtest::ScriptedPrompts laterPrompts;
    PracticeSession later(settings, laterPrompts);
    ASSERT_TRUE(later.OpenFile(lesson));
    ASSERT_NE(later.dictationLog().find(0), nullptr);
    EXPECT_EQ(later.dictationLog().find(0)->latestScore, 70);
    EXPECT_TRUE(laterPrompts.messages.isEmpty()) << laterPrompts.messages.join(" | ").toStdString();
}

// The attempts follow their blocks as notes do: two blocks joined keep both
// blocks' attempts, an undo gives them back. The answers file goes with the
// saved block file: a check after a join writes the attempts where the saved
// blocks are, and the save writes them where the blocks are now.
TEST_F(Notes, AttemptsFollowTheirBlocksAndTheAnswersFileTheSavedBlocks) {
    const QString lesson = dir.filePath("lesson.mp3");
    ASSERT_TRUE(QFile::copy(media("lesson.mp3"), lesson)) << "no test media";
    ASSERT_TRUE(session.OpenFile(lesson)) << prompts.messages.join(" | ").toStdString();
    const int32_t length = session.state().mediaLength;
    session.openLessonForTesting(length, {{0, 1000, 2000, length}, {"one", "two", "three"}}, lesson.toStdString());
    const QString answers = dir.filePath("lesson.dictation.tsv");
    auto onDisk = [&] {
        const auto read = qm::files::readWholeFile(answers.toStdString(), 1 << 20);
        EXPECT_FALSE(read.error);
        auto parsed = qm::dictation::parse(read.bytes);
        EXPECT_TRUE(parsed.ok());
        return parsed.log;
    };
    auto answersOf = [](const qm::dictation::DictationLog& log, int block) {
        QStringList out;
        for (const auto& a : log.attempts(block)) out << QString::fromStdString(a.answer);
        return out;
    };

    session.SelectBlock(3);
    ASSERT_TRUE(session.checkDictation("three"));
    session.SelectBlock(1);
    session.deleteRight();  // blocks 1 and 2 made one: block 3 is block 2 now
    ASSERT_EQ(session.state().blocks().count(), 2);
    EXPECT_EQ(answersOf(session.dictationLog(), 1), QStringList{"three"});
    EXPECT_TRUE(answersOf(session.dictationLog(), 2).isEmpty());

    session.SelectBlock(2);
    ASSERT_TRUE(session.checkDictation("three again"));
    EXPECT_EQ(answersOf(onDisk(), 2), (QStringList{"three", "three again"})) << "the saved blocks' places";
    EXPECT_TRUE(answersOf(onDisk(), 1).isEmpty());

    session.undo();
    EXPECT_EQ(answersOf(session.dictationLog(), 2), (QStringList{"three", "three again"}));
    session.redo();
    prompts.saveAnswers = {dir.filePath("lesson.bsd")};
    ASSERT_TRUE(session.SaveBlockData());
    EXPECT_EQ(answersOf(onDisk(), 1), (QStringList{"three", "three again"})) << "the blocks as saved now";
    EXPECT_TRUE(answersOf(onDisk(), 2).isEmpty());
}

}  // namespace
