#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "formula/FormulaStore.h"
#include "history/HistorySnapshot.h"
#include "session/Session.h"
#include "settings/Options.h"
#include "verify/Evaluation.h"
#include "verify/FormulaList.h"
#include "verify/HitSeries.h"

#include <algorithm>
#include <cmath>

namespace korvel::cli {

namespace {

QJsonValue orNull(double v)
{
    return std::isnan(v) ? QJsonValue() : QJsonValue(v);
}

class FormulaChartCommand : public Command {
public:
    QString name() const override { return QStringLiteral("formula chart"); }
    QString summary() const override { return QStringLiteral("the figures of one formula's hit chart (命中走势图)"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli formula chart --kind KIND --idx N [--window N|all] [--rolling R]\n"
            "\n"
            "The hit chart of the formula N (its idx) of the kind's table over its evaluation window (the\n"
            "stored 检索期数设置 and 检索期数前溯不含当前期, or --window): every draw's verdict, the rolling hit\n"
            "rate over the last R draws (default 30; empty before the R-th draw) beside the chance line (the\n"
            "mean chance that the same predictions hit uniformly random digits), and the runs of misses.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{opt::requiredKind(),
                                             opt::integer(QStringLiteral("--idx"), 1, FormulaList::kMaxIdx)
                                                 .required(QStringLiteral("--idx N is needed")),
                                             opt::window(), opt::integer(QStringLiteral("--rolling"), 1, 3000)};
        const OptionValues args = optionTable.read(name(), argv);
        const FormulaKind kind = *args.kind();
        const int idx = *args.integer(QStringLiteral("--idx"));
        const std::optional<int> window = args.window();
        const int rolling = args.integer(QStringLiteral("--rolling")).value_or(30);

        Session& session = context.session();
        const std::vector<Formula> table = session.formulaStore().listAll(kind);
        const auto found = std::find_if(table.begin(), table.end(), [idx](const Formula& f) { return f.idx == idx; });
        if (found == table.end()) {
            usageError(QStringLiteral("%1: %2 has no formula %3").arg(name(), kind.tableName()).arg(idx));
        }
        FigureSettings figures = figureSettingsOf(session.options());
        int windowIndex = session.options().windowIndex();
        if (window) {
            windowIndex = *window;
            figures.windowDraws = Options::windowSizeOfIndex(windowIndex);
        }
        const SnapshotPtr history = session.snapshot();
        const int start = evaluationWindowStart(history->size(), figures.windowDraws, figures.excludeCurrent);
        const HitSeries s =
            hitSeries(*history, Expression::compile(found->expressionText), kind, found->kill, start, rolling);

        Document& doc = context.document();
        doc.set(QStringLiteral("kind"), kind.shortName());
        doc.set(QStringLiteral("idx"), idx);
        doc.set(QStringLiteral("gongshiCN"), found->displayText);
        doc.set(QStringLiteral("sense"), senseName(found->kill));
        doc.set(QStringLiteral("window"), Options::windowCaption(windowIndex), QStringLiteral("检索期数"));
        doc.set(QStringLiteral("evaluable"), s.evaluable);
        if (!s.evaluable) {
            doc.set(QStringLiteral("error"), s.error);
            return 0;
        }
        const HitSeries::Run longest = s.longestMissRun();
        doc.set(QStringLiteral("count"), s.size(), QStringLiteral("draws counted"));
        doc.set(QStringLiteral("hits"), s.hitCount);
        doc.set(QStringLiteral("rate"), s.rate());
        doc.set(QStringLiteral("chance"), s.meanChance, QStringLiteral("chance (随机基准)"));
        doc.set(QStringLiteral("rolling"), s.rolling, QStringLiteral("rolling draws"));
        doc.set(QStringLiteral("longestMissRun"), longest.length, QStringLiteral("longest miss run"));

        Table& draws = doc.addTable(QStringLiteral("draws"),
                                    {{QStringLiteral("strQQH"), QStringLiteral("期号")},
                                     {QStringLiteral("hit"), QStringLiteral("命中")},
                                     {QStringLiteral("chance"), QStringLiteral("随机基准")},
                                     {QStringLiteral("rollingRate"), QStringLiteral("滚动命中率")},
                                     {QStringLiteral("rollingChance"), QStringLiteral("滚动基准")}},
                                    QStringLiteral("命中走势"));
        for (int i = 0; i < s.size(); ++i) {
            const auto k = static_cast<std::size_t>(i);
            draws.addRow({history->issue(s.first + i), s.hits[k] != 0, s.chance[k], orNull(s.rollingRate[k]),
                          orNull(s.rollingChance[k])});
        }
        Table& runs = doc.addTable(QStringLiteral("missRuns"),
                                   {{QStringLiteral("from"), QStringLiteral("自")},
                                    {QStringLiteral("to"), QStringLiteral("至")},
                                    {QStringLiteral("length"), QStringLiteral("连错")}},
                                   QStringLiteral("连错"));
        for (const HitSeries::Run& r : s.missRuns) {
            runs.addRow(
                {history->issue(s.first + r.first), history->issue(s.first + r.first + r.length - 1), r.length});
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeFormulaChartCommand()
{
    return std::make_unique<FormulaChartCommand>();
}

} // namespace korvel::cli
