// A script aligned with its recording through the session: offered when a
// plain text of the media's name lies beside it, run on a worker thread with
// its progress, the result one undoable step, a cancel leaving the lesson as
// it was; the lesson so made, with an answer, exported as an Anki package.
// The lesson is spoken by espeak-ng (bench/align's lesson maker).
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/Waits.h"

#include "session/PracticeSession.h"
#include "session/Recovery.h"
#include "settings/Settings.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using qm::PracticeSession;

class ScriptAlignment : public ::testing::Test {
protected:
    void SetUp() override { qm::recovery::setFolderForTesting(recoveryDir.path()); }
    void TearDown() override { qm::recovery::setFolderForTesting({}); }

    QTemporaryDir dir;
    QTemporaryDir recoveryDir;
    qm::Settings settings{dir.filePath(QStringLiteral("QM4.ini"))};
    qmtest::ScriptedPrompts prompts;
    PracticeSession session{settings, prompts};
};

TEST_F(ScriptAlignment, AScriptBesideTheRecordingBecomesItsBlocksInOneStep) {
    const QString lessons = QStringLiteral(QM5_ALIGN_LESSONS "/lesson-6-4");
    const QString maker = QStringLiteral(QM5_SOURCE_DIR "/bench/align/make-align-lessons.sh");
    ASSERT_EQ(std::system(QStringLiteral("'%1' '%2' 6 4").arg(maker, lessons).toLocal8Bit().constData()), 0);
    const QString mp3 = dir.filePath(QStringLiteral("talk.mp3"));
    ASSERT_TRUE(QFile::copy(lessons + QStringLiteral("/clean.mp3"), mp3));
    ASSERT_TRUE(QFile::copy(lessons + QStringLiteral("/script.txt"), dir.filePath(QStringLiteral("talk.txt"))));
    // The script's lines, and the one the recording lacks (its truth file says which).
    QFile script(lessons + QStringLiteral("/script.txt")), truth(lessons + QStringLiteral("/clean.truth"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly) && truth.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(script.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    int missing = 0;
    for (const QString& t : QString::fromUtf8(truth.readAll()).split(QLatin1Char('\n')))
        if (t.startsWith(QStringLiteral("missing "))) missing = t.section(QLatin1Char(' '), 1, 1).toInt();
    ASSERT_EQ(lines.size(), 7);
    ASSERT_GT(missing, 0);
    lines.removeAt(missing - 1);

    QSignalSpy progress(&session, &PracticeSession::workProgress);
    QSignalSpy ended(&session, &PracticeSession::workEnded);
    prompts.warningAnswers = {true};
    ASSERT_TRUE(session.OpenFile(mp3));
    EXPECT_EQ(prompts.questions, QStringList{"同じ名前の台本 talk.txt があります。録音に合わせてブロックに分けますか？"});
    ASSERT_TRUE(session.working());
    EXPECT_EQ(session.state().blocks().count(), 1);  // the lesson waits for the result
    ASSERT_TRUE(qmtest::waitFor([&] { return ended.count() == 1; }, 60000));

    EXPECT_EQ(session.notes(), lines);
    EXPECT_EQ(session.state().blocks().count(), 6);
    EXPECT_EQ(session.state().blocks().separators().back(), session.state().mediaLength);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last().at(0).toInt(), 100);
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("台本の 7 文のうち 6 文をブロックにしました\n"
                                                           "録音に見つからなかった台本の行: %1").arg(missing)});
    EXPECT_TRUE(session.unsaved());
    session.undo();
    EXPECT_EQ(session.state().blocks().count(), 1);
    EXPECT_TRUE(session.notes().isEmpty());
    EXPECT_FALSE(session.unsaved());

    // A cancel: nothing changes and the run says nothing; the next run
    // (waited for) is the only one to report.
    const QString scriptPath = dir.filePath(QStringLiteral("talk.txt"));
    ASSERT_TRUE(session.alignScript(scriptPath));
    session.cancelWork();
    EXPECT_FALSE(session.working());
    EXPECT_EQ(ended.count(), 2);
    ASSERT_TRUE(session.alignScript(scriptPath));
    ASSERT_TRUE(qmtest::waitFor([&] { return ended.count() == 3; }, 60000));
    EXPECT_EQ(prompts.messages.size(), 2);
    EXPECT_EQ(session.notes(), lines);

    // Exported with an answer to block 2: a package of one card per sentence,
    // through the save dialog, on the worker.
    session.SelectBlock(2);
    ASSERT_TRUE(session.checkDictation(QStringLiteral("an answer")));
    const QString deck = dir.filePath(QStringLiteral("talk.apkg"));
    prompts.saveAnswers = {deck};
    QSignalSpy started(&session, &PracticeSession::workStarted);
    ASSERT_TRUE(session.exportAnki());
    ASSERT_EQ(started.count(), 1);
    ASSERT_TRUE(qmtest::waitFor([&] { return ended.count() == 4; }, 60000));
    EXPECT_EQ(prompts.messages.last(), QStringLiteral("6 枚のカードを %1 に書き出しました").arg(deck));
    QFile package(deck);
    ASSERT_TRUE(package.open(QIODevice::ReadOnly));
    EXPECT_TRUE(package.read(4) == QByteArray("PK\x03\x04", 4));

    session.undo();
    EXPECT_FALSE(session.canUndo()) << "the cancelled run left a step";
}

}  // namespace
