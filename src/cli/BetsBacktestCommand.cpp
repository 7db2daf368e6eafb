#include "cli/BetOptions.h"
#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "session/BetCommand.h"
#include "session/Session.h"

#include <QElapsedTimer>
#include <QJsonArray>

#include <climits>

namespace korvel::cli {

namespace {

class BetsBacktestCommand : public Command {
public:
    QString name() const override { return QStringLiteral("bets backtest"); }
    QString summary() const override
    {
        return QStringLiteral("the bet list backtested over the newest draws (投注回测)");
    }
    QString help() const override
    {
        return QStringLiteral(
                   "Usage: korvel-cli bets backtest [--draws N] [--mode fixed|walk] [choice and filter options]\n"
                   "\n"
                   "\"投注回测\": for each of the newest N draws the list built from the tally computed with the\n"
                   "draws before it only (the method backtest), cut by the same filters, priced at the prize\n"
                   "table: cost, winnings, net, the return rate (winnings / cost) beside the return of the same\n"
                   "lists on uniformly random draws, with a 95 % interval; a position the tally does not cover\n"
                   "keeps all ten digits (--keep narrows it).\n"
                   "  --draws N       draws to backtest (default 100)\n"
                   "  --mode M        fixed (固定公式, in-sample) or walk (滚动搜索: a search per step)\n"
                   "  --formulas N    walk: formulas a step looks for per table (default 100)\n"
                   "  --candidates N  walk: candidates a step may verify per table (default 2000000)\n"
                   "  --seed S        walk: seed (default 1)\n"
                   "  --threads T     walk: worker threads (default one per core)\n") +
               betOptionsHelp();
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable = OptionTable{opt::integer(QStringLiteral("--draws"), INT_MIN, INT_MAX)}
                                                   .with(walkForwardOptions())
                                                   .with(betOptions());
        const OptionValues args = optionTable.read(name(), argv);
        const int draws = args.integer(QStringLiteral("--draws")).value_or(100);
        const BacktestMode mode = backtestModeOf(args);
        const WalkForwardPlan plan = walkForwardPlanOf(args);
        const BetOptions o = betOptionsOf(args, context, true);

        Session& session = context.session();
        confirmSortSettings(session, o, name());
        BetBacktestInput in = prepareBetBacktest(session, o.choice, mode, draws, o.play, o.filters, plan);
        in.settings.keep = o.keep;
        const BetBacktestResult check = checkBetBacktest(*in.method.snapshot, in.method.request, in.settings);
        if (!check.done()) {
            failure(QStringLiteral("%1: %2").arg(name(), check.message));
        }
        QElapsedTimer clock;
        clock.start();
        qint64 shown = 0;
        const auto progress = [&](int done, int total) {
            if (clock.elapsed() - shown >= 2000) {
                shown = clock.elapsed();
                context.note(QStringLiteral("bets backtest: %1 of %2 draws").arg(done).arg(total));
            }
            return true;
        };
        const BetBacktestResult result = runBetBacktest(*in.method.snapshot, in.method.request, in.method.formulas,
                                                        in.method.selection, in.settings, progress);
        if (!result.done()) {
            failure(QStringLiteral("%1: %2").arg(name(), result.message));
        }
        report(context, result);
        return 0;
    }

private:
    static void report(CliContext& context, const BetBacktestResult& r)
    {
        Document& doc = context.document();
        doc.set(QStringLiteral("mode"), backtestModeName(r.mode), QStringLiteral("投注回测"));
        doc.set(QStringLiteral("inSample"),
                r.inSample ? QStringLiteral("yes: the formulas were chosen knowing these draws")
                           : QStringLiteral("no: each step searched only the draws before it"),
                QStringLiteral("in-sample"));
        doc.set(QStringLiteral("draws"), static_cast<int>(r.draws.size()), QStringLiteral("期数"));
        doc.set(QStringLiteral("bets"), static_cast<double>(r.bets), QStringLiteral("注数"));
        doc.set(QStringLiteral("cost"), r.cost, QStringLiteral("投注金额"));
        doc.set(QStringLiteral("winnings"), r.winnings, QStringLiteral("中奖金额"));
        doc.set(QStringLiteral("net"), r.net, QStringLiteral("盈亏"));
        doc.set(QStringLiteral("wins"), r.wins, QStringLiteral("中奖期数"));
        doc.set(QStringLiteral("emptyDraws"), r.emptyDraws, QStringLiteral("未投注期数"));
        if (context.json()) {
            doc.set(QStringLiteral("returnRate"), r.returnRate);
            doc.set(QStringLiteral("chanceReturn"), r.chanceReturn);
            doc.set(QStringLiteral("interval"), QJsonArray{r.low, r.high});
            doc.set(QStringLiteral("holdsChance"), r.holdsChance);
        } else {
            doc.set(QStringLiteral("returnRate"), percentText(r.returnRate), QStringLiteral("返奖率"));
            doc.set(QStringLiteral("chanceReturn"), percentText(r.chanceReturn), QStringLiteral("随机基准"));
            doc.set(QStringLiteral("interval"), QStringLiteral("%1-%2").arg(percentText(r.low), percentText(r.high)),
                    QStringLiteral("95%区间"));
        }
        doc.set(QStringLiteral("verdict"), r.verdict(), QStringLiteral("结论"));
        Table& t =
            doc.addTable(QStringLiteral("perDraw"), {{QStringLiteral("issue"), QStringLiteral("期号")},
                                                     {QStringLiteral("drawn"), QStringLiteral("开奖")},
                                                     {QStringLiteral("bets"), QStringLiteral("注数")},
                                                     {QStringLiteral("cost"), QStringLiteral("投注")},
                                                     {QStringLiteral("winnings"), QStringLiteral("中奖")},
                                                     {QStringLiteral("cumulativeNet"), QStringLiteral("累计盈亏")}});
        for (const BetBacktestDraw& d : r.draws) {
            t.addRow({d.issue, QStringLiteral("%1").arg(d.drawn, 3, 10, QLatin1Char('0')), d.bets, d.cost, d.winnings,
                      d.cumulativeNet});
        }
    }
};

} // namespace

std::unique_ptr<Command> makeBetsBacktestCommand()
{
    return std::make_unique<BetsBacktestCommand>();
}

} // namespace korvel::cli
