#pragma once

#include "bets/BetBacktest.h"
#include "gui/widgets/ChanceChartView.h"

namespace korvel {

// The bet backtest's chart: the cumulative net (盈亏, 元) after each backtested
// draw, beside the line the same lists would follow if every draw paid what
// chance pays on average. A result without draws shows its reason instead.
class NetChartView : public ChanceChartView {
  Q_OBJECT
public:
  explicit NetChartView(QWidget *parent = nullptr);

  void setResult(const BetBacktestResult &result);
  QLineSeries *netLine() const { return m_net; }

private:
  QLineSeries *m_net = nullptr;
};

} // namespace korvel
