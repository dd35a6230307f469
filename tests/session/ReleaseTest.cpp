// The release question on the session alone: what a close, an open or a
// logout asks before the lesson is dropped, and what each answer leaves.
#include "tests/support/ScriptedPrompts.h"

#include "session/PracticeSession.h"
#include "session/Recovery.h"
#include "settings/Settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using qm::Answer;
using qm::PracticeSession;

const QString kSave = QStringLiteral("保存しますか");

class Release : public ::testing::Test {
protected:
    void SetUp() override { qm::recovery::setFolderForTesting(recoveryDir.path()); }
    void TearDown() override { qm::recovery::setFolderForTesting({}); }

    QTemporaryDir dir;
    QTemporaryDir recoveryDir;
    qm::Settings settings{dir.filePath("QM4.ini")};
    qmtest::ScriptedPrompts prompts;
    PracticeSession session{settings, prompts};
};

// Cancel stays; Yes saves first and stays when the save is cancelled; No
// lets go and changes nothing. Undone or redone back to the saved lesson,
// there is nothing to ask about.
TEST_F(Release, YesSavesNoLetsGoCancelStays) {
    session.openLessonForTesting(9000, {{0, 3000, 9000}, {"one"}}, dir.filePath("lesson.mp3").toStdString());
    EXPECT_TRUE(session.CanReleaseMedia());
    EXPECT_TRUE(prompts.questions.isEmpty());

    session.editNotes({"one", "two"});
    prompts.confirmAnswers = {Answer::Cancel, Answer::Yes, Answer::No};
    prompts.saveAnswers = {QString()};  // the save dialog is cancelled
    EXPECT_FALSE(session.CanReleaseMedia());
    EXPECT_TRUE(session.unsaved());
    EXPECT_FALSE(session.CanReleaseMedia());
    EXPECT_TRUE(session.unsaved());
    EXPECT_TRUE(session.CanReleaseMedia());
    EXPECT_TRUE(session.unsaved());
    EXPECT_EQ(session.notes(), (QStringList{"one", "two"}));
    EXPECT_EQ(prompts.questions, (QStringList{kSave, kSave, kSave}));

    const QString bsd = dir.filePath("lesson.bsd");
    prompts.confirmAnswers = {Answer::Yes};
    prompts.saveAnswers = {bsd};
    EXPECT_TRUE(session.CanReleaseMedia());
    EXPECT_FALSE(session.unsaved());
    EXPECT_TRUE(QFile::exists(bsd));

    session.undo();
    EXPECT_TRUE(session.unsaved());
    session.redo();
    prompts.questions.clear();
    EXPECT_TRUE(session.CanReleaseMedia());
    EXPECT_TRUE(prompts.questions.isEmpty());
}

// A logout asks the same question; after a No the work is given up: the
// recovery file kept so far goes, nothing is kept at the end, nothing is
// asked again.
TEST_F(Release, ALogoutAsksTheSaveQuestionAndANoGivesTheWorkUp) {
    const std::string lesson = "/m/表 lesson.mp3";
    session.openLessonForTesting(9000, {{0, 3000, 5000, 9000}, {"one"}}, lesson);
    session.editNotes({"one", "two"});
    session.KeepUnsavedWork();
    ASSERT_TRUE(QFile::exists(qm::recovery::fileFor(lesson)));

    prompts.confirmAnswers = {Answer::Cancel, Answer::No};
    EXPECT_FALSE(session.CommitData());
    EXPECT_TRUE(session.unsaved());
    EXPECT_TRUE(QFile::exists(qm::recovery::fileFor(lesson)));
    EXPECT_TRUE(session.CommitData());
    EXPECT_EQ(prompts.questions, (QStringList{kSave, kSave}));
    EXPECT_FALSE(session.unsaved());
    EXPECT_FALSE(QFile::exists(qm::recovery::fileFor(lesson)));

    // The program then ends: nothing the user gave up is kept, or asked about.
    session.KeepUnsavedWork();
    EXPECT_FALSE(QFile::exists(qm::recovery::fileFor(lesson)));
    EXPECT_TRUE(session.CanReleaseMedia());
    EXPECT_EQ(prompts.questions.size(), 2);
}

}  // namespace
