#include "history/TrendFigures.h"

#include "history/HistorySnapshot.h"
#include "history/NumberShape.h"
#include "history/Param.h"

#include <algorithm>

namespace korvel {

namespace {

// The shapes of one draw, block by block (TrendFigures::shapeBlockName).
std::array<std::int8_t, TrendFigures::kShapeBlocks> shapesOf(int d1, int d2, int d3)
{
    const int digits[3] = {d1, d2, d3};
    std::array<std::int8_t, TrendFigures::kShapeBlocks> s{};
    s[0] = static_cast<std::int8_t>(groupFormOf(d1, d2, d3));
    for (int p = 0; p < 3; ++p) {
        s[static_cast<std::size_t>(1 + p)] = static_cast<std::int8_t>(roadOf(digits[p]));
        s[static_cast<std::size_t>(4 + p)] = static_cast<std::int8_t>(sizeClassOf(digits[p]));
    }
    return s;
}

// Counts, maxima, current and mean omission of `values` values over the rows, as for the digits.
template <typename Omission>
void summarise(TrendFigures::Summary& s, int rows, int values, int lastRow, const Omission& omission)
{
    for (int r = 0; r < rows; ++r) {
        for (int v = 0; v < values; ++v) {
            const int count = omission(r, v);
            if (count == 0) {
                ++s.count[static_cast<std::size_t>(v)];
            }
            s.maxOmission[static_cast<std::size_t>(v)] = std::max(s.maxOmission[static_cast<std::size_t>(v)], count);
        }
    }
    for (int v = 0; v < values; ++v) {
        const auto k = static_cast<std::size_t>(v);
        s.currentOmission[k] = rows == 0 ? 0 : omission(lastRow, v);
        s.meanOmission[k] = rows == 0 ? 0.0 : double(rows - s.count[k]) / double(s.count[k] + 1);
    }
}

} // namespace

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
    std::array<std::int32_t, kShapeBlocks * kShapeValues> runningShapes{};
    for (int r = 0; r < n; ++r) {
        const auto shapes = shapesOf(columns[0][static_cast<std::size_t>(r)], columns[1][static_cast<std::size_t>(r)],
                                     columns[2][static_cast<std::size_t>(r)]);
        for (int b = 0; b < kShapeBlocks; ++b) {
            for (int v = 0; v < kShapeValues; ++v) {
                std::int32_t& count = runningShapes[static_cast<std::size_t>(b * kShapeValues + v)];
                count = shapes[static_cast<std::size_t>(b)] == v ? 0 : count + 1;
            }
        }
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
        row.shapes = shapes;
        row.shapeOmission = runningShapes;
    }
    for (int b = 0; b < kShapeBlocks; ++b) {
        summarise(m_shapeSummaries[static_cast<std::size_t>(b)], shown, kShapeValues, shown - 1,
                  [this, b](int r, int v) { return shapeOmission(r, b, v); });
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

QString TrendFigures::shapeBlockName(int block)
{
    if (block == 0) {
        return QStringLiteral("组选形态");
    }
    const int position = (block - 1) % 3;
    return positionName(position) + (block <= 3 ? QStringLiteral("012路") : QStringLiteral("大中小"));
}

QString TrendFigures::shapeValueName(int block, int value)
{
    if (block == 0) {
        return groupFormName(static_cast<GroupForm>(value));
    }
    return block <= 3 ? QString::number(value) : sizeClassName(value);
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
