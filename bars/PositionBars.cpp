#include "PositionBars.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace qm {

namespace {

template <typename T>
T clampTo(int64_t v) {
    return static_cast<T>(std::clamp<int64_t>(v, std::numeric_limits<T>::min(),
                                              std::numeric_limits<T>::max()));
}

// Blanks the bitmap at the bar's current size.
void clearBar(TBarImage* bar) {
    QImage& bitmap = bar->bitmap();
    bitmap = QImage(bar->size(), QImage::Format_RGB32);
    bitmap.fill(QColor::fromRgb(kBarWhite));
    bar->update();
}

// One-pixel line over the whole height at the column of ms. The column is taken
// from the bitmap's own width, so a line is always erased where it was drawn
// even if the bar was resized since the last clear. Columns outside the bitmap
// (a time at or beyond the length) are not visible and draw nothing.
void drawLine(TBarImage* bar, int32_t ms, int32_t mediaLength, QRgb colour) {
    if (mediaLength <= 0) return;
    QImage& bitmap = bar->bitmap();
    const int x = barColumn(ms, bitmap.width(), mediaLength);
    if (x < 0 || x >= bitmap.width()) return;
    const QRgb pixel = 0xFF000000u | colour;
    for (int y = 0; y < bitmap.height(); ++y) {
        reinterpret_cast<QRgb*>(bitmap.scanLine(y))[x] = pixel;
    }
    bar->update(x, 0, 1, bitmap.height());
}

}  // namespace

int barColumn(int32_t ms, int width, int32_t mediaLength) {
    if (mediaLength <= 0) return 0;
    return clampTo<int>(int64_t{ms} * width / mediaLength);
}

int32_t barTime(int x, int width, int32_t mediaLength) {
    if (width <= 0 || mediaLength <= 0) return 0;
    return clampTo<int32_t>(int64_t{x} * mediaLength / width);
}

TBarImage::TBarImage(QWidget* parent) : QWidget(parent) {
    // A click on a bar must not take the keyboard away from the main window.
    setFocusPolicy(Qt::NoFocus);
    // Every pixel comes from the bitmap; nothing behind it needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TBarImage::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // Outside the bitmap (a resize before the next clear) the bar stays white.
    painter.fillRect(event->rect(), QColor::fromRgb(kBarWhite));
    painter.drawImage(event->rect().topLeft(), bitmap_, event->rect());
}

void TBarImage::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mouseDown(event->button(), event->modifiers(), at.x(), at.y());
}

void TBarImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mouseMoved(at.x(), at.y());
}

void TBarImage::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mouseUp(event->button(), at.x(), at.y());
}

PositionBars::PositionBars(PracticeState& state, TBarImage* image1, TBarImage* image2,
                           QLabel* lblPos)
    : s_(state), image1_(image1), image2_(image2), lblPos_(lblPos) {}

void PositionBars::ClearPosBar() { clearBar(image1_); }

void PositionBars::ClearBlockBar() { clearBlockBar(); }

void PositionBars::setWaveform(std::vector<float> levels, int32_t frameMs) {
    wave_ = std::move(levels);
    waveFrameMs_ = std::max(frameMs, 1);
}

void PositionBars::clearBlockBar() {
    clearBar(image2_);
    if (wave_.empty() || s_.mediaLength <= 0) return;
    for (int x = 0; x < image2_->bitmap().width(); ++x) paintBlockColumn(x);
    image2_->update();
}

void PositionBars::paintBlockColumn(int x) {
    QImage& bitmap = image2_->bitmap();
    const int h = bitmap.height();
    float level = 0;
    if (!wave_.empty() && s_.mediaLength > 0) {
        // The loudest frame of the column's time span.
        const int32_t from = barTime(x, bitmap.width(), s_.mediaLength);
        const int32_t to = std::max(barTime(x + 1, bitmap.width(), s_.mediaLength), from + 1);
        const auto first = static_cast<std::size_t>(from / waveFrameMs_);
        const auto last = std::min(wave_.size(), static_cast<std::size_t>((to + waveFrameMs_ - 1) / waveFrameMs_));
        for (std::size_t i = first; i < last; ++i) level = std::max(level, wave_[i]);
    }
    const int filled = static_cast<int>(std::clamp(level, 0.0f, 1.0f) * static_cast<float>(h - 1) + 0.5f);
    for (int y = 0; y < h; ++y) {
        const QRgb c = y >= h - filled ? kBarWave : kBarWhite;
        reinterpret_cast<QRgb*>(bitmap.scanLine(y))[x] = 0xFF000000u | c;
    }
}

void PositionBars::DrawPosLine(int32_t ms, QRgb colour) {
    drawLine(image1_, ms, s_.mediaLength, colour);
}

void PositionBars::DrawSepLine(int32_t ms, QRgb colour) {
    // An erased separator gives back the loudness under it.
    if (colour == kBarWhite && !wave_.empty() && s_.mediaLength > 0) {
        const QImage& bitmap = image2_->bitmap();
        const int x = barColumn(ms, bitmap.width(), s_.mediaLength);
        if (x < 0 || x >= bitmap.width()) return;
        paintBlockColumn(x);
        image2_->update(x, 0, 1, bitmap.height());
        return;
    }
    drawLine(image2_, ms, s_.mediaLength, colour);
}

void PositionBars::ShowPosition() {
    if (s_.cursorPos != s_.mediaPos) {
        // On a long recording the cursor stays in its column for seconds:
        // erasing and drawing it again there would only repaint the same pixels.
        const QImage& bitmap = image1_->bitmap();
        const int x = barColumn(s_.mediaPos, bitmap.width(), s_.mediaLength);
        const bool alreadyThere = x == barColumn(s_.cursorPos, bitmap.width(), s_.mediaLength) &&
                                  bitmap.valid(x, 0) && (bitmap.pixel(x, 0) & 0xFFFFFF) == kBarBlack;
        if (!alreadyThere) {
            DrawPosLine(s_.cursorPos, kBarWhite);
            DrawPosLine(s_.mediaPos, kBarBlack);
        }
        s_.cursorPos = s_.mediaPos;
    }
    lblPos_->setText(QString::asprintf("%d/%d", s_.mediaPos / 1000, s_.mediaLength / 1000));
}

void PositionBars::RedrawBlockBar() {
    clearBlockBar();
    if (s_.mediaLength <= 0) return;
    // The two ends, the first and the last separator, get no line.
    for (int32_t i = 1; i < s_.blocks.count(); ++i) DrawSepLine(s_.blocks[i], kBarBlack);
}

void PositionBars::RedrawBars() {
    ClearPosBar();
    RedrawBlockBar();
    s_.cursorPos = 0;
    ShowPosition();
}

}  // namespace qm
