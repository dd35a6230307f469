// Block files and transcripts saved and loaded by the session alone: what is
// written, what a load applies, what it asks and what it refuses. No engine:
// the lesson is put in place as if its media had opened.
#include "tests/support/ScriptedPrompts.h"

#include "blockfile/BlockFile.h"
#include "files/WholeFile.h"
#include "session/PracticeSession.h"
#include "settings/Settings.h"
#include "text/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <random>
#include <utility>
#include <vector>

#include <sys/mount.h>
#include <unistd.h>

// gtest shows QStrings as text, not as arrays of UTF-16 units.
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using qm::PracticeSession;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The scripted prompts, with each save dialog's request kept and the file
// type of each answer taken from a queue (-1, unknown, when it runs dry).
class Prompts : public qmtest::ScriptedPrompts {
public:
    std::vector<qm::FileDialogRequest> saveRequests;
    std::deque<int> saveTypeAnswers;

    std::optional<QString> saveFile(const qm::FileDialogRequest& request) override {
        request.chosenFilter = -1;
        if (!saveTypeAnswers.empty()) {
            request.chosenFilter = saveTypeAnswers.front();
            saveTypeAnswers.pop_front();
        }
        saveRequests.push_back(request);
        return ScriptedPrompts::saveFile(request);
    }
};

const QString kSaveFirst = QStringLiteral("保存しますか");
const QString kOtherLength = QStringLiteral("長さが違いますが、それでも読み込みますか？");

class BlockFiles : public ::testing::Test {
protected:
    void SetUp() override { lesson({0, 3000, 5000, 9000}, {}); }

    // The lesson as if its media, of the last separator's length, had opened
    // with these blocks and notes: no history, nothing unsaved.
    void lesson(const std::vector<int32_t>& separators, const QStringList& notes) {
        std::vector<std::string> lines;
        for (const QString& n : notes) lines.push_back(n.toStdString());
        session.openLessonForTesting(separators.back(), {separators, lines}, mediaFile.toStdString());
    }
    std::vector<int32_t> separators() const { return session.state().blocks().separators(); }
    // The Load button's path: the bytes as a file, loaded.
    void load(const QByteArray& bytes, const QString& name = QStringLiteral("in.bsd")) {
        const QString path = dir.filePath(name);
        writeAll(path, bytes);
        session.loadBlockFile(path);
    }

    QTemporaryDir dir;
    QString mediaFile = dir.filePath(QStringLiteral("表ソ十 lesson.mp3"));
    qm::Settings settings{dir.filePath(QStringLiteral("QM4.ini"))};
    Prompts prompts;
    PracticeSession session{settings, prompts};
};

// ---------------------------------------------------------------- saving

// The dialog proposes the media's name with .bsd; the file holds the media's
// path and length, the separators and the notes ("*" opens the notes); the
// saved file enters the history and the next save starts in its folder.
TEST_F(BlockFiles, SaveProposesTheMediaNameWithBsdAndWritesTheFile) {
    lesson({0, 3000, 5000, 9000}, {QStringLiteral("a * star")});
    session.editNotes({QStringLiteral("a * star"), QStringLiteral("二")});
    ASSERT_TRUE(session.unsaved());
    const QString target = dir.filePath(QStringLiteral("saved.bsd"));
    prompts.saveAnswers = {target};
    ASSERT_TRUE(session.SaveBlockData());
    ASSERT_EQ(prompts.saveRequests.size(), 1u);
    EXPECT_EQ(prompts.saveRequests[0].fileName, QStringLiteral("表ソ十 lesson.bsd"));
    EXPECT_EQ(prompts.saveRequests[0].defaultSuffix, QStringLiteral("bsd"));
    EXPECT_TRUE(prompts.saveRequests[0].confirmOverwrite);
    const std::string expected = "QM4 Block Separate Data\r\n" + mediaFile.toStdString() +
                                 "\r\n9000\r\n3\r\n0\r\n3000\r\n5000\r\n9000\r\n*a * star\r\n二\r\n";
    EXPECT_EQ(readAll(target).toStdString(), qm::text::encode(expected));
    EXPECT_FALSE(session.unsaved());
    EXPECT_EQ(settings.history().value(0), target);
    EXPECT_EQ(session.lastSaveName(), target);
    EXPECT_EQ(session.blockFilePath(), target);

    session.editNotes({QStringLiteral("changed")});
    prompts.saveAnswers = {QString()};
    EXPECT_FALSE(session.SaveBlockData());
    ASSERT_EQ(prompts.saveRequests.size(), 2u);
    EXPECT_EQ(prompts.saveRequests[1].initialDir, dir.path());  // the next save starts there
}

// Cancelled, refused by the disk, or failing in the write: the work stays
// unsaved, the old file stays as it was, and the history gets nothing. A save
// asked for by the release question fails the release too.
TEST_F(BlockFiles, ASaveThatIsCancelledOrFailsKeepsTheWorkUnsavedAndTheOldFile) {
    session.editNotes({QStringLiteral("work")});
    prompts.saveAnswers = {QString()};
    EXPECT_FALSE(session.SaveBlockData());
    EXPECT_TRUE(session.unsaved());
    EXPECT_EQ(session.lastSaveName(), QStringLiteral("表ソ十 lesson.bsd"));  // the proposal

    const QString nowhere = dir.filePath(QStringLiteral("missing-folder/x.bsd"));
    prompts.saveAnswers = {nowhere};
    try {
        session.SaveBlockData();
        ADD_FAILURE() << "a save into a missing folder reported success";
    } catch (const std::exception& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QStringLiteral("ファイル %1 を作成できません\n").arg(nowhere)))
            << e.what();
    }
    EXPECT_FALSE(QFile::exists(nowhere));

    const QString target = dir.filePath(QStringLiteral("kept.bsd"));
    writeAll(target, "old bytes");
    qm::files::setWriteHookForTesting([](int, const void*, std::size_t) -> long {
        errno = EIO;
        return -1;
    });
    struct Unhook {
        ~Unhook() { qm::files::setWriteHookForTesting({}); }
    } unhook;
    prompts.confirmAnswers = {qm::Answer::Yes};
    prompts.saveAnswers = {target};
    EXPECT_THROW(session.CanReleaseMedia(), std::runtime_error);
    EXPECT_EQ(prompts.questions, QStringList{kSaveFirst});
    EXPECT_EQ(readAll(target), "old bytes");

    EXPECT_TRUE(session.unsaved());
    EXPECT_TRUE(settings.history().isEmpty());
    EXPECT_TRUE(session.blockFilePath().isEmpty());
}

// Line 1 of a block file holds the media's path: a line break in it would
// shift every line after it, so nothing is saved and no dialog comes.
TEST_F(BlockFiles, AMediaPathWithALineBreakIsNotSaved) {
    session.openLessonForTesting(9000, {{0, 9000}, {}}, "/m/two\nlines.mp3");
    session.editNotes({QStringLiteral("work")});
    EXPECT_FALSE(session.SaveBlockData());
    EXPECT_EQ(prompts.messages, QStringList{"メディアのパスに改行が含まれているため、ブロックファイルに保存できません"});
    EXPECT_TRUE(prompts.saveRequests.empty());
    EXPECT_TRUE(session.unsaved());
}

TEST_F(BlockFiles, ASaveOnAFullDiskSaysWhyAndKeepsTheOldFileAndTheWorkUnsaved) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    QTemporaryDir disk;
    if (::mount("tmpfs", disk.path().toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        QString path;
        ~Unmount() { ::umount(path.toLocal8Bit().constData()); }
    } unmount{disk.path()};
    const QString target = disk.filePath(QStringLiteral("lesson.bsd"));
    session.editNotes({QStringLiteral("a short note")});
    prompts.saveAnswers = {target};
    ASSERT_TRUE(session.SaveBlockData());
    const QByteArray old = readAll(target);

    // 150 notes of 1 KB each do not fit in what is left.
    QStringList big;
    for (int i = 0; i < 150; ++i) big << QString(1000, QLatin1Char('a' + i % 26));
    session.editNotes(big);
    prompts.saveAnswers = {target};
    try {
        session.SaveBlockData();
        ADD_FAILURE() << "a save that cannot fit reported success";
    } catch (const std::exception& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QStringLiteral("ファイル %1 を作成できません\n%2").arg(target, QString::fromUtf8(std::strerror(ENOSPC))));
    }
    EXPECT_TRUE(session.unsaved());
    EXPECT_EQ(readAll(target), old);
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"lesson.bsd"});
}

// ---------------------------------------------------------------- loading

// Save, a fresh lesson, load: the separators and notes come back, nothing is
// asked, the load adds nothing to the history; saved again, the file is the
// same to the byte, with characters a text widget would alter in the notes.
TEST_F(BlockFiles, SaveThenLoadGivesBackTheLessonAndASecondSaveTheSameBytes) {
    const QStringList notes = {"日本語のメモ", "* starts with a star", "", "NBSP\u00A0here", "line\u2028sep",
                               "para\u2029sep", "\u00A0\tlead and trail  ", "*star* \\ 表ソ十", "nonchar\uFDD0"};
    lesson({0, 3000, 5000, 9000}, {});
    session.editNotes(notes);
    const QString first = dir.filePath(QStringLiteral("first.bsd"));
    prompts.saveAnswers = {first};
    ASSERT_TRUE(session.SaveBlockData());

    lesson({0, 9000}, {});
    session.loadBlockFile(first);
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));
    EXPECT_EQ(session.notes(), notes);
    EXPECT_TRUE(prompts.questions.isEmpty()) << prompts.questions.join(" | ").toStdString();
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ").toStdString();
    EXPECT_EQ(settings.history(), QStringList{first});
    EXPECT_EQ(session.blockFilePath(), first);

    const QString second = dir.filePath(QStringLiteral("second.bsd"));
    prompts.saveAnswers = {second};
    ASSERT_TRUE(session.SaveBlockData());
    EXPECT_FALSE(readAll(first).isEmpty());
    EXPECT_EQ(readAll(second), readAll(first));
}

// The release question before a load over unsaved work: Cancel stops, No
// loads (one step: an undo brings the work back), Yes saves first. The
// current block stays where it was while the new list has it.
TEST_F(BlockFiles, ALoadOverUnsavedWorkAsksAndAnUndoBringsTheWorkBack) {
    lesson({0, 3000, 5000, 9000}, {"one", "two", "three"});
    session.SelectBlock(2);
    session.editNotes({"mine", "two", "three"});
    const QByteArray three = "QM4 Block Separate Data\r\nx\r\n9000\r\n3\r\n0\r\n1000\r\n2000\r\n9000\r\n*a\r\nb\r\n";
    const QByteArray two = "QM4 Block Separate Data\r\nx\r\n9000\r\n2\r\n0\r\n4000\r\n9000\r\n*";

    prompts.confirmAnswers = {qm::Answer::Cancel};
    load(three);
    EXPECT_EQ(prompts.questions, QStringList{kSaveFirst});
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));
    EXPECT_EQ(session.notes(), (QStringList{"mine", "two", "three"}));

    prompts.confirmAnswers = {qm::Answer::No};
    load(three);
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 1000, 2000, 9000}));
    EXPECT_EQ(session.notes(), (QStringList{"a", "b"}));
    EXPECT_EQ(session.state().curBlock, 2);  // still in the list: kept
    EXPECT_TRUE(session.unsaved());

    session.SelectBlock(3);
    prompts.confirmAnswers = {qm::Answer::No};
    load(two);
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 4000, 9000}));
    EXPECT_EQ(session.state().curBlock, 2);  // never past the last block
    EXPECT_TRUE(session.notes().isEmpty());
    session.previousBlock();  // block 1 of the new list
    EXPECT_EQ(session.state().curBlock, 1);

    session.undo();
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 1000, 2000, 9000}));
    session.undo();
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));
    EXPECT_EQ(session.notes(), (QStringList{"mine", "two", "three"}));
    EXPECT_TRUE(session.unsaved());
    session.undo();  // back to the lesson as it opened
    EXPECT_EQ(session.notes(), (QStringList{"one", "two", "three"}));
    EXPECT_FALSE(session.unsaved());

    // Yes: the work goes to the file chosen, then the load goes on.
    session.editNotes({"saved first"});
    const QString saved = dir.filePath(QStringLiteral("saved-first.bsd"));
    prompts.confirmAnswers = {qm::Answer::Yes};
    prompts.saveAnswers = {saved};
    load(two);
    EXPECT_TRUE(readAll(saved).contains("*saved first"));
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 4000, 9000}));
    EXPECT_EQ(prompts.questions.count(kSaveFirst), 4);
}

// A file made for another length is asked about. Yes: a longer one is cut at
// the media's end, a shorter one's last block takes the rest, so that the
// tail stays reachable. No: nothing changes.
TEST_F(BlockFiles, AFileForAnotherLengthIsFittedToTheMediaWhenTheLearnerAgrees) {
    lesson({0, 3000, 5000, 6000}, {});
    prompts.warningAnswers = {true};
    load("QM4 Block Separate Data\r\nx.mp3\r\n9000\r\n3\r\n0\r\n3000\r\n7000\r\n9000\r\n*");
    EXPECT_EQ(prompts.questions, QStringList{kOtherLength});
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 6000}));

    lesson({0, 3000, 5000, 6000}, {"kept"});
    prompts.warningAnswers = {false};
    load("QM4 Block Separate Data\r\nx.mp3\r\n9000\r\n1\r\n0\r\n9000\r\n*new");
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 6000}));
    EXPECT_EQ(session.notes(), QStringList{"kept"});
    EXPECT_FALSE(session.unsaved());

    lesson({0, 12000}, {});
    prompts.warningAnswers = {true};
    load("QM4 Block Separate Data\nx.mp3\n9000\n2\n0\n4000\n9000\n*");
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 4000, 12000}));
    session.blockBarClicked(11000);  // past the file's last separator
    EXPECT_EQ(session.state().curBlock, 2);
    EXPECT_EQ(prompts.questions.size(), 3);
}

// A faulty file is refused whole: silently when it is no block file at all,
// with the reason when its numbers are wrong, thrown for the general handler
// when a number is no number or the file cannot be read.
TEST_F(BlockFiles, FaultyFilesAreRefusedWithTheirReasonAndChangeNothing) {
    lesson({0, 3000, 5000, 9000}, {"kept"});
    const auto before = separators();
    struct Case {
        QByteArray bytes;
        QString message;  // empty: silent
    };
    const Case cases[] = {
        {"QM4 Block Separate Dat\r\nx\r\n9000\r\n1\r\n0\r\n9000\r\n*n", ""},
        {"QM4 Block Separate Data\r\nx\r\n9000\r\n0\r\n0\r\n*n", "ブロック数が 1 から 1000 の範囲にないため、読み込めません"},
        {"QM4 Block Separate Data\r\nx\r\n9000\r\n1001\r\n0\r\n*n", "ブロック数が 1 から 1000 の範囲にないため、読み込めません"},
        {"QM4 Block Separate Data\r\nx\r\n9000\r\n2\r\n0\r\n6000\r\n5000\r\n*n",
         "ブロック区切りが 0 から順に並んでいないため、読み込めません"},
    };
    for (const auto& c : cases) {
        prompts.messages.clear();
        load(c.bytes);
        EXPECT_EQ(separators(), before) << c.bytes.toStdString();
        EXPECT_EQ(session.notes(), QStringList{"kept"});
        EXPECT_EQ(prompts.messages, c.message.isEmpty() ? QStringList{} : QStringList{c.message});
    }

    for (const auto& [bytes, bad] :
         {std::pair<QByteArray, QString>{"QM4 Block Separate Data\r\nx\r\n9000\r\n2\r\n0\r\n12a\r\n9000\r\n*", "12a"},
          {"QM4 Block Separate Data\r\nx\r\n9000\r\n2\r\n0\r\n", ""}}) {
        try {
            load(bytes);
            ADD_FAILURE() << "no error for " << bytes.toStdString();
        } catch (const std::exception& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("'%1' は整数ではありません").arg(bad));
        }
        EXPECT_EQ(separators(), before);
        EXPECT_EQ(session.notes(), QStringList{"kept"});
    }

    const QString missing = dir.filePath(QStringLiteral("nothing-here.bsd"));
    try {
        session.loadBlockFile(missing);
        ADD_FAILURE() << "no error for a missing file";
    } catch (const std::exception& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QStringLiteral("ファイル %1 は開けません\n").arg(missing)))
            << e.what();
    }
    EXPECT_FALSE(session.unsaved());
    EXPECT_FALSE(session.canUndo());
}

// A block file holds a few hundred kilobytes at most: a 17 MB one is refused
// with its path, and 100 MB of something else is judged by its header alone.
TEST_F(BlockFiles, ABigFileIsRefusedAndAForeignOneIsNotReadWhole) {
    const QString big = dir.filePath(QStringLiteral("big.bsd"));
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("QM4 Block Separate Data\r\nx.mp3\r\n9000\r\n1\r\n0\r\n9000\r\n*");
        ASSERT_TRUE(f.resize(17 * 1024 * 1024));
    }
    try {
        session.loadBlockFile(big);
        ADD_FAILURE() << "a 17 MB block file was read";
    } catch (const std::exception& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QStringLiteral("ファイル %1 は開けません\n").arg(big)))
            << e.what();
    }
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));

    const QString foreign = dir.filePath(QStringLiteral("movie.bsd"));
    {
        QFile f(foreign);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(100 * 1024 * 1024));
    }
    session.loadBlockFile(foreign);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ").toStdString();
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));
}

TEST_F(BlockFiles, AWindowsMadeCp932FileLoads) {
    const std::string text = "QM4 Block Separate Data\r\nC:\\教材\\表.mp3\r\n9000\r\n2\r\n0\r\n4500\r\n9000\r\n*表の十\r\nソ\r\n";
    const std::string cp932 = qm::text::encode(text);
    ASSERT_NE(cp932, text);
    load(QByteArray::fromStdString(cp932));
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 4500, 9000}));
    EXPECT_EQ(session.notes(), (QStringList{"表の十", "ソ"}));
}

}  // namespace

// ---------------------------------------------------------------- nothing lost or altered

namespace {

// Generated block files of every shape a learner's disk may hold: each line
// break kind, code points that text widgets alter (NBSP, U+2028, U+2029,
// U+FDD0, BOM, tabs, trailing blanks, "*"), CP932 and UTF-8 bytes.
class BlockFileMaker {
public:
    explicit BlockFileMaker(unsigned seed) : rng_(seed) {}

    std::string make(int32_t mediaLength) {
        static const char* const kBreaks[] = {"\r\n", "\n", "\r", "\n\r"};
        const std::string br = pick(kBreaks);
        const int count = 1 + int(rng_() % 12);
        std::string t = "QM4 Block Separate Data" + br;
        t += (rng_() % 4 == 0 ? "http://h/a*b.mp3" : "/m/表ソ十 lesson.mp3") + br;
        t += std::to_string(mediaLength) + br + std::to_string(count) + br;
        int32_t sep = 0;
        for (int i = 0; i <= count; ++i) {
            t += std::to_string(sep) + (rng_() % 9 == 0 ? pick(kBreaks) : br);
            sep += int32_t(rng_() % 4000);
        }
        t += "*";
        const int notes = int(rng_() % 8);
        for (int i = 0; i < notes; ++i) t += note() + (rng_() % 9 == 0 ? pick(kBreaks) : br);
        if (rng_() % 3 == 0) t += note();  // no break after the last note
        return qm::text::encode(t);  // CP932 when every character fits, else UTF-8
    }

private:
    std::string note() {
        static const char* const kPieces[] = {"a", "note", " ", "\t", "*", "\\", "\xC2\xA0" /* NBSP */,
                                              "\xE2\x80\xA8" /* U+2028 */, "\xE2\x80\xA9" /* U+2029 */,
                                              "\xEF\xB7\x90" /* U+FDD0 */, "\xEF\xBB\xBF" /* U+FEFF */,
                                              "表", "ソ", "十", "ｱ", "日本語", "\xF0\x9F\x98\x80" /* emoji */, "  "};
        std::string n;
        const int pieces = int(rng_() % 6);
        for (int i = 0; i < pieces; ++i) n += pick(kPieces);
        return n;
    }
    template <std::size_t N>
    std::string pick(const char* const (&a)[N]) {
        return a[rng_() % N];
    }
    std::mt19937 rng_;
};

// A load applies exactly what the block-file parser reads from the file's
// bytes: the same separators (fitted to the open media, blocks of no length
// joined with their neighbours, notes and all) and the same notes, byte for
// byte; a file the parser refuses changes nothing.
TEST_F(BlockFiles, ALoadAppliesExactlyWhatTheParserReads) {
    BlockFileMaker maker(20261208);
    const QString path = dir.filePath(QStringLiteral("generated.bsd"));
    int compared = 0;
    for (int i = 0; i < 3000; ++i) {
        lesson({0, 3000, 5000, 9000}, {"before"});
        const std::string bytes = maker.make(9000);
        writeAll(path, QByteArray::fromStdString(bytes));
        const auto parsed = qm::blockfile::parse(bytes);
        try {
            session.loadBlockFile(path);
        } catch (const std::exception&) {
        }
        if (parsed.status != qm::blockfile::ParseStatus::Ok) {
            EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000})) << i;
            EXPECT_EQ(session.notes(), QStringList{"before"}) << i;
            continue;
        }
        auto expected = parsed.data;
        expected.separators = qm::blockfile::fitToLength(parsed.data.separators, 9000);
        expected.separators.back() = 9000;
        qm::blockfile::removeEmptyBlocks(expected);
        ASSERT_EQ(separators(), expected.separators) << "file " << i << ": " << bytes;
        ASSERT_TRUE(qm::BlockSeparators::isValid(separators())) << "file " << i;
        ASSERT_EQ(session.lesson().notes(), expected.memoLines) << "file " << i << ": " << bytes;
        ++compared;
    }
    EXPECT_GT(compared, 2000);  // most generated files are well-formed
    EXPECT_TRUE(prompts.questions.isEmpty()) << prompts.questions.join(" | ").toStdString();
}

// ---------------------------------------------------------------- transcripts

// Subtitles give blocks and notes; plain text gives the notes of the blocks
// there are, after asking how many notes it replaces; a file with one bad cue
// is refused whole with its line, before anything is asked.
TEST_F(BlockFiles, LoadTakesSubtitlesAndPlainTextAndRefusesABadFileWhole) {
    const QString srt = dir.filePath(QStringLiteral("lesson.srt"));
    writeAll(srt, "\xEF\xBB\xBF" "1\r\n00:00:00,500 --> 00:00:02,000\r\n<i>First</i> line\r\n\r\n"
                  "2\r\n00:00:04,000 --> 00:00:06,000\r\nSecond\r\nline\r\n\r\n");
    session.loadBlockFile(srt);
    // The gap before a cue joins the block that follows, and the last block
    // reaches the media's end: cuts at the first cue's end.
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 2000, 9000}));
    EXPECT_EQ(session.notes(), (QStringList{"First line", "Second line"}));
    EXPECT_TRUE(session.unsaved());  // blocks no block file holds yet
    EXPECT_TRUE(prompts.questions.isEmpty());

    const QString txt = dir.filePath(QStringLiteral("notes.txt"));
    writeAll(txt, "uno\r\ndos\r\n\r\ncuatro\r\n");
    const QString replace = QStringLiteral("今のメモ 2 行を、ファイル notes.txt の 4 行で置き換えますか？");
    prompts.confirmAnswers = {qm::Answer::No};
    prompts.warningAnswers = {false};
    session.loadBlockFile(txt);
    EXPECT_EQ(prompts.questions, (QStringList{kSaveFirst, replace}));
    EXPECT_EQ(session.notes(), (QStringList{"First line", "Second line"}));

    prompts.questions.clear();
    prompts.confirmAnswers = {qm::Answer::No};
    prompts.warningAnswers = {true};
    session.loadBlockFile(txt);
    EXPECT_EQ(prompts.questions, (QStringList{kSaveFirst, replace}));
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 2000, 9000}));
    EXPECT_EQ(session.notes(), (QStringList{"uno", "dos", "", "cuatro"}));

    const QString bad = dir.filePath(QStringLiteral("bad.vtt"));
    writeAll(bad, "WEBVTT\n\n00:00:01.000 --> 00:00:02.000\nfine\n\n00:00:03.000 --> 00:00:0x.000\nbroken\n");
    prompts.questions.clear();
    session.loadBlockFile(bad);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages.first().contains("6 行目")) << prompts.messages.first().toStdString();
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 2000, 9000}));
    EXPECT_EQ(session.notes(), (QStringList{"uno", "dos", "", "cuatro"}));
}

// A save in each subtitle format and a load of it give the block list and
// notes back, to the millisecond; only block files enter the history. The
// plain-notes file type writes the notes alone.
TEST_F(BlockFiles, SubtitleSavesRoundTripAndStayOutOfTheHistory) {
    const QStringList notes = {"日本語 & <tags>", "", "last one"};
    for (const char* name : {"out.srt", "out.vtt", "labels.txt"}) {
        lesson({0, 1234, 5678, 9000}, {});
        session.editNotes(notes);
        const QString path = dir.filePath(QString::fromUtf8(name));
        prompts.saveAnswers = {path};
        ASSERT_TRUE(session.SaveBlockData()) << name;
        EXPECT_FALSE(session.unsaved()) << name;
        lesson({0, 9000}, {});
        session.loadBlockFile(path);
        EXPECT_EQ(separators(), (std::vector<int32_t>{0, 1234, 5678, 9000})) << name;
        const QStringList back = session.notes();
        // SubRip has no markup of its own to keep "<tags>" in.
        EXPECT_EQ(back.value(0), name == std::string("out.srt") ? "日本語 &" : notes[0]) << name;
        EXPECT_EQ(back.value(2), notes[2]) << name;
    }
    EXPECT_TRUE(settings.history().isEmpty());
    ASSERT_FALSE(prompts.saveRequests.empty());
    EXPECT_EQ(prompts.saveRequests.front().filter.count('|'), 11);  // six file types

    lesson({0, 1234, 5678, 9000}, notes);
    const QString plain = dir.filePath(QStringLiteral("plain.txt"));
    prompts.saveAnswers = {plain};
    prompts.saveTypeAnswers = {5};
    ASSERT_TRUE(session.SaveBlockData());
    EXPECT_EQ(readAll(plain), QByteArray::fromStdString(qm::text::encode("日本語 & <tags>\r\n\r\nlast one\r\n")));
}

}  // namespace
