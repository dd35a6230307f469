// How the program ends: the main window's close with other windows open, a
// termination signal. Each runs the program's own event loop. The logout's
// question is the session's (tests/session/ReleaseTest.cpp).
#include "tests/support/AppHarness.h"

#include "blockfile/BlockFile.h"
#include "app/ProgramEnd.h"
#include "session/Recovery.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

using qmtest::AppHarness;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs the event loop until something ends it; 99 when only the watchdog did.
int runLoop() {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(10000);
    return QCoreApplication::exec();
}

class ProgramEndTest : public ::testing::Test {
protected:
    void SetUp() override { qm::recovery::setFolderForTesting(recoveryDir.path()); }
    void TearDown() override { qm::recovery::setFolderForTesting({}); }
    // A lesson of three blocks whose second note is a change not yet saved.
    void giveUnsavedBlocks() {
        frmMain->session().openLessonForTesting(9000, {{0, 3000, 5000, 9000}, {"one"}}, kMedia);
        frmMain->session().editNotes({"one", "two"});
    }
    const std::string kMedia = "/m/表 lesson.mp3";
    QTemporaryDir recoveryDir;
    AppHarness app;
    const qm::PracticeState& s = frmMain->state();
};

TEST_F(ProgramEndTest, ClosingTheMainWindowEndsTheRunWithTheOtherWindowsOpen) {
    qm::ProgramEnd end(*app.session, *app.settings);
    frmMain->show();
    frmMemo->show();
    frmInfo->show();
    frmInfo->AddHistory("/m/a.mp3");
    QTimer::singleShot(0, frmMain, [] { frmMain->close(); });
    EXPECT_EQ(runLoop(), 0);
    // Written when the loop ended, not when the windows go.
    EXPECT_EQ(readAll(app.settingsPath), "\r\n10\r\n/m/a.mp3\r\n");
}

TEST_F(ProgramEndTest, ATerminationSignalKeepsUnsavedWorkAndWritesTheSettings) {
    qm::ProgramEnd end(*app.session, *app.settings);
    giveUnsavedBlocks();
    frmInfo->AddHistory("/m/a.mp3");
    // An edit not yet ended is work too.
    frmMemo->btnEditClick();
    frmMemo->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(frmMemo->Memo1, "three");
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    EXPECT_EQ(runLoop(), 0);

    qm::blockfile::BlockData expected;
    expected.mediaPath = s.mediaFile;
    expected.mediaLength = 9000;
    expected.separators = {0, 3000, 5000, 9000};
    expected.memoLines = {"one", "two", "three"};
    EXPECT_EQ(readAll(qm::recovery::fileFor(s.mediaFile)).toStdString(), qm::blockfile::serialize(expected));
    EXPECT_EQ(readAll(app.settingsPath), "\r\n10\r\n/m/a.mp3\r\n");
}

// Undone back to the lesson as it opened, the work is no longer unsaved.
TEST_F(ProgramEndTest, NothingIsKeptWhenNothingIsUnsaved) {
    qm::ProgramEnd end(*app.session, *app.settings);
    giveUnsavedBlocks();
    frmMain->session().undo();
    ASSERT_FALSE(frmMain->session().unsaved());
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    EXPECT_EQ(runLoop(), 0);
    EXPECT_FALSE(QFile::exists(qm::recovery::fileFor(s.mediaFile)));
}


}  // namespace

namespace {

// The program's own start: the main window first, the other three right
// after its first paint, and then everything works as when made at once.
TEST(ProgramStart, TheHiddenWindowsFollowTheMainWindowsFirstPaint) {
    QTemporaryDir dir;
    auto d = std::make_unique<qmtest::ScriptedDialogs>();
    qm::qmApp()->setDialogs(std::move(d));
    {
        qm::Program program(dir.filePath("QM4.ini"), qm::PracticeSession::Clock::real(), qm::Program::Windows::MainFirst);
        EXPECT_EQ(frmMemo, nullptr);
        frmMain->show();
        program.makeHiddenWindowsAfterTheFirstPaint();
        frmMain->FormKeyPress(QChar('n'));  // a key before they exist does no harm
        ASSERT_TRUE(qmtest::waitFor([] { return frmMemo != nullptr && frmInfo != nullptr && frmIE != nullptr; }, 3000));
        EXPECT_FALSE(frmMemo->isVisible());
        frmMain->btnMemoClick();
        EXPECT_TRUE(frmMemo->isVisible());
    }
    EXPECT_EQ(frmMain, nullptr);
    EXPECT_EQ(frmMemo, nullptr);
}

}  // namespace
