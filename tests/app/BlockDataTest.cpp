// Saving and loading block files through the main window, without playback.
#include "tests/support/AppHarness.h"

#include "blockfile/BlockFile.h"
#include "text/TextCodec.h"
#include "files/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <random>

#include <sys/mount.h>
#include <unistd.h>

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
        s.mediaFile = (dir.path() + "/表ソ十 lesson.mp3").toStdString();
        qmtest::setBlocks(frmMain->session(), {0, 3000, 5000, 9000});
        s.dirty = true;
    }
    std::vector<int32_t> separators() const {
        return s.blocks().separators();
    }
    void load(const QByteArray& bytes) {
        const QString path = dir.filePath("in.bsd");
        writeAll(path, bytes);
        app.dialogs->openAnswers = {path};
        frmMain->btnLoadClick();
    }
    AppHarness app;
    QTemporaryDir dir;
    const qm::PracticeState& s = frmMain->state();
};

TEST_F(BlockData, SaveProposesTheMediaNameWithBsdAndWritesTheFile) {
    qmtest::setNotes(frmMain->session(), {"a * star", "二"});
    const QString target = dir.filePath("saved.bsd");
    app.dialogs->saveAnswers = {target};
    ASSERT_TRUE(frmMain->SaveBlockData());
    ASSERT_EQ(app.dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(app.dialogs->saveRequests[0].fileName, "表ソ十 lesson.bsd");
    EXPECT_EQ(app.dialogs->saveRequests[0].defaultSuffix, "bsd");
    EXPECT_TRUE(app.dialogs->saveRequests[0].confirmOverwrite);
    const std::string expected = "QM4 Block Separate Data\r\n" + s.mediaFile +
                                 "\r\n9000\r\n3\r\n0\r\n3000\r\n5000\r\n9000\r\n*a * star\r\n二\r\n";
    EXPECT_EQ(readAll(target).toStdString(), qm::text::encode(expected));
    EXPECT_FALSE(frmMain->session().unsaved());
    EXPECT_EQ(frmInfo->historyPaths().first(), target);
    EXPECT_EQ(app.session->lastSaveName(), target);
    EXPECT_EQ(app.settings->saveFolder(), dir.path());  // the next save starts there
}

TEST_F(BlockData, ACancelledSaveChangesNothing) {
    app.dialogs->saveAnswers = {QString()};
    EXPECT_FALSE(frmMain->SaveBlockData());
    EXPECT_TRUE(frmMain->session().unsaved());
    EXPECT_TRUE(frmInfo->historyPaths().isEmpty());
}

TEST_F(BlockData, AFailedSaveShowsTheErrorAndKeepsTheOldFileAndDirty) {
    const QString target = dir.filePath("missing-folder/x.bsd");
    app.dialogs->saveAnswers = {target};
    EXPECT_THROW(frmMain->SaveBlockData(), std::runtime_error);
    app.dialogs->saveAnswers = {target};
    try {
        frmMain->SaveBlockData();
    } catch (const std::exception& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QStringLiteral("ファイル %1 を作成できません\n").arg(target)))
            << e.what();
    }
    EXPECT_TRUE(frmMain->session().unsaved());
    EXPECT_TRUE(frmInfo->historyPaths().isEmpty());
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(BlockData, SaveThenLoadGivesBackTheSeparatorsAndNotes) {
    qmtest::setNotes(frmMain->session(), {"日本語のメモ", "* starts with a star", ""});
    const QString target = dir.filePath("round.bsd");
    app.dialogs->saveAnswers = {target};
    ASSERT_TRUE(frmMain->SaveBlockData());

    s.blocks().reset(9000);
    qmtest::setNotes(frmMain->session(), {});
    app.dialogs->openAnswers = {target};
    frmMain->btnLoadClick();
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));
    EXPECT_EQ(frmMemo->lines(), (QStringList{"日本語のメモ", "* starts with a star", ""}));
    EXPECT_EQ(frmMain->lblBlock->text(), "0/3");
    EXPECT_TRUE(app.dialogs->questions.isEmpty());
    EXPECT_TRUE(frmInfo->historyPaths().size() == 1);  // the load adds nothing
}

TEST_F(BlockData, AFileForALongerMediaIsCutAtTheNewLength) {
    s.mediaLength = 6000;
    app.dialogs->warningAnswers = {true};
    load("QM4 Block Separate Data\r\nx.mp3\r\n9000\r\n3\r\n0\r\n3000\r\n7000\r\n9000\r\n*");
    EXPECT_EQ(app.dialogs->questions, QStringList{"長さが違いますが、それでも読み込みますか？"});
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 6000}));
    EXPECT_EQ(frmMain->lblBlock->text(), "0/2");
}

TEST_F(BlockData, AFileForAnotherLengthAnsweredNoChangesNothing) {
    s.mediaLength = 6000;
    qmtest::setNotes(frmMain->session(), {"kept"});
    app.dialogs->warningAnswers = {false};
    load("QM4 Block Separate Data\r\nx.mp3\r\n9000\r\n1\r\n0\r\n9000\r\n*new");
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));
    EXPECT_EQ(frmMemo->lines(), QStringList{"kept"});
}

TEST_F(BlockData, AFileForAShorterMediaKeepsItsSeparatorsAndTheLastBlockTakesTheRest) {
    s.mediaLength = 12000;
    app.dialogs->warningAnswers = {true};
    load("QM4 Block Separate Data\nx.mp3\n9000\n2\n0\n4000\n9000\n*");
    // The tail past the file's end stays reachable: the last block reaches the media's end.
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 4000, 12000}));
    frmMain->EnableBlockControls(true);
    frmMain->Timer1->stop();
    frmMain->Image2MouseDown(Qt::LeftButton, frmMain->Image2->width() - 1, 0);  // past the last separator
    EXPECT_EQ(s.curBlock, 2);
}

TEST_F(BlockData, FaultyFilesChangeNothing) {
    qmtest::setNotes(frmMain->session(), {"kept"});
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
        app.dialogs->messages.clear();
        load(c.bytes);
        EXPECT_EQ(separators(), before) << c.bytes.toStdString();
        EXPECT_EQ(frmMemo->lines(), QStringList{"kept"});
        EXPECT_EQ(app.dialogs->messages, c.message.isEmpty() ? QStringList{} : QStringList{c.message});
    }
}

TEST_F(BlockData, ANonIntegerLineIsReportedWithItsTextAndChangesNothing) {
    qmtest::setNotes(frmMain->session(), {"kept"});
    const auto before = separators();
    for (const auto& [bytes, bad] : {std::pair<QByteArray, QString>{"QM4 Block Separate Data\r\nx\r\n9000\r\n2\r\n0\r\n12a\r\n9000\r\n*", "12a"},
                                     {"QM4 Block Separate Data\r\nx\r\n9000\r\n2\r\n0\r\n", ""}}) {
        const QString path = dir.filePath("bad.bsd");
        writeAll(path, bytes);
        app.dialogs->openAnswers = {path};
        try {
            frmMain->btnLoadClick();
            ADD_FAILURE() << "no error for " << bytes.toStdString();
        } catch (const std::exception& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("'%1' は整数ではありません").arg(bad));
        }
        EXPECT_EQ(separators(), before);
        EXPECT_EQ(frmMemo->lines(), QStringList{"kept"});
    }
}

TEST_F(BlockData, AWindowsMadeCp932FileLoads) {
    const std::string text = "QM4 Block Separate Data\r\nC:\\教材\\表.mp3\r\n9000\r\n2\r\n0\r\n4500\r\n9000\r\n*表の十\r\nソ\r\n";
    const std::string cp932 = qm::text::encode(text);
    ASSERT_NE(cp932, text);
    load(QByteArray(cp932.data(), static_cast<int>(cp932.size())));
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 4500, 9000}));
    EXPECT_EQ(frmMemo->lines(), (QStringList{"表の十", "ソ"}));
}

TEST_F(BlockData, LoadingLeavesDirtyAsItWasAndCurBlockWithinTheNewList) {
    frmMain->SelectBlock(2);
    s.dirty = true;
    load("QM4 Block Separate Data\r\nx\r\n9000\r\n3\r\n0\r\n1000\r\n2000\r\n9000\r\n*");
    EXPECT_EQ(s.curBlock, 2);  // still there: kept
    EXPECT_TRUE(frmMain->session().unsaved());

    frmMain->SelectBlock(3);
    load("QM4 Block Separate Data\r\nx\r\n9000\r\n2\r\n0\r\n4000\r\n9000\r\n*");
    EXPECT_EQ(s.blocks().count(), 2);
    EXPECT_EQ(s.curBlock, 2);  // never past the last block
    EXPECT_EQ(frmMain->lblBlock->text(), "2/2");
    EXPECT_TRUE(frmMain->session().unsaved());
    EXPECT_TRUE(frmMemo->lines().isEmpty());
    // The previous block is block 1, from a separator of the new list.
    frmMain->btnBackClick();
    EXPECT_EQ(s.curBlock, 1);
}

TEST_F(BlockData, AnUnreadableFileReportsItsPath) {
    const QString path = dir.filePath("nothing-here.bsd");
    app.dialogs->openAnswers = {path};
    try {
        frmMain->btnLoadClick();
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QStringLiteral("ファイル %1 は開けません\n").arg(path)))
            << e.what();
    }
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

}  // namespace

// The program applies exactly what the block-file parser reads from the
// file's bytes: the same separators (fitted to the open media) and the same
// notes, byte for byte.
TEST_F(BlockData, TheWindowAppliesExactlyWhatTheParserReads) {
    BlockFileMaker maker(20261208);
    const QString path = dir.filePath("generated.bsd");
    int compared = 0;
    for (int i = 0; i < 3000; ++i) {
        qmtest::setBlocks(frmMain->session(), {0, 3000, 5000, 9000});
        qmtest::setNotes(frmMain->session(), {"before"});
        const std::string bytes = maker.make(9000);
        writeAll(path, QByteArray::fromStdString(bytes));
        const auto parsed = qm::blockfile::parse(bytes);
        app.dialogs->openAnswers = {path};
        app.dialogs->messages.clear();
        try {
            frmMain->btnLoadClick();
        } catch (const std::exception&) {
        }
        if (parsed.status != qm::blockfile::ParseStatus::Ok) {
            EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000})) << i;
            EXPECT_EQ(frmMemo->lines(), QStringList{"before"}) << i;
            continue;
        }
        // Fitted to the media, and blocks of no length joined with their
        // neighbours, notes and all: no two separators are ever equal.
        auto expected = parsed.data;
        expected.separators = qm::blockfile::fitToLength(parsed.data.separators, 9000);
        expected.separators.back() = 9000;
        qm::blockfile::removeEmptyBlocks(expected);
        ASSERT_EQ(separators(), expected.separators) << "file " << i << ": " << bytes;
        ASSERT_TRUE(qm::BlockSeparators::isValid(separators())) << "file " << i;
        std::vector<std::string> notes;
        for (const QString& l : frmMemo->lines()) notes.push_back(l.toStdString());
        ASSERT_EQ(notes, expected.memoLines) << "file " << i << ": " << bytes;
        ++compared;
    }
    EXPECT_GT(compared, 2000);  // most generated files are well-formed
}

TEST_F(BlockData, SaveLoadSaveIsByteIdenticalThroughTheWindowsAndAnEditWithoutTyping) {
    const QStringList notes = {"NBSP\u00A0here", "line\u2028sep", "para\u2029sep", "\u00A0\tlead and trail  ",
                               "*star* \\ 表ソ十", "", "nonchar\uFDD0"};
    qmtest::setNotes(frmMain->session(), notes);
    const QString first = dir.filePath("first.bsd");
    const QString second = dir.filePath("second.bsd");
    app.dialogs->saveAnswers = {first, second};
    ASSERT_TRUE(frmMain->SaveBlockData());
    qmtest::setNotes(frmMain->session(), {});
    load(readAll(first));
    EXPECT_EQ(frmMemo->lines(), notes);
    frmMemo->btnEditClick();
    frmMemo->btnEndClick();
    ASSERT_TRUE(frmMain->SaveBlockData());
    EXPECT_EQ(readAll(second), readAll(first));
    EXPECT_FALSE(readAll(first).isEmpty());
}

TEST_F(BlockData, ASaveOnAFullDiskSaysWhyAndKeepsTheOldFileAndDirty) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    QTemporaryDir disk;
    if (::mount("tmpfs", disk.path().toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        QString path;
        ~Unmount() { ::umount(path.toLocal8Bit().constData()); }
    } unmount{disk.path()};
    const QString target = disk.filePath("lesson.bsd");
    qmtest::setNotes(frmMain->session(), {"a short note"});
    app.dialogs->saveAnswers = {target};
    ASSERT_TRUE(frmMain->SaveBlockData());
    const QByteArray old = readAll(target);

    // 150 notes of 1 KB each do not fit in what is left.
    QStringList big;
    for (int i = 0; i < 150; ++i) big << QString(1000, QLatin1Char('a' + i % 26));
    qmtest::setNotes(frmMain->session(), big);
    s.dirty = true;
    app.dialogs->saveAnswers = {target};
    try {
        frmMain->SaveBlockData();
        ADD_FAILURE() << "a save that cannot fit reported success";
    } catch (const std::exception& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QStringLiteral("ファイル %1 を作成できません\n%2").arg(target, QString::fromUtf8(std::strerror(ENOSPC))));
    }
    EXPECT_TRUE(frmMain->session().unsaved());
    EXPECT_EQ(readAll(target), old);
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"lesson.bsd"});
}

TEST_F(BlockData, AFailingWriteKeepsTheOldFileAndTheCloseDoesNotGoOn) {
    const QString target = dir.filePath("kept.bsd");
    writeAll(target, "old bytes");
    qm::files::setWriteHookForTesting([](int, const void*, std::size_t) -> long {
        errno = EIO;
        return -1;
    });
    struct Unhook {
        ~Unhook() { qm::files::setWriteHookForTesting({}); }
    } unhook;
    app.dialogs->confirmAnswers = {qm::Answer::Yes};
    app.dialogs->saveAnswers = {target};
    EXPECT_THROW(frmMain->CanReleaseMedia(), std::runtime_error);
    EXPECT_TRUE(frmMain->session().unsaved());
    EXPECT_EQ(readAll(target), "old bytes");
    EXPECT_TRUE(frmInfo->historyPaths().isEmpty());
}

TEST_F(BlockData, AMediaPathWithALineBreakIsNotSaved) {
    s.mediaFile = "/m/two\nlines.mp3";
    EXPECT_FALSE(frmMain->SaveBlockData());
    EXPECT_EQ(app.dialogs->messages,
              QStringList{"メディアのパスに改行が含まれているため、ブロックファイルに保存できません"});
    EXPECT_TRUE(app.dialogs->saveRequests.empty());
    EXPECT_TRUE(frmMain->session().unsaved());
}

TEST_F(BlockData, ABigFileIsRefusedAndAForeignOneIsNotReadWhole) {
    const QString big = dir.filePath("big.bsd");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("QM4 Block Separate Data\r\nx.mp3\r\n9000\r\n1\r\n0\r\n9000\r\n*");
        ASSERT_TRUE(f.resize(17 * 1024 * 1024));
    }
    app.dialogs->openAnswers = {big};
    try {
        frmMain->btnLoadClick();
        ADD_FAILURE() << "a 17 MB block file was read";
    } catch (const std::exception& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QStringLiteral("ファイル %1 は開けません\n").arg(big)));
    }
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));

    // 100 MB of something else: the header decides at once, silently.
    const QString foreign = dir.filePath("movie.bsd");
    {
        QFile f(foreign);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(100 * 1024 * 1024));
    }
    app.dialogs->openAnswers = {foreign};
    frmMain->btnLoadClick();
    EXPECT_TRUE(app.dialogs->messages.isEmpty());
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));
}

// ---------------------------------------------------------------- transcripts

TEST_F(BlockData, LoadTakesSubtitlesAndPlainTextAndRefusesABadFileWhole) {
    s.dirty = false;
    const QString srt = dir.filePath("lesson.srt");
    writeAll(srt, "\xEF\xBB\xBF" "1\r\n00:00:00,500 --> 00:00:02,000\r\n<i>First</i> line\r\n\r\n"
                  "2\r\n00:00:04,000 --> 00:00:06,000\r\nSecond\r\nline\r\n\r\n");
    app.dialogs->openAnswers = {srt};
    frmMain->btnLoadClick();
    // The gap before a cue joins the block that follows, and the last block
    // reaches the media's end: cuts at the first cue's end.
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 2000, 9000}));
    EXPECT_EQ(frmMemo->lines(), (QStringList{"First line", "Second line"}));
    EXPECT_TRUE(frmMain->session().unsaved());  // blocks no block file holds yet

    // Notes only, one per line, for the blocks there are.
    const QString txt = dir.filePath("notes.txt");
    writeAll(txt, "uno\r\ndos\r\n\r\ncuatro\r\n");
    app.dialogs->openAnswers = {txt};
    frmMain->btnLoadClick();
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 2000, 9000}));
    EXPECT_EQ(frmMemo->lines(), (QStringList{"uno", "dos", "", "cuatro"}));

    const QString bad = dir.filePath("bad.vtt");
    writeAll(bad, "WEBVTT\n\n00:00:01.000 --> 00:00:02.000\nfine\n\n00:00:03.000 --> 00:00:0x.000\nbroken\n");
    app.dialogs->openAnswers = {bad};
    frmMain->btnLoadClick();
    ASSERT_EQ(app.dialogs->messages.size(), 1);
    EXPECT_TRUE(app.dialogs->messages.first().contains("6 行目")) << app.dialogs->messages.first().toStdString();
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 2000, 9000}));
    EXPECT_EQ(frmMemo->lines(), (QStringList{"uno", "dos", "", "cuatro"}));
}

// A save in each format and a load of it give the block list and notes back,
// to the millisecond; only block files enter the history.
TEST_F(BlockData, SubtitleSavesRoundTripThroughTheWindow) {
    qmtest::setBlocks(frmMain->session(), {0, 1234, 5678, 9000});
    const QStringList notes = {"日本語 & <tags>", "", "last one"};
    for (const char* name : {"out.srt", "out.vtt", "labels.txt"}) {
        qmtest::setNotes(frmMain->session(), notes);
        const QString path = dir.filePath(name);
        app.dialogs->saveAnswers = {path};
        ASSERT_TRUE(frmMain->SaveBlockData()) << name;
        qmtest::setBlocks(frmMain->session(), {0, 9000});
        qmtest::setNotes(frmMain->session(), {});
        app.dialogs->openAnswers = {path};
        frmMain->btnLoadClick();
        EXPECT_EQ(separators(), (std::vector<int32_t>{0, 1234, 5678, 9000})) << name;
        const QStringList back = frmMemo->lines();
        EXPECT_EQ(back.value(0), name == std::string("out.srt") ? "日本語 &" : notes[0]) << name;
        EXPECT_EQ(back.value(2), notes[2]) << name;
    }
    EXPECT_TRUE(frmInfo->historyPaths().isEmpty());
    EXPECT_EQ(app.dialogs->saveRequests.front().filter.count('|'), 11);  // six file types

    // The plain-notes file type writes the notes alone.
    const QString plain = dir.filePath("plain.txt");
    app.dialogs->saveAnswers = {plain};
    app.dialogs->saveFilterAnswers = {5};
    ASSERT_TRUE(frmMain->SaveBlockData());
    EXPECT_EQ(readAll(plain), QByteArray("last one\r\n").prepend(qm::text::encode("日本語 & <tags>\r\n\r\n").c_str()));
}
