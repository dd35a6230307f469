#include "bars/PositionBars.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace qm {

namespace {

// Both columns of a cursor move this close are repainted as one rectangle.
constexpr int kOneRepaintColumns = 8;
// A cursor that moves on by one column is drawn at most this often: on a short
// recording it moves a column nearly every tick, and steps of two columns ten
// times a second look as smooth at half the repaints.
constexpr qint64 kCursorStepMs = 100;

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

// The column of ms, taken from the bitmap's own width, so that a line is
// always erased where it was drawn even if the bar was resized since the last
// clear; -1 outside the bitmap (a time at or beyond the length), where a line
// would not be visible and nothing is drawn.
int lineColumn(const QImage& bitmap, int32_t ms, int32_t mediaLength) {
    if (mediaLength <= 0) return -1;
    const int x = barColumn(ms, bitmap.width(), mediaLength);
    return x >= 0 && x < bitmap.width() ? x : -1;
}

void paintColumn(QImage& bitmap, int x, QRgb colour) {
    const QRgb pixel = 0xFF000000u | colour;
    for (int y = 0; y < bitmap.height(); ++y) {
        reinterpret_cast<QRgb*>(bitmap.scanLine(y))[x] = pixel;
    }
}

// One-pixel line over the whole height at the column of ms.
void drawLine(TBarImage* bar, int32_t ms, int32_t mediaLength, QRgb colour) {
    QImage& bitmap = bar->bitmap();
    const int x = lineColumn(bitmap, ms, mediaLength);
    if (x < 0) return;
    paintColumn(bitmap, x, colour);
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
    if (!bitmap_.rect().contains(event->rect())) painter.fillRect(event->rect(), QColor::fromRgb(kBarWhite));
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

PositionBars::PositionBars(const PracticeState& state, TBarImage* image1, TBarImage* image2,
                           QLabel* lblPos)
    : s_(state), image1_(image1), image2_(image2), lblPos_(lblPos) {}

void PositionBars::ClearPosBar() { clearBar(image1_); }

void PositionBars::moveCursor(int32_t ms) {
    DrawPosLine(cursorPos_, kBarWhite);
    DrawPosLine(ms, kBarBlack);
    cursorPos_ = ms;
}

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
    if (cursorPos_ != s_.mediaPos) {
        QImage& bitmap = image1_->bitmap();
        const int from = lineColumn(bitmap, cursorPos_, s_.mediaLength);
        const int to = lineColumn(bitmap, s_.mediaPos, s_.mediaLength);
        // On a long recording the cursor stays in its column for seconds:
        // erasing and drawing it again there would only repaint the same pixels.
        const bool alreadyThere = from == to && (to < 0 || (bitmap.pixel(to, 0) & 0xFFFFFF) == kBarBlack);
        const bool stepTooSoon = from >= 0 && to == from + 1 && cursorDrawn_.isValid() &&
                                 !cursorDrawn_.hasExpired(kCursorStepMs - 1);
        if (stepTooSoon) {
            showSeconds();
            return;  // cursorPos stays where the cursor is drawn
        }
        if (!alreadyThere) {
            cursorDrawn_.start();
            if (from >= 0) paintColumn(bitmap, from, kBarWhite);
            if (to >= 0) paintColumn(bitmap, to, kBarBlack);
            // A cursor moving along gives one small repaint for both columns.
            if (from >= 0 && to >= 0 && std::abs(to - from) <= kOneRepaintColumns) {
                image1_->update(std::min(from, to), 0, std::abs(to - from) + 1, bitmap.height());
            } else {
                if (from >= 0) image1_->update(from, 0, 1, bitmap.height());
                if (to >= 0) image1_->update(to, 0, 1, bitmap.height());
            }
        }
        cursorPos_ = s_.mediaPos;
    }
    showSeconds();
}

void PositionBars::showSeconds() {
    const std::pair<int32_t, int32_t> seconds{s_.mediaPos / 1000, s_.mediaLength / 1000};
    if (seconds == shownSeconds_) return;
    lblPos_->setText(QString::number(seconds.first) + u'/' + QString::number(seconds.second));
    shownSeconds_ = seconds;
}

void PositionBars::RedrawBlockBar() {
    clearBlockBar();
    if (s_.mediaLength <= 0) return;
    // The two ends, the first and the last separator, get no line.
    for (int32_t i = 1; i < s_.blocks().count(); ++i) DrawSepLine(s_.blocks()[i], kBarBlack);
}

void PositionBars::RedrawBars() {
    ClearPosBar();
    RedrawBlockBar();
    cursorPos_ = 0;
    ShowPosition();
}

}  // namespace qm
