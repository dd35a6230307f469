#pragma once

#include "core/PracticeState.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <cstdint>
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

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage bitmap_;
};

// The position bar (Image1), the block bar (Image2) and the position label.
// Draws from PracticeState; keeps where it drew the position cursor (the
// time the cursor stands for). With mediaLength 0 it draws no line.
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

private:
    // Column x of the block bar as it is with no separator: white, and the
    // loudness from the bottom up.
    void paintBlockColumn(int x);
    void clearBlockBar();
    void showSeconds();  // lblPos

    const PracticeState& s_;
    int32_t cursorPos_ = 0;
    std::vector<float> wave_;
    int32_t waveFrameMs_ = 10;
    TBarImage* image1_;
    TBarImage* image2_;
    QLabel* lblPos_;
    // The seconds lblPos shows ("position/length"): it is written when they change.
    std::pair<int32_t, int32_t> shownSeconds_{-1, -1};
    QElapsedTimer cursorDrawn_;  // since the cursor was last drawn
};

}  // namespace qm
