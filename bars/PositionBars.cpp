#include "bars/PositionBars.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
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

// Where the cursor lands when the view follows it: this share of the view
// from its left edge, so that what comes next is in sight.
constexpr int kFollowMarginDivisor = 10;

template <typename T>
T clampTo(int64_t v) {
    return static_cast<T>(std::clamp<int64_t>(v, std::numeric_limits<T>::min(),
                                              std::numeric_limits<T>::max()));
}

// a / b rounded down (b > 0): a time just before the view is left of column 0.
int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

QRgb opaque(QRgb colour) { return 0xFF000000u | colour; }

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

void TBarImage::wheelEvent(QWheelEvent* event) {
    emit wheelTurned(event->position().toPoint().x(), event->angleDelta(), event->modifiers());
    event->accept();
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
    shadedBlock_ = s_.curBlock;
    shadeFrom_ = 0;
    shadeTo_ = -1;
    if (s_.mediaLength <= 0) return;
    const auto& blocks = s_.blocks();
    // A lesson of one block has nothing to single out: its bar stays unshaded.
    if (s_.curBlock >= 1 && s_.curBlock <= blocks.count() && blocks.count() > 1) {
        shadeFrom_ = blockColumn(blocks[s_.curBlock - 1]);
        shadeTo_ = blockColumn(blocks[s_.curBlock]);
    }
    if (wave_.empty() && shadeFrom_ > shadeTo_) return;
    for (int x = 0; x < image2_->bitmap().width(); ++x) paintBlockColumn(x);
    image2_->update();
}

void PositionBars::paintBlockColumn(int x) {
    QImage& bitmap = image2_->bitmap();
    const int h = bitmap.height();
    float level = 0;
    if (!wave_.empty() && s_.mediaLength > 0) {
        // The loudest frame of the column's time span.
        const int32_t from = std::max(blockTime(x), 0);
        const int32_t to = std::max(blockTime(x + 1), from + 1);
        const auto first = static_cast<std::size_t>(from / waveFrameMs_);
        const auto last = std::min(wave_.size(), static_cast<std::size_t>((to + waveFrameMs_ - 1) / waveFrameMs_));
        for (std::size_t i = first; i < last; ++i) level = std::max(level, wave_[i]);
    }
    const int filled = static_cast<int>(std::clamp(level, 0.0f, 1.0f) * static_cast<float>(h - 1) + 0.5f);
    const bool shaded = x >= shadeFrom_ && x <= shadeTo_;
    const QRgb back = opaque(shaded ? kBarCurrent : kBarWhite);
    const QRgb wave = opaque(shaded ? kBarWaveCurrent : kBarWave);
    for (int y = 0; y < h; ++y) reinterpret_cast<QRgb*>(bitmap.scanLine(y))[x] = y >= h - filled ? wave : back;
}

void PositionBars::DrawPosLine(int32_t ms, QRgb colour) {
    drawLine(image1_, ms, s_.mediaLength, colour);
}

void PositionBars::DrawSepLine(int32_t ms, QRgb colour) {
    if (s_.mediaLength <= 0) return;
    QImage& bitmap = image2_->bitmap();
    const int x = blockColumn(ms);
    if (x < 0 || x >= bitmap.width()) return;
    // An erased separator gives back what is behind it: the loudness, the shade.
    if (colour == kBarWhite) {
        paintBlockColumn(x);
    } else {
        paintColumn(bitmap, x, colour);
    }
    image2_->update(x, 0, 1, bitmap.height());
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
    // A zoom made on another media's length does not hold for this one.
    if (viewSpan_ > 0 && viewLength_ != s_.mediaLength) {
        setView(0, 0);
        return;  // redrawn there
    }
    clearBlockBar();
    if (s_.mediaLength <= 0) return;
    // The two ends, the first and the last separator, get no line.
    for (int32_t i = 1; i < s_.blocks().count(); ++i) DrawSepLine(s_.blocks()[i], kBarBlack);
    if (zoomed()) drawBlockNumbers();
}

// Each block's number, centred at the top of its part of the bar, where the
// digits fit between its separators with a column to spare.
void PositionBars::drawBlockNumbers() {
    QImage& bitmap = image2_->bitmap();
    QPainter painter(&bitmap);
    QFont font = image2_->font();
    font.setPixelSize(10);
    // Plain pixels of one colour: no blend with the loudness to mistake for anything else.
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(QColor::fromRgb(kBarNumber));
    const QFontMetrics metrics(font, &bitmap);
    const auto& blocks = s_.blocks();
    for (int32_t k = std::max(blocks.blockAt(viewStart()), 1); k <= blocks.count(); ++k) {
        const int left = std::max(blockColumn(blocks[k - 1]) + 1, 0);
        const int right = std::min(blockColumn(blocks[k]) - 1, bitmap.width() - 1);
        if (left >= bitmap.width()) break;
        const QString number = QString::number(k);
        const int room = right - left + 1;
        const int width = metrics.horizontalAdvance(number);
        if (width + 1 > room) continue;
        painter.drawText(left + (room - width) / 2, metrics.ascent(), number);
    }
}

// ---------------------------------------------------------------- the block bar's view

bool PositionBars::zoomed() const { return viewSpan_ > 0 && viewLength_ == s_.mediaLength && s_.mediaLength > 0; }

int32_t PositionBars::viewStart() const { return zoomed() ? static_cast<int32_t>(viewStart_) : 0; }

int32_t PositionBars::viewSpan() const { return zoomed() ? static_cast<int32_t>(viewSpan_) : std::max(s_.mediaLength, 0); }

int PositionBars::blockColumn(int32_t ms) const {
    const int width = image2_->bitmap().width();
    if (!zoomed()) return barColumn(ms, width, s_.mediaLength);
    return clampTo<int>(floorDiv((int64_t{ms} - viewStart_) * width, viewSpan_));
}

int32_t PositionBars::blockTime(int x) const {
    const int width = image2_->bitmap().width();
    if (!zoomed()) return barTime(x, width, s_.mediaLength);
    if (width <= 0) return static_cast<int32_t>(viewStart_);
    // Rounded up: the column's first millisecond, which blockColumn maps back
    // to it, so that a separator dropped on a column is drawn there.
    return clampTo<int32_t>(viewStart_ - floorDiv(-int64_t{x} * viewSpan_, width));
}

bool PositionBars::inView(int32_t ms) const {
    return ms >= viewStart() && int64_t{ms} <= int64_t{viewStart()} + viewSpan();
}

// The one place the view changes: kept within the media and the finest zoom;
// a span of 0 or of the whole length (or more) is the whole media.
void PositionBars::setView(int64_t start, int64_t span) {
    const int64_t length = s_.mediaLength;
    const int64_t finest = int64_t{image2_->bitmap().width()} * kMinMsPerColumn;
    if (span > 0) span = std::max(span, finest);
    if (length <= 0 || span <= 0 || span >= length) {
        start = 0;
        span = 0;
    } else {
        start = std::clamp<int64_t>(start, 0, length - span);
    }
    const bool same = start == viewStart_ && span == viewSpan_ && (span == 0 || viewLength_ == length);
    viewStart_ = start;
    viewSpan_ = span;
    viewLength_ = static_cast<int32_t>(length);
    cursorInView_ = inView(s_.mediaPos);
    if (same) return;
    if (viewChanged_) viewChanged_();
    RedrawBlockBar();
}

// The time anchorMs stays at (fractional) column anchorX.
void PositionBars::zoomAround(double anchorMs, double anchorX, double factor) {
    const int width = image2_->bitmap().width();
    if (s_.mediaLength <= 0 || width <= 0 || !(factor > 0)) return;
    const int64_t span = std::llround(static_cast<double>(viewSpan()) / factor);
    if (span >= s_.mediaLength) {
        setView(0, 0);
        return;
    }
    // Clamped to the finest first, so that the anchor stays put at the limit too.
    const int64_t kept = std::max<int64_t>(span, int64_t{width} * kMinMsPerColumn);
    setView(std::llround(anchorMs - anchorX * static_cast<double>(kept) / width), kept);
}

void PositionBars::zoomAt(int x, double factor) {
    const int width = image2_->bitmap().width();
    if (width <= 0) return;
    const double anchor = viewStart() + static_cast<double>(x) * viewSpan() / width;
    zoomAround(anchor, x, factor);
}

void PositionBars::zoomAtCursor(double factor) {
    const int width = image2_->bitmap().width();
    if (width <= 0 || viewSpan() <= 0) return;
    const int32_t at = s_.mediaPos;
    const double x = inView(at) ? static_cast<double>(at - viewStart()) * width / viewSpan() : width / 2.0;
    zoomAround(at, x, factor);
}

void PositionBars::showWholeMedia() { setView(0, 0); }

void PositionBars::scrollTo(int32_t startMs) {
    if (zoomed()) setView(startMs, viewSpan_);
}

void PositionBars::scrollBy(int32_t deltaMs) {
    if (zoomed()) setView(viewStart_ + deltaMs, viewSpan_);
}

void PositionBars::followPlayback() {
    if (!zoomed()) return;
    const bool shown = inView(s_.mediaPos);
    if (!shown && cursorInView_) {
        setView(int64_t{s_.mediaPos} - viewSpan_ / kFollowMarginDivisor, viewSpan_);
        return;
    }
    cursorInView_ = shown;
}

void PositionBars::showCurrentBlock() {
    if (s_.curBlock == shadedBlock_) return;
    RedrawBlockBar();
}

void PositionBars::RedrawBars() {
    ClearPosBar();
    RedrawBlockBar();
    cursorPos_ = 0;
    ShowPosition();
}

}  // namespace qm
