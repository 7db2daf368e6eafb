#include "history/HistorySnapshot.h"

#include "history/Param.h"

#include <algorithm>

namespace korvel {

HistorySnapshot::HistorySnapshot() : m_columns(kParamCount) {}

DrawParams HistorySnapshot::row(int row) const
{
    DrawParams out{};
    for (int i = 0; i < kParamCount; ++i) {
        out[static_cast<std::size_t>(i)] = m_columns[static_cast<std::size_t>(i)][static_cast<std::size_t>(row)];
    }
    return out;
}

int HistorySnapshot::rowOfIssue(const QString& issue) const
{
    const auto it = std::lower_bound(m_issues.begin(), m_issues.end(), issue);
    if (it == m_issues.end() || *it != issue) {
        return -1;
    }
    return static_cast<int>(it - m_issues.begin());
}

void HistorySnapshot::reserve(int rows)
{
    m_issues.reserve(static_cast<std::size_t>(rows));
    for (auto& c : m_columns) {
        c.reserve(static_cast<std::size_t>(rows));
    }
}

void HistorySnapshot::append(const QString& issue, const DrawParams& params)
{
    m_issues.push_back(issue);
    for (int i = 0; i < kParamCount; ++i) {
        m_columns[static_cast<std::size_t>(i)].push_back(params[static_cast<std::size_t>(i)]);
    }
}

} // namespace korvel
