#include "tally/MethodBacktest.h"

#include "formula/Expression.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "tally/TallySet.h"
#include "verify/Evaluation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace korvel {

namespace {

// The judged digits of a slot on a draw: 个位 d3, 十位 d2, 百位 d1; 通选 十位 {d2, d3}, 百位 all three.
std::vector<int> judgedDigits(int slot, int position, int d1, int d2, int d3)
{
    switch (slot) {
    case 0:
        return position == 2 ? std::vector<int>{d2, d3} : std::vector<int>{d1, d2, d3};
    case 1:
        return {d3};
    case 2:
        return {d2};
    default:
        return {d1};
    }
}

BacktestResult refused(BacktestResult::Status status, const QString& message)
{
    BacktestResult r;
    r.status = status;
    r.message = message;
    return r;
}

// The slot as the result view ranks and marks it: a kill run least-killed first, a keep run most-kept first,
// equal counts in digit order; kill: a digit some formula kills is 滤杀, keep: a digit no formula keeps.
BacktestSlot judgeSlot(const TallySet& tally, const TallySlotRun& run, bool kill, const std::vector<int>& drawn)
{
    BacktestSlot s;
    s.slot = run.slot;
    s.kind = run.kind;
    s.drawn = drawn;
    const auto& counts = tally.senseCount[static_cast<std::size_t>(run.slot)];
    std::array<int, 10> order{};
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const auto x = counts[static_cast<std::size_t>(a)];
        const auto y = counts[static_cast<std::size_t>(b)];
        return kill ? x < y : x > y;
    });
    for (int r = 0; r < 10; ++r) {
        s.rankOf[static_cast<std::size_t>(order[static_cast<std::size_t>(r)])] = static_cast<std::int8_t>(r + 1);
    }
    for (int d = 0; d < 10; ++d) {
        const auto dd = static_cast<std::size_t>(d);
        s.counts[dd] = counts[dd];
        s.filtered[dd] = (counts[dd] == 0) != kill;
        s.filteredCount += s.filtered[dd] ? 1 : 0;
    }
    for (int d : drawn) {
        const auto dd = static_cast<std::size_t>(d);
        s.killed = s.killed || s.filtered[dd];
        s.rank = std::max(s.rank, static_cast<int>(s.rankOf[dd]));
    }
    for (const TallyFormulaValue& v : run.walk) {
        s.formulas += v.digit >= 0 ? 1 : 0;
    }
    return s;
}

std::vector<BacktestSummary> summarise(const std::vector<BacktestDraw>& draws)
{
    std::map<int, BacktestSummary> bySlot;
    std::map<int, double> killedChance;
    for (const BacktestDraw& d : draws) {
        for (const BacktestSlot& s : d.slotResults) {
            BacktestSummary& sum = bySlot[s.slot];
            sum.slot = s.slot;
            const auto j = static_cast<double>(s.drawn.size());
            for (int n = 1; n <= 9; ++n) {
                SurvivalLine& line = sum.lines[static_cast<std::size_t>(n - 1)];
                line.n = n;
                line.chance = std::pow((10.0 - n) / 10.0, j);
                ++line.draws;
                line.survived += s.rank <= 10 - n ? 1 : 0;
            }
            sum.killed += s.killed ? 1 : 0;
            killedChance[s.slot] += 1.0 - std::pow((10.0 - s.filteredCount) / 10.0, j);
        }
    }
    std::vector<BacktestSummary> out;
    for (auto& [slot, sum] : bySlot) {
        for (SurvivalLine& line : sum.lines) {
            line.share = line.draws > 0 ? static_cast<double>(line.survived) / line.draws : 0.0;
            std::tie(line.low, line.high) = wilsonInterval(line.survived, line.draws);
        }
        const int n = sum.lines[0].draws;
        sum.killedChance = n > 0 ? killedChance[slot] / n : 0.0;
        out.push_back(sum);
    }
    return out;
}

} // namespace

QString backtestModeName(BacktestMode mode)
{
    return mode == BacktestMode::Fixed ? QStringLiteral("固定公式") : QStringLiteral("滚动搜索");
}

BacktestFormulaSource fixedFormulaSource(TallyFormulaSource formulas)
{
    // The tables are read once: every step sees the same formulas.
    auto cache = std::make_shared<std::map<std::pair<int, bool>, std::vector<Formula>>>();
    return [formulas = std::move(formulas), cache](const HistorySnapshot&, const FormulaKind& kind, bool kill, int,
                                                   const std::function<bool()>&) {
        const std::pair<int, bool> key{kind.position * 2 + (kind.play == Play::Group ? 1 : 0), kill};
        auto it = cache->find(key);
        if (it == cache->end()) {
            it = cache->emplace(key, formulas(kind, kill)).first;
        }
        return std::optional<std::vector<Formula>>(it->second);
    };
}

std::vector<FormulaKind> backtestKinds(const TallyChoice& c)
{
    if (c.groupPlay) {
        return {c.groupKind()};
    }
    std::vector<FormulaKind> kinds;
    for (int p = 1; p <= c.position; ++p) {
        kinds.push_back(FormulaKind{p, Play::Single});
    }
    return kinds;
}

std::pair<double, double> wilsonInterval(int hits, int n)
{
    if (n <= 0) {
        return {0.0, 1.0};
    }
    constexpr double z = 1.959963984540054;
    const double p = static_cast<double>(hits) / n;
    const double z2n = z * z / n;
    const double centre = (p + z2n / 2) / (1 + z2n);
    const double half = z * std::sqrt(p * (1 - p) / n + z2n / (4.0 * n)) / (1 + z2n);
    return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

HistorySnapshot snapshotPrefix(const HistorySnapshot& snapshot, int rows)
{
    HistorySnapshot out;
    rows = std::clamp(rows, 0, snapshot.size());
    out.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        out.append(snapshot.issue(r), snapshot.row(r));
    }
    return out;
}

BacktestResult checkBacktest(const HistorySnapshot& snapshot, const BacktestRequest& request)
{
    using Status = BacktestResult::Status;
    const int n = snapshot.size();
    const int k = request.draws;
    if (k <= 0) {
        return refused(Status::NoDraws, QStringLiteral("回测期数必须大于 0。"));
    }
    if (k >= n) {
        return refused(
            Status::TooFewDraws,
            QStringLiteral("历史号码只有 %1 期，无法回测最近 %2 期：每一期之前至少要有一期历史号码。").arg(n).arg(k));
    }
    const int seen = n - k;
    const FigureSettings& f = request.figures;
    if (evaluationWindowStart(seen, f.windowDraws, f.excludeCurrent) >= seen) {
        return refused(
            Status::EmptyWindow,
            QStringLiteral("回测第一期之前的 %1 期历史号码在统计期数内没有可统计的开奖，无法回测。请减少回测期数。")
                .arg(seen));
    }
    if (request.choice.groupPlay && request.choice.position == 1) {
        return refused(Status::NoGroupPlay, QStringLiteral("个位没有通选公式，无法回测。"));
    }
    if (request.choice.method == TallyMethod::Best &&
        (!request.sort || !request.sort->confirmed || request.sort->sortKeys[0].isEmpty())) {
        return refused(Status::SortNotConfirmed, QStringLiteral("最优公式法需要先在“公式排序设置”中确定排序方法。"));
    }
    BacktestResult ok;
    ok.mode = request.mode;
    return ok;
}

BacktestResult runMethodBacktest(const HistorySnapshot& snapshot, const BacktestRequest& request,
                                 const BacktestFormulaSource& formulas, const TallySelection& selected,
                                 const BacktestProgress& progress)
{
    BacktestResult result = checkBacktest(snapshot, request);
    if (!result.done()) {
        return result;
    }
    result.mode = request.mode;
    result.inSample = request.mode == BacktestMode::Fixed;
    int stepsDone = 0;
    // A long source (the search of a step) asks this now and then; the progress callback decides.
    const std::function<bool()> stop = [&] { return progress && !progress(stepsDone, request.draws); };

    TallyChoice choice = request.choice;
    choice.mode = TallyMode::Next; // each step computes "the next draw" of its truncated history
    choice.category = CategoryPlay::None;
    const std::vector<FormulaKind> kinds = backtestKinds(choice);
    const int n = snapshot.size();
    const int k = request.draws;
    if (progress && !progress(0, k)) {
        result.status = BacktestResult::Status::Cancelled;
        return result;
    }
    for (int step = 0; step < k; ++step) {
        const int row = n - k + step;
        const HistorySnapshot seen = snapshotPrefix(snapshot, row);

        // The tables as they would have stood: the source's formulas with figures from the seen draws.
        std::map<std::pair<int, int>, std::vector<Formula>> tables;
        for (const FormulaKind& kind : kinds) {
            std::optional<std::vector<Formula>> list = formulas(seen, kind, choice.kill, step, stop);
            if (!list) {
                result.status = BacktestResult::Status::Cancelled;
                result.draws.clear();
                return result;
            }
            for (Formula& f : *list) {
                const Expression e = Expression::compile(f.expressionText);
                f.stats = formulaFigures(seen, e, kind, choice.kill, request.figures).stats;
            }
            tables[{kind.position, static_cast<int>(kind.play)}] = std::move(*list);
        }
        const TallyFormulaSource source = [&tables](const FormulaKind& kind, bool) {
            const auto it = tables.find({kind.position, static_cast<int>(kind.play)});
            return it == tables.end() ? std::vector<Formula>{} : it->second;
        };
        TallySet tally;
        const TallyOutcome out = ComputeTally(choice, QString(), seen, source, selected, request.sort, tally);

        BacktestDraw draw;
        draw.row = row;
        draw.issue = snapshot.issue(row);
        draw.d1 = snapshot.value(row, Param::L1A);
        draw.d2 = snapshot.value(row, Param::L2A);
        draw.d3 = snapshot.value(row, Param::L3A);
        // The per-position tally also runs the positions below the chosen one; the player bets on the chosen
        // slot only, so only it is judged (a lower table without formulas would give figures of nothing).
        const int chosenSlot = choice.groupPlay ? 0 : choice.position;
        for (const TallySlotRun& run : out.runs) {
            if (run.slot != chosenSlot) {
                continue;
            }
            draw.slotResults.push_back(
                judgeSlot(tally, run, choice.kill, judgedDigits(run.slot, choice.position, draw.d1, draw.d2, draw.d3)));
        }
        result.draws.push_back(std::move(draw));
        stepsDone = step + 1;
        if (progress && !progress(stepsDone, k)) {
            result.status = BacktestResult::Status::Cancelled;
            result.draws.clear();
            return result;
        }
    }
    result.summary = summarise(result.draws);
    return result;
}

} // namespace korvel
