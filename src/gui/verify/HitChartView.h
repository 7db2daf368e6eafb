#pragma once

#include "verify/HitSeries.h"

#include <QChartView>
#include <QStringList>

class QLineSeries;
class QValueAxis;

namespace korvel {

// "命中走势图" of one formula: above the plot a strip of one bar per draw of the evaluation window (blue for a
// hit, green for a miss, as the history grid colours them) with every miss run of two draws or more
// underlined in red and the longest one named; in the plot the rolling hit rate over the last 30 draws
// beside the rate uniformly random digits would give the same predictions (随机基准). A series with no
// draws, or a formula that cannot be computed, shows why in the plot instead.
class HitChartView : public QChartView {
    Q_OBJECT
public:
    explicit HitChartView(QWidget* parent = nullptr);

    // `issues` are the issues of the window's draws (series index order).
    void setSeries(HitSeries series, QStringList issues);
    const HitSeries& series() const { return m_series; }
    // What the plot says instead of lines, or empty while it has lines.
    const QString& emptyText() const { return m_emptyText; }
    QLineSeries* rateLine() const { return m_rate; }
    QLineSeries* chanceLine() const { return m_chance; }

protected:
    void drawForeground(QPainter* painter, const QRectF& rect) override;

private:
    QChart* newChart() const;

    HitSeries m_series;
    QStringList m_issues;
    QString m_emptyText;
    QLineSeries* m_rate = nullptr;
    QLineSeries* m_chance = nullptr;
    QValueAxis* m_x = nullptr;
    QValueAxis* m_y = nullptr;
};

} // namespace korvel
