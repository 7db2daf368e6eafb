#pragma once

#include "history/TrendFigures.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>

namespace korvel {

class SheetGrid;

// The trend chart (走势图) as a table over TrendFigures: "期号", "开奖号", ten digit columns per position
// (百位, 十位, 个位), then "和值", "跨度", "奇偶比", "大小比", then the shape blocks "组选形态" (豹子 组三 组六),
// 012路 (0 1 2) and 大中小 (大 中 小) of each position, three columns each; one row per draw (newest last) and the four
// summary rows "出现次数", "平均遗漏", "最大遗漏", "当前遗漏" after them. A digit cell shows the digit on the row that
// drew it and the omission count elsewhere; the painting delegate reads CellRole and PositionRole. data() only indexes
// the figures: nothing is computed per paint.
class TrendModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        ColIssue,
        ColDrawn,
        ColFirstDigit,
        ColSum = ColFirstDigit + 30,
        ColSpan,
        ColOddEven,
        ColBigSmall,
        ColFirstShape,
        ColumnCount = ColFirstShape + TrendFigures::kShapeBlocks * TrendFigures::kShapeValues
    };
    enum class Cell { Plain, Drawn, Omission, SummaryLabel, Summary };
    static constexpr int CellRole = Qt::UserRole + 1;       // Cell as int
    static constexpr int PositionRole = Qt::UserRole + 2;   // 0..2 for the digit columns, else -1
    static constexpr int ShapeBlockRole = Qt::UserRole + 3; // 0..6 for the shape columns, else -1

    explicit TrendModel(QObject* parent = nullptr);

    void setFigures(TrendFigures figures);
    const TrendFigures& figures() const { return m_figures; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Position (0 百位 .. 2 个位) and digit of a digit column, or -1.
    static int positionOfColumn(int column);
    static int digitOfColumn(int column);
    static int columnOf(int position, int digit) { return ColFirstDigit + position * 10 + digit; }
    // Block (0 组选形态, 1..3 012路, 4..6 大中小) and value of a shape column, or -1.
    static int shapeBlockOfColumn(int column);
    static int shapeValueOfColumn(int column);
    static int shapeColumnOf(int block, int value)
    {
        return ColFirstShape + block * TrendFigures::kShapeValues + value;
    }
    // The upper header line over a column's block: the position or the shape block, empty for the others.
    static QString blockCaption(int column);
    // The header's lower line (digit or caption) and upper line (the position over its block).
    static QString columnCaption(int column);
    // One colour per position for the drawn cells and the line joining them.
    static QColor positionColour(int position);
    // One colour per shape block for its header and its drawn cells.
    static QColor shapeColour(int block);

    bool isSummaryRow(int row) const { return row >= m_figures.rowCount(); }
    // The text of a cell (what the grid, the clipboard and the sheet show).
    QString cellText(int row, int column) const;
    // The chart as tab-separated text: the header line, then every row.
    QString toTabText() const;
    // The chart as a sheet of numbers (text only for the issue, the ratios and the captions).
    SheetGrid toSheet() const;

private:
    TrendFigures m_figures;
};

} // namespace korvel
