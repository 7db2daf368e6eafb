#pragma once

#include "bets/BetList.h"

#include <QAbstractTableModel>

namespace korvel {

// The bet list as a table: "号码", "和值", "跨度", "形态", one row a bet. A new list replaces the old one
// whole (a recount may change every row), so setList() resets the model.
class BetListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColNumber, ColSum, ColSpan, ColForm, ColumnCount };

    explicit BetListModel(QObject* parent = nullptr);

    void setList(BetList list);
    const BetList& list() const { return m_list; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    BetList m_list;
};

} // namespace korvel
