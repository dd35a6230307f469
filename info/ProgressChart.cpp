#include "info/ProgressChart.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {
// The class's texts under its full name, whether or not lupdate reads the header.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(qm::ProgressChart)
};

const QColor kScoreColour(0x1f, 0x5f, 0xbf);
const QColor kMasteredColour(0x6a, 0xb0, 0x6a);
const QColor kGridColour(0xd8, 0xd8, 0xd8);
constexpr int kNarrowestDay = 6;  // pixels a day needs to be told apart

// A day's local midnight as a UTC instant, shown as its local date.
QString dayLabel(int64_t day, int64_t utcOffset) {
    return QDateTime::fromSecsSinceEpoch(day + utcOffset, Qt::UTC).date().toString(QStringLiteral("M/d"));
}
}  // namespace

ProgressChart::ProgressChart(QWidget* parent) : QWidget(parent) {
    setAccessibleName(qm::Texts::tr("書き取りの記録"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ProgressChart::setProgress(std::vector<dictation::DayProgress> days, int blocks, int64_t utcOffset) {
    days_ = std::move(days);
    utcOffset_ = utcOffset;
    blocks_ = blocks;
    for (const auto& d : days_) blocks_ = std::max(blocks_, d.blocksMastered);
    update();
}

QRect ProgressChart::plotArea() const {
    const QFontMetrics fm(font());
    const int left = fm.horizontalAdvance(QStringLiteral("100")) + 10;
    const int right = fm.horizontalAdvance(QString::number(std::max(blocks_, 10))) + 10;
    const int top = fm.height() + 10;     // the legend
    const int bottom = fm.height() + 8;   // the dates
    return rect().adjusted(left, top, -right, -bottom);
}

int ProgressChart::daysShown() const {
    const int fit = std::max(1, plotArea().width() / kNarrowestDay);
    return std::min(static_cast<int>(days_.size()), fit);
}

void ProgressChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().base());
    const QFontMetrics fm(font());
    if (days_.empty()) {
        p.setPen(palette().text().color());
        p.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                   qm::Texts::tr("まだ採点した書き取りがありません。メモ画面の書き取りで採点すると、日ごとの点数と習得したブロックがここに表示されます。"));
        return;
    }

    // The legend: what the line and the bars are, with their scales' sides.
    int x = 4;
    const int legendY = 4 + fm.ascent();
    p.setPen(QPen(kScoreColour, 2));
    p.drawLine(x, legendY - fm.ascent() / 3, x + 16, legendY - fm.ascent() / 3);
    x += 20;
    p.setPen(palette().text().color());
    const QString scoreText = qm::Texts::tr("平均点（左）");
    p.drawText(x, legendY, scoreText);
    x += fm.horizontalAdvance(scoreText) + 16;
    p.fillRect(x, legendY - fm.ascent() + 2, 12, fm.ascent() - 2, kMasteredColour);
    x += 16;
    p.drawText(x, legendY, qm::Texts::tr("習得したブロック（右）"));

    const QRect area = plotArea();
    const int shown = daysShown();
    const auto first = days_.end() - shown;
    const double slot = static_cast<double>(area.width()) / shown;
    // The bars' scale: a round number just above the most mastered, so that
    // the first few stand out; the lesson's blocks at most.
    int mostMastered = 0;
    for (auto it = first; it != days_.end(); ++it) mostMastered = std::max(mostMastered, it->blocksMastered);
    int scaleTop = 5;
    for (int step : {5, 10, 20, 50, 100, 200, 500, 1000})
        if ((scaleTop = step) >= mostMastered) break;
    scaleTop = std::clamp(std::max(scaleTop, mostMastered), 1, std::max(blocks_, 1));

    // The grid and both scales: scores at 0, 50, 100; blocks at 0 and the lesson's count.
    p.setPen(kGridColour);
    for (int score : {0, 25, 50, 75, 100}) {
        const int y = area.bottom() - score * area.height() / 100;
        p.drawLine(area.left(), y, area.right(), y);
    }
    p.setPen(kScoreColour);
    for (int score : {0, 50, 100}) {
        const int y = area.bottom() - score * area.height() / 100;
        p.drawText(QRect(0, y - fm.height() / 2, area.left() - 5, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(score));
    }
    p.setPen(kMasteredColour.darker(130));
    for (int blocks : {0, scaleTop}) {
        const int y = area.bottom() - blocks * area.height() / scaleTop;
        p.drawText(QRect(area.right() + 5, y - fm.height() / 2, width() - area.right() - 5, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::number(blocks));
    }

    // The bars of blocks mastered, then the line of scores over them.
    QPainterPath line;
    std::vector<QPointF> points;
    for (auto it = first; it != days_.end(); ++it) {
        const int i = static_cast<int>(it - first);
        const double left = area.left() + i * slot;
        const double barHeight = static_cast<double>(it->blocksMastered) * area.height() / scaleTop;
        const double barWidth = std::max(1.0, slot * 0.6);
        p.fillRect(QRectF(left + (slot - barWidth) / 2, area.bottom() - barHeight, barWidth, barHeight), kMasteredColour);
        const QPointF point(left + slot / 2, area.bottom() - it->meanScore * area.height() / 100.0);
        if (i == 0)
            line.moveTo(point);
        else
            line.lineTo(point);
        points.push_back(point);
    }
    p.setPen(QPen(kScoreColour, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    p.setBrush(kScoreColour);
    const double dot = std::min(3.0, slot / 3);
    for (const QPointF& point : points) p.drawEllipse(point, dot, dot);

    // The dates under the columns, as many as fit without touching; the newest always.
    p.setPen(palette().text().color());
    const int labelWidth = fm.horizontalAdvance(QStringLiteral("12/31")) + 8;
    const int every = std::max(1, static_cast<int>(std::ceil(labelWidth / slot)));
    for (int i = shown - 1; i >= 0; i -= every) {
        const double centre = area.left() + i * slot + slot / 2;
        p.drawText(QRectF(centre - labelWidth / 2.0, area.bottom() + 4, labelWidth, fm.height()), Qt::AlignCenter,
                   dayLabel((first + i)->day, utcOffset_));
    }
}

}  // namespace qm
