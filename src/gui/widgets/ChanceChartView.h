#pragma once

#include <QChartView>
#include <QColor>

class QBarCategoryAxis;
class QBarSeries;
class QBarSet;
class QLineSeries;
class QValueAxis;

namespace korvel {

// Where and how the note of an empty result is written.
struct ChartNoteStyle {
    bool inPlotArea = false; // else over the whole chart
    bool wordWrap = false;
    QColor color;         // invalid: the palette's text colour
    bool viewFont = true; // written in the view's font
};

// The chart views that set a result beside what chance gives (the backtest, rank and bet net charts): each
// result gets a fresh chart (the series and axes of the last one go with it), and a result without
// anything to draw shows a note saying why instead. The bar charts also share the look of their bars, the
// dashed chance line and the axes that lay that line over the bar categories.
class ChanceChartView : public QChartView {
    Q_OBJECT
public:
    const QString& emptyText() const { return m_emptyText; }
    QLineSeries* chanceLine() const { return m_chance; }

protected:
    ChanceChartView(const QString& objectName, QSize minimumSize, QWidget* parent, ChartNoteStyle noteStyle = {});

    // A new chart in the view's font with the legend at the bottom.
    QChart* styledChart() const;
    // Shows `c` in place of the current chart, which is deleted, and forgets the chance line.
    void replaceChart(QChart* c);
    // The note of an empty result (empty text: none) and a repaint.
    void setEmptyText(const QString& text);
    void setChanceLine(QLineSeries* line) { m_chance = line; }

    // A bar set in the charts' bar colour.
    static QBarSet* newBarSet(const QString& name);
    // The dashed chance line, a series of `c`.
    static QLineSeries* newChanceLine(QChart* c, const QString& name);
    // Adds the category axis `x` and the value axis `y` to `c` for `bars`, and lays `chance` over the
    // `categories` categories on a hidden value axis of the same width; the visible axes get the view's font.
    void attachBarAxes(QChart* c, QBarSeries* bars, QLineSeries* chance, QBarCategoryAxis* x, QValueAxis* y,
                       int categories) const;

    // What a result with something to draw adds over the chart; nothing by default.
    virtual void drawOverChart(QPainter* painter);

    void drawForeground(QPainter* painter, const QRectF& rect) final;

private:
    ChartNoteStyle m_noteStyle;
    QString m_emptyText;
    QLineSeries* m_chance = nullptr;
};

} // namespace korvel
