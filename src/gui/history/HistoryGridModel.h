#pragma once

#include "history/SnapshotPtr.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>

#include <array>
#include <memory>

namespace korvel {

// Columns shown after the three digit columns, one per formula with its result on each draw. The formula
// list supplies them; the grid only asks for titles and cell texts, so whatever backs them must answer
// cheaply (precomputed per draw).
class HistoryGridExtraColumns {
public:
    virtual ~HistoryGridExtraColumns() = default;
    virtual int columnCount() const = 0;
    // Title of extra column i (0-based); formulaColumnTitle() gives the usual ones.
    virtual QString title(int i) const = 0;
    virtual QString text(int row, int i) const = 0;
    // Any other role of a cell (background, foreground, tooltip); nothing unless the columns say so.
    virtual QVariant roleData(int row, int i, int role) const
    {
        Q_UNUSED(row);
        Q_UNUSED(i);
        Q_UNUSED(role);
        return {};
    }
};

// The history grid: one row per stored draw in issue order with 期号, 百位, 十位, 个位 and optionally the
// extra columns. The digit columns that the current formula kind predicts are bold blue. Reads straight from
// the snapshot the core holds; data() looks nothing up beyond an array index, so 10 000 draws stay instant.
class HistoryGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { IssueColumn = 0, HundredsColumn = 1, TensColumn = 2, UnitsColumn = 3, FirstExtraColumn = 4 };

    explicit HistoryGridModel(QObject* parent = nullptr);

    // Shows a new snapshot. A snapshot that only adds or removes draws at the newest end is reported as
    // inserted or removed rows, so the view keeps its place; anything else resets the model.
    void setSnapshot(SnapshotPtr snapshot);
    const SnapshotPtr& snapshot() const { return m_snapshot; }

    // Highlight for position (个位 1, 十位 2, 百位 3): with the single play only that position's column,
    // otherwise that column and every column to its right (the lower positions).
    void setHighlight(int position, bool singlePlay);
    bool isHighlighted(int column) const;

    // New columns (another count or other titles) reset the model; new values in the same columns only
    // need refreshExtraColumns().
    void setExtraColumns(std::shared_ptr<const HistoryGridExtraColumns> columns);
    void refreshExtraColumns();
    // Title of formula column i (1-based): "公式1" … "公式99", then "式100", "式101", …
    static QString formulaColumnTitle(int i);

    // Issue text of a row, or empty when out of range.
    QString issueAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    bool samePrefix(const HistorySnapshot& a, const HistorySnapshot& b, int rows) const;

    SnapshotPtr m_snapshot;
    std::shared_ptr<const HistoryGridExtraColumns> m_extra;
    std::array<bool, 4> m_highlight{};
    QFont m_boldFont;
    QColor m_blue{0, 0, 255};
    QColor m_black{0, 0, 0};
    std::array<QString, 10> m_digitTexts;
};

} // namespace korvel
