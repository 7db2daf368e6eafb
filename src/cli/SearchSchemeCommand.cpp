#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "cli/SearchSupport.h"
#include "search/SearchKind.h"
#include "search/SearchText.h"
#include "session/Session.h"
#include "session/SessionSearchHost.h"

namespace korvel::cli {

namespace {

class SearchSchemeCommand : public Command {
public:
    QString name() const override { return QStringLiteral("search scheme"); }
    QString summary() const override { return QStringLiteral("the automatic search scheme (确定搜索方案开始搜索)"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli search scheme [--sense SENSE] [--quota KIND=N]... [--mode hold|add]\n"
            "                                [--save append|replace|none] [--seed S] [--threads T]\n"
            "                                [--constant C|random] [--form bracket|equation]\n"
            "\n"
            "\"确定搜索方案开始搜索\": the kinds 1D, 2D, 3D, 2G, 3G in turn, each with its stored thresholds and\n"
            "operand count, until each has its target, then the automatic save.\n"
            "  --sense SENSE    kill (default) or keep\n"
            "  --quota KIND=N   the quota of a kind; the others are the stored quotas (调用设置, default 100)\n"
            "  --mode M         hold (公式保有数量, default: the table ends with at least N formulas) or add\n"
            "                   (公式新增数量: N new formulas)\n"
            "  --save S         append (default with hold), replace (default with add) or none\n"
            "  --seed, --threads, --constant, --form as for search\n"
            "Ctrl-C stops the scheme; what was found is printed and not saved.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        const Request r = read(argv);
        SessionSearchHost host(context.session());
        SearchSession search(host, r.options.threads);
        if (r.options.seed) {
            search.setSeed(*r.options.seed);
        }
        search.open();
        search.setKill(r.kill);
        applyCandidateOptions(search, r.options);
        search.loadScheme();
        setUpScheme(search.scheme(), r);
        const QString saveMode =
            r.save.value_or(r.mode == QuotaMode::Hold ? QStringLiteral("append") : QStringLiteral("replace"));

        Document& doc = context.document();
        doc.set(QStringLiteral("sense"), senseName(r.kill));
        addPlanTable(doc, search);

        const int told = context.dialogs().messageCount();
        if (!search.startScheme()) {
            failAsTold(context, told, QStringLiteral("%1: the scheme did not start").arg(name()));
        }
        const SearchRun run = runToEnd(search, context, [](const SearchProgress& p) {
            const std::optional<FormulaKind> kind = formulaKindOf(p.schemeKind);
            return QStringLiteral("scheme: %1 %2 of %3, %4 verified")
                .arg(kind ? kind->label() : QString())
                .arg(p.foundShown)
                .arg(p.schemeTarget)
                .arg(p.verified);
        });
        const std::vector<FoundFormula> found = search.foundFormulas();
        doc.set(QStringLiteral("seed"), QString::number(run.progress.seed));
        doc.set(QStringLiteral("stoppedBy"), stopText(run.progress.reason, run.interrupted),
                QStringLiteral("stopped by"));
        doc.set(QStringLiteral("found"), static_cast<int>(found.size()), QStringLiteral("检索合格公式数"));
        addRate(doc, run, search.threadCount());
        if (!run.interrupted && run.progress.reason == StopReason::SchemeDone && saveMode != QLatin1String("none")) {
            const int before = context.dialogs().messageCount();
            const bool saved =
                saveMode == QLatin1String("append") ? search.appendToDatabase() : search.updateToDatabase();
            if (!saved) {
                failAsTold(context, before, QStringLiteral("%1: the formulas were not saved").arg(name()));
            }
            doc.set(QStringLiteral("saved"), saveMode);
        }
        addFoundTable(doc, found);
        return 0;
    }

private:
    struct Request {
        bool kill = true;
        QStringList quotas;
        QuotaMode mode = QuotaMode::Hold;
        std::optional<QString> save;
        SearchOptions options;
    };

    Request read(const QStringList& argv) const
    {
        static const OptionTable optionTable =
            OptionTable{
                opt::sense(),
                opt::texts(QStringLiteral("--quota")),
                opt::words(QStringLiteral("--mode"), {{QStringLiteral("hold"), QStringLiteral("保有")},
                                                      {QStringLiteral("add"), QStringLiteral("新增")}})
                    .withCommand(),
                opt::words(QStringLiteral("--save"),
                           {{QStringLiteral("append")}, {QStringLiteral("replace")}, {QStringLiteral("none")}})
                    .withCommand(),
            }
                .with(searchOptions());
        const OptionValues args = optionTable.read(name(), argv);
        Request r;
        r.kill = args.sense().value_or(true);
        r.quotas = args.texts(QStringLiteral("--quota"));
        r.mode = args.word(QStringLiteral("--mode")) == 1 ? QuotaMode::Add : QuotaMode::Hold;
        r.save = args.text(QStringLiteral("--save"));
        r.options = searchOptionsOf(args);
        return r;
    }

    // The quotas given over the stored ones, and the mode.
    void setUpScheme(SchemeSettings& scheme, const Request& r) const
    {
        for (const QString& q : r.quotas) {
            const qsizetype eq = q.indexOf(QLatin1Char('='));
            const FormulaKind kind = parseKind(QStringLiteral("--quota"), q.left(eq));
            const QString n = q.mid(eq + 1).trimmed();
            if (eq < 0 || !isNumericText(n)) {
                usageError(QStringLiteral("%1 --quota: \"%2\" is not KIND=N").arg(name(), q));
            }
            scheme.quota(kindNumberOf(kind)) = n;
        }
        scheme.setMode(r.mode);
        // The automatic save is run here once the scheme has finished, by the same command the window's
        // scheme runs, so that the formulas it saves can be printed first.
        scheme.setAutoAppend(false);
        scheme.setAutoReplace(false);
    }

    static void addPlanTable(Document& doc, SearchSession& search)
    {
        Table& plan = doc.addTable(QStringLiteral("plan"), {{QStringLiteral("kind"), QStringLiteral("kind")},
                                                            {QStringLiteral("种类"), QStringLiteral("种类")},
                                                            {QStringLiteral("quota"), QStringLiteral("quota")},
                                                            {QStringLiteral("existing"), QStringLiteral("existing")}});
        for (int k : kSearchedKindNumbers) {
            const FormulaKind fk = *formulaKindOf(k);
            plan.addRow({fk.shortName(), fk.label(), search.scheme().quota(k),
                         search.existingCounts()[static_cast<std::size_t>(k - 1)]});
        }
    }
};

} // namespace

std::unique_ptr<Command> makeSearchSchemeCommand()
{
    return std::make_unique<SearchSchemeCommand>();
}

} // namespace korvel::cli
