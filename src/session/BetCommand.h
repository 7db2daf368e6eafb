#pragma once

#include "bets/BetBacktest.h"
#include "bets/BetList.h"
#include "session/BacktestCommand.h"

#include <QJsonObject>

namespace korvel {

class Session;

// The bet list and its backtest as both front ends run them.

// The list as JSON: `play`, `bets` (each bet's number "123"), `lines` (the text export's lines), `count`,
// `cost`, `winChance`, `expected` and `returnRate` at the prize table.
QJsonObject betListJson(const BetList& list, const PrizeTable& prizes);

// The bet backtest as JSON: `mode`, `inSample`, `draws`, `bets`, `cost`, `winnings`, `net`, `returnRate`,
// `chanceReturn`, `interval` [low, high], `holdsChance`, `verdict`, and `perDraw`.
QJsonObject betBacktestJson(const BetBacktestResult& result);

// Everything a bet backtest reads from the session: the method backtest's input and the prize table of
// the settings.
struct BetBacktestInput {
    BacktestInput method;
    BetBacktestSettings settings;
};
BetBacktestInput prepareBetBacktest(Session& session, const TallyChoice& choice, BacktestMode mode, int draws,
                                    BetPlay play, const BetFilters& filters, const WalkForwardPlan& plan = {});

// "元" amounts as the windows and the command line write them: "12", "1040", "86.5".
QString moneyText(double amount);
QString percentText(double share); // "52.0%"

} // namespace korvel
