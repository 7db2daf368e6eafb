#include "history/TrendFigures.h"

#include <algorithm>

namespace korvel {

TrendFigures::TrendFigures(const HistorySnapshot& snapshot, int lastRows)
{
    const int n = snapshot.size();
    const int shown = lastRows <= 0 ? n : std::min(lastRows, n);
    m_firstDraw = n - shown;
    m_rows.resize(static_cast<std::size_t>(shown));
    const std::span<const std::int16_t> columns[kPositions] = {snapshot.column(Param::L1A), snapshot.column(Param::L2A),
                                                               snapshot.column(Param::L3A)};

    // Omission runs over the whole history; the rows before the first shown only carry it in.
    std::array<std::int32_t, kPositions * 10> running{};
    for (int r = 0; r < n; ++r) {
        for (int p = 0; p < kPositions; ++p) {
            const int drawn = columns[p][static_cast<std::size_t>(r)];
            for (int d = 0; d < 10; ++d) {
                std::int32_t& count = running[static_cast<std::size_t>(p * 10 + d)];
                count = d == drawn ? 0 : count + 1;
            }
        }
        if (r < m_firstDraw) {
            continue;
        }
        Row& row = m_rows[static_cast<std::size_t>(r - m_firstDraw)];
        row.issue = snapshot.issue(r);
        for (int p = 0; p < kPositions; ++p) {
            row.digits[static_cast<std::size_t>(p)] = static_cast<std::int8_t>(columns[p][static_cast<std::size_t>(r)]);
        }
        row.omission = running;
    }

    for (int p = 0; p < kPositions; ++p) {
        Summary& s = m_summaries[static_cast<std::size_t>(p)];
        for (const Row& row : m_rows) {
            for (int d = 0; d < 10; ++d) {
                const int count = row.omission[static_cast<std::size_t>(p * 10 + d)];
                if (count == 0) {
                    ++s.count[static_cast<std::size_t>(d)];
                }
                s.maxOmission[static_cast<std::size_t>(d)] =
                    std::max(s.maxOmission[static_cast<std::size_t>(d)], count);
            }
        }
        for (int d = 0; d < 10; ++d) {
            const auto k = static_cast<std::size_t>(d);
            s.currentOmission[k] = m_rows.empty() ? 0 : m_rows.back().omission[static_cast<std::size_t>(p * 10 + d)];
            s.meanOmission[k] = m_rows.empty() ? 0.0 : double(shown - s.count[k]) / double(s.count[k] + 1);
        }
    }
}

int TrendFigures::sum(int row) const
{
    return digit(row, 0) + digit(row, 1) + digit(row, 2);
}

int TrendFigures::span(int row) const
{
    const auto& d = m_rows[static_cast<std::size_t>(row)].digits;
    return *std::max_element(d.begin(), d.end()) - *std::min_element(d.begin(), d.end());
}

int TrendFigures::oddCount(int row) const
{
    const auto& d = m_rows[static_cast<std::size_t>(row)].digits;
    return static_cast<int>(std::count_if(d.begin(), d.end(), [](int v) { return v % 2 == 1; }));
}

int TrendFigures::bigCount(int row) const
{
    const auto& d = m_rows[static_cast<std::size_t>(row)].digits;
    return static_cast<int>(std::count_if(d.begin(), d.end(), [](int v) { return v > 4; }));
}

QString TrendFigures::oddEvenText(int row) const
{
    const int odd = oddCount(row);
    return QStringLiteral("%1:%2").arg(odd).arg(kPositions - odd);
}

QString TrendFigures::bigSmallText(int row) const
{
    const int big = bigCount(row);
    return QStringLiteral("%1:%2").arg(big).arg(kPositions - big);
}

QString TrendFigures::positionName(int position)
{
    switch (position) {
    case 0:
        return QStringLiteral("百位");
    case 1:
        return QStringLiteral("十位");
    default:
        return QStringLiteral("个位");
    }
}

QString TrendFigures::summaryName(int which)
{
    switch (which) {
    case 0:
        return QStringLiteral("出现次数");
    case 1:
        return QStringLiteral("平均遗漏");
    case 2:
        return QStringLiteral("最大遗漏");
    default:
        return QStringLiteral("当前遗漏");
    }
}

} // namespace korvel
