#include "gui/tally/BacktestChartView.h"

#include "session/BacktestCommand.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>

namespace korvel {

BacktestChartView::BacktestChartView(QWidget *parent)
    : ChanceChartView(QStringLiteral("backtestChart"), QSize(480, 320),
                      parent) {
  replaceChart(styledChart());
}

void BacktestChartView::setResult(const BacktestResult &result, int slot) {
  QChart *c = styledChart();
  replaceChart(c);
  m_bars = nullptr;
  m_summary = BacktestSummary{};
  const auto found =
      std::find_if(result.summary.begin(), result.summary.end(),
                   [slot](const BacktestSummary &s) { return s.slot == slot; });
  if (!result.done()) {
    setEmptyText(result.message.isEmpty() ? QStringLiteral("回测没有完成")
                                          : result.message);
    return;
  }
  if (found == result.summary.end() || found->lines[0].draws == 0) {
    setEmptyText(QStringLiteral("没有回测的期数"));
    return;
  }
  m_summary = *found;
  const int draws = m_summary.lines[0].draws;
  c->setTitle(
      QStringLiteral("%1 杀n码后开奖号保留的比例（回测%2期，竖线为95%区间）")
          .arg(backtestSlotName(slot))
          .arg(draws));

  auto *bars = new QBarSeries(c);
  m_bars = newBarSet(QStringLiteral("回测保留比例"));
  QLineSeries *chance = newChanceLine(c, QStringLiteral("随机基准"));
  chance->setPointsVisible(true);
  setChanceLine(chance);
  QStringList categories;
  for (int i = 0; i < 9; ++i) {
    const SurvivalLine &line = m_summary.lines[static_cast<std::size_t>(i)];
    *m_bars << line.share * 100;
    chance->append(i, line.chance * 100);
    categories << QStringLiteral("杀%1码").arg(line.n);
  }
  bars->append(m_bars);
  bars->setBarWidth(0.6);
  c->addSeries(bars);
  c->addSeries(chance);

  auto *x = new QBarCategoryAxis(c);
  x->append(categories);
  auto *y = new QValueAxis(c);
  y->setRange(0, 100);
  y->setLabelFormat(QStringLiteral("%d%"));
  y->setTitleText(QStringLiteral("开奖号保留"));
  attachBarAxes(c, bars, chance, x, y, 9);
  setEmptyText({});
}

void BacktestChartView::drawOverChart(QPainter *painter) {
  if (!chanceLine()) {
    return;
  }
  // The 95 % interval of every share as a whisker over its bar.
  painter->setPen(QPen(Qt::black, 1.5));
  for (int i = 0; i < 9; ++i) {
    const SurvivalLine &line = m_summary.lines[static_cast<std::size_t>(i)];
    const QPointF low =
        chart()->mapToPosition(QPointF(i, line.low * 100), chanceLine());
    const QPointF high =
        chart()->mapToPosition(QPointF(i, line.high * 100), chanceLine());
    painter->drawLine(low, high);
    painter->drawLine(low - QPointF(5, 0), low + QPointF(5, 0));
    painter->drawLine(high - QPointF(5, 0), high + QPointF(5, 0));
  }
}

} // namespace korvel
