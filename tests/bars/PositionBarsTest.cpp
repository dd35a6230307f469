// The position and block bars, checked on the pixels of their bitmaps.
#include "bars/PositionBars.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

namespace qm {
namespace {

constexpr QRgb kOpaqueBlack = 0xFF000000u | kBarBlack;
constexpr QRgb kOpaqueWhite = 0xFF000000u | kBarWhite;

// The columns of the bitmap that are black over their whole height. Any pixel
// that is neither white nor part of such a column fails the test.
std::vector<int> blackColumns(const QImage& bitmap) {
    std::vector<int> columns;
    for (int x = 0; x < bitmap.width(); ++x) {
        int black = 0;
        for (int y = 0; y < bitmap.height(); ++y) {
            const QRgb p = bitmap.pixel(x, y);
            if (p == kOpaqueBlack) {
                ++black;
            } else {
                EXPECT_EQ(p, kOpaqueWhite) << "at " << x << "," << y;
            }
        }
        if (black == 0) continue;
        EXPECT_EQ(black, bitmap.height()) << "partial line at column " << x;
        columns.push_back(x);
    }
    return columns;
}

using Columns = std::vector<int>;

TEST(BarMapping, DesignWidthMapsTimesAndClicks) {
    EXPECT_EQ(barColumn(60000, 402, 120000), 201);
    EXPECT_EQ(barTime(100, 402, 120000), 29850);
    EXPECT_EQ(barColumn(0, 402, 120000), 0);
    EXPECT_EQ(barColumn(119999, 402, 120000), 401);  // truncated, not rounded
}

TEST(BarMapping, TenHoursMapExactly) {
    // 36 000 000 × 402 does not fit in 32 bits.
    EXPECT_EQ(barColumn(36000000, 402, 36000000), 402);
    EXPECT_EQ(barColumn(18000000, 402, 36000000), 201);
    EXPECT_EQ(barTime(402, 402, 36000000), 36000000);
    EXPECT_EQ(barTime(201, 402, 36000000), 18000000);
}

TEST(BarMapping, NoLengthOrNoWidthMapsToZero) {
    EXPECT_EQ(barColumn(5000, 402, 0), 0);
    EXPECT_EQ(barTime(100, 402, 0), 0);
    EXPECT_EQ(barTime(100, 0, 120000), 0);
}

class PositionBarsTest : public ::testing::Test {
protected:
    PositionBarsTest() {
        image1.resize(402, 23);
        image2.resize(402, 22);
        s.mediaLength = 120000;
        s.lesson.reset(120000);
        bars.ClearPosBar();
        bars.ClearBlockBar();
    }

    void setBlocks(std::initializer_list<int32_t> seps) { setBlocks(std::vector<int32_t>(seps)); }
    void setBlocks(const std::vector<int32_t>& seps) {
        qm::LessonContent content{seps, {}};
        s.lesson.swapContent(content);
    }

    void showAt(int32_t ms) {
        s.mediaPos = ms;
        bars.ShowPosition();
    }

    PracticeState s;
    TBarImage image1;
    TBarImage image2;
    QLabel label;
    PositionBars bars{s, &image1, &image2, &label};
};

TEST_F(PositionBarsTest, ClearSizesTheBitmapToTheBarAndBlanksIt) {
    bars.DrawPosLine(60000, kBarBlack);
    image1.resize(600, 23);
    bars.ClearPosBar();
    EXPECT_EQ(image1.bitmap().size(), QSize(600, 23));
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{});

    image2.resize(300, 22);
    bars.ClearBlockBar();
    EXPECT_EQ(image2.bitmap().size(), QSize(300, 22));
    EXPECT_EQ(image1.bitmap().size(), QSize(600, 23));  // each bar its own size
}

TEST_F(PositionBarsTest, ASeparatorIsBlackOverTheWholeHeightAndErasesToWhite) {
    bars.DrawSepLine(60000, kBarBlack);
    EXPECT_EQ(blackColumns(image2.bitmap()), Columns{201});
    bars.DrawSepLine(60000, kBarWhite);
    EXPECT_EQ(blackColumns(image2.bitmap()), Columns{});
}

TEST_F(PositionBarsTest, DeletingOneOfTwoSeparatorsOnOneColumnErasesTheColumn) {
    bars.DrawSepLine(60000, kBarBlack);
    bars.DrawSepLine(60100, kBarBlack);  // also column 201
    EXPECT_EQ(blackColumns(image2.bitmap()), Columns{201});
    bars.DrawSepLine(60100, kBarWhite);
    EXPECT_EQ(blackColumns(image2.bitmap()), Columns{});
}

TEST_F(PositionBarsTest, TheEndOfTheMediaFallsOutsideTheBar) {
    bars.DrawSepLine(120000, kBarBlack);
    bars.DrawSepLine(130000, kBarBlack);
    bars.DrawSepLine(-5000, kBarBlack);
    EXPECT_EQ(blackColumns(image2.bitmap()), Columns{});
}

TEST_F(PositionBarsTest, CursorAndSeparatorsNeverEraseEachOther) {
    bars.DrawSepLine(60000, kBarBlack);
    showAt(60000);
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{201});
    showAt(90000);  // erases the cursor at 201 on its own bar only
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{301});
    EXPECT_EQ(blackColumns(image2.bitmap()), Columns{201});

    bars.DrawSepLine(90000, kBarBlack);
    bars.DrawSepLine(90000, kBarWhite);
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{301});
}

TEST_F(PositionBarsTest, ShowPositionMovesTheCursorAndRemembersItsTime) {
    showAt(30000);
    EXPECT_EQ(bars.cursorPos(), 30000);
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{100});
    showAt(30100);  // same column: the erase and the draw leave it black
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{100});
    showAt(0);
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{0});
}

// Playing along, the cursor moves a column nearly every tick on a short
// recording: a step of one column is drawn at most ten times a second, a jump
// at once, and the seconds are written whenever they change.
TEST_F(PositionBarsTest, OneColumnStepsAreDrawnTenTimesASecondAndJumpsAtOnce) {
    showAt(29900);  // column 100
    ASSERT_EQ(blackColumns(image1.bitmap()), Columns{100});
    showAt(30200);  // column 101, a tick later
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{100});
    EXPECT_EQ(bars.cursorPos(), 29900) << "the time where the cursor is drawn";
    EXPECT_EQ(label.text(), "30/120");

    showAt(45000);  // a seek: column 150
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{150});

    QElapsedTimer since;
    since.start();
    while (!since.hasExpired(100)) QThread::msleep(5);  // the step is due once this much time has gone
    showAt(45300);  // column 151
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{151});
    EXPECT_EQ(bars.cursorPos(), 45300);
}

TEST_F(PositionBarsTest, ShowPositionWritesWholeSecondsTruncated) {
    s.mediaLength = 245500;
    showAt(83999);
    EXPECT_EQ(label.text(), "83/245");
}

TEST_F(PositionBarsTest, ShowPositionDrawsIntoTheSameBitmap) {
    const uchar* bits = image1.bitmap().constBits();
    image1.resize(800, 23);  // not cleared yet: the tick must not rebuild it
    showAt(60000);
    showAt(61000);
    EXPECT_EQ(image1.bitmap().constBits(), bits);
    EXPECT_EQ(image1.bitmap().size(), QSize(402, 23));
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{204});
}

TEST_F(PositionBarsTest, RedrawAfterAResizeScalesSeparatorsAndCursor) {
    // A list that ends inside the bar (before the media's end): the end gets no line.
    setBlocks({0, 30000, 60000, 100000});
    s.mediaPos = 90000;
    bars.RedrawBars();
    EXPECT_EQ(blackColumns(image2.bitmap()), (Columns{100, 201}));
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{301});

    image1.resize(804, 23);
    image2.resize(804, 22);
    bars.RedrawBars();
    EXPECT_EQ(image2.bitmap().size(), QSize(804, 22));
    EXPECT_EQ(blackColumns(image2.bitmap()), (Columns{201, 402}));  // the ends get no line
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{603});
    EXPECT_EQ(bars.cursorPos(), 90000);
}

TEST_F(PositionBarsTest, NoCursorAtPositionZeroUntilThePositionMoves) {
    showAt(50000);
    s.mediaPos = 0;
    bars.RedrawBars();
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{});
    EXPECT_EQ(label.text(), "0/120");
    showAt(40);
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{0});
}

TEST_F(PositionBarsTest, ACursorStayingInItsColumnLeavesTheBitmapAlone) {
    s.mediaLength = 36'000'000;  // ten hours: about 90 s per column at width 402
    showAt(1'000'000);
    const Columns drawn = blackColumns(image1.bitmap());
    ASSERT_EQ(drawn.size(), 1u);
    const qint64 key = image1.bitmap().cacheKey();
    showAt(1'000'050);
    EXPECT_EQ(image1.bitmap().cacheKey(), key);
    EXPECT_EQ(blackColumns(image1.bitmap()), drawn);
    EXPECT_EQ(bars.cursorPos(), 1'000'050);
    showAt(2'000'000);  // another column: erased there, drawn here
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{qm::barColumn(2'000'000, 402, s.mediaLength)});
}

TEST_F(PositionBarsTest, NoLengthDrawsNothing) {
    setBlocks({0, 30000, 60000, 120000});
    s.mediaLength = 0;  // an open that found no length keeps the old list
    bars.DrawPosLine(30000, kBarBlack);
    bars.DrawSepLine(30000, kBarBlack);
    showAt(5000);
    EXPECT_EQ(label.text(), "5/0");
    bars.RedrawBars();
    EXPECT_EQ(blackColumns(image1.bitmap()), Columns{});
    EXPECT_EQ(blackColumns(image2.bitmap()), Columns{});
}

TEST_F(PositionBarsTest, ABarOfNoSizeDrawsNothing) {
    image1.resize(0, 0);
    bars.ClearPosBar();
    showAt(60000);
    EXPECT_TRUE(image1.bitmap().isNull());
    EXPECT_EQ(bars.cursorPos(), 60000);
}

// A lesson cut at its pauses: 270 blocks of 2.5 to 4.6 s, about 16 minutes,
// a length that halves four times without a remainder.
std::vector<int32_t> longLesson() {
    std::vector<int32_t> seps{0};
    for (int i = 0; i < 270; ++i) seps.push_back(seps.back() + 2500 + (i * 797) % 2100);
    seps.back() += (16 - seps.back() % 16) % 16;
    return seps;
}

// The columns black over the whole height, whatever else the bar shows.
Columns lineColumns(const QImage& bitmap) {
    Columns columns;
    for (int x = 0; x < bitmap.width(); ++x) {
        int y = 0;
        while (y < bitmap.height() && bitmap.pixel(x, y) == kOpaqueBlack) ++y;
        if (y == bitmap.height()) columns.push_back(x);
    }
    return columns;
}

// How many pixels of a colour columns from .. to of the bitmap hold.
int countColour(const QImage& bitmap, QRgb colour, int from, int to) {
    int n = 0;
    for (int x = std::max(from, 0); x <= std::min(to, bitmap.width() - 1); ++x)
        for (int y = 0; y < bitmap.height(); ++y) n += bitmap.pixel(x, y) == (0xFF000000u | colour);
    return n;
}

// The columns of number pixels between from and to: first and last, or -1, -1.
std::pair<int, int> inkSpan(const QImage& bitmap, int from, int to) {
    std::pair<int, int> span{-1, -1};
    for (int x = from; x <= to; ++x) {
        if (countColour(bitmap, kBarNumber, x, x) == 0) continue;
        if (span.first < 0) span.first = x;
        span.second = x;
    }
    return span;
}

class LongLessonBars : public PositionBarsTest {
protected:
    LongLessonBars() {
        s.mediaLength = seps.back();
        setBlocks(seps);
        bars.RedrawBlockBar();
    }
    // The column of ms in a view from start over span ms, worked out apart from the bars.
    int columnIn(int32_t ms, int32_t start, int32_t span) const { return barColumn(ms - start, 402, span); }
    Columns linesIn(int32_t start, int32_t span) const {
        Columns columns;
        for (std::size_t k = 1; k + 1 < seps.size(); ++k)
            if (seps[k] >= start && seps[k] < start + span) columns.push_back(columnIn(seps[k], start, span));
        return columns;
    }

    const std::vector<int32_t> seps = longLesson();
};

// 270 blocks on 402 columns are a black stripe; zoomed in, each separator is
// a line of its own where the view maps it, each block wide enough shows its
// number between its lines, and the current block is shaded and moves with
// the selection. Back at the whole media the bar is as it was before.
TEST_F(LongLessonBars, ZoomedInEachBlockShowsApartWithItsNumberAndTheCurrentOneShaded) {
    const QImage whole = image2.bitmap().copy();
    ASSERT_GT(lineColumns(whole).size(), 150u);
    EXPECT_EQ(countColour(whole, kBarNumber, 0, 401), 0) << "no numbers on the whole media";

    const int32_t span = s.mediaLength / 32;  // about 30 s: blocks of 33 columns and more
    bars.zoomAt(0, 32);
    ASSERT_TRUE(bars.zoomed());
    ASSERT_EQ(bars.viewSpan(), span);
    bars.scrollTo(seps[97]);  // blocks 98 to about 106: two digits and three
    ASSERT_EQ(bars.viewStart(), seps[97]);
    const QImage& bar = image2.bitmap();
    EXPECT_EQ(lineColumns(bar), linesIn(seps[97], span));
    for (int k = 98; seps[k] < seps[97] + span; ++k) {
        const int x = bars.blockColumn(seps[k]);
        EXPECT_EQ(x, columnIn(seps[k], seps[97], span));
        EXPECT_LE(bars.blockTime(x), seps[k]);
        EXPECT_GT(bars.blockTime(x + 1), seps[k]);
    }
    const auto ink = [&](int block) {
        return inkSpan(bar, bars.blockColumn(seps[block - 1]) + 1, bars.blockColumn(seps[block]) - 1);
    };
    for (int block = 99; block <= 104; ++block) EXPECT_GE(ink(block).first, 0) << "block " << block;
    const int twoDigits = ink(99).second - ink(99).first;
    const int threeDigits = ink(100).second - ink(100).first;
    EXPECT_GE(threeDigits, twoDigits + 3);

    // Shaded behind: the bottom row of the current block, and of no other.
    const auto shaded = [&](int block) {
        const int from = bars.blockColumn(seps[block - 1]) + 1;
        const int to = bars.blockColumn(seps[block]) - 1;
        int n = 0;
        for (int x = from; x <= to; ++x) n += bar.pixel(x, bar.height() - 1) == (0xFF000000u | kBarCurrent);
        return n == to - from + 1 ? 1 : n == 0 ? 0 : -1;
    };
    EXPECT_EQ(shaded(100), 0);
    s.curBlock = 100;
    bars.showCurrentBlock();
    EXPECT_EQ(shaded(100), 1);
    EXPECT_EQ(shaded(101), 0);
    EXPECT_EQ(shaded(99), 0);
    const qint64 drawn = image2.bitmap().cacheKey();
    bars.showCurrentBlock();  // the same block: nothing to draw
    EXPECT_EQ(image2.bitmap().cacheKey(), drawn);
    s.curBlock = 101;
    bars.showCurrentBlock();
    EXPECT_EQ(shaded(100), 0);
    EXPECT_EQ(shaded(101), 1);
    EXPECT_EQ(lineColumns(image2.bitmap()), linesIn(seps[97], span));

    // A view of four minutes: blocks of 4 to 8 columns, lines apart, no number fits.
    bars.zoomAt(0, 1.0 / 8);
    ASSERT_EQ(bars.viewSpan(), s.mediaLength / 4);
    EXPECT_EQ(lineColumns(image2.bitmap()), linesIn(bars.viewStart(), s.mediaLength / 4));
    EXPECT_EQ(countColour(image2.bitmap(), kBarNumber, 0, 401), 0);

    s.curBlock = 0;
    bars.showWholeMedia();
    EXPECT_FALSE(bars.zoomed());
    EXPECT_EQ(image2.bitmap(), whole);
    EXPECT_EQ(bars.blockTime(100), barTime(100, 402, s.mediaLength));
}

// The 50 ms tick draws the cursor only; playing out of the view moves the
// view on once (a redraw), the cursor near its left edge; a view the user
// scrolled away from is left alone; another media's length shows the whole.
TEST_F(LongLessonBars, TheTickLeavesTheBlockBarAloneUntilPlaybackLeavesTheView) {
    int viewChanges = 0;
    bars.setViewChanged([&] { ++viewChanges; });
    const int32_t span = s.mediaLength / 16;
    bars.zoomAt(0, 16);
    ASSERT_EQ(viewChanges, 1);
    const qint64 drawn = image2.bitmap().cacheKey();
    for (int32_t ms = 1000; ms <= span; ms += 50) {
        showAt(ms);
        bars.followPlayback();
    }
    EXPECT_EQ(image2.bitmap().cacheKey(), drawn);
    EXPECT_EQ(bars.viewStart(), 0);

    showAt(span + 50);
    bars.followPlayback();
    EXPECT_EQ(viewChanges, 2);
    EXPECT_EQ(bars.viewStart(), span + 50 - span / 10);
    EXPECT_EQ(lineColumns(image2.bitmap()), linesIn(span + 50 - span / 10, span));

    bars.scrollTo(0);
    showAt(2 * span);
    bars.followPlayback();
    showAt(3 * span);
    bars.followPlayback();
    EXPECT_EQ(bars.viewStart(), 0);

    s.mediaLength = 600000;
    setBlocks({0, 300000, 600000});
    bars.RedrawBlockBar();
    EXPECT_FALSE(bars.zoomed());
    EXPECT_EQ(viewChanges, 4);
    EXPECT_EQ(lineColumns(image2.bitmap()), Columns{201});
}

TEST(BarImage, PaintsItsBitmapOneToOne) {
    TBarImage image;
    image.resize(402, 23);
    image.bitmap() = QImage(402, 23, QImage::Format_RGB32);
    image.bitmap().fill(QColor::fromRgb(kBarWhite));
    for (int y = 0; y < 23; ++y) image.bitmap().setPixel(201, y, kOpaqueBlack);

    const QImage shown = image.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(402, 23));
    EXPECT_EQ(blackColumns(shown), Columns{201});
}

TEST(BarImage, ReportsMousePressesAndTakesNoFocus) {
    TBarImage image;
    image.resize(402, 23);
    EXPECT_EQ(image.focusPolicy(), Qt::NoFocus);

    Qt::MouseButton button = Qt::NoButton;
    Qt::KeyboardModifiers shift;
    int gotX = -1, gotY = -1;
    QObject::connect(&image, &TBarImage::mouseDown,
                     [&](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                         button = b;
                         shift = m;
                         gotX = x;
                         gotY = y;
                     });
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 7), QPointF(100, 7),
                      Qt::RightButton, Qt::RightButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(&image, &press);
    EXPECT_EQ(button, Qt::RightButton);
    EXPECT_EQ(shift, Qt::KeyboardModifiers(Qt::ShiftModifier));
    EXPECT_EQ(gotX, 100);
    EXPECT_EQ(gotY, 7);
}

}  // namespace
}  // namespace qm
