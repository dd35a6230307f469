// What enters the history of opened files: a media opened by itself, and a
// block file followed to its media, which stays out.
#include "tests/support/ScriptedPrompts.h"

#include "session/PracticeSession.h"
#include "session/Recovery.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString media(const QString& name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name;
}

TEST(History, AFollowedBlockFileEntersTheHistoryAndItsMediaDoesNot) {
    QTemporaryDir dir;
    QTemporaryDir recoveryDir;
    qm::recovery::setFolderForTesting(recoveryDir.path());
    qm::Settings settings(dir.filePath("QM4.ini"));
    qmtest::ScriptedPrompts prompts;
    qm::PracticeSession session(settings, prompts);
    const QString lesson = media("lesson.mp3");
    ASSERT_TRUE(session.OpenFile(lesson)) << prompts.messages.join(" | ").toStdString();
    EXPECT_EQ(settings.history(), QStringList{lesson});

    const QString bsd = dir.filePath("lesson.bsd");
    {
        QFile f(bsd);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("QM4 Block Separate Data\r\n%1\r\n%2\r\n2\r\n0\r\n1500\r\n%2\r\n*first\r\nsecond\r\n")
                    .arg(lesson)
                    .arg(session.state().mediaLength)
                    .toUtf8());
    }
    settings.clearHistoryForTesting();
    EXPECT_FALSE(session.OpenFile(bsd));  // the open of a block file reports false in every case
    EXPECT_EQ(session.state().blocks().count(), 2);
    EXPECT_EQ(settings.history(), QStringList{bsd});
    EXPECT_FALSE(session.state().loadingBsd);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ").toStdString();
    qm::recovery::setFolderForTesting({});
}

}  // namespace
