#include "gui/tally/TallyResultModels.h"

#include "gui/tally/TallyGrids.h"
#include "tally/TallyResult.h"

#include <QColor>

namespace korvel {

namespace {

constexpr int kListColumns = 6;
constexpr int kSummaryColumns = 3;

} // namespace

ResultListModel::ResultListModel(const TallyResult& result, int page, QObject* parent)
    : QAbstractTableModel(parent), m_result(result), m_page(page), m_filtered(colourOf(kGreenText)),
      m_kept(colourOf(kBlack))
{
    connect(&m_result, &TallyResult::aboutToChange, this, [this] { beginResetModel(); });
    connect(&m_result, &TallyResult::changed, this, [this] { endResetModel(); });
}

int ResultListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || m_page >= m_result.pageCount()) {
        return 0;
    }
    return static_cast<int>(m_result.page(m_page).rows.size());
}

int ResultListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kListColumns;
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const ResultRow& row = m_result.page(m_page).rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case 0:
            return row.rank;
        case 1:
            return row.label;
        case 2:
            return row.senseCount;
        case 3:
            return row.err;
        case 4:
            return row.trr;
        default:
            return row.markText();
        }
    case Qt::ForegroundRole:
        return row.filtered ? m_filtered : m_kept;
    case Qt::TextAlignmentRole:
        return QVariant(Qt::AlignCenter);
    default:
        return {};
    }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kListColumns) {
        return m_result.listHeaders(m_page).value(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

ResultSummaryModel::ResultSummaryModel(const TallyResult& result, int page, QObject* parent)
    : QAbstractTableModel(parent), m_result(result), m_page(page)
{
    connect(&m_result, &TallyResult::aboutToChange, this, [this] { beginResetModel(); });
    connect(&m_result, &TallyResult::changed, this, [this] { endResetModel(); });
}

int ResultSummaryModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || m_page >= m_result.pageCount()) {
        return 0;
    }
    return static_cast<int>(m_result.page(m_page).summary.size());
}

int ResultSummaryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kSummaryColumns;
}

QVariant ResultSummaryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const SummaryRow& row = m_result.page(m_page).summary[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0:
            return row.value;
        case 1:
            return row.count;
        default:
            return row.numbers;
        }
    }
    if (role == Qt::TextAlignmentRole) {
        return index.column() == 2 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant(Qt::AlignCenter);
    }
    return {};
}

QVariant ResultSummaryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kSummaryColumns) {
        return TallyResult::summaryHeaders().value(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace korvel
