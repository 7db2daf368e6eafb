#include "session/BacktestCommand.h"
#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "session/Session.h"
#include "tally/SortSettings.h"

#include <QElapsedTimer>

#include <climits>

namespace korvel::cli {

namespace {

QString percent(double share)
{
    return QString::number(share * 100.0, 'f', 1) + QLatin1Char('%');
}

class BacktestCommand : public Command {
public:
    QString name() const override { return QStringLiteral("backtest"); }
    QString summary() const override { return QStringLiteral("the method backtest over the newest draws (方法回测)"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli backtest [--position P] [--play 单选|通选] [--sense SENSE] [--method selected|best]\n"
            "                           [--draws K] [--mode fixed|walk] [--keep-limit N] [--formulas N]\n"
            "                           [--candidates N] [--seed S] [--threads T] [--constant C]\n"
            "\n"
            "\"方法回测\": for each of the newest K draws, the tally of the choice as it would have been computed\n"
            "just before that draw (figures, best order and values from the draws before it), checked against the\n"
            "draw; and for n = 1..9 the share of draws whose drawn digit survived killing the n weakest digits,\n"
            "beside chance and a 95 % (Wilson) interval.\n"
            "  --position P    1 个位, 2 十位, 3 百位 (default 1)\n"
            "  --play PLAY     单选 (default) or 通选\n"
            "  --sense SENSE   kill / keep (default kill)\n"
            "  --method M      selected (计算选中公式, default) or best (最优公式法, sort 正确率,最大连对,最后连对)\n"
            "  --keep-limit N  best method: digits kept (default 3)\n"
            "  --draws K       draws to predict (default 100)\n"
            "  --mode M        fixed (固定公式: the stored formulas, in-sample) or walk (滚动搜索: a search per\n"
            "                  step with the stored thresholds and operand counts, nothing saved); default fixed\n"
            "  --formulas N    walk: formulas a step looks for per table (default 100)\n"
            "  --candidates N  walk: candidates a step may verify per table (default 2000000)\n"
            "  --seed S        walk: seed; step i searches with a seed derived from S and i (default 1)\n"
            "  --threads T     walk: worker threads (default one per core)\n"
            "  --constant C    walk: the tail constant (default 0)\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        const Request r = read(argv);
        Session& session = context.session();
        if (r.choice.method == TallyMethod::Best) {
            SortDialogState& dialog = session.sortDialogState();
            dialog.activate();
            if (r.keepLimit) {
                dialog.setLimitText(QString::number(*r.keepLimit));
            }
            session.sortSettings() = dialog.confirm();
        } else if (r.keepLimit) {
            usageError(QStringLiteral("%1: --keep-limit belongs to --method best").arg(name()));
        }

        const BacktestInput in = prepareBacktest(session, r.choice, r.mode, r.draws, r.plan);
        const BacktestResult check = checkBacktest(*in.snapshot, in.request);
        if (!check.done()) {
            failure(QStringLiteral("%1: %2").arg(name(), check.message));
        }
        QElapsedTimer clock;
        clock.start();
        qint64 shown = 0;
        const auto progress = [&](int done, int total) {
            if (clock.elapsed() - shown >= 2000) {
                shown = clock.elapsed();
                context.note(QStringLiteral("backtest: %1 of %2 draws").arg(done).arg(total));
            }
            return true;
        };
        const BacktestResult result = runMethodBacktest(*in.snapshot, in.request, in.formulas, in.selection, progress);
        if (!result.done()) {
            failure(QStringLiteral("%1: %2").arg(name(), result.message));
        }
        report(context, result, clock.elapsed() / 1000.0);
        return 0;
    }

private:
    struct Request {
        TallyChoice choice;
        BacktestMode mode = BacktestMode::Fixed;
        int draws = 100;
        WalkForwardPlan plan;
        std::optional<int> keepLimit;
    };

    Request read(const QStringList& argv) const
    {
        static const OptionTable optionTable =
            OptionTable{
                opt::position(),
                opt::play(),
                opt::sense(),
                methodOption(),
                opt::integer(QStringLiteral("--keep-limit"), 0, 10),
                opt::integer(QStringLiteral("--draws"), INT_MIN, INT_MAX),
            }
                .with(walkForwardOptions())
                .with({opt::text(QStringLiteral("--constant"))});
        const OptionValues args = optionTable.read(name(), argv);
        Request r;
        r.choice.position = args.position().value_or(1);
        if (const std::optional<Session::PlayChoice> play = args.play()) {
            if (*play != Session::PlayChoice::Single && *play != Session::PlayChoice::Group) {
                usageError(QStringLiteral("%1 --play: the backtest offers 单选 and 通选").arg(name()));
            }
            r.choice.groupPlay = *play == Session::PlayChoice::Group;
        }
        r.choice.kill = args.sense().value_or(true);
        r.choice.method =
            args.word(QStringLiteral("--method")) == kMethodBest ? TallyMethod::Best : TallyMethod::Selected;
        r.keepLimit = args.integer(QStringLiteral("--keep-limit"));
        r.draws = args.integer(QStringLiteral("--draws")).value_or(100);
        r.mode = backtestModeOf(args);
        r.plan = walkForwardPlanOf(args);
        if (const std::optional<QString> constant = args.text(QStringLiteral("--constant"))) {
            const auto c = specifiedConstant(*constant);
            if (!c) {
                usageError(QStringLiteral("%1 --constant: out of range").arg(name()));
            }
            CandidateRule rule;
            rule.specifiedValue = *c;
            r.plan.kinds.emplace(1, KindPlan{rule, {}});
        }
        return r;
    }

    static void report(CliContext& context, const BacktestResult& result, double seconds)
    {
        Document& doc = context.document();
        doc.set(QStringLiteral("mode"), backtestModeName(result.mode), QStringLiteral("方法回测"));
        doc.set(QStringLiteral("inSample"),
                result.inSample ? QStringLiteral("yes: the formulas were chosen knowing these draws")
                                : QStringLiteral("no: each step searched only the draws before it"),
                QStringLiteral("in-sample"));
        doc.set(QStringLiteral("draws"), static_cast<int>(result.draws.size()));
        doc.set(QStringLiteral("seconds"), QString::number(seconds, 'f', 1));
        for (const BacktestSummary& s : result.summary) {
            Document& part = doc.addItem(QStringLiteral("summary"), backtestSlotName(s.slot));
            part.set(QStringLiteral("slot"), backtestSlotName(s.slot));
            part.set(
                QStringLiteral("killed"),
                QStringLiteral("%1/%2 (chance %3)").arg(s.killed).arg(result.draws.size()).arg(percent(s.killedChance)),
                QStringLiteral("drawn digit marked 滤杀"));
            Table& t =
                part.addTable(QStringLiteral("survival"), {{QStringLiteral("n"), QStringLiteral("杀最弱n个")},
                                                           {QStringLiteral("survived"), QStringLiteral("保留命中")},
                                                           {QStringLiteral("share"), QStringLiteral("命中率")},
                                                           {QStringLiteral("chance"), QStringLiteral("随机基准")},
                                                           {QStringLiteral("interval"), QStringLiteral("95%区间")}});
            for (const SurvivalLine& l : s.lines) {
                t.addRow({l.n, QStringLiteral("%1/%2").arg(l.survived).arg(l.draws), percent(l.share),
                          percent(l.chance), QStringLiteral("%1-%2").arg(percent(l.low), percent(l.high))});
            }
        }
        Table& draws = doc.addTable(QStringLiteral("perDraw"), {{QStringLiteral("issue"), QStringLiteral("期号")},
                                                                {QStringLiteral("digits"), QStringLiteral("开奖")},
                                                                {QStringLiteral("slot"), QStringLiteral("位")},
                                                                {QStringLiteral("killed"), QStringLiteral("被杀")},
                                                                {QStringLiteral("rank"), QStringLiteral("名次")},
                                                                {QStringLiteral("formulas"), QStringLiteral("公式数")},
                                                                {QStringLiteral("ranked"), QStringLiteral("排序")}});
        for (const BacktestDraw& d : result.draws) {
            for (const BacktestSlot& s : d.slotResults) {
                draws.addRow({d.issue, QStringLiteral("%1%2%3").arg(d.d1).arg(d.d2).arg(d.d3), backtestSlotName(s.slot),
                              s.killed ? QStringLiteral("是") : QStringLiteral("否"), s.rank, s.formulas,
                              rankedDigitsText(s)});
            }
        }
    }
};

} // namespace

std::unique_ptr<Command> makeBacktestCommand()
{
    return std::make_unique<BacktestCommand>();
}

} // namespace korvel::cli
