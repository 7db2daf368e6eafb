#pragma once

#include "bets/BetBacktest.h"

#include <QChartView>

class QLineSeries;

namespace korvel {

// The bet backtest's chart: the cumulative net (盈亏, 元) after each backtested draw, beside the line the
// same lists would follow if every draw paid what chance pays on average. A result without draws shows
// its reason instead.
class NetChartView : public QChartView {
    Q_OBJECT
public:
    explicit NetChartView(QWidget* parent = nullptr);

    void setResult(const BetBacktestResult& result);
    QLineSeries* netLine() const { return m_net; }
    QLineSeries* chanceLine() const { return m_chance; }
    const QString& emptyText() const { return m_emptyText; }

protected:
    void drawForeground(QPainter* painter, const QRectF& rect) override;

private:
    QLineSeries* m_net = nullptr;
    QLineSeries* m_chance = nullptr;
    QString m_emptyText;
};

} // namespace korvel
