#include "bets/FilterSets.h"
#include "bets/TallyDigits.h"
#include "cli/BetOptions.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "history/HistorySnapshot.h"
#include "session/BetCommand.h"
#include "session/Session.h"
#include "session/TallyCommand.h"
#include "settings/Options.h"

#include <QJsonArray>

namespace korvel::cli {

namespace {

// The tally of "计算公式(&C)" for the next draw, with the choice given, and the digits it kept. The method
// is set for this run only; the stored choice comes back afterwards.
TallyKeptDigits tallyKept(Session& session, const BetOptions& o)
{
    const TallyChoice& c = o.choice;
    Options& options = session.options();
    const bool stored = options.computeSelected();
    options.setComputeSelectedForRun(c.method == TallyMethod::Selected);
    struct Restore {
        Options& options;
        bool value;
        ~Restore() { options.setComputeSelectedForRun(value); }
    } restore{options, stored};

    showFormulaList(session, FormulaKind{c.position, c.groupPlay ? Play::Group : Play::Single}, c.kill);
    if (c.category == CategoryPlay::OddEven) {
        session.choices().setPlayChoice(Session::PlayChoice::OddEven);
    } else if (c.category == CategoryPlay::BigSmall) {
        session.choices().setPlayChoice(Session::PlayChoice::BigSmall);
    }
    session.choices().setVerifyMode(false);
    confirmSortSettings(session, o, QStringLiteral("bets"));
    TallyCommand command(session);
    const TallyCommand::Run run = command.compute();
    if (!run.outcome.done() || !command.lastView()) {
        throw CliError(kExitUsage, {}); // the reason was told
    }
    return keptDigitsOfTally(command.tally(), *command.lastView());
}

class BetsCommand : public Command {
public:
    QString name() const override { return QStringLiteral("bets"); }
    QString summary() const override { return QStringLiteral("the bet list from kept digits (投注单)"); }
    QString help() const override
    {
        return QStringLiteral(
                   "Usage: korvel-cli bets [--from-tally] [--keep POS=DIGITS ...] [--bet 直选|组选] [filters]\n"
                   "\n"
                   "\"投注单\": every combination of one kept digit per position (直选), or the 组三 and 组六\n"
                   "sets some order of which the kept digits make (组选), cut by the filters. Prints one\n"
                   "bet a line (\"123\", \"组六 1 2 3\") and the count and cost on stderr; --json gives\n"
                   "bets, count, cost, winChance, expected and returnRate at the prize table of the\n"
                   "settings (奖金设置).\n"
                   "  --from-tally        the digits the tally of 计算公式 keeps for the next draw\n") +
               betOptionsHelp();
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable =
            OptionTable{opt::flag(QStringLiteral("--from-tally"))}.with(betOptions());
        const OptionValues args = optionTable.read(name(), argv);
        const bool fromTally = args.flag(QStringLiteral("--from-tally"));
        const BetOptions o = betOptionsOf(args, context, false);

        const PrizeTable prizes = PrizeTable::load(context.settings());
        if (const QString problem = prizes.problem(); !problem.isEmpty()) {
            usageError(QStringLiteral("bets: %1").arg(problem));
        }
        if (o.saveFilterSet) {
            QString error;
            if (!FilterSets(context.settings()).save(*o.saveFilterSet, o.filters, &error)) {
                usageError(QStringLiteral("bets --save-filter-set: %1").arg(error));
            }
        }
        TallyKeptDigits kept;
        std::bitset<1000> recent;
        if (fromTally || (o.filters.recent.on && o.filters.recent.draws > 0)) {
            Session& session = context.session();
            if (fromTally) {
                kept = tallyKept(session, o);
            }
            const SnapshotPtr history = session.snapshot();
            recent = recentNumbers(*history, history->size(), o.filters.recent.draws);
        }
        for (std::size_t p = 0; p < 3; ++p) {
            if (o.keep[p]) {
                kept[p] = o.keep[p];
            }
        }
        const BetList list = BetList::build(orAllDigits(kept), o.play, o.filters, recent);
        if (list.empty()) {
            usageError(QStringLiteral("bets: %1").arg(list.problemText()));
        }
        const BetWorth worth = list.worth(prizes);
        if (context.json()) {
            const QJsonObject json = betListJson(list, prizes);
            Document& doc = context.document();
            for (auto it = json.begin(); it != json.end(); ++it) {
                doc.set(it.key(), it.value());
            }
        } else {
            // stdout carries the bets alone, ready to paste; the figures go beside them on stderr.
            for (const QString& line : list.lines()) {
                context.out() << line << '\n';
            }
            context.note(QStringLiteral("%1注，共 %2 元；中奖概率 %3，期望返还 %4 元（%5）")
                             .arg(list.size())
                             .arg(moneyText(worth.cost), percentText(worth.winChance), moneyText(worth.expected),
                                  percentText(worth.returnRate)));
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeBetsCommand()
{
    return std::make_unique<BetsCommand>();
}

} // namespace korvel::cli
