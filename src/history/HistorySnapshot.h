#pragma once

#include "history/ParamId.h"
#include "history/SnapshotPtr.h"

#include <QString>
#include <QStringList>

#include <span>
#include <vector>

namespace korvel {

// The draw history in issue order (oldest first), held as one contiguous int16 column per parameter plus
// the issue texts. Immutable once built: the history store publishes a new snapshot after every change,
// and readers (the statistics pass, the search workers) keep the one they started with through a
// shared_ptr, so a snapshot may be read from any thread.
class HistorySnapshot {
public:
    HistorySnapshot(); // empty: no draws, every column empty

    int size() const { return static_cast<int>(m_issues.size()); }
    bool empty() const { return m_issues.empty(); }

    const QString& issue(int row) const { return m_issues[static_cast<std::size_t>(row)]; }
    const std::vector<QString>& issues() const { return m_issues; }

    std::span<const std::int16_t> column(Param p) const { return m_columns[static_cast<std::size_t>(paramIndex(p))]; }
    std::int16_t value(int row, Param p) const
    {
        return m_columns[static_cast<std::size_t>(paramIndex(p))][static_cast<std::size_t>(row)];
    }
    // Every parameter of one row (include history/Param.h to use it).
    DrawParams row(int row) const;

    // Row of the stored issue, or -1. Issues are unique and sorted, so this is a binary search.
    int rowOfIssue(const QString& issue) const;

    // Building (by the store, or by tests). Rows must be appended in issue order.
    void reserve(int rows);
    void append(const QString& issue, const DrawParams& params);

private:
    std::vector<QString> m_issues;
    std::vector<std::vector<std::int16_t>> m_columns; // one per parameter, by paramIndex
};

} // namespace korvel
