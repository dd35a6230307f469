// Unsaved work survives however the program ends, and saving never writes
// over what another program wrote: the recovery file and the block file's
// stamp, on the session alone with the real engine.
#include "tests/support/ChildScenarios.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/Waits.h"

#include "session/PracticeSession.h"
#include "session/Recovery.h"
#include "settings/Settings.h"
#include "files/WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using qm::PracticeSession;
using qmtest::ScriptedPrompts;

QString media(const QString& name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name;
}

const QString kRestore = QStringLiteral("前回保存されずに終了したブロックデータがあります。復元しますか？");

// Two cues within the lesson: blocks and notes, as a learner's load gives them.
QString writeTranscript(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write("1\n00:00:00,000 --> 00:00:03,800\nThe quick brown fox\n\n"
            "2\n00:00:03,800 --> 00:00:07,600\nShe sells sea shells\n");
    return path;
}

const std::vector<int32_t> kTranscriptCuts = {0, 3800, 7600};

class UnsavedWork : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(media("lesson.mp3"))) << "no test media";
        qm::recovery::setFolderForTesting(recoveryDir.path());
    }
    void TearDown() override { qm::recovery::setFolderForTesting({}); }

    // A copy of the lesson at path, so that its recovery file is this test's own.
    QString lessonAt(const QString& name) {
        const QString path = dir.filePath(name);
        QFile::remove(path);
        return QFile::copy(media("lesson.mp3"), path) ? path : QString();
    }

    QTemporaryDir dir;
    QTemporaryDir recoveryDir;
    qm::Settings settings{dir.filePath("QM4.ini")};
};

// The restore question leaves the file where it is: an end of the program
// while it is asked loses nothing. No gives the work up; Yes keeps the file
// until the restored work is saved to a block file.
TEST_F(UnsavedWork, TheRecoveryFileStaysWhileAskedAndGoesOnlyWhenSavedOrGivenUp) {
    const QString lesson = lessonAt("lesson.mp3");
    const QString kept = qm::recovery::fileFor(lesson.toStdString());
    for (const bool restore : {false, true}) {
        {
            ScriptedPrompts prompts;
            PracticeSession work(settings, prompts);
            ASSERT_TRUE(work.OpenFile(lesson));
            work.loadBlockFile(writeTranscript(dir.filePath("lesson-cues.srt")));
            ASSERT_TRUE(work.unsaved());
            work.KeepUnsavedWork();
        }
        ASSERT_TRUE(QFile::exists(kept));

        ScriptedPrompts prompts;
        PracticeSession session(settings, prompts);
        bool presentWhileAsked = false;
        prompts.whileAsking = [&](const QString&) { presentWhileAsked = QFile::exists(kept); };
        prompts.warningAnswers = {restore};
        ASSERT_TRUE(session.OpenFile(lesson));
        EXPECT_EQ(prompts.questions, QStringList{kRestore});
        EXPECT_TRUE(presentWhileAsked);
        if (!restore) {
            EXPECT_FALSE(QFile::exists(kept));
            EXPECT_EQ(session.state().blocks().count(), 1);
            continue;
        }
        EXPECT_EQ(session.state().blocks().separators(), (std::vector<int32_t>{0, 3800, session.state().mediaLength}));
        EXPECT_EQ(session.notes(), (QStringList{"The quick brown fox", "She sells sea shells"}));
        EXPECT_TRUE(QFile::exists(kept));
        prompts.saveAnswers = {dir.filePath("lesson.bsd")};
        ASSERT_TRUE(session.SaveBlockData());
        EXPECT_FALSE(QFile::exists(kept));
    }
}

// The path is line 1 of a block file: a line break in it must not make the
// kept work unreadable.
TEST_F(UnsavedWork, WorkOnAMediaWhosePathHoldsALineBreakIsRestored) {
    const QString lesson = lessonAt(QStringLiteral("two\nlines.mp3"));
    ASSERT_FALSE(lesson.isEmpty());
    {
        ScriptedPrompts prompts;
        PracticeSession work(settings, prompts);
        ASSERT_TRUE(work.OpenFile(lesson)) << prompts.messages.join(" | ").toStdString();
        work.loadBlockFile(writeTranscript(dir.filePath("cues.srt")));
        work.KeepUnsavedWork();
    }
    ScriptedPrompts prompts;
    PracticeSession session(settings, prompts);
    prompts.warningAnswers = {true};
    ASSERT_NO_THROW(ASSERT_TRUE(session.OpenFile(lesson)));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ").toStdString();
    EXPECT_EQ(session.state().blocks().count(), 2);
    EXPECT_EQ(session.notes(), (QStringList{"The quick brown fox", "She sells sea shells"}));
}

// The child: opens the lesson, loads the cues (unsaved work), says so on
// stdout and waits to be killed. Arguments: recovery folder, settings file,
// media, transcript.
const qmtest::RegisterChild kWorkThenWait("unsaved-work", [](const QStringList& a) {
    qm::recovery::setFolderForTesting(a.value(0));
    qm::Settings settings(a.value(1));
    ScriptedPrompts prompts;
    PracticeSession session(settings, prompts);
    session.setRecoveryDelayMs(300);
    if (!session.OpenFile(a.value(2))) return 3;
    session.loadBlockFile(a.value(3));
    std::printf("changed\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
});

// kill -9 gives the program no chance at all: what is kept is what the
// background writer wrote within its delay after the change.
TEST_F(UnsavedWork, AKillNineLosesNothingWrittenInTheBackgroundAfterTheChange) {
    const QString lesson = lessonAt("killed.mp3");
    const QString kept = qm::recovery::fileFor(lesson.toStdString());
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {"--child", "unsaved-work", recoveryDir.path(), dir.filePath("child.ini"), lesson,
                 writeTranscript(dir.filePath("cues.srt"))});
    ASSERT_TRUE(qmtest::waitFor([&] { return child.canReadLine() || child.state() == QProcess::NotRunning; }, 15000));
    ASSERT_EQ(child.readLine().trimmed(), "changed");
    EXPECT_FALSE(QFile::exists(kept));  // not at once: in the background, after the delay
    ASSERT_TRUE(qmtest::waitFor([&] { return QFile::exists(kept); }, 10000)) << "nothing written in the background";
    child.kill();  // SIGKILL
    ASSERT_TRUE(child.waitForFinished(5000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    ScriptedPrompts prompts;
    PracticeSession session(settings, prompts);
    prompts.warningAnswers = {true};
    ASSERT_TRUE(session.OpenFile(lesson));
    EXPECT_EQ(prompts.questions, QStringList{kRestore});
    EXPECT_EQ(session.state().blocks().separators(), (std::vector<int32_t>{0, 3800, session.state().mediaLength}));
    EXPECT_EQ(session.notes(), (QStringList{"The quick brown fox", "She sells sea shells"}));
}

// Another program (another QM5, an editor) wrote the block file after this
// one read it: Save asks before writing over it.
TEST_F(UnsavedWork, SavingOverABlockFileChangedElsewhereAsksFirst) {
    const QString lesson = lessonAt("lesson.mp3");
    const QString bsd = dir.filePath("lesson.bsd");
    ScriptedPrompts prompts;
    PracticeSession session(settings, prompts);
    ASSERT_TRUE(session.OpenFile(lesson));
    session.editNotes({"mine"});
    prompts.saveAnswers = {bsd};
    ASSERT_TRUE(session.SaveBlockData());
    EXPECT_TRUE(prompts.questions.isEmpty());  // our own file, as we left it

    session.editNotes({"mine again"});
    prompts.saveAnswers = {bsd};
    ASSERT_TRUE(session.SaveBlockData());
    EXPECT_TRUE(prompts.questions.isEmpty());

    const QByteArray theirs = "QM4 Block Separate Data\r\nlesson.mp3\r\n10753\r\n1\r\n0\r\n10753\r\n*theirs\r\n";
    ASSERT_FALSE(qm::files::writeWholeFile(bsd.toStdString(), theirs.toStdString()));
    session.editNotes({"mine once more"});
    prompts.saveAnswers = {bsd};
    prompts.warningAnswers = {false};
    EXPECT_FALSE(session.SaveBlockData());
    ASSERT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(prompts.questions.first().contains(bsd)) << prompts.questions.first().toStdString();
    EXPECT_EQ(qm::files::readWholeFile(bsd.toStdString(), 1024).bytes, theirs.toStdString());
    EXPECT_TRUE(session.unsaved());

    prompts.saveAnswers = {bsd};
    prompts.warningAnswers = {true};
    ASSERT_TRUE(session.SaveBlockData());
    EXPECT_NE(qm::files::readWholeFile(bsd.toStdString(), 1024).bytes.find("mine once more"), std::string::npos);
}

}  // namespace
