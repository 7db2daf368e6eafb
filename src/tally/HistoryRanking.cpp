#include "tally/HistoryRanking.h"

#include "formula/Expression.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "verify/HitRule.h"

#include <algorithm>
#include <limits>

namespace korvel {

std::array<TallyTableRow, 10> RankingStore::rankingTableRows(int n) const
{
    std::array<TallyTableRow, 10> rows{};
    for (int d = 0; d < 10; ++d) {
        rows[static_cast<std::size_t>(d)].num = d;
    }
    const auto& digitsAt = rankDigit[static_cast<std::size_t>(n)];
    const auto& errAt = rankErr[static_cast<std::size_t>(n)];
    for (int r = 0; r < 10; ++r) {
        TallyTableRow& row = rows[static_cast<std::size_t>(digitsAt[static_cast<std::size_t>(r)])];
        row.senseCount = errAt[static_cast<std::size_t>(r)];
        (kill ? row.err : row.trr) = row.senseCount;
    }
    return rows;
}

QString rankingConfirmTitle()
{
    return QStringLiteral("查询等待确认");
}

QString rankingConfirmText()
{
    return QStringLiteral(
        "往期结果对照需要计算每一期的运算结果还要与开奖结果比较，所以运算比较复杂过程比较长，可能花费数十"
        "分钟，继续查询吗？");
}

RankingRun computeHistoryRanking(const HistorySnapshot& snapshot, std::span<const Formula> formulas, bool kill,
                                 const RankingProgress& progress)
{
    RankingRun run;
    const int n = snapshot.size();
    const int total = static_cast<int>(formulas.size()) + 1;
    const auto rows = static_cast<std::size_t>(n);

    // counts[row * 10 + digit]: 16-bit like the tally; a table holds at most 32767 formulas.
    std::vector<std::uint16_t> counts(rows * 10, 0);
    std::vector<std::int8_t> named(rows);
    ValueColumn values;
    ExpressionScratch scratch;
    int counted = 0;
    for (std::size_t f = 0; f < formulas.size(); ++f) {
        if (progress && !progress(static_cast<int>(f), total)) {
            return run;
        }
        const Expression e = Expression::compile(formulas[f].expressionText);
        if (!e.ok() || n == 0) {
            continue; // names no digit on any draw
        }
        ++counted;
        e.evaluate(snapshot, 0, n, values, scratch);
        for (std::size_t r = 0; r < rows; ++r) {
            named[r] =
                static_cast<std::int8_t>(values.allValid || values.valid[r] ? namedDigit(values.value[r]) : kNoDigit);
        }
        for (std::size_t r = 0; r < rows; ++r) {
            const int d = named[r];
            if (d >= 0 && counts[r * 10 + static_cast<std::size_t>(d)] < std::numeric_limits<std::int16_t>::max()) {
                ++counts[r * 10 + static_cast<std::size_t>(d)];
            }
        }
    }
    if (progress && !progress(total - 1, total)) {
        return run;
    }

    RankingStore& store = run.store;
    store.kill = kill;
    store.formulaCount = counted;
    store.issues = snapshot.issues();
    store.digits.resize(rows);
    store.rankDigit.resize(rows);
    store.rankErr.resize(rows);
    const auto d1 = snapshot.column(Param::L1A);
    const auto d2 = snapshot.column(Param::L2A);
    const auto d3 = snapshot.column(Param::L3A);
    for (std::size_t r = 0; r < rows; ++r) {
        store.digits[r] = {static_cast<std::int8_t>(d1[r]), static_cast<std::int8_t>(d2[r]),
                           static_cast<std::int8_t>(d3[r])};
        const std::uint16_t* c = &counts[r * 10];
        std::array<std::int8_t, 10> order{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        // Kill: fewest kills first; keep: most keeps first. Stable, so ties stay in digit order.
        if (kill) {
            std::stable_sort(order.begin(), order.end(), [c](std::int8_t a, std::int8_t b) { return c[a] < c[b]; });
        } else {
            std::stable_sort(order.begin(), order.end(), [c](std::int8_t a, std::int8_t b) { return c[a] > c[b]; });
        }
        store.rankDigit[r] = order;
        for (std::size_t k = 0; k < 10; ++k) {
            store.rankErr[r][k] = static_cast<std::int16_t>(c[static_cast<std::size_t>(order[k])]);
        }
    }
    if (progress) {
        progress(total, total);
    }
    run.complete = true;
    return run;
}

} // namespace korvel
