#include "gui/history/HistoryGridModel.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"

#include <algorithm>

namespace korvel {

namespace {
constexpr Param kDigitParams[] = {Param::L1A, Param::L2A, Param::L3A};
} // namespace

HistoryGridModel::HistoryGridModel(QObject* parent) : QAbstractTableModel(parent)
{
    m_boldFont.setBold(true);
    for (int d = 0; d < 10; ++d) {
        m_digitTexts[static_cast<std::size_t>(d)] = QString::number(d);
    }
    setHighlight(3, true);
}

bool HistoryGridModel::samePrefix(const HistorySnapshot& a, const HistorySnapshot& b, int rows) const
{
    // Deletions and insertions happen only at the newest end; the first and the last shared issue tell
    // such a change from a different history.
    return rows == 0 || (a.issue(0) == b.issue(0) && a.issue(rows - 1) == b.issue(rows - 1));
}

void HistoryGridModel::setSnapshot(SnapshotPtr snapshot)
{
    const int oldRows = rowCount();
    const int newRows = snapshot ? snapshot->size() : 0;
    if (!m_snapshot || !snapshot || oldRows == newRows ||
        !samePrefix(*m_snapshot, *snapshot, std::min(oldRows, newRows))) {
        beginResetModel();
        m_snapshot = std::move(snapshot);
        endResetModel();
        return;
    }
    if (newRows > oldRows) {
        beginInsertRows({}, oldRows, newRows - 1);
        m_snapshot = std::move(snapshot);
        endInsertRows();
    } else {
        beginRemoveRows({}, newRows, oldRows - 1);
        m_snapshot = std::move(snapshot);
        endRemoveRows();
    }
    if (newRows > 0 && std::min(oldRows, newRows) > 0) {
        // The shared rows read from the new snapshot now; tell the view in case a value moved.
        emit dataChanged(index(0, 0), index(std::min(oldRows, newRows) - 1, columnCount() - 1));
    }
}

void HistoryGridModel::setHighlight(int position, bool singlePlay)
{
    const int c = 4 - std::clamp(position, 1, 3);
    std::array<bool, 4> next{};
    for (int col = HundredsColumn; col <= UnitsColumn; ++col) {
        next[static_cast<std::size_t>(col)] = singlePlay ? col == c : col >= c;
    }
    if (next == m_highlight) {
        return;
    }
    m_highlight = next;
    if (rowCount() > 0) {
        emit dataChanged(index(0, HundredsColumn), index(rowCount() - 1, UnitsColumn),
                         {Qt::FontRole, Qt::ForegroundRole});
    }
}

bool HistoryGridModel::isHighlighted(int column) const
{
    return column >= HundredsColumn && column <= UnitsColumn && m_highlight[static_cast<std::size_t>(column)];
}

void HistoryGridModel::setExtraColumns(std::shared_ptr<const HistoryGridExtraColumns> columns)
{
    beginResetModel();
    m_extra = std::move(columns);
    endResetModel();
}

void HistoryGridModel::refreshExtraColumns()
{
    if (rowCount() > 0 && columnCount() > FirstExtraColumn) {
        emit dataChanged(index(0, FirstExtraColumn), index(rowCount() - 1, columnCount() - 1),
                         {Qt::DisplayRole, Qt::BackgroundRole, Qt::ForegroundRole});
    }
}

QString HistoryGridModel::formulaColumnTitle(int i)
{
    return (i < 100 ? QStringLiteral("公式") : QStringLiteral("式")) + QString::number(i);
}

QString HistoryGridModel::issueAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_snapshot->issue(row) : QString();
}

int HistoryGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_snapshot ? 0 : m_snapshot->size();
}

int HistoryGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FirstExtraColumn + (m_extra ? m_extra->columnCount() : 0);
}

QVariant HistoryGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_snapshot) {
        return {};
    }
    const int row = index.row();
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (col == IssueColumn) {
            return m_snapshot->issue(row);
        }
        if (col <= UnitsColumn) {
            const int d = m_snapshot->value(row, kDigitParams[col - 1]);
            return d >= 0 && d <= 9 ? m_digitTexts[static_cast<std::size_t>(d)] : QString::number(d);
        }
        return m_extra->text(row, col - FirstExtraColumn);
    case Qt::FontRole:
        return isHighlighted(col) ? QVariant(m_boldFont) : QVariant();
    case Qt::ForegroundRole:
        if (col >= HundredsColumn && col <= UnitsColumn) {
            return isHighlighted(col) ? m_blue : m_black;
        }
        return col >= FirstExtraColumn ? m_extra->roleData(row, col - FirstExtraColumn, role) : QVariant();
    case Qt::TextAlignmentRole:
        return col == IssueColumn ? QVariant() : QVariant(Qt::AlignCenter);
    default:
        return col >= FirstExtraColumn ? m_extra->roleData(row, col - FirstExtraColumn, role) : QVariant();
    }
}

QVariant HistoryGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case IssueColumn:
        return QStringLiteral("期号");
    case HundredsColumn:
        return QStringLiteral("百位");
    case TensColumn:
        return QStringLiteral("十位");
    case UnitsColumn:
        return QStringLiteral("个位");
    default:
        return m_extra && section - FirstExtraColumn < m_extra->columnCount()
                   ? QVariant(m_extra->title(section - FirstExtraColumn))
                   : QVariant();
    }
}

} // namespace korvel
