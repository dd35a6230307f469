// Saving and loading block files through the main window, without playback.
#include "AppHarness.h"

#include "TextCodec.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>

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
        qmtest::setBlocks(s, {0, 3000, 5000, 9000});
        s.dirty = true;
    }
    std::vector<int32_t> separators() const {
        return {s.blockSep.begin(), s.blockSep.begin() + s.blockCount + 1};
    }
    void load(const QByteArray& bytes) {
        const QString path = dir.filePath("in.bsd");
        writeAll(path, bytes);
        app.dialogs->openAnswers = {path};
        frmMain->btnLoadClick();
    }
    AppHarness app;
    QTemporaryDir dir;
    qm::PracticeState& s = frmMain->state();
};

TEST_F(BlockData, SaveProposesTheMediaNameWithBsdAndWritesTheFile) {
    frmMemo->setLines({"a * star", "二"});
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
    EXPECT_FALSE(s.dirty);
    EXPECT_EQ(frmInfo->memHistory.first(), target);
    EXPECT_EQ(frmMain->SaveDialog1.fileName, target);
}

TEST_F(BlockData, ACancelledSaveChangesNothing) {
    app.dialogs->saveAnswers = {QString()};
    EXPECT_FALSE(frmMain->SaveBlockData());
    EXPECT_TRUE(s.dirty);
    EXPECT_TRUE(frmInfo->memHistory.isEmpty());
}

TEST_F(BlockData, AFailedSaveShowsTheErrorAndKeepsTheOldFileAndDirty) {
    const QString target = dir.filePath("missing-folder/x.bsd");
    app.dialogs->saveAnswers = {target};
    EXPECT_THROW(frmMain->SaveBlockData(), std::runtime_error);
    app.dialogs->saveAnswers = {target};
    try {
        frmMain->SaveBlockData();
    } catch (const std::exception& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("ファイル %1 を作成できません").arg(target));
    }
    EXPECT_TRUE(s.dirty);
    EXPECT_TRUE(frmInfo->memHistory.isEmpty());
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(BlockData, SaveThenLoadGivesBackTheSeparatorsAndNotes) {
    frmMemo->setLines({"日本語のメモ", "* starts with a star", ""});
    const QString target = dir.filePath("round.bsd");
    app.dialogs->saveAnswers = {target};
    ASSERT_TRUE(frmMain->SaveBlockData());

    s.blockCount = 1;
    s.blockSep[1] = 9000;
    frmMemo->setLines({});
    app.dialogs->openAnswers = {target};
    frmMain->btnLoadClick();
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));
    EXPECT_EQ(frmMemo->lines(), (QStringList{"日本語のメモ", "* starts with a star", ""}));
    EXPECT_EQ(frmMain->lblBlock->text(), "0/3");
    EXPECT_TRUE(app.dialogs->questions.isEmpty());
    EXPECT_TRUE(frmInfo->memHistory.size() == 1);  // the load adds nothing
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
    frmMemo->setLines({"kept"});
    app.dialogs->warningAnswers = {false};
    load("QM4 Block Separate Data\r\nx.mp3\r\n9000\r\n1\r\n0\r\n9000\r\n*new");
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 3000, 5000, 9000}));
    EXPECT_EQ(frmMemo->lines(), QStringList{"kept"});
}

TEST_F(BlockData, AFileForAShorterMediaKeepsItsSeparatorsAndTheLastBlockTakesTheRest) {
    s.mediaLength = 12000;
    app.dialogs->warningAnswers = {true};
    load("QM4 Block Separate Data\nx.mp3\n9000\n2\n0\n4000\n9000\n*");
    EXPECT_EQ(separators(), (std::vector<int32_t>{0, 4000, 9000}));
    frmMain->EnableBlockControls(true);
    frmMain->Timer1->stop();
    frmMain->Image2MouseDown(Qt::LeftButton, frmMain->Image2->width() - 1, 0);  // past the last separator
    EXPECT_EQ(s.curBlock, 2);
}

TEST_F(BlockData, FaultyFilesChangeNothing) {
    frmMemo->setLines({"kept"});
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
    frmMemo->setLines({"kept"});
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

TEST_F(BlockData, LoadingLeavesDirtyAndCurBlockAsTheyWere) {
    frmMain->SelectBlock(3);
    s.dirty = true;
    load("QM4 Block Separate Data\r\nx\r\n9000\r\n1\r\n0\r\n9000\r\n*");
    EXPECT_EQ(s.blockCount, 1);
    EXPECT_EQ(s.curBlock, 3);
    EXPECT_TRUE(s.dirty);
    EXPECT_TRUE(frmMemo->lines().isEmpty());
}

TEST_F(BlockData, AnUnreadableFileReportsItsPath) {
    const QString path = dir.filePath("nothing-here.bsd");
    app.dialogs->openAnswers = {path};
    try {
        frmMain->btnLoadClick();
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("ファイル %1 は開けません").arg(path));
    }
}

}  // namespace
