#pragma once

#include "gui/widgets/ChanceChartView.h"
#include "tally/MethodBacktest.h"

namespace korvel {

// The backtest chart of one slot: for "杀n码" (n = 1 .. 9, the n weakest digits
// killed) the share of the predicted draws whose drawn digit survived, as a bar
// with its 95 % interval as a whisker, beside the share uniformly random digits
// would give (the chance line). A result that is not done, or has no draws,
// shows its reason instead.
class BacktestChartView : public ChanceChartView {
  Q_OBJECT
public:
  explicit BacktestChartView(QWidget *parent = nullptr);

  // The summary of `slot` (0 通选, 1 个位, 2 十位, 3 百位) of the result.
  void setResult(const BacktestResult &result, int slot);
  QBarSet *bars() const { return m_bars; }
  const BacktestSummary &summary() const { return m_summary; }

protected:
  void drawOverChart(QPainter *painter) override;

private:
  BacktestSummary m_summary;
  QBarSet *m_bars = nullptr;
};

} // namespace korvel
