#include "gui/widgets/ChanceChartView.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

namespace korvel {

ChanceChartView::ChanceChartView(const QString& objectName, QSize minimumSize, QWidget* parent,
                                 ChartNoteStyle noteStyle)
    : QChartView(parent), m_noteStyle(noteStyle)
{
    setObjectName(objectName);
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(minimumSize);
}

QChart* ChanceChartView::styledChart() const
{
    auto* c = new QChart;
    c->setFont(font());
    c->setTitleFont(font());
    c->legend()->setFont(font());
    c->legend()->setAlignment(Qt::AlignBottom);
    return c;
}

void ChanceChartView::replaceChart(QChart* c)
{
    // setChart releases the chart shown before (the view's own default one too) without deleting it.
    QChart* previous = chart();
    setChart(c);
    delete previous;
    m_chance = nullptr;
}

void ChanceChartView::setEmptyText(const QString& text)
{
    m_emptyText = text;
    viewport()->update();
}

QBarSet* ChanceChartView::newBarSet(const QString& name)
{
    auto* bars = new QBarSet(name);
    bars->setColor(QColor(0x1F, 0x5F, 0xBF));
    bars->setBorderColor(QColor(0x1F, 0x5F, 0xBF));
    return bars;
}

QLineSeries* ChanceChartView::newChanceLine(QChart* c, const QString& name)
{
    auto* line = new QLineSeries(c);
    line->setName(name);
    line->setPen(QPen(QColor(0xD6, 0x27, 0x28), 2, Qt::DashLine));
    return line;
}

void ChanceChartView::attachBarAxes(QChart* c, QBarSeries* bars, QLineSeries* chance, QBarCategoryAxis* x,
                                    QValueAxis* y, int categories) const
{
    auto* lineX = new QValueAxis(c);
    lineX->setRange(-0.5, categories - 0.5);
    lineX->setVisible(false);
    for (QAbstractAxis* axis : std::initializer_list<QAbstractAxis*>{x, y}) {
        axis->setLabelsFont(font());
        axis->setTitleFont(font());
    }
    c->addAxis(x, Qt::AlignBottom);
    c->addAxis(lineX, Qt::AlignBottom);
    c->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(x);
    bars->attachAxis(y);
    chance->attachAxis(lineX);
    chance->attachAxis(y);
}

void ChanceChartView::drawOverChart(QPainter*) {}

void ChanceChartView::drawForeground(QPainter* painter, const QRectF& rect)
{
    QChartView::drawForeground(painter, rect);
    painter->save();
    if (m_emptyText.isEmpty()) {
        drawOverChart(painter);
    } else {
        if (m_noteStyle.viewFont) {
            painter->setFont(font());
        }
        painter->setPen(m_noteStyle.color.isValid() ? m_noteStyle.color : palette().color(QPalette::Text));
        const QRectF area = m_noteStyle.inPlotArea ? chart()->plotArea() : chart()->geometry();
        painter->drawText(area, Qt::AlignCenter | (m_noteStyle.wordWrap ? Qt::TextWordWrap : 0), m_emptyText);
    }
    painter->restore();
}

} // namespace korvel
