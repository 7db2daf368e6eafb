#include "gui/history/TrendModel.h"

#include "platform/SheetGrid.h"

#include <cmath>

namespace korvel {

TrendModel::TrendModel(QObject* parent) : QAbstractTableModel(parent) {}

void TrendModel::setFigures(TrendFigures figures)
{
    beginResetModel();
    m_figures = std::move(figures);
    endResetModel();
}

int TrendModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || m_figures.empty()) {
        return 0;
    }
    return m_figures.rowCount() + TrendFigures::kSummaryRows;
}

int TrendModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

int TrendModel::positionOfColumn(int column)
{
    return column >= ColFirstDigit && column < ColSum ? (column - ColFirstDigit) / 10 : -1;
}

int TrendModel::digitOfColumn(int column)
{
    return column >= ColFirstDigit && column < ColSum ? (column - ColFirstDigit) % 10 : -1;
}

int TrendModel::shapeBlockOfColumn(int column)
{
    return column >= ColFirstShape && column < ColumnCount ? (column - ColFirstShape) / TrendFigures::kShapeValues : -1;
}

int TrendModel::shapeValueOfColumn(int column)
{
    return column >= ColFirstShape && column < ColumnCount ? (column - ColFirstShape) % TrendFigures::kShapeValues : -1;
}

QString TrendModel::blockCaption(int column)
{
    if (const int p = positionOfColumn(column); p >= 0) {
        return TrendFigures::positionName(p);
    }
    if (const int b = shapeBlockOfColumn(column); b >= 0) {
        return TrendFigures::shapeBlockName(b);
    }
    return {};
}

QString TrendModel::columnCaption(int column)
{
    if (const int b = shapeBlockOfColumn(column); b >= 0) {
        return TrendFigures::shapeValueName(b, shapeValueOfColumn(column));
    }
    switch (column) {
    case ColIssue:
        return QStringLiteral("期号");
    case ColDrawn:
        return QStringLiteral("开奖号");
    case ColSum:
        return QStringLiteral("和值");
    case ColSpan:
        return QStringLiteral("跨度");
    case ColOddEven:
        return QStringLiteral("奇偶比");
    case ColBigSmall:
        return QStringLiteral("大小比");
    default:
        return QString::number(digitOfColumn(column));
    }
}

QColor TrendModel::positionColour(int position)
{
    // Red, blue, green: told apart also by readers with the commonest colour weakness by their lightness.
    switch (position) {
    case 0:
        return QColor(0xD6, 0x27, 0x28);
    case 1:
        return QColor(0x1F, 0x5F, 0xBF);
    default:
        return QColor(0x2C, 0x9A, 0x2C);
    }
}

QColor TrendModel::shapeColour(int block)
{
    // 组选形态 purple; 012路 and 大中小 in darker and lighter browns, so that the two families read apart.
    if (block == 0) {
        return QColor(0x7B, 0x3F, 0xA0);
    }
    return block <= 3 ? QColor(0x8C, 0x56, 0x2B) : QColor(0x3F, 0x7F, 0x86);
}

QString TrendModel::cellText(int row, int column) const
{
    const TrendFigures& t = m_figures;
    if (isSummaryRow(row)) {
        const int which = row - t.rowCount();
        if (column == ColIssue) {
            return TrendFigures::summaryName(which);
        }
        const int p = positionOfColumn(column);
        const int b = shapeBlockOfColumn(column);
        if (p < 0 && b < 0) {
            return {};
        }
        const auto d = static_cast<std::size_t>(p >= 0 ? digitOfColumn(column) : shapeValueOfColumn(column));
        const TrendFigures::Summary& s = p >= 0 ? t.summary(p) : t.shapeSummary(b);
        switch (which) {
        case 0:
            return QString::number(s.count[d]);
        case 1:
            return QString::number(static_cast<int>(std::lround(s.meanOmission[d])));
        case 2:
            return QString::number(s.maxOmission[d]);
        default:
            return QString::number(s.currentOmission[d]);
        }
    }
    switch (column) {
    case ColIssue:
        return t.issue(row);
    case ColDrawn:
        return QStringLiteral("%1%2%3").arg(t.digit(row, 0)).arg(t.digit(row, 1)).arg(t.digit(row, 2));
    case ColSum:
        return QString::number(t.sum(row));
    case ColSpan:
        return QString::number(t.span(row));
    case ColOddEven:
        return t.oddEvenText(row);
    case ColBigSmall:
        return t.bigSmallText(row);
    default:
        break;
    }
    if (const int b = shapeBlockOfColumn(column); b >= 0) {
        const int v = shapeValueOfColumn(column);
        return t.shape(row, b) == v ? columnCaption(column) : QString::number(t.shapeOmission(row, b, v));
    }
    const int p = positionOfColumn(column);
    const int d = digitOfColumn(column);
    return t.digit(row, p) == d ? QString::number(d) : QString::number(t.omission(row, p, d));
}

QVariant TrendModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) {
        return {};
    }
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return cellText(row, column);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case Qt::ToolTipRole:
        if (isSummaryRow(row) && row - m_figures.rowCount() == 1 && positionOfColumn(column) >= 0) {
            const auto d = static_cast<std::size_t>(digitOfColumn(column));
            return QString::number(m_figures.summary(positionOfColumn(column)).meanOmission[d], 'f', 2);
        }
        return {};
    case CellRole: {
        const int p = positionOfColumn(column);
        if (isSummaryRow(row)) {
            return static_cast<int>(column == ColIssue ? Cell::SummaryLabel : Cell::Summary);
        }
        if (const int b = shapeBlockOfColumn(column); b >= 0) {
            return static_cast<int>(m_figures.shape(row, b) == shapeValueOfColumn(column) ? Cell::Drawn
                                                                                          : Cell::Omission);
        }
        if (p < 0) {
            return static_cast<int>(Cell::Plain);
        }
        return static_cast<int>(m_figures.digit(row, p) == digitOfColumn(column) ? Cell::Drawn : Cell::Omission);
    }
    case PositionRole:
        return positionOfColumn(column);
    case ShapeBlockRole:
        return shapeBlockOfColumn(column);
    default:
        return {};
    }
}

QVariant TrendModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < ColumnCount) {
        if (role == Qt::DisplayRole) {
            return columnCaption(section);
        }
        if (role == PositionRole) {
            return positionOfColumn(section);
        }
        if (role == ShapeBlockRole) {
            return shapeBlockOfColumn(section);
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

QString TrendModel::toTabText() const
{
    QStringList lines;
    QStringList header;
    for (int c = 0; c < ColumnCount; ++c) {
        header << blockCaption(c) + columnCaption(c);
    }
    lines << header.join(QLatin1Char('\t'));
    for (int r = 0; r < rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < ColumnCount; ++c) {
            // The summaries keep their fraction here: the clipboard is for reckoning.
            if (isSummaryRow(r) && r - m_figures.rowCount() == 1 && positionOfColumn(c) >= 0) {
                const auto d = static_cast<std::size_t>(digitOfColumn(c));
                cells << QString::number(m_figures.summary(positionOfColumn(c)).meanOmission[d], 'f', 2);
            } else if (isSummaryRow(r) && r - m_figures.rowCount() == 1 && shapeBlockOfColumn(c) >= 0) {
                const auto v = static_cast<std::size_t>(shapeValueOfColumn(c));
                cells << QString::number(m_figures.shapeSummary(shapeBlockOfColumn(c)).meanOmission[v], 'f', 2);
            } else {
                cells << cellText(r, c);
            }
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

SheetGrid TrendModel::toSheet() const
{
    SheetGrid grid;
    // Row 0 names the positions over their blocks, row 1 the columns.
    for (int c = 0; c < ColumnCount; ++c) {
        const int p = positionOfColumn(c);
        if ((p >= 0 && digitOfColumn(c) == 0) || shapeValueOfColumn(c) == 0) {
            grid.setText(0, c, blockCaption(c));
        }
        if (p >= 0) {
            grid.setNumber(1, c, digitOfColumn(c));
        } else if (shapeBlockOfColumn(c) > 0 && shapeBlockOfColumn(c) <= 3) {
            grid.setNumber(1, c, shapeValueOfColumn(c));
        } else {
            grid.setText(1, c, columnCaption(c));
        }
    }
    grid.setColumnWidthTwips(ColIssue, 1500);
    const TrendFigures& t = m_figures;
    for (int r = 0; r < rowCount(); ++r) {
        const int out = r + 2;
        if (isSummaryRow(r)) {
            const int which = r - t.rowCount();
            grid.setText(out, ColIssue, TrendFigures::summaryName(which));
            for (int p = 0; p < TrendFigures::kPositions; ++p) {
                const TrendFigures::Summary& s = t.summary(p);
                for (std::size_t d = 0; d < 10; ++d) {
                    const double v = which == 0   ? s.count[d]
                                     : which == 1 ? s.meanOmission[d]
                                     : which == 2 ? s.maxOmission[d]
                                                  : s.currentOmission[d];
                    grid.setNumber(out, columnOf(p, static_cast<int>(d)), v);
                }
            }
            for (int b = 0; b < TrendFigures::kShapeBlocks; ++b) {
                const TrendFigures::Summary& s = t.shapeSummary(b);
                for (std::size_t v = 0; v < TrendFigures::kShapeValues; ++v) {
                    const double x = which == 0   ? s.count[v]
                                     : which == 1 ? s.meanOmission[v]
                                     : which == 2 ? s.maxOmission[v]
                                                  : s.currentOmission[v];
                    grid.setNumber(out, shapeColumnOf(b, static_cast<int>(v)), x);
                }
            }
            continue;
        }
        grid.setText(out, ColIssue, t.issue(r));
        grid.setText(out, ColDrawn, cellText(r, ColDrawn));
        for (int p = 0; p < TrendFigures::kPositions; ++p) {
            for (int d = 0; d < 10; ++d) {
                const int c = columnOf(p, d);
                grid.setNumber(out, c, t.digit(r, p) == d ? d : t.omission(r, p, d));
                if (t.digit(r, p) == d) {
                    grid.setFill(out, c, static_cast<std::uint32_t>(positionColour(p).rgb() & 0xFFFFFF));
                }
            }
        }
        grid.setNumber(out, ColSum, t.sum(r));
        grid.setNumber(out, ColSpan, t.span(r));
        grid.setText(out, ColOddEven, t.oddEvenText(r));
        grid.setText(out, ColBigSmall, t.bigSmallText(r));
        for (int b = 0; b < TrendFigures::kShapeBlocks; ++b) {
            for (int v = 0; v < TrendFigures::kShapeValues; ++v) {
                const int c = shapeColumnOf(b, v);
                if (t.shape(r, b) == v) {
                    grid.setText(out, c, columnCaption(c));
                    grid.setFill(out, c, 0xFFE08A);
                } else {
                    grid.setNumber(out, c, t.shapeOmission(r, b, v));
                }
            }
        }
    }
    return grid;
}

} // namespace korvel
