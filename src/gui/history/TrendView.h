#pragma once

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>

namespace korvel {

class TrendModel;

// Paints one cell of the trend chart: a drawn digit as a ball in its position's colour, an omission count in
// grey, the summary rows on a light ground. Brushes, pens and fonts are made once, not per paint.
class TrendDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TrendDelegate(QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QColor m_omissionText;
    QColor m_summaryGround;
    QColor m_blockGround[3];
};

// The header of the trend chart: two lines, the positions over their ten digit columns above, the digits
// and captions below.
class TrendHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TrendHeader(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The grid of the trend chart over a TrendModel: fixed row heights and column widths (so scrolling never
// measures a row), the painting delegate, and the line that joins the drawn digits of consecutive rows of
// each position, drawn over the visible rows only.
class TrendView : public QTableView {
    Q_OBJECT
public:
    explicit TrendView(TrendModel* model, QWidget* parent = nullptr);

    void applyColumnWidths();
    // The whole chart as one picture (every row, the header above), as wide as the columns.
    QImage renderAll() const;
    // Rows a picture of the whole chart can hold.
    static constexpr int kMaxImageHeight = 32000;
    int fullHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TrendModel* m_model;
};

} // namespace korvel
