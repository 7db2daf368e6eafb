#include "gui/bets/BetListModel.h"

namespace korvel {

BetListModel::BetListModel(QObject* parent) : QAbstractTableModel(parent) {}

void BetListModel::setList(BetList list)
{
    beginResetModel();
    m_list = std::move(list);
    endResetModel();
}

int BetListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.size();
}

int BetListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BetListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const Bet& b = m_list.bets()[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case ColNumber:
        return m_list.play() == BetPlay::Direct
                   ? b.numberText()
                   : QStringLiteral("%1 %2 %3").arg(b.digit(0)).arg(b.digit(1)).arg(b.digit(2));
    case ColSum:
        return b.sum();
    case ColSpan:
        return b.span();
    default:
        return groupFormName(b.form);
    }
}

QVariant BetListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char16_t* const captions[] = {u"号码", u"和值", u"跨度", u"形态"};
    return QString::fromUtf16(captions[section]);
}

} // namespace korvel
