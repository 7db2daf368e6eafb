#pragma once

#include "bets/BetList.h"
#include "tally/MethodBacktest.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace korvel {

// "投注回测": the method backtest (tally/MethodBacktest.h) turned into bets. For each predicted draw the
// list is built from the digits that step's tally kept (a position it did not tally keeps all ten), cut by
// the same filters ("exclude the newest K draws" reads the K draws before the predicted one), and priced
// at the prize table against the drawn number.
struct BetBacktestSettings {
    BetPlay play = BetPlay::Direct;
    // Digits for the positions the tally does not cover (0 百位 .. 2 个位); nullopt keeps all ten.
    std::array<std::optional<std::bitset<10>>, 3> keep;
    BetFilters filters;
    PrizeTable prizes;
};

struct BetBacktestDraw {
    QString issue;
    int drawn = 0; // the drawn number, 百位*100 + 十位*10 + 个位
    int bets = 0;
    double cost = 0;
    double winnings = 0;
    double chanceWinnings = 0; // what a uniformly random draw pays this list on average
    double net = 0;            // winnings - cost
    double cumulativeNet = 0;  // from the first step to this one
    QString problem;           // why no bet was made this draw (no kept digit, filters left nothing)
};

struct BetBacktestResult {
    BacktestResult::Status status = BacktestResult::Status::Done;
    QString message;
    BacktestMode mode = BacktestMode::Fixed;
    bool inSample = false;
    std::vector<BetBacktestDraw> draws;

    long long bets = 0;
    double cost = 0;
    double winnings = 0;
    double net = 0;
    int wins = 0;       // draws that paid
    int emptyDraws = 0; // draws without a bet
    // winnings / cost, and the same for uniformly random draws with these very lists (0.52 for 直选; 组选
    // slightly less). The 95 % interval is the return rate +- 1.96 standard deviations of the winnings that
    // chance alone would spread over these lists; it holds chanceReturn when the lists did not beat chance.
    double returnRate = 0;
    double chanceReturn = 0;
    double low = 0;
    double high = 0;
    bool holdsChance = true;

    bool done() const { return status == BacktestResult::Status::Done; }
    // The verdict in one sentence, for the window and the command line.
    QString verdict() const;
};

// Prices a finished method backtest. `history` is the snapshot it ran on.
BetBacktestResult priceBacktest(const HistorySnapshot& history, const BacktestResult& method, int position,
                                const BetBacktestSettings& settings);

// Refusals before anything runs: the method backtest's checks, an empty history, a prize of 0.
BetBacktestResult checkBetBacktest(const HistorySnapshot& history, const BacktestRequest& request,
                                   const BetBacktestSettings& settings);

// The whole run on the calling thread: checks, method backtest, pricing.
BetBacktestResult runBetBacktest(const HistorySnapshot& history, const BacktestRequest& request,
                                 const BacktestFormulaSource& formulas, const TallySelection& selected,
                                 const BetBacktestSettings& settings, const BacktestProgress& progress = {});

} // namespace korvel
