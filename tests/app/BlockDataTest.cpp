// The main window's Save and Load buttons: what their dialogs are asked, how
// the answers reach the session, and what the windows show after. What a save
// writes and what a load applies, asks and refuses is the session's own
// (tests/session/BlockFilesTest.cpp).
#include "tests/support/AppHarness.h"

#include "session/FileFormats.h"
#include <QProgressDialog>

#include "files/WholeFile.h"
#include "text/TextCodec.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <cerrno>

namespace {

using qmtest::AppHarness;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class BlockData : public ::testing::Test {
protected:
    void SetUp() override {
        qmtest::setMedia(session, dir.filePath("表ソ十 lesson.mp3"), 9000);
        qmtest::setBlocks(session, {0, 3000, 5000, 9000});
        // The buttons work while a media is open; no block timer without playback.
        frmMain->EnableBlockControls(true);
        frmMain->Timer1->stop();
    }
    std::vector<int32_t> separators() const { return session.state().blocks().separators(); }

    AppHarness app;
    QTemporaryDir dir;
    qm::PracticeSession& session = frmMain->session();
};

// Save asks the save dialog for the media's name with .bsd among six file
// types; the file chosen is written and the info window lists it. The type
// chosen in the dialog picks the format; a save that fails is shown in a box.
TEST_F(BlockData, TheSaveButtonAsksTheDialogAndWritesWhatItAnswers) {
    qmtest::setNotes(session, {"日本語"});
    session.editNotes({"日本語 & <tags>", "", "last one"});
    const QString target = dir.filePath("saved.bsd");
    app.dialogs->saveAnswers = {target};
    frmMain->btnSave->click();
    ASSERT_EQ(app.dialogs->saveRequests.size(), 1u);
    const qm::FileDialogRequest& asked = app.dialogs->saveRequests[0];
    EXPECT_EQ(asked.fileName, "表ソ十 lesson.bsd");
    EXPECT_EQ(asked.defaultSuffix, "bsd");
    EXPECT_TRUE(asked.confirmOverwrite);
    EXPECT_EQ(asked.filter.count('|'), 11);  // six file types
    EXPECT_TRUE(readAll(target).startsWith("QM4 Block Separate Data\r\n"));
    EXPECT_FALSE(session.unsaved());
    EXPECT_EQ(frmInfo->historyPaths().value(0), target);
    EXPECT_TRUE(app.dialogs->messages.isEmpty()) << app.dialogs->messages.join(" | ").toStdString();

    // The plain-notes type, chosen in the dialog: the notes alone.
    const QString plain = dir.filePath("plain.txt");
    app.dialogs->saveAnswers = {plain};
    app.dialogs->saveFilterAnswers = {5};
    frmMain->btnSave->click();
    EXPECT_EQ(readAll(plain), QByteArray::fromStdString(qm::text::encode("日本語 & <tags>\r\n\r\nlast one\r\n")));

    session.editNotes({"unsaved"});
    const QString nowhere = dir.filePath("missing-folder/x.bsd");
    app.dialogs->saveAnswers = {nowhere};
    frmMain->btnSave->click();
    ASSERT_EQ(app.dialogs->messages.size(), 1);
    EXPECT_TRUE(app.dialogs->messages.first().startsWith(QStringLiteral("ファイル %1 を作成できません\n").arg(nowhere)))
        << app.dialogs->messages.first().toStdString();
    EXPECT_TRUE(session.unsaved());
    EXPECT_EQ(frmInfo->historyPaths(), QStringList{target});
}

// Load asks the open dialog for block files and transcripts; the file chosen
// goes to the session, which asks its questions through the window's dialogs;
// the block counter and the memo window show the loaded lesson. The next
// dialog starts in the same folder; a cancelled one changes nothing; an
// error of the load is shown in a box.
TEST_F(BlockData, TheLoadButtonGivesTheChosenFileToTheSessionAndTheWindowsShowIt) {
    const QString three = dir.filePath("three.bsd");
    writeAll(three, "QM4 Block Separate Data\r\nx\r\n9000\r\n3\r\n0\r\n1000\r\n2000\r\n9000\r\n*a\r\nb\r\n");
    session.editNotes({"unsaved work"});
    app.dialogs->confirmAnswers = {qm::Answer::No};
    app.dialogs->openAnswers = {three};
    frmMain->btnLoad->click();
    ASSERT_EQ(app.dialogs->openRequests.size(), 1u);
    const qm::FileDialogRequest& asked = app.dialogs->openRequests[0];
    EXPECT_TRUE(asked.filter.startsWith("ブロックファイル|*.bsd|")) << asked.filter.toStdString();
    EXPECT_TRUE(asked.filter.contains("*.srt;*.vtt;*.lrc;*.txt")) << asked.filter.toStdString();
    EXPECT_EQ(asked.defaultSuffix, "bsd");
    EXPECT_TRUE(asked.mustExist);
    EXPECT_EQ(app.dialogs->questions, QStringList{"保存しますか"});
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 1000, 2000, 9000}));
    EXPECT_EQ(frmMain->lblBlock->text(), "0/3");
    EXPECT_EQ(frmMemo->lines(), (QStringList{"a", "b"}));

    // The current block past the new list's end: the counter follows it back.
    frmMain->SelectBlock(3);
    const QString two = dir.filePath("two.bsd");
    writeAll(two, "QM4 Block Separate Data\r\nx\r\n9000\r\n2\r\n0\r\n4000\r\n9000\r\n*");
    app.dialogs->confirmAnswers = {qm::Answer::No};  // the last load is a change too
    app.dialogs->openAnswers = {two};
    frmMain->btnLoad->click();
    ASSERT_EQ(app.dialogs->openRequests.size(), 2u);
    EXPECT_EQ(app.dialogs->openRequests[1].initialDir, dir.path());
    EXPECT_EQ(frmMain->lblBlock->text(), "2/2");
    EXPECT_TRUE(frmMemo->lines().isEmpty());

    app.dialogs->openAnswers = {QString()};
    frmMain->btnLoad->click();
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 4000, 9000}));

    const QString bad = dir.filePath("bad.bsd");
    writeAll(bad, "QM4 Block Separate Data\r\nx\r\n9000\r\n2\r\n0\r\n12a\r\n9000\r\n*");
    app.dialogs->confirmAnswers = {qm::Answer::No};
    app.dialogs->openAnswers = {bad};
    frmMain->btnLoad->click();
    EXPECT_EQ(app.dialogs->messages, QStringList{"'12a' は整数ではありません"});
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 4000, 9000}));
}

// Load's type "script to align": a recording that is no file here is refused
// with the reason; on the test recording the alignment runs with its progress
// in a dialog that holds the window, and Cancel there stops it with the
// lesson as it was.
TEST_F(BlockData, TheLoadDialogsScriptTypeAlignsWithTheRecordingAndCanBeCancelled) {
    const QString script = dir.filePath("talk.txt");
    writeAll(script, "The first sentence is here.\nAnd this is the second one.\n");
    app.dialogs->openAnswers = {script};
    app.dialogs->openFilterAnswers = {qm::formats::kLoadScriptToAlign};
    frmMain->btnLoad->click();
    ASSERT_EQ(app.dialogs->openRequests.size(), 1u);
    EXPECT_EQ(app.dialogs->openRequests[0].filter.section('|', 4, 5), "台本（録音に合わせる）|*.txt");
    EXPECT_EQ(app.dialogs->messages, QStringList{"台本を合わせられるのは、このコンピューターにある録音だけです"});

    qmtest::setMedia(session, qmtest::testMedia("lesson.mp3"), 9000);
    qmtest::setBlocks(session, {0, 3000, 5000, 9000});
    app.dialogs->openAnswers = {script};
    app.dialogs->openFilterAnswers = {qm::formats::kLoadScriptToAlign};
    frmMain->btnLoad->click();
    ASSERT_TRUE(session.working());
    ASSERT_NE(frmMain->progressDialog, nullptr);
    EXPECT_TRUE(frmMain->progressDialog->isVisible());
    EXPECT_EQ(frmMain->progressDialog->windowModality(), Qt::WindowModal);
    QPushButton* cancel = frmMain->progressDialog->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "中止");
    cancel->click();
    EXPECT_FALSE(session.working());
    EXPECT_FALSE(frmMain->progressDialog->isVisible());
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));
    EXPECT_EQ(app.dialogs->messages.size(), 1);
}

// Notes holding what text widgets alter (NBSP, line and paragraph separators,
// a noncharacter, blanks at the ends) go from a block file through the memo
// window's editor, opened and closed without typing, and back to a file
// unchanged.
TEST_F(BlockData, SaveLoadSaveIsByteIdenticalThroughTheWindowsAndAnEditWithoutTyping) {
    const QStringList notes = {"NBSP\u00A0here", "line\u2028sep", "para\u2029sep", "\u00A0\tlead and trail  ",
                               "*star* \\ 表ソ十", "", "nonchar\uFDD0"};
    qmtest::setNotes(session, notes);
    const QString first = dir.filePath("first.bsd");
    const QString second = dir.filePath("second.bsd");
    app.dialogs->saveAnswers = {first, second};
    frmMain->btnSave->click();
    qmtest::setNotes(session, {});
    app.dialogs->openAnswers = {first};
    frmMain->btnLoad->click();
    EXPECT_EQ(frmMemo->lines(), notes);
    frmMemo->btnEditClick();
    frmMemo->btnEndClick();
    EXPECT_EQ(frmMemo->lines(), notes);
    frmMain->btnSave->click();
    EXPECT_FALSE(readAll(first).isEmpty());
    EXPECT_EQ(readAll(second), readAll(first));
    EXPECT_TRUE(app.dialogs->messages.isEmpty()) << app.dialogs->messages.join(" | ").toStdString();
}

// A close with unsaved work whose save fails: the error is shown, the old
// file stays, and the window stays open with the work.
TEST_F(BlockData, ASaveThatFailsAtACloseKeepsTheWindowOpen) {
    const QString target = dir.filePath("kept.bsd");
    writeAll(target, "old bytes");
    session.editNotes({"unsaved work"});
    frmMain->show();
    qm::files::setWriteHookForTesting([](int, const void*, std::size_t) -> long {
        errno = EIO;
        return -1;
    });
    struct Unhook {
        ~Unhook() { qm::files::setWriteHookForTesting({}); }
    } unhook;
    app.dialogs->confirmAnswers = {qm::Answer::Yes};
    app.dialogs->saveAnswers = {target};
    EXPECT_FALSE(frmMain->close());
    EXPECT_TRUE(frmMain->isVisible());
    EXPECT_EQ(app.dialogs->questions, QStringList{"保存しますか"});
    ASSERT_EQ(app.dialogs->messages.size(), 1);
    EXPECT_TRUE(app.dialogs->messages.first().startsWith(QStringLiteral("ファイル %1 を作成できません\n").arg(target)))
        << app.dialogs->messages.first().toStdString();
    EXPECT_EQ(readAll(target), "old bytes");
    EXPECT_TRUE(session.unsaved());
    EXPECT_EQ(frmMemo->lines(), QStringList{"unsaved work"});
}

}  // namespace
