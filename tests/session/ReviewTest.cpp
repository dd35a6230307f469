// The review round on the session alone, on fixed dates: which blocks come
// back when, weakest first, what a round does and what ends it, and that the
// schedule is read back from the answers file by the next run.
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/Waits.h"

#include "session/PracticeSession.h"
#include "session/Recovery.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using qm::PracticeSession;

constexpr int64_t kDay = 24 * 60 * 60;
// 2026-03-02 00:00 UTC: the lesson's first day.
const int64_t kFirstDay = QDateTime(QDate(2026, 3, 2), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();

QString media(const QString& name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name;
}

class Review : public ::testing::Test {
protected:
    void SetUp() override { qm::recovery::setFolderForTesting(recoveryDir.path()); }
    void TearDown() override { qm::recovery::setFolderForTesting({}); }

    // The lesson's four blocks, the last without a note.
    static qm::LessonContent fourBlocks(int32_t length) {
        return {{0, 1000, 2000, 3000, length}, {"one two three four five", "six seven", "eight nine", ""}};
    }
    // Opens the lesson at the time given, in the dictation mode.
    void openAt(int64_t time) {
        session.setWallClock([this] { return now; });
        now = time;
        ASSERT_TRUE(session.OpenFile(lesson)) << prompts.messages.join(" | ").toStdString();
        session.openLessonForTesting(session.state().mediaLength, fourBlocks(session.state().mediaLength));
        session.enterDictation();
    }
    void answer(int32_t block, const QString& text) {
        session.SelectBlock(block);
        ASSERT_TRUE(session.checkDictation(text));
    }

    QTemporaryDir dir;
    QTemporaryDir recoveryDir;
    QString lesson = dir.filePath("lesson.mp3");
    qm::Settings settings{dir.filePath("QM4.ini")};
    qmtest::ScriptedPrompts prompts;
    PracticeSession session{settings, prompts};
    int64_t now = 0;
};

// Day 1: three blocks answered (100, 40 and 60 points) are due the next day,
// none the same day. Day 2's round takes them weakest first and plays each;
// after it the poor one comes back a day later, the good ones six days later.
// A new run reads the same schedule from the answers file.
TEST_F(Review, DueBlocksComeBackWeakestFirstAndSpacedByTheirScores) {
    ASSERT_TRUE(QFile::copy(media("lesson.mp3"), lesson)) << "no test media";
    openAt(kFirstDay + 10 * 3600);
    answer(1, "one two three four five");  // 100
    answer(2, "six");                      // poor
    answer(3, "eight");                    // a pass, barely
    ASSERT_EQ(session.dictationLog().find(1)->latestScore, 50);
    ASSERT_EQ(session.dictationLog().find(2)->latestScore, 50);
    answer(3, "eight nine nine");          // the day's last answer is its grade
    const int score3 = session.dictationLog().find(2)->latestScore;
    ASSERT_GE(score3, 60);
    ASSERT_LT(score3, 100);

    EXPECT_EQ(session.dueNow(), 0);
    EXPECT_FALSE(session.startReview());
    EXPECT_FALSE(session.reviewing());
    EXPECT_EQ(session.nextReviewDue(), kFirstDay + kDay);

    now = kFirstDay + kDay + 9 * 3600;  // the next morning
    EXPECT_EQ(session.dueNow(), 3);
    ASSERT_TRUE(session.startReview());
    EXPECT_EQ(session.reviewCount(), 3);
    std::vector<int32_t> order;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(session.reviewPosition(), i + 1);
        EXPECT_EQ(session.blockMode(), qm::BlockMode::Repeat) << "the block repeats while it is written down";
        EXPECT_TRUE(qmtest::waitFor([&] { return session.isPlaying(); }, 3000)) << "each block of the round plays";
        order.push_back(session.state().curBlock);
        session.pause();
        ASSERT_TRUE(session.checkDictation(QString::fromStdString(session.lesson().noteOf(session.state().curBlock))));
        session.nextReviewBlock();
    }
    EXPECT_EQ(order, (std::vector<int32_t>{2, 3, 1})) << "weakest first; the block without a note never";
    EXPECT_FALSE(session.reviewing()) << "past the last the round is over";
    EXPECT_EQ(session.dueNow(), 0);
    // Block 2 failed on day 1: its perfect day 2 is a first pass, one day on.
    EXPECT_EQ(session.nextReviewDue(), kFirstDay + 2 * kDay);

    qmtest::ScriptedPrompts laterPrompts;
    PracticeSession later(settings, laterPrompts);
    later.setWallClock([] { return kFirstDay + 2 * kDay + 60; });
    ASSERT_TRUE(later.OpenFile(lesson));
    later.openLessonForTesting(later.state().mediaLength, fourBlocks(later.state().mediaLength));
    EXPECT_EQ(later.dueNow(), 1);
    ASSERT_TRUE(later.startReview());
    EXPECT_EQ(later.state().curBlock, 2);
    ASSERT_TRUE(later.checkDictation("six seven"));
    later.leaveReview();
    // Now the good ones come first: passed on days 1 and 2, back six days after day 2.
    EXPECT_EQ(later.nextReviewDue(), kFirstDay + 7 * kDay);
}

// A round is for the blocks as they were: cutting or joining blocks ends it,
// as do leaving the dictation and opening the lesson again; a block whose note
// was emptied has nothing to be checked against and is not due.
TEST_F(Review, ChangedBlocksLeavingAndEmptiedNotesEndOrShortenTheRound) {
    ASSERT_TRUE(QFile::copy(media("lesson.mp3"), lesson)) << "no test media";
    openAt(kFirstDay);
    answer(1, "one");
    answer(2, "six");
    now += 3 * kDay;
    ASSERT_EQ(session.dueNow(), 2);

    ASSERT_TRUE(session.startReview());
    session.SelectBlock(3);
    session.deleteRight();  // blocks 3 and 4 made one
    EXPECT_FALSE(session.reviewing());
    session.undo();

    ASSERT_TRUE(session.startReview());
    session.leaveDictation();
    EXPECT_FALSE(session.reviewing());
    EXPECT_EQ(session.blockMode(), qm::BlockMode::Next);

    session.enterDictation();
    ASSERT_TRUE(session.startReview());
    ASSERT_TRUE(session.OpenFile(lesson));
    EXPECT_FALSE(session.reviewing()) << "an open ends the round";

    auto emptied = fourBlocks(session.state().mediaLength);
    emptied.notes[1].clear();
    session.openLessonForTesting(session.state().mediaLength, emptied);
    EXPECT_EQ(session.dueNow(), 1);
    ASSERT_TRUE(session.startReview());
    EXPECT_EQ(session.reviewCount(), 1);
    EXPECT_EQ(session.state().curBlock, 1);
}

}  // namespace
