#pragma once

#include "tally/RankHistogram.h"

#include <QChartView>

class QBarSet;
class QLineSeries;

namespace korvel {

// The tally rank chart of "历史开奖列表": one bar per rank 1 .. 10, how often the drawn digit stood there,
// beside the flat line of the count a ranking without skill would give every rank. An empty list (a
// history of one draw) shows why instead of bars.
class RankChartView : public QChartView {
    Q_OBJECT
public:
    explicit RankChartView(QWidget* parent = nullptr);

    void setHistogram(const RankHistogram& histogram, const QString& caption);
    const RankHistogram& histogram() const { return m_histogram; }
    QBarSet* bars() const { return m_bars; }
    QLineSeries* chanceLine() const { return m_chance; }
    const QString& emptyText() const { return m_emptyText; }

protected:
    void drawForeground(QPainter* painter, const QRectF& rect) override;

private:
    QChart* newChart() const;

    RankHistogram m_histogram;
    QString m_emptyText;
    QBarSet* m_bars = nullptr;
    QLineSeries* m_chance = nullptr;
};

} // namespace korvel
