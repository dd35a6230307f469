// Each lesson is taken up where the learner left it: its block, how blocks
// are taken and what follows them, the rate and the volume, kept beside the
// settings from one run to the next. On the session alone, real engine.
#include "tests/support/ScriptedPrompts.h"

#include "session/PracticeSession.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using qm::PracticeSession;

QString media(const QString& name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name;
}

TEST(Places, ALessonOpensWhereItWasLeftEvenAfterTheProgramEnded) {
    ASSERT_TRUE(QFile::exists(media("lesson.mp3"))) << "no test media";
    QTemporaryDir dir;
    const QString ini = dir.filePath("QM4.ini");
    const QString first = dir.filePath("first.mp3"), second = dir.filePath("second.mp3");
    QFile::copy(media("lesson.mp3"), first);
    QFile::copy(media("lesson.mp3"), second);
    const QString bsd = dir.filePath("first.bsd");
    {
        qm::Settings settings(ini);
        settings.load();
        qmtest::ScriptedPrompts prompts;
        PracticeSession session(settings, prompts);
        ASSERT_TRUE(session.OpenFile(first));
        EXPECT_EQ(session.state().curBlock, 0);
        session.openLessonForTesting(session.state().mediaLength, {{0, 3000, 6000, session.state().mediaLength}, {}});
        prompts.saveAnswers = {bsd};
        ASSERT_TRUE(session.SaveBlockData());  // the lesson is its block file from now on
        session.playBlock(2);
        session.setBlockMode(qm::BlockMode::Repeat);
        session.setAfterBlock(qm::AfterBlock::AutoPause);
        session.setRate(0.8);
        session.setVolume(30);

        // Another lesson starts as the program was set, and is left elsewhere.
        ASSERT_TRUE(session.OpenFile(second));
        EXPECT_EQ(session.state().curBlock, 0);
        session.setBlockMode(qm::BlockMode::Next);
        session.setRate(1.2);
        ASSERT_FALSE(settings.save());
    }
    qm::Settings settings(ini);
    settings.load();
    qmtest::ScriptedPrompts prompts;
    PracticeSession session(settings, prompts);
    EXPECT_FALSE(session.OpenFile(bsd));  // a block file opens its media, and says false
    EXPECT_EQ(session.state().curBlock, 2);
    EXPECT_GE(session.readPosition(), 3000);
    EXPECT_EQ(session.blockMode(), qm::BlockMode::Repeat);
    EXPECT_EQ(session.afterBlock(), qm::AfterBlock::AutoPause);
    EXPECT_DOUBLE_EQ(session.rate(), 0.8);
    EXPECT_EQ(session.volume(), 30);
    EXPECT_FALSE(session.unsaved());

    ASSERT_TRUE(session.OpenFile(second));
    EXPECT_EQ(session.blockMode(), qm::BlockMode::Next);
    EXPECT_DOUBLE_EQ(session.rate(), 1.2);
}

}  // namespace
