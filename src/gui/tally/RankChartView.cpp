#include "gui/tally/RankChartView.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>

namespace korvel {

QChart* RankChartView::newChart() const
{
    auto* c = new QChart;
    c->setFont(font());
    c->setTitleFont(font());
    c->legend()->setFont(font());
    c->legend()->setAlignment(Qt::AlignBottom);
    return c;
}

RankChartView::RankChartView(QWidget* parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("rankChart"));
    setRenderHint(QPainter::Antialiasing);
    // The view's own default chart is released by setChart, not deleted.
    QChart* initial = chart();
    setChart(newChart());
    delete initial;
    setMinimumSize(360, 300);
}

void RankChartView::setHistogram(const RankHistogram& histogram, const QString& caption)
{
    m_histogram = histogram;
    // A fresh chart each time: series and axes of the last one go with it.
    QChart* previous = chart();
    QChart* c = newChart();
    setChart(c);
    delete previous;
    m_bars = nullptr;
    m_chance = nullptr;
    c->setTitle(caption);
    if (histogram.rows == 0) {
        m_emptyText = QStringLiteral("历史号码不足两期，没有可统计的排位名次");
        viewport()->update();
        return;
    }
    m_emptyText.clear();

    auto* bars = new QBarSeries(c);
    m_bars = new QBarSet(QStringLiteral("开奖号所在名次（共%1期）").arg(histogram.rows));
    m_bars->setColor(QColor(0x1F, 0x5F, 0xBF));
    m_bars->setBorderColor(QColor(0x1F, 0x5F, 0xBF));
    QStringList ranks;
    for (int r = 0; r < 10; ++r) {
        *m_bars << histogram.counts[static_cast<std::size_t>(r)];
        ranks << QString::number(r + 1);
    }
    bars->append(m_bars);
    bars->setBarWidth(0.7);
    c->addSeries(bars);

    m_chance = new QLineSeries(c);
    m_chance->setName(QStringLiteral("随机基准（每名次 %1 次）").arg(histogram.chancePerRank, 0, 'f', 1));
    m_chance->setPen(QPen(QColor(0xD6, 0x27, 0x28), 2, Qt::DashLine));
    m_chance->append(-0.5, histogram.chancePerRank);
    m_chance->append(9.5, histogram.chancePerRank);
    c->addSeries(m_chance);

    auto* categories = new QBarCategoryAxis(c);
    categories->append(ranks);
    categories->setTitleText(QStringLiteral("排位名次"));
    // The line runs on a value axis over the same width as the ten categories.
    auto* lineX = new QValueAxis(c);
    lineX->setRange(-0.5, 9.5);
    lineX->setVisible(false);
    auto* y = new QValueAxis(c);
    const int top = std::max(*std::max_element(histogram.counts.begin(), histogram.counts.end()),
                             static_cast<int>(histogram.chancePerRank + 1));
    y->setRange(0, top * 1.15);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%d"));
    y->setTitleText(QStringLiteral("期数"));
    for (QAbstractAxis* axis : std::initializer_list<QAbstractAxis*>{categories, y}) {
        axis->setLabelsFont(font());
        axis->setTitleFont(font());
    }
    c->addAxis(categories, Qt::AlignBottom);
    c->addAxis(lineX, Qt::AlignBottom);
    c->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(categories);
    bars->attachAxis(y);
    m_chance->attachAxis(lineX);
    m_chance->attachAxis(y);
    viewport()->update();
}

void RankChartView::drawForeground(QPainter* painter, const QRectF& rect)
{
    QChartView::drawForeground(painter, rect);
    if (m_emptyText.isEmpty()) {
        return;
    }
    painter->save();
    painter->setFont(font());
    painter->setPen(palette().color(QPalette::Text));
    painter->drawText(chart()->geometry(), Qt::AlignCenter, m_emptyText);
    painter->restore();
}

} // namespace korvel
