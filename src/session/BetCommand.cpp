#include "session/BetCommand.h"

#include "session/Session.h"

#include <QJsonArray>

#include <cmath>

namespace korvel {

QString moneyText(double amount)
{
    return QString::number(amount, 'f', std::abs(amount - std::round(amount)) < 1e-9 ? 0 : 2);
}

QString percentText(double share)
{
    return QString::number(share * 100.0, 'f', 1) + QLatin1Char('%');
}

QJsonObject betListJson(const BetList& list, const PrizeTable& prizes)
{
    QJsonArray bets;
    for (const Bet& b : list.bets()) {
        bets.append(b.numberText());
    }
    const BetWorth w = list.worth(prizes);
    QJsonObject o{{QStringLiteral("play"), betPlayName(list.play())},
                  {QStringLiteral("bets"), bets},
                  {QStringLiteral("lines"), QJsonArray::fromStringList(list.lines())},
                  {QStringLiteral("count"), list.size()},
                  {QStringLiteral("cost"), w.cost},
                  {QStringLiteral("winChance"), w.winChance},
                  {QStringLiteral("expected"), w.expected},
                  {QStringLiteral("returnRate"), w.returnRate}};
    if (list.play() == BetPlay::Group) {
        o.insert(QStringLiteral("group3"), list.setsOf(GroupForm::Pair));
        o.insert(QStringLiteral("group6"), list.setsOf(GroupForm::Distinct));
    }
    return o;
}

QJsonObject betBacktestJson(const BetBacktestResult& r)
{
    QJsonArray perDraw;
    for (const BetBacktestDraw& d : r.draws) {
        perDraw.append(
            QJsonObject{{QStringLiteral("issue"), d.issue},
                        {QStringLiteral("drawn"), QStringLiteral("%1").arg(d.drawn, 3, 10, QLatin1Char('0'))},
                        {QStringLiteral("bets"), d.bets},
                        {QStringLiteral("cost"), d.cost},
                        {QStringLiteral("winnings"), d.winnings},
                        {QStringLiteral("net"), d.net},
                        {QStringLiteral("cumulativeNet"), d.cumulativeNet}});
    }
    return QJsonObject{{QStringLiteral("mode"), backtestModeName(r.mode)},
                       {QStringLiteral("inSample"), r.inSample},
                       {QStringLiteral("draws"), static_cast<int>(r.draws.size())},
                       {QStringLiteral("bets"), static_cast<double>(r.bets)},
                       {QStringLiteral("cost"), r.cost},
                       {QStringLiteral("winnings"), r.winnings},
                       {QStringLiteral("net"), r.net},
                       {QStringLiteral("wins"), r.wins},
                       {QStringLiteral("emptyDraws"), r.emptyDraws},
                       {QStringLiteral("returnRate"), r.returnRate},
                       {QStringLiteral("chanceReturn"), r.chanceReturn},
                       {QStringLiteral("interval"), QJsonArray{r.low, r.high}},
                       {QStringLiteral("holdsChance"), r.holdsChance},
                       {QStringLiteral("verdict"), r.verdict()},
                       {QStringLiteral("perDraw"), perDraw}};
}

BetBacktestInput prepareBetBacktest(Session& session, const TallyChoice& choice, BacktestMode mode, int draws,
                                    BetPlay play, const BetFilters& filters, const WalkForwardPlan& plan)
{
    BetBacktestInput in;
    in.method = prepareBacktest(session, choice, mode, draws, plan);
    in.settings.play = play;
    in.settings.filters = filters;
    in.settings.prizes = PrizeTable::load(session.settings());
    return in;
}

} // namespace korvel
