#pragma once

#include "dictation/ReviewSchedule.h"

#include <QWidget>

#include <vector>

namespace qm {

// The open lesson's dictation over the days, painted: one column per day
// with attempts, the day's mean score as a line on the left scale (0 .. 100)
// and the blocks mastered by that day's end as bars on the right scale (0 ..
// a round number above the most mastered, the lesson's blocks with a note at most). The newest days are kept when there are
// more than fit; the dates are month/day, the same in every language.
class ProgressChart : public QWidget {
    Q_OBJECT
public:
    explicit ProgressChart(QWidget* parent = nullptr);

    // days oldest first, as progressByDay gives them on the calendar of
    // utcOffset; blocks: the lesson's blocks that can be written down (at
    // least every block mastered).
    void setProgress(std::vector<dictation::DayProgress> days, int blocks, int64_t utcOffset);
    const std::vector<dictation::DayProgress>& progress() const { return days_; }
    int blocks() const { return blocks_; }
    // The days drawn at the present width: the newest that fit.
    int daysShown() const;

    QSize sizeHint() const override { return {380, 240}; }
    QSize minimumSizeHint() const override { return {240, 160}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect plotArea() const;

    std::vector<dictation::DayProgress> days_;
    int blocks_ = 0;
    int64_t utcOffset_ = 0;
};

}  // namespace qm
