#include "gui/tally/RankChartView.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>

namespace korvel {

RankChartView::RankChartView(QWidget *parent)
    : ChanceChartView(QStringLiteral("rankChart"), QSize(360, 300), parent) {
  replaceChart(styledChart());
}

void RankChartView::setHistogram(const RankHistogram &histogram,
                                 const QString &caption) {
  m_histogram = histogram;
  QChart *c = styledChart();
  replaceChart(c);
  m_bars = nullptr;
  c->setTitle(caption);
  if (histogram.rows == 0) {
    setEmptyText(QStringLiteral("历史号码不足两期，没有可统计的排位名次"));
    return;
  }

  auto *bars = new QBarSeries(c);
  m_bars =
      newBarSet(QStringLiteral("开奖号所在名次（共%1期）").arg(histogram.rows));
  QStringList ranks;
  for (int r = 0; r < 10; ++r) {
    *m_bars << histogram.counts[static_cast<std::size_t>(r)];
    ranks << QString::number(r + 1);
  }
  bars->append(m_bars);
  bars->setBarWidth(0.7);
  c->addSeries(bars);

  QLineSeries *chance =
      newChanceLine(c, QStringLiteral("随机基准（每名次 %1 次）")
                           .arg(histogram.chancePerRank, 0, 'f', 1));
  chance->append(-0.5, histogram.chancePerRank);
  chance->append(9.5, histogram.chancePerRank);
  c->addSeries(chance);
  setChanceLine(chance);

  auto *categories = new QBarCategoryAxis(c);
  categories->append(ranks);
  categories->setTitleText(QStringLiteral("排位名次"));
  auto *y = new QValueAxis(c);
  const int top = std::max(
      *std::max_element(histogram.counts.begin(), histogram.counts.end()),
      static_cast<int>(histogram.chancePerRank + 1));
  y->setRange(0, top * 1.15);
  y->applyNiceNumbers();
  y->setLabelFormat(QStringLiteral("%d"));
  y->setTitleText(QStringLiteral("期数"));
  attachBarAxes(c, bars, chance, categories, y, 10);
  setEmptyText({});
}

} // namespace korvel
