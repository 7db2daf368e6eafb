#include "gui/verify/HitChartView.h"

#include <QApplication>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace korvel {

namespace {
const QColor kHit(0x1F, 0x5F, 0xBF);
const QColor kMiss(0x3C, 0xB0, 0x3C);
const QColor kRun(0xD6, 0x27, 0x28);
constexpr int kStripBand = 58; // room above the plot for the strip and its marks
} // namespace

QChart* HitChartView::newChart() const
{
    auto* c = new QChart;
    c->setFont(font());
    c->legend()->setFont(font());
    c->legend()->setAlignment(Qt::AlignBottom);
    c->setMargins(QMargins(8, kStripBand, 8, 4));
    return c;
}

HitChartView::HitChartView(QWidget* parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("hitChart"));
    setRenderHint(QPainter::Antialiasing);
    // The view's own default chart is released by setChart, not deleted.
    QChart* initial = chart();
    setChart(newChart());
    delete initial;
    setMinimumSize(640, 360);
}

void HitChartView::setSeries(HitSeries series, QStringList issues)
{
    m_series = std::move(series);
    m_issues = std::move(issues);
    // A fresh chart each time: series and axes of the last one go with it.
    QChart* previous = chart();
    QChart* c = newChart();
    setChart(c);
    delete previous;
    m_rate = nullptr;
    m_chance = nullptr;

    if (!m_series.evaluable) {
        m_emptyText = QStringLiteral("该公式无法计算：%1").arg(m_series.error);
    } else if (m_series.empty()) {
        m_emptyText = QStringLiteral("检索期数内没有可验证的历史号码");
    } else {
        m_emptyText.clear();
    }
    if (!m_emptyText.isEmpty()) {
        viewport()->update();
        return;
    }

    m_rate = new QLineSeries(c);
    m_rate->setName(QStringLiteral("最近%1期命中率").arg(m_series.rolling));
    m_rate->setPen(QPen(kHit, 2));
    m_chance = new QLineSeries(c);
    m_chance->setName(QStringLiteral("随机基准 (%1%)").arg(m_series.meanChance * 100, 0, 'f', 1));
    QPen dashed(QColor(0x60, 0x60, 0x60), 1.5, Qt::DashLine);
    m_chance->setPen(dashed);
    for (int i = 0; i < m_series.size(); ++i) {
        if (m_series.hasRolling(i)) {
            m_rate->append(i, m_series.rollingRate[static_cast<std::size_t>(i)] * 100);
            m_chance->append(i, m_series.rollingChance[static_cast<std::size_t>(i)] * 100);
        }
    }
    c->addSeries(m_rate);
    c->addSeries(m_chance);

    m_x = new QValueAxis(c);
    m_x->setRange(-0.5, m_series.size() - 0.5);
    m_x->setLabelFormat(QStringLiteral("%d"));
    m_x->setTitleText(
        QStringLiteral("检索期数内第几期（%1 至 %2）").arg(m_issues.value(0), m_issues.value(m_issues.size() - 1)));
    m_y = new QValueAxis(c);
    // From a little under the lowest rate or chance to 100%, so that a kill formula's line is not squeezed
    // into the top of the plot.
    double low = 100.0;
    for (const QLineSeries* line : {m_rate, m_chance}) {
        for (const QPointF& p : line->points()) {
            low = std::min(low, p.y());
        }
    }
    const double bottom = std::max(0.0, std::floor(low / 10.0) * 10.0 - 10.0);
    m_y->setRange(bottom, 100);
    m_y->setTickCount(static_cast<int>((100 - bottom) / 10) + 1);
    m_y->setLabelFormat(QStringLiteral("%d%"));
    m_y->setTitleText(QStringLiteral("命中率"));
    for (QValueAxis* axis : {m_x, m_y}) {
        axis->setLabelsFont(font());
        axis->setTitleFont(font());
    }
    c->addAxis(m_x, Qt::AlignBottom);
    c->addAxis(m_y, Qt::AlignLeft);
    for (QLineSeries* s : {m_rate, m_chance}) {
        s->attachAxis(m_x);
        s->attachAxis(m_y);
    }
    if (m_rate->count() == 0) {
        m_emptyText = QStringLiteral("检索期数不足%1期，没有滚动命中率").arg(m_series.rolling);
    }
    viewport()->update();
}

void HitChartView::drawForeground(QPainter* painter, const QRectF& rect)
{
    QChartView::drawForeground(painter, rect);
    const QRectF plot = chart()->plotArea();
    painter->save();
    painter->setFont(font());
    if (!m_emptyText.isEmpty() && m_series.empty()) {
        painter->setPen(palette().color(QPalette::Text));
        painter->drawText(chart()->geometry(), Qt::AlignCenter, m_emptyText);
        painter->restore();
        return;
    }
    if (!m_emptyText.isEmpty()) {
        painter->setPen(palette().color(QPalette::Text));
        painter->drawText(plot, Qt::AlignCenter, m_emptyText);
    }
    const int n = m_series.size();
    if (n == 0) {
        painter->restore();
        return;
    }
    // Draw i occupies [x(i - 0.5), x(i + 0.5)) of the plot's width.
    const auto x = [&](double i) { return plot.left() + (i + 0.5) * plot.width() / n; };
    const QFontMetricsF fm(font());
    const double stripTop = plot.top() - kStripBand + fm.height() + 6;
    const double stripHeight = 14;
    for (int i = 0; i < n; ++i) {
        const QRectF bar(QPointF(x(i - 0.5), stripTop), QPointF(x(i + 0.5), stripTop + stripHeight));
        painter->fillRect(bar, m_series.hits[static_cast<std::size_t>(i)] ? kHit : kMiss);
    }
    const HitSeries::Run longest = m_series.longestMissRun();
    painter->setPen(QPen(kRun, 3));
    for (const HitSeries::Run& run : m_series.missRuns) {
        if (run.length >= 2) {
            const double y = stripTop + stripHeight + 4;
            painter->drawLine(QPointF(x(run.first - 0.5), y), QPointF(x(run.first + run.length - 0.5), y));
        }
    }
    // The legend of the strip, and the longest run named.
    painter->setPen(palette().color(QPalette::Text));
    QString caption = QStringLiteral("命中 %1 / %2 期（%3%）  蓝=对 绿=错  红线=连错")
                          .arg(m_series.hitCount)
                          .arg(n)
                          .arg(m_series.rate() * 100, 0, 'f', 1);
    if (longest.length > 0) {
        caption += QStringLiteral("  最长连错 %1 期（%2 起）").arg(longest.length).arg(m_issues.value(longest.first));
    }
    painter->drawText(QRectF(plot.left(), stripTop - fm.height() - 4, plot.width(), fm.height() + 2),
                      Qt::AlignLeft | Qt::AlignVCenter, caption);
    painter->restore();
}

} // namespace korvel
