// The lesson as one document: every change is one step of the undo history
// that undo gives back byte for byte and redo makes again, notes stay with
// their blocks, and "unsaved" is where the history stands. On the session
// alone, with the real engine and the generated lesson.
#include "tests/support/LessonTimes.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/Waits.h"

#include "blockfile/BlockFile.h"
#include "session/PracticeSession.h"
#include "session/Recovery.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using qm::PracticeSession;
using qmtest::ScriptedPrompts;

QString media(const QString& name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name;
}

// The lesson as a block file holds it: what "exact" means.
std::string bytesOf(const PracticeSession& s) { return qm::blockfile::serialize(s.blockData()); }

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class LessonHistory : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(media("lesson.mp3"))) << "no test media";
        qm::recovery::setFolderForTesting(dir.filePath("recovery"));
        QFile::copy(media("lesson.mp3"), dir.filePath("lesson.mp3"));
        QSignalSpy analysed(&session, &PracticeSession::analysisReady);
        ASSERT_TRUE(session.OpenFile(dir.filePath("lesson.mp3"))) << prompts.messages.join(" | ").toStdString();
        length = session.state().mediaLength;
        ASSERT_TRUE(qmtest::waitForSignals(analysed, 1, 30000)) << "no loudness analysis";
        session.pause();
        // Five blocks with a sentence each, and a line past the last block.
        session.openLessonForTesting(length, {{0, 2000, 4000, 6000, 8000, length}, {"one", "two", "three", "four", "five", "spare"}});
    }
    void TearDown() override { qm::recovery::setFolderForTesting({}); }

    std::vector<std::string> notes() const { return session.lesson().notes(); }
    std::vector<int32_t> separators() const { return session.state().blocks().separators(); }

    // Runs change as one step: undo gives the lesson back byte for byte and
    // redo the changed one; leaves it changed. Returns the changed bytes.
    std::string oneStep(const std::function<void()>& change, const char* what) {
        const std::string before = bytesOf(session);
        const bool couldUndo = session.canUndo();
        change();
        const std::string after = bytesOf(session);
        EXPECT_NE(after, before) << what << ": nothing changed";
        EXPECT_TRUE(session.canUndo()) << what;
        EXPECT_TRUE(session.unsaved()) << what;
        session.undo();
        EXPECT_EQ(bytesOf(session), before) << what << ": undo";
        EXPECT_EQ(session.canUndo(), couldUndo) << what << ": more than one step";
        session.redo();
        EXPECT_EQ(bytesOf(session), after) << what << ": redo";
        return after;
    }

    QTemporaryDir dir;
    qm::Settings settings{dir.filePath("QM4.ini")};
    ScriptedPrompts prompts;
    PracticeSession session{settings, prompts};
    int32_t length = 0;
};

TEST_F(LessonHistory, EveryBlockCommandIsOneStepAndTheNotesStayWithTheirBlocks) {
    // A mark inside block 3 (away from the pauses, so it does not snap): its
    // note stays with the first part.
    oneStep([&] {
        session.positionBarClicked(5400);
        ASSERT_TRUE(qmtest::waitFor([&] { return session.readPosition() > 5500; }, 5000));
        session.mark();
        session.pause();
    }, "mark");
    ASSERT_EQ(session.state().blocks().count(), 6);
    EXPECT_EQ(notes(), (std::vector<std::string>{"one", "two", "three", "", "four", "five", "spare"}));

    // The left and the right separator of block 2: the notes join.
    session.SelectBlock(2);
    oneStep([&] { session.deleteLeft(); }, "delete left");
    EXPECT_EQ(notes()[0], "one two");
    EXPECT_EQ(session.state().curBlock, 1);
    session.SelectBlock(4);
    oneStep([&] { session.deleteRight(); }, "delete right");
    EXPECT_EQ(notes(), (std::vector<std::string>{"one two", "three", "", "four five", "spare"}));
    EXPECT_EQ(session.state().blocks().count(), 4);

    // A drag of many moves is one step; the notes stay.
    const auto notesBefore = notes();
    oneStep([&] {
        for (int32_t ms = 2100; ms <= 3000; ms += 100) session.moveSeparator(1, ms);
        session.endSeparatorDrag();
    }, "drag");
    EXPECT_EQ(separators()[1], 3000);
    EXPECT_EQ(notes(), notesBefore);

    // Clear: one block, the lines in order for a new cut.
    oneStep([&] { session.clearBlocks(); }, "clear");
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, length}));
    EXPECT_EQ(notes(), notesBefore);

    // A cut at the pauses puts them back on the new blocks, in order.
    oneStep([&] { ASSERT_TRUE(session.cutAtPauses()); }, "cut at pauses");
    EXPECT_EQ(session.state().blocks().count(), 3);
    EXPECT_EQ(notes(), notesBefore);

    // An ended memo edit.
    oneStep([&] { session.editNotes({"A", "B", "C"}); }, "memo edit");
    EXPECT_EQ(session.notes(), (QStringList{"A", "B", "C"}));

    // The whole history back to the open: the lesson as it was, nothing unsaved.
    while (session.canUndo()) session.undo();
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 2000, 4000, 6000, 8000, length}));
    EXPECT_EQ(notes(), (std::vector<std::string>{"one", "two", "three", "four", "five", "spare"}));
    EXPECT_FALSE(session.unsaved());
}

// Loads into the open media and a restore are steps too; a load over unsaved
// work asks first, and plain text says how many notes it replaces.
TEST_F(LessonHistory, LoadsAndARestoreAreStepsAndALoadOverUnsavedWorkAsks) {
    const QString bsd = dir.filePath("other.bsd");
    qm::blockfile::BlockData other;
    other.mediaPath = "lesson.mp3";
    other.mediaLength = length;
    other.separators = {0, 5000, length};
    other.memoLines = {"first half", "second half"};
    write(bsd, QByteArray::fromStdString(qm::blockfile::serialize(other)));
    oneStep([&] { session.loadBlockFile(bsd); }, "block file");
    EXPECT_TRUE(prompts.questions.isEmpty());  // nothing was unsaved
    EXPECT_EQ(notes(), other.memoLines);

    const QString srt = dir.filePath("cues.srt");
    write(srt, "1\n00:00:00,000 --> 00:00:03,000\nHello\n\n2\n00:00:03,000 --> 00:00:06,000\nWorld\n");
    prompts.confirmAnswers = {qm::Answer::Cancel};
    session.loadBlockFile(srt);  // the loaded block file is unsaved work: Cancel keeps it
    EXPECT_EQ(prompts.questions, QStringList{"保存しますか"});
    EXPECT_EQ(notes(), other.memoLines);
    prompts.questions.clear();
    prompts.confirmAnswers = {qm::Answer::No};
    oneStep([&] { session.loadBlockFile(srt); }, "transcript");
    EXPECT_EQ(notes(), (std::vector<std::string>{"Hello", "World"}));

    // Plain text over notes: says how many it replaces; No leaves them.
    const QString txt = dir.filePath("lines.txt");
    write(txt, "alpha\nbeta\ngamma\n");
    prompts.questions.clear();
    prompts.confirmAnswers = {qm::Answer::No};
    prompts.warningAnswers = {false};
    session.loadBlockFile(txt);
    EXPECT_EQ(prompts.questions,
              (QStringList{"保存しますか", "今のメモ 2 行を、ファイル lines.txt の 3 行で置き換えますか？"}));
    EXPECT_EQ(notes(), (std::vector<std::string>{"Hello", "World"}));

    // A restore from the recovery file, as a killed run left it: one step, and unsaved.
    const std::string kept = bytesOf(session);
    while (session.canUndo()) session.undo();
    ASSERT_FALSE(session.unsaved());
    ASSERT_TRUE(qm::recovery::keep(session.state().mediaFile, kept));
    prompts.warningAnswers = {true};
    ASSERT_TRUE(session.OpenFile(dir.filePath("lesson.mp3")));
    EXPECT_EQ(bytesOf(session), kept);
    EXPECT_TRUE(session.unsaved());
    ASSERT_TRUE(session.canUndo());
    session.undo();
    EXPECT_EQ(session.state().blocks().count(), 1);
    EXPECT_FALSE(session.unsaved());
    session.redo();
    EXPECT_EQ(bytesOf(session), kept);
}

// Unsaved is where the history stands: a delete asks at the release, and
// undoing back to the saved point asks nothing.
TEST_F(LessonHistory, UnsavedIsWhereTheHistoryStands) {
    EXPECT_TRUE(session.CanReleaseMedia());
    EXPECT_TRUE(prompts.questions.isEmpty());

    session.SelectBlock(3);
    session.deleteRight();
    EXPECT_TRUE(session.unsaved());
    EXPECT_FALSE(session.CanReleaseMedia());  // Cancel: the default answer
    EXPECT_EQ(prompts.questions, QStringList{"保存しますか"});

    session.undo();
    prompts.questions.clear();
    EXPECT_FALSE(session.unsaved());
    EXPECT_TRUE(session.CanReleaseMedia());
    EXPECT_TRUE(prompts.questions.isEmpty());

    // Saved after a change: clean there, unsaved again on both sides of it.
    session.deleteRight();
    prompts.saveAnswers = {dir.filePath("lesson.bsd")};
    ASSERT_TRUE(session.SaveBlockData());
    EXPECT_FALSE(session.unsaved());
    session.undo();
    EXPECT_TRUE(session.unsaved());
    session.redo();
    EXPECT_FALSE(session.unsaved());
}

}  // namespace
