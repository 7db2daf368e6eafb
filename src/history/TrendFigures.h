#pragma once

#include "history/SnapshotPtr.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace korvel {

// The figures of the trend chart (走势图) over the newest rows of a history: per draw row its three digits,
// for every position and digit the omission count (遗漏: draws since that digit last showed at that
// position, 0 on the row that drew it), and 和值, 跨度, 奇偶比, 大小比; per position four summary rows over
// the rows shown.
//
// Positions are indexed 0 百位, 1 十位, 2 个位 (the column codes L1A, L2A, L3A). Omission counts run over the
// whole history, so the first row shown carries the count from the draws before it; a digit not yet seen
// since the oldest draw counts from there (row r of the history then shows r + 1).
//
// Summaries over the rows shown (n rows, the digit drawn k times among them):
//   出现次数 (count)    k;
//   最大遗漏 (maximum)  the largest omission count shown (a stretch that began before the first row shown
//                       counts in full);
//   当前遗漏 (current)  the omission count of the newest row shown;
//   平均遗漏 (mean)     (n - k) / (k + 1): the appearances cut the rows shown into k + 1 stretches without
//                       the digit (before the first, between two, after the last; empty ones included), and
//                       this is their mean length. A digit never drawn in the rows has mean n.
// Beside the digits, seven blocks of three shapes each, with omission counts and summaries of the same
// kind: "组选形态" (豹子, 组三, 组六), the 012路 of each position (0, 1, 2) and the 大中小 of each position (大 7-9,
// 中 3-6, 小 0-2) — the shapes the bet filters cut by.
// Plain data, built in one pass over the history; an empty history gives no rows.
class TrendFigures {
public:
    static constexpr int kPositions = 3;
    static constexpr int kShapeBlocks = 7; // 组选形态, 百/十/个位012路, 百/十/个位大中小
    static constexpr int kShapeValues = 3;

    struct Summary {
        std::array<int, 10> count{};
        std::array<double, 10> meanOmission{};
        std::array<int, 10> maxOmission{};
        std::array<int, 10> currentOmission{};
    };

    TrendFigures() = default;
    // The newest `lastRows` draws of the snapshot (all of them when lastRows <= 0 or more than there are).
    TrendFigures(const HistorySnapshot& snapshot, int lastRows);

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    bool empty() const { return m_rows.empty(); }
    // Snapshot row of the first row shown.
    int firstDraw() const { return m_firstDraw; }

    const QString& issue(int row) const { return m_rows[static_cast<std::size_t>(row)].issue; }
    int digit(int row, int position) const
    {
        return m_rows[static_cast<std::size_t>(row)].digits[static_cast<std::size_t>(position)];
    }
    int omission(int row, int position, int digit) const
    {
        return m_rows[static_cast<std::size_t>(row)].omission[static_cast<std::size_t>(position * 10 + digit)];
    }
    int sum(int row) const;              // 和值
    int span(int row) const;             // 跨度: largest digit - smallest
    int oddCount(int row) const;         // odd digits of the three
    int bigCount(int row) const;         // big digits (5-9) of the three
    QString oddEvenText(int row) const;  // 奇偶比 "odd:even", for example "2:1"
    QString bigSmallText(int row) const; // 大小比 "big:small"

    const Summary& summary(int position) const { return m_summaries[static_cast<std::size_t>(position)]; }

    // The shape (0..2) of block `block` on a row, and the omission count of each of its values; the block's
    // summaries use the first three entries of each array.
    int shape(int row, int block) const
    {
        return m_rows[static_cast<std::size_t>(row)].shapes[static_cast<std::size_t>(block)];
    }
    int shapeOmission(int row, int block, int value) const
    {
        return m_rows[static_cast<std::size_t>(row)]
            .shapeOmission[static_cast<std::size_t>(block * kShapeValues + value)];
    }
    const Summary& shapeSummary(int block) const { return m_shapeSummaries[static_cast<std::size_t>(block)]; }
    static QString shapeBlockName(int block);            // "组选形态", "百位012路", ..., "个位大中小"
    static QString shapeValueName(int block, int value); // "豹子"/"组三"/"组六", "0"/"1"/"2", "大"/"中"/"小"

    // The captions of the chart, for the window, the sheet and the command line.
    static QString positionName(int position); // "百位", "十位", "个位"
    static QString summaryName(int which);     // 0 出现次数, 1 平均遗漏, 2 最大遗漏, 3 当前遗漏
    static constexpr int kSummaryRows = 4;

private:
    struct Row {
        QString issue;
        std::array<std::int8_t, kPositions> digits{};
        std::array<std::int32_t, kPositions * 10> omission{};
        std::array<std::int8_t, kShapeBlocks> shapes{};
        std::array<std::int32_t, kShapeBlocks * kShapeValues> shapeOmission{};
    };

    int m_firstDraw = 0;
    std::vector<Row> m_rows;
    std::array<Summary, kPositions> m_summaries{};
    std::array<Summary, kShapeBlocks> m_shapeSummaries{};
};

} // namespace korvel
