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

QChart* BacktestChartView::newChart() const
{
    auto* c = new QChart;
    c->setFont(font());
    c->setTitleFont(font());
    c->legend()->setFont(font());
    c->legend()->setAlignment(Qt::AlignBottom);
    return c;
}

BacktestChartView::BacktestChartView(QWidget* parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("backtestChart"));
    setRenderHint(QPainter::Antialiasing);
    // The view's own default chart is released by setChart, not deleted.
    QChart* initial = chart();
    setChart(newChart());
    delete initial;
    setMinimumSize(480, 320);
}

void BacktestChartView::setResult(const BacktestResult& result, int slot)
{
    QChart* previous = chart();
    QChart* c = newChart();
    setChart(c);
    delete previous;
    m_bars = nullptr;
    m_chance = nullptr;
    m_summary = BacktestSummary{};
    const auto found = std::find_if(result.summary.begin(), result.summary.end(),
                                    [slot](const BacktestSummary& s) { return s.slot == slot; });
    if (!result.done()) {
        m_emptyText = result.message.isEmpty() ? QStringLiteral("回测没有完成") : result.message;
    } else if (found == result.summary.end() || found->lines[0].draws == 0) {
        m_emptyText = QStringLiteral("没有回测的期数");
    } else {
        m_emptyText.clear();
        m_summary = *found;
    }
    if (!m_emptyText.isEmpty()) {
        viewport()->update();
        return;
    }
    const int draws = m_summary.lines[0].draws;
    c->setTitle(
        QStringLiteral("%1 杀n码后开奖号保留的比例（回测%2期，竖线为95%区间）").arg(backtestSlotName(slot)).arg(draws));

    auto* bars = new QBarSeries(c);
    m_bars = new QBarSet(QStringLiteral("回测保留比例"));
    m_bars->setColor(QColor(0x1F, 0x5F, 0xBF));
    m_bars->setBorderColor(QColor(0x1F, 0x5F, 0xBF));
    m_chance = new QLineSeries(c);
    m_chance->setName(QStringLiteral("随机基准"));
    m_chance->setPen(QPen(QColor(0xD6, 0x27, 0x28), 2, Qt::DashLine));
    m_chance->setPointsVisible(true);
    QStringList categories;
    for (int i = 0; i < 9; ++i) {
        const SurvivalLine& line = m_summary.lines[static_cast<std::size_t>(i)];
        *m_bars << line.share * 100;
        m_chance->append(i, line.chance * 100);
        categories << QStringLiteral("杀%1码").arg(line.n);
    }
    bars->append(m_bars);
    bars->setBarWidth(0.6);
    c->addSeries(bars);
    c->addSeries(m_chance);

    auto* x = new QBarCategoryAxis(c);
    x->append(categories);
    auto* lineX = new QValueAxis(c);
    lineX->setRange(-0.5, 8.5);
    lineX->setVisible(false);
    auto* y = new QValueAxis(c);
    y->setRange(0, 100);
    y->setLabelFormat(QStringLiteral("%d%"));
    y->setTitleText(QStringLiteral("开奖号保留"));
    for (QAbstractAxis* axis : std::initializer_list<QAbstractAxis*>{x, y}) {
        axis->setLabelsFont(font());
        axis->setTitleFont(font());
    }
    c->addAxis(x, Qt::AlignBottom);
    c->addAxis(lineX, Qt::AlignBottom);
    c->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(x);
    bars->attachAxis(y);
    m_chance->attachAxis(lineX);
    m_chance->attachAxis(y);
    viewport()->update();
}

void BacktestChartView::drawForeground(QPainter* painter, const QRectF& rect)
{
    QChartView::drawForeground(painter, rect);
    painter->save();
    painter->setFont(font());
    if (!m_emptyText.isEmpty()) {
        painter->setPen(palette().color(QPalette::Text));
        painter->drawText(chart()->geometry(), Qt::AlignCenter, m_emptyText);
        painter->restore();
        return;
    }
    if (m_chance) {
        // The 95 % interval of every share as a whisker over its bar.
        painter->setPen(QPen(Qt::black, 1.5));
        for (int i = 0; i < 9; ++i) {
            const SurvivalLine& line = m_summary.lines[static_cast<std::size_t>(i)];
            const QPointF low = chart()->mapToPosition(QPointF(i, line.low * 100), m_chance);
            const QPointF high = chart()->mapToPosition(QPointF(i, line.high * 100), m_chance);
            painter->drawLine(low, high);
            painter->drawLine(low - QPointF(5, 0), low + QPointF(5, 0));
            painter->drawLine(high - QPointF(5, 0), high + QPointF(5, 0));
        }
    }
    painter->restore();
}

} // namespace korvel
