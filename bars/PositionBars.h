#pragma once

#include "core/PracticeState.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QLabel;

namespace qm {

// Time to column and back on a bar W pixels wide, truncated toward zero, with
// 64-bit products so that long recordings map exactly. A length of 0 maps
// everything to column 0 and time 0.
int barColumn(int32_t ms, int width, int32_t mediaLength);
int32_t barTime(int x, int width, int32_t mediaLength);

inline constexpr QRgb kBarBlack = 0x000000;
inline constexpr QRgb kBarWhite = 0xFFFFFF;
// The loudness behind the block bar: light enough never to read as a separator.
inline constexpr QRgb kBarWave = 0xD2E2F2;
// Behind the current block, and its loudness seen through that tint: both
// light, so that only separators are black.
inline constexpr QRgb kBarCurrent = 0xFFE7A0;
inline constexpr QRgb kBarWaveCurrent = 0xD2CC97;
// The block numbers of a zoomed block bar: dark, but never a separator's black.
inline constexpr QRgb kBarNumber = 0x505050;

// An image control: shows a bitmap one to one and reports mouse presses.
class TBarImage : public QWidget {
    Q_OBJECT
public:
    explicit TBarImage(QWidget* parent = nullptr);
    QImage& bitmap() { return bitmap_; }
    const QImage& bitmap() const { return bitmap_; }

signals:
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void mouseMoved(int x, int y);  // while a button is held
    void mouseUp(Qt::MouseButton button, int x, int y);
    // A turn of a wheel over the bar, in eighths of a degree as QWheelEvent gives them.
    void wheelTurned(int x, QPoint angleDelta, Qt::KeyboardModifiers shift);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QImage bitmap_;
};

// The position bar (Image1), the block bar (Image2) and the position label.
// Draws from PracticeState; keeps where it drew the position cursor (the
// time the cursor stands for). With mediaLength 0 it draws no line.
// The position bar always shows the whole media. The block bar shows a view
// of it: the whole media until it is zoomed (then drawn as before, by
// barColumn), or a part of it, with the block numbers that fit; the current
// block is shaded at every zoom when there are two or more. Every time and
// column of the block bar go through the view; the window forwards the
// gestures that change it.
class PositionBars {
public:
    PositionBars(const PracticeState& state, TBarImage* image1, TBarImage* image2, QLabel* lblPos);

    int32_t cursorPos() const { return cursorPos_; }
    // The cursor drawn at ms at once (a click while paused), the old one erased.
    void moveCursor(int32_t ms);
    void ClearPosBar();
    void ClearBlockBar();
    void DrawPosLine(int32_t ms, QRgb colour);
    void DrawSepLine(int32_t ms, QRgb colour);
    void ShowPosition();   // the 50 ms path: at most two one-pixel lines
    void RedrawBlockBar();  // cleared, with a line at each inner separator

    // The loudness drawn behind the block bar: one level (0 .. 1) per frame of
    // frameMs from the media's start; empty draws none. Takes effect at the
    // next clear or redraw of the block bar.
    void setWaveform(std::vector<float> levels, int32_t frameMs);
    void RedrawBars();

    // ---- the block bar's view
    // False while the bar shows the whole media, which a new media's length
    // (another open) brings back.
    bool zoomed() const;
    int32_t viewStart() const;
    int32_t viewSpan() const;  // the media's length when whole
    // Time to column and back on the block bar, by the bitmap's width, through
    // the view: barColumn and barTime when whole; zoomed, the column that
    // holds ms, and the first millisecond of column x. A column may lie
    // outside the bar.
    int blockColumn(int32_t ms) const;
    int32_t blockTime(int x) const;
    // In (factor > 1) or out, the time under column x staying there; no
    // further out than the whole media, no further in than kMinMsPerColumn.
    void zoomAt(int x, double factor);
    // Around the position cursor: it keeps its column, or comes to the middle
    // when it is outside the view.
    void zoomAtCursor(double factor);
    void showWholeMedia();
    // The view moved, its span kept, never past either end of the media.
    void scrollTo(int32_t startMs);
    void scrollBy(int32_t deltaMs);
    // Called on each position while playing: a cursor that has left the view
    // since the last call brings the view along, the cursor near its left
    // edge. A cursor the user scrolled or zoomed away from is left alone.
    void followPlayback();
    // The shade moved to the session's current block; nothing when it is there.
    void showCurrentBlock();
    // Called after every change of the view, before the block bar is redrawn
    // for it (the window places its scroll bar).
    void setViewChanged(std::function<void()> changed) { viewChanged_ = std::move(changed); }

    // The finest zoom: the loudness's own frame per column.
    static constexpr int kMinMsPerColumn = 10;

private:
    // Column x of the block bar as it is with no separator: white or the
    // current block's shade, and the loudness from the bottom up.
    void paintBlockColumn(int x);
    void clearBlockBar();
    void drawBlockNumbers();
    void setView(int64_t start, int64_t span);
    void zoomAround(double anchorMs, double anchorX, double factor);
    bool inView(int32_t ms) const;
    void showSeconds();  // lblPos

    const PracticeState& s_;
    int32_t cursorPos_ = 0;
    std::vector<float> wave_;
    int32_t waveFrameMs_ = 10;
    // The block bar's view: span 0 is the whole media; a zoom holds only for
    // the media length it was made on.
    int64_t viewStart_ = 0;
    int64_t viewSpan_ = 0;
    int32_t viewLength_ = 0;
    bool cursorInView_ = true;  // at the last followPlayback or change of the view
    int32_t shadedBlock_ = 0;   // the current block as the bar was drawn
    int shadeFrom_ = 0;         // its columns, shadeFrom_ .. shadeTo_; none when from > to
    int shadeTo_ = -1;
    std::function<void()> viewChanged_;
    TBarImage* image1_;
    TBarImage* image2_;
    QLabel* lblPos_;
    // The seconds lblPos shows ("position/length"): it is written when they change.
    std::pair<int32_t, int32_t> shownSeconds_{-1, -1};
    QElapsedTimer cursorDrawn_;  // since the cursor was last drawn
};

}  // namespace qm
