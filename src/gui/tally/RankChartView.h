#pragma once

#include "gui/widgets/ChanceChartView.h"
#include "tally/RankHistogram.h"

namespace korvel {

// The tally rank chart of "历史开奖列表": one bar per rank 1 .. 10, how often
// the drawn digit stood there, beside the flat line of the count a ranking
// without skill would give every rank. An empty list (a history of one draw)
// shows why instead of bars.
class RankChartView : public ChanceChartView {
  Q_OBJECT
public:
  explicit RankChartView(QWidget *parent = nullptr);

  void setHistogram(const RankHistogram &histogram, const QString &caption);
  const RankHistogram &histogram() const { return m_histogram; }
  QBarSet *bars() const { return m_bars; }

private:
  RankHistogram m_histogram;
  QBarSet *m_bars = nullptr;
};

} // namespace korvel
