// Opening media and block files by the session alone, on the generated test
// media with the real engine: the engine each type goes to, the failures, the
// block files followed to their media, the release question before an open,
// the recovery offer and the transcript beside the media.
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/Waits.h"

#include "blockfile/BlockFile.h"
#include "files/WholeFile.h"
#include "session/PracticeSession.h"
#include "session/Recovery.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <vector>

// gtest shows QStrings as text, not as arrays of UTF-16 units.
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using qm::PracticeSession;
using qmtest::ScriptedPrompts;

QString media(const QString& name) {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name);
}

const QString kSaveFirst = QStringLiteral("保存しますか");
const QString kRestore = QStringLiteral("前回保存されずに終了したブロックデータがあります。復元しますか？");

class Opening : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(media("lesson.mp3"))) << "no test media";
        qm::recovery::setFolderForTesting(recoveryDir.path());
    }
    void TearDown() override { qm::recovery::setFolderForTesting({}); }

    QString copyAs(const QString& source, const QString& name) {
        const QString path = dir.filePath(name);
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(source, path)) << source.toStdString();
        return path;
    }
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(bytes);
        return path;
    }
    // A block file for media of length ms: these inner separators, these notes.
    QString blockFile(const QString& name, const QString& mediaPath, int32_t ms, const std::vector<int32_t>& inner,
                      const QStringList& notes) {
        QString text = QStringLiteral("QM4 Block Separate Data\r\n%1\r\n%2\r\n%3\r\n0\r\n")
                           .arg(mediaPath)
                           .arg(ms)
                           .arg(inner.size() + 1);
        for (int32_t sep : inner) text += QString::number(sep) + QStringLiteral("\r\n");
        text += QString::number(ms) + QStringLiteral("\r\n*") + notes.join(QStringLiteral("\r\n"));
        return write(name, text.toUtf8());
    }
    std::vector<int32_t> separators() const { return session.state().blocks().separators(); }
    int32_t length() const { return session.state().mediaLength; }

    QTemporaryDir dir;
    QTemporaryDir recoveryDir;
    qm::Settings settings{dir.filePath(QStringLiteral("QM4.ini"))};
    ScriptedPrompts prompts;
    PracticeSession session{settings, prompts};
};

// An open gives a lesson of one block with no notes and no history, plays,
// and enters the history. The lists choose the engine whatever the letter
// case; types neither list names play on the media player control, and a
// type both lists name too (the media player's list is tried first).
TEST_F(Opening, AnOpenResetsTheLessonAndPlaysOnTheEngineItsTypeGoesTo) {
    session.openLessonForTesting(5000, {{0, 2000, 5000}, {"old note", "two"}}, "/old.mp3");
    const QString mp3 = media("lesson.mp3");
    ASSERT_TRUE(session.OpenFile(mp3)) << prompts.messages.join(" | ").toStdString();
    EXPECT_GT(length(), 1000);
    EXPECT_FALSE(session.state().useReal);
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, length()}));
    EXPECT_EQ(session.state().curBlock, 0);
    EXPECT_TRUE(session.notes().isEmpty());
    EXPECT_FALSE(session.unsaved());
    EXPECT_FALSE(session.canUndo());
    EXPECT_EQ(settings.history().value(0), mp3);
    EXPECT_TRUE(session.blockTimer()->isActive());
    EXPECT_TRUE(qmtest::waitFor([&] { return session.isPlaying(); }, 3000));

    for (const QString& name : {QStringLiteral("talk.rm"), QStringLiteral("talk.ram")}) {
        ASSERT_TRUE(session.OpenFile(media(name))) << name.toStdString();
        EXPECT_TRUE(session.state().useReal) << name.toStdString();
        EXPECT_GT(length(), 1000) << name.toStdString();
    }
    ASSERT_TRUE(session.OpenFile(media("lesson.wma")));
    EXPECT_FALSE(session.state().useReal);

    ASSERT_TRUE(session.OpenFile(copyAs(mp3, "LESSON.MP3")));
    EXPECT_FALSE(session.state().useReal);
    EXPECT_EQ(settings.history().value(0), dir.filePath("LESSON.MP3"));
    ASSERT_TRUE(session.OpenFile(copyAs(media("talk.rm"), "TALK.RM")));
    EXPECT_TRUE(session.state().useReal);

    for (const char* name : {"lesson.ogg", "lesson.m4a", "lesson.flac", "lesson.wav"}) {
        ASSERT_TRUE(session.OpenFile(media(name))) << name;
        EXPECT_FALSE(session.state().useReal) << name;
        EXPECT_GT(length(), 1000) << name;
        EXPECT_EQ(settings.history().value(0), media(name));
    }

    settings.setWmpExtensions(".wma.mp3.ogx.");
    settings.setRpExtensions(".ram.rm.ogx.");
    ASSERT_TRUE(session.OpenFile(copyAs(mp3, "both.ogx")));
    EXPECT_FALSE(session.state().useReal);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ").toStdString();
}

// A file that does not open is said with its path and the reason, stays out
// of the history and leaves no media: nothing plays, the block timer stands.
// Bad media fails within the length's deadline.
TEST_F(Opening, AFailedOpenSaysWhichFileAndWhyAndLeavesNoMedia) {
    ASSERT_TRUE(session.OpenFile(media("lesson.mp3")));
    const QString text = write("plain.txt", "just some words\n");
    const QString missing = dir.filePath("gone.mp3");
    for (const QString& path : {text, missing}) {
        prompts.messages.clear();
        EXPECT_FALSE(session.OpenFile(path));
        ASSERT_EQ(prompts.messages.size(), 1) << path.toStdString();
        const QString said = prompts.messages.first();
        const QString head = QStringLiteral("ファイル %1 は開けません\n").arg(path);
        EXPECT_TRUE(said.startsWith(head)) << said.toStdString();
        EXPECT_GT(said.size(), head.size());  // a reason follows
        EXPECT_EQ(settings.history(), QStringList{media("lesson.mp3")});
        EXPECT_EQ(length(), 0);
        EXPECT_FALSE(session.blockTimer()->isActive());
        EXPECT_FALSE(session.isPlaying());
        // Nothing is open, and nothing of the old lesson is left to show.
        EXPECT_EQ(session.state().mediaFile, "");
        EXPECT_EQ(session.state().blocks().count(), 0);
        EXPECT_EQ(session.state().curBlock, 0);
    }

    for (const QString& path : {copyAs(media("notmedia.mp3"), "renamed.mp3"), QStringLiteral("edl://x.mp3")}) {
        QElapsedTimer t;
        t.start();
        bool opened = true;
        try {
            opened = session.OpenFile(path);
        } catch (const std::exception&) {
            opened = false;  // a refused address may be reported as an error
        }
        EXPECT_FALSE(opened) << path.toStdString();
        EXPECT_LT(t.elapsed(), 5800) << path.toStdString();
        EXPECT_EQ(length(), 0);
        EXPECT_FALSE(session.blockTimer()->isActive());
    }
}

// An open that fails before the new media is loaded (no path, no regular
// file, no block file) leaves the old lesson as it was, usable again.
TEST_F(Opening, AnOpenRefusedBeforeItsMediaLoadsLeavesTheOldLessonUsable) {
    ASSERT_TRUE(session.OpenFile(media("lesson.mp3")));
    session.openLessonForTesting(length(), {{0, 3000, length()}, {"kept"}});
    QSignalSpy named(&session, &PracticeSession::mediaOpened);
    const QString notBlock = write("fake.bsd", "not a block file");
    for (const QString& path : {QString(), notBlock, dir.path()}) {
        prompts.messages.clear();
        EXPECT_FALSE(session.OpenFile(path));
        EXPECT_EQ(prompts.messages.size(), 1) << path.toStdString();
        EXPECT_EQ(session.state().mediaFile, media("lesson.mp3").toStdString());
        EXPECT_EQ(session.state().blocks().count(), 2);
        EXPECT_EQ(session.notes(), QStringList{"kept"});
        EXPECT_TRUE(session.blockTimer()->isActive()) << path.toStdString();
    }
    EXPECT_EQ(named.count(), 0);
}

// The Open command asks about unsaved work before its dialog: Cancel shows
// no dialog; No shows it, and the file chosen opens without a second question.
TEST_F(Opening, TheOpenCommandAsksAboutUnsavedWorkBeforeItsDialog) {
    ASSERT_TRUE(session.OpenFile(media("lesson.mp3")));
    session.editNotes({"work"});
    int questionsAtTheDialog = -1;
    auto choose = [&](const QString& path) {
        return [&, path]() -> std::optional<QString> {
            questionsAtTheDialog = static_cast<int>(prompts.questions.size());
            if (path.isEmpty()) return std::nullopt;
            return path;
        };
    };
    prompts.confirmAnswers = {qm::Answer::Cancel};
    EXPECT_FALSE(session.openChosen(choose({})));
    EXPECT_EQ(questionsAtTheDialog, -1);  // no dialog
    EXPECT_TRUE(session.unsaved());

    const QString picked = copyAs(media("lesson.mp3"), "picked.mp3");
    prompts.confirmAnswers = {qm::Answer::No};
    EXPECT_TRUE(session.openChosen(choose(picked)));
    EXPECT_EQ(questionsAtTheDialog, 2);
    EXPECT_EQ(prompts.questions, (QStringList{kSaveFirst, kSaveFirst}));  // none after the dialog
    EXPECT_EQ(QString::fromStdString(session.state().mediaFile), picked);
    EXPECT_FALSE(session.unsaved());
}

// No to the Open command's question gives the work up: after a cancelled
// dialog the next Open does not ask again.
TEST_F(Opening, NoThenACancelledOpenDialogGivesTheWorkUp) {
    ASSERT_TRUE(session.OpenFile(media("lesson.mp3")));
    session.editNotes({"work"});
    prompts.confirmAnswers = {qm::Answer::No};
    EXPECT_FALSE(session.openChosen([]() -> std::optional<QString> { return std::nullopt; }));
    EXPECT_FALSE(session.unsaved());

    const QString picked = copyAs(media("lesson.mp3"), "picked.mp3");
    EXPECT_TRUE(session.openChosen([&]() -> std::optional<QString> { return picked; }));
    EXPECT_EQ(QString::fromStdString(session.state().mediaFile), picked);
    EXPECT_EQ(prompts.questions, QStringList{kSaveFirst});  // asked once only
}

// A block file opens its media with its blocks and notes, as saved: no
// history, nothing unsaved; the block file enters the history, its media
// does not. The sample lesson opens so without a question.
TEST_F(Opening, ABlockFileOpensItsMediaWithItsBlocksAndNotesAsSaved) {
    ASSERT_TRUE(session.OpenFile(media("lesson.mp3")));
    const int32_t mp3Length = length();
    const QString bsd = blockFile("lesson.bsd", media("lesson.mp3"), mp3Length, {1500}, {"first", "second"});
    settings.clearHistoryForTesting();
    settings.addHistory("/other.mp3");
    EXPECT_FALSE(session.OpenFile(bsd));  // the open of a block file reports false in every case
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 1500, mp3Length}));
    EXPECT_EQ(session.notes(), (QStringList{"first", "second"}));
    EXPECT_FALSE(session.unsaved());
    EXPECT_FALSE(session.canUndo());
    EXPECT_TRUE(session.blockTimer()->isActive());
    EXPECT_EQ(settings.history(), (QStringList{bsd, "/other.mp3"}));
    EXPECT_EQ(session.blockFilePath(), bsd);
    EXPECT_FALSE(session.state().loadingBsd);

    prompts.questions.clear();
    EXPECT_FALSE(session.OpenFile(QStringLiteral(QM5_SOURCE_DIR "/samples/lesson.bsd")));
    EXPECT_TRUE(prompts.questions.isEmpty()) << prompts.questions.join(" | ").toStdString();
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ").toStdString();
    EXPECT_EQ(session.state().blocks().count(), 4);
    EXPECT_EQ(separators().back(), length());
    EXPECT_EQ(session.notes().size(), 4);
    EXPECT_EQ(QFileInfo(QString::fromStdString(session.state().mediaFile)).fileName(), "lesson.mp3");
}

// A block file naming no media, or naming a block file (itself here), opens
// nothing and says why; the session is not left following it.
TEST_F(Opening, BlockFilesThatNameNothingUsableOrABlockFileOpenNothing) {
    const QString one = write("one.bsd", "QM4 Block Separate Data");
    const QString self = dir.filePath("self.bsd");
    write("self.bsd", QStringLiteral("QM4 Block Separate Data\r\n%1\r\n1000\r\n1\r\n0\r\n1000\r\n*").arg(self).toUtf8());
    EXPECT_FALSE(session.OpenFile(one));
    EXPECT_EQ(prompts.messages, QStringList{"メディアのパスがありません"});
    prompts.messages.clear();
    EXPECT_FALSE(session.OpenFile(self));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages.first().contains("ブロックファイルが別のブロックファイルを指しています"))
        << prompts.messages.first().toStdString();
    EXPECT_FALSE(session.state().loadingBsd);
    EXPECT_EQ(session.state().blocks().count(), 0);
    EXPECT_TRUE(settings.history().isEmpty());
}

// A block file made on Windows names C:\lessons\lesson.mp3: the lesson
// beside it opens, and the file is left as it is. When the recording is not
// there either, the learner may locate it, and where it is now is a change
// to save, one step.
TEST_F(Opening, AWindowsMadeBlockFileFindsItsRecordingBesideItOrAsksWhereItIs) {
    const QString beside = copyAs(media("lesson.mp3"), "lesson.mp3");
    ASSERT_TRUE(session.OpenFile(beside));
    const int32_t ms = length();
    const QString bsd = blockFile("lesson.bsd", QStringLiteral("C:\\lessons\\lesson.mp3"), ms, {3000}, {"one", "two"});
    EXPECT_FALSE(session.OpenFile(bsd));  // a block file opens its media, and says false
    EXPECT_EQ(session.state().mediaFile, beside.toStdString());
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, ms}));
    EXPECT_FALSE(session.unsaved());
    EXPECT_TRUE(prompts.questions.isEmpty()) << prompts.questions.join(" | ").toStdString();

    // Moved away: found where the learner says, and saved with that path.
    QDir().mkpath(dir.filePath("elsewhere"));
    const QString moved = dir.filePath("elsewhere/renamed.mp3");
    ASSERT_TRUE(QFile::rename(beside, moved));
    prompts.warningAnswers = {true};
    prompts.openAnswers = {moved};
    EXPECT_FALSE(session.OpenFile(bsd));
    ASSERT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(prompts.questions.first().contains("lesson.bsd")) << prompts.questions.first().toStdString();
    ASSERT_EQ(prompts.openRequests.size(), 1u);
    EXPECT_EQ(prompts.openRequests.front().fileName, "lesson.mp3");
    EXPECT_EQ(session.state().mediaFile, moved.toStdString());
    EXPECT_EQ(session.notes(), (QStringList{"one", "two"}));
    EXPECT_TRUE(session.unsaved());
    prompts.saveAnswers = {bsd};
    ASSERT_TRUE(session.SaveBlockData());
    EXPECT_EQ(qm::blockfile::parse(qm::files::readWholeFile(bsd.toStdString(), 4096).bytes).data.mediaPath,
              moved.toStdString());

    // Not found and not located: the open fails as before, nothing else changes.
    const QString lost = blockFile("lost.bsd", QStringLiteral("C:\\x\\gone.mp3"), ms, {}, {});
    prompts.warningAnswers = {false};
    prompts.messages.clear();
    EXPECT_FALSE(session.OpenFile(lost));
    EXPECT_EQ(prompts.messages.size(), 1);
}

// The release question comes for the open of the block file and again for
// the open of its media.
TEST_F(Opening, UnsavedWorkIsAskedAboutAgainForTheMediaOfABlockFile) {
    ASSERT_TRUE(session.OpenFile(media("lesson.mp3")));
    const QString bsd = blockFile("again.bsd", media("lesson.wma"), length(), {}, {});
    session.editNotes({"work"});
    prompts.confirmAnswers = {qm::Answer::No, qm::Answer::No};
    prompts.warningAnswers = {true};  // a length of another type's file may differ
    EXPECT_FALSE(session.OpenFile(bsd));
    EXPECT_EQ(prompts.questions.count(kSaveFirst), 2);
    EXPECT_EQ(QString::fromStdString(session.state().mediaFile), media("lesson.wma"));
}

// Work kept at a termination is offered at the next open of its media; the
// restore is one step, unsaved, and undone gives the lesson as it opened. The
// file stays until the work is saved or given up (No to the release question).
TEST_F(Opening, WorkKeptAtATerminationIsOfferedAtTheNextOpenUntilGivenUp) {
    const QString path = copyAs(media("lesson.mp3"), "kept.mp3");
    ASSERT_TRUE(session.OpenFile(path));
    const int32_t mp3Length = length();
    session.openLessonForTesting(mp3Length, {{0, 1200, mp3Length}, {"kept one"}});
    session.editNotes({"kept one", "kept two"});
    const QString kept = qm::recovery::fileFor(path.toStdString());
    session.KeepUnsavedWork();  // what the termination signal does
    session.undo();  // back at the lesson as it opened: the next open asks nothing about it
    ASSERT_FALSE(session.unsaved());
    ASSERT_TRUE(QFile::exists(kept));

    prompts.warningAnswers = {true};
    ASSERT_TRUE(session.OpenFile(path));
    EXPECT_EQ(prompts.questions, QStringList{kRestore});
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 1200, mp3Length}));
    EXPECT_EQ(session.notes(), (QStringList{"kept one", "kept two"}));
    EXPECT_TRUE(session.unsaved());  // restored work is not saved work
    EXPECT_TRUE(QFile::exists(kept));
    session.undo();
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, mp3Length}));
    EXPECT_FALSE(session.unsaved());
    session.redo();
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 1200, mp3Length}));

    // Given up at the next open: the release question answered No.
    prompts.questions.clear();
    prompts.confirmAnswers = {qm::Answer::No};
    ASSERT_TRUE(session.OpenFile(path));
    EXPECT_EQ(prompts.questions, QStringList{kSaveFirst});
    EXPECT_EQ(session.state().blocks().count(), 1);
    EXPECT_FALSE(QFile::exists(kept));
}

// A transcript of the media's own name beside it is offered at the open:
// No gives the one block of any open; Yes makes its cues the blocks and their
// texts the notes, one unsaved step.
TEST_F(Opening, ATranscriptOfTheSameNameBesideTheMediaIsOffered) {
    const QString mp3 = copyAs(media("lesson.mp3"), "talk.mp3");
    write("talk.srt", "1\n00:00:00,000 --> 00:00:01,200\nHello there\n\n2\n00:00:01,500 --> 00:00:02,500\nGood bye\n");
    prompts.warningAnswers = {false, true};
    ASSERT_TRUE(session.OpenFile(mp3));
    EXPECT_EQ(prompts.questions,
              QStringList{"同じ名前の字幕ファイル talk.srt があります。ブロックとメモに読み込みますか？"});
    EXPECT_EQ(session.state().blocks().count(), 1);
    EXPECT_FALSE(session.unsaved());

    ASSERT_TRUE(session.OpenFile(mp3));
    EXPECT_EQ(prompts.questions.size(), 2);
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 1200, length()}));
    EXPECT_EQ(session.notes(), (QStringList{"Hello there", "Good bye"}));
    EXPECT_TRUE(session.unsaved());
    session.undo();
    EXPECT_EQ(session.state().blocks().count(), 1);
    EXPECT_FALSE(session.unsaved());
}

}  // namespace
