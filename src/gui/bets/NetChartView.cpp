#include "gui/bets/NetChartView.h"

#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace korvel {

namespace {

// The note of an empty result: grey, wrapped, over the plot area in the
// painter's own font.
ChartNoteStyle netNoteStyle()
{
    ChartNoteStyle style;
    style.inPlotArea = true;
    style.wordWrap = true;
    style.color = QColor(0x60, 0x60, 0x60);
    style.viewFont = false;
    return style;
}

} // namespace

NetChartView::NetChartView(QWidget* parent)
    : ChanceChartView(QStringLiteral("netChart"), QSize(520, 300), parent, netNoteStyle())
{
    setResult({});
}

namespace {

// Ticks a whole number of units apart (1, 2, 5, 10, 20…), about four to a span: labels of whole yuan and
// whole draws never repeat a rounded value, even on the empty chart's axes of span 1 or 2.
void wholeTicks(QValueAxis* axis, double span)
{
    const double raw = std::max(1.0, span / 4.0);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10.0 * power;
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= raw) {
            step = m * power;
            break;
        }
    }
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
}

} // namespace

void NetChartView::setResult(const BetBacktestResult& result)
{
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("累计盈亏（元）"));
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_net = new QLineSeries(chart);
    m_net->setName(QStringLiteral("累计盈亏"));
    m_net->setPen(QPen(QColor(0xC0, 0x39, 0x2B), 2));
    auto* chance = new QLineSeries(chart);
    chance->setName(QStringLiteral("随机期望"));
    chance->setPen(QPen(QColor(0x80, 0x80, 0x80), 1.5, Qt::DashLine));
    double expected = 0;
    double low = 0;
    double high = 0;
    m_net->append(0, 0);
    chance->append(0, 0);
    for (std::size_t i = 0; i < result.draws.size(); ++i) {
        const BetBacktestDraw& d = result.draws[i];
        expected += d.chanceWinnings - d.cost;
        const auto x = static_cast<double>(i + 1);
        m_net->append(x, d.cumulativeNet);
        chance->append(x, expected);
        low = std::min({low, d.cumulativeNet, expected});
        high = std::max({high, d.cumulativeNet, expected});
    }
    chart->addSeries(m_net);
    chart->addSeries(chance);
    auto* x = new QValueAxis(chart);
    x->setTitleText(QStringLiteral("回测期数"));
    x->setLabelFormat(QStringLiteral("%d"));
    const double draws = std::max<double>(1, static_cast<double>(result.draws.size()));
    x->setRange(0, draws);
    wholeTicks(x, draws);
    auto* y = new QValueAxis(chart);
    y->setTitleText(QStringLiteral("元"));
    y->setLabelFormat(QStringLiteral("%.0f"));
    const double margin = std::max(1.0, (high - low) * 0.05);
    y->setRange(low - margin, high + margin);
    wholeTicks(y, high - low + 2 * margin);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QLineSeries* s : {m_net, chance}) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    replaceChart(chart);
    setChanceLine(chance);
    setEmptyText(!result.done() ? result.message : result.draws.empty() ? QStringLiteral("尚未回测") : QString());
}

} // namespace korvel
