#include "bets/BetBacktest.h"

#include "bets/TallyDigits.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"

#include <cmath>

namespace korvel {

namespace {

BetBacktestResult refusedWith(BacktestResult::Status status, const QString& message)
{
    BetBacktestResult r;
    r.status = status;
    r.message = message;
    return r;
}

} // namespace

QString BetBacktestResult::verdict() const
{
    if (!done()) {
        return message;
    }
    if (cost <= 0) {
        return QStringLiteral("回测期内没有一期投注，无从比较。");
    }
    const auto pct = [](double v) { return QString::number(v * 100.0, 'f', 1) + QLatin1Char('%'); };
    const QString range = QStringLiteral("%1–%2").arg(pct(low), pct(high));
    if (holdsChance) {
        return QStringLiteral("返奖率 %1，95%区间 %2 包含随机基准 %3：这个投注方法没有胜过随机。")
            .arg(pct(returnRate), range, pct(chanceReturn));
    }
    if (returnRate > chanceReturn) {
        return QStringLiteral("返奖率 %1，95%区间 %2 高于随机基准 %3：胜过随机。")
            .arg(pct(returnRate), range, pct(chanceReturn));
    }
    return QStringLiteral("返奖率 %1，95%区间 %2 低于随机基准 %3：不如随机。")
        .arg(pct(returnRate), range, pct(chanceReturn));
}

BetBacktestResult checkBetBacktest(const HistorySnapshot& history, const BacktestRequest& request,
                                   const BetBacktestSettings& settings)
{
    if (history.size() == 0) {
        return refusedWith(BacktestResult::Status::TooFewDraws, QStringLiteral("没有历史号码，无法回测。"));
    }
    const QString prizeProblem = settings.prizes.problem();
    if (!prizeProblem.isEmpty()) {
        return refusedWith(BacktestResult::Status::NoDraws, prizeProblem);
    }
    const BacktestResult method = checkBacktest(history, request);
    if (!method.done()) {
        return refusedWith(method.status, method.message);
    }
    BetBacktestResult ok;
    ok.mode = request.mode;
    return ok;
}

BetBacktestResult priceBacktest(const HistorySnapshot& history, const BacktestResult& method, int position,
                                const BetBacktestSettings& settings)
{
    BetBacktestResult r;
    r.status = method.status;
    r.message = method.message;
    r.mode = method.mode;
    r.inSample = method.inSample;
    if (!method.done()) {
        return r;
    }
    double chanceWinnings = 0;
    double chanceVariance = 0;
    for (const BacktestDraw& step : method.draws) {
        BetBacktestDraw d;
        d.issue = step.issue;
        d.drawn = step.d1 * 100 + step.d2 * 10 + step.d3;
        TallyKeptDigits tallied = keptDigitsOfStep(step, position);
        for (std::size_t p = 0; p < 3; ++p) {
            if (!tallied[p] && settings.keep[p]) {
                tallied[p] = settings.keep[p];
            }
        }
        const KeptDigits kept = orAllDigits(tallied);
        const std::bitset<1000> recent = settings.filters.recent.on
                                             ? recentNumbers(history, step.row, settings.filters.recent.draws)
                                             : std::bitset<1000>{};
        const BetList list = BetList::build(kept, settings.play, settings.filters, recent);
        const BetWorth worth = list.worth(settings.prizes);
        d.bets = list.size();
        d.cost = worth.cost;
        d.winnings = list.winnings(d.drawn, settings.prizes);
        d.chanceWinnings = worth.expected;
        d.net = d.winnings - d.cost;
        d.problem = list.problemText();
        r.bets += d.bets;
        r.cost += d.cost;
        r.winnings += d.winnings;
        r.wins += d.winnings > 0 ? 1 : 0;
        r.emptyDraws += d.bets == 0 ? 1 : 0;
        r.net += d.net;
        d.cumulativeNet = r.net;
        chanceWinnings += worth.expected;
        chanceVariance += worth.variance;
        r.draws.push_back(std::move(d));
    }
    if (r.cost > 0) {
        r.returnRate = r.winnings / r.cost;
        r.chanceReturn = chanceWinnings / r.cost;
        const double half = 1.959963984540054 * std::sqrt(std::max(0.0, chanceVariance)) / r.cost;
        r.low = std::max(0.0, r.returnRate - half);
        r.high = r.returnRate + half;
        // A list of every number pays the same each draw: no spread, the bounds meet; allow for rounding.
        constexpr double eps = 1e-9;
        r.holdsChance = r.chanceReturn >= r.low - eps && r.chanceReturn <= r.high + eps;
    }
    return r;
}

BetBacktestResult runBetBacktest(const HistorySnapshot& history, const BacktestRequest& request,
                                 const BacktestFormulaSource& formulas, const TallySelection& selected,
                                 const BetBacktestSettings& settings, const BacktestProgress& progress)
{
    BetBacktestResult check = checkBetBacktest(history, request, settings);
    if (!check.done()) {
        return check;
    }
    const BacktestResult method = runMethodBacktest(history, request, formulas, selected, progress);
    return priceBacktest(history, method, request.choice.position, settings);
}

} // namespace korvel
