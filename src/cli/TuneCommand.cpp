#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "cli/SearchSupport.h"
#include "search/ParameterTuning.h"
#include "search/SearchKind.h"
#include "session/Session.h"
#include "session/SessionSearchHost.h"

namespace korvel::cli {

namespace {

class TuneCommand : public Command {
public:
    QString name() const override { return QStringLiteral("tune"); }
    QString summary() const override { return QStringLiteral("tune the search thresholds (公式参数智能设置)"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli tune --kind KIND|all --sense SENSE --samples N [--seed S] [--threads T] [--save]\n"
            "\n"
            "The automatic parameter setting of the search window: N random formulas (20-1000) are verified and\n"
            "the threshold fields moved towards their best figures.\n"
            "  --kind KIND   \"当前公式类在指定范围内检索最优参数设置\" for one kind: prints the tuned fields; --save\n"
            "                stores them (保存当前种类参数设置)\n"
            "  --kind all    \"所有公式类在指定范围内检索最优参数设置并保存\": every kind, stored as the new "
            "defaults;\n"
            "                this always stores, so it needs --save (which answers the window's question)\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        const Request r = read(argv);
        const std::optional<FormulaKind>& kind = r.kind;
        const bool all = !kind;
        const bool kill = r.kill;
        const bool save = r.save;
        const int samples = r.samples;
        const SearchOptions& options = r.options;

        Session& session = context.session();
        SessionSearchHost host(session);
        SearchSession search(host, options.threads);
        if (options.seed) {
            search.setSeed(*options.seed);
        }
        search.open();
        if (kind) {
            search.setPosition(kind->position);
            search.setPlay(kind->play);
        }
        search.setKill(kill);
        applyCandidateOptions(search, options);
        search.setTuningSamples(samples);

        const int told = context.dialogs().messageCount();
        context.dialogs().setAnswerYes(all); // --save answered the question of the all-kinds tuning
        const bool started = all ? search.tuneAllKinds() : search.tuneCurrentKind();
        if (!started) {
            failAsTold(context, told, QStringLiteral("%1: the tuning did not start").arg(name()));
        }
        const SearchRun run = runToEnd(search, context, [](const SearchProgress& p) {
            const std::optional<FormulaKind> k = formulaKindOf(p.tuningKind);
            return QStringLiteral("tune: %1 %2 of %3 samples")
                .arg(k ? k->label() : QString())
                .arg(p.tuningSamples)
                .arg(p.tuningTarget);
        });
        if (run.interrupted) {
            usageError(QStringLiteral("%1: interrupted; nothing was changed").arg(name()));
        }
        if (kind && save) {
            search.saveKindSettings();
        }

        Document& doc = context.document();
        doc.set(QStringLiteral("sense"), senseName(kill));
        doc.set(QStringLiteral("seed"), QString::number(run.progress.seed));
        doc.set(QStringLiteral("samples"), samples);
        doc.set(QStringLiteral("saved"), save);
        Table& t =
            doc.addTable(QStringLiteral("kinds"), {{QStringLiteral("kind"), QStringLiteral("kind")},
                                                   {QStringLiteral("种类"), QStringLiteral("种类")},
                                                   {QStringLiteral("thresholds"), QStringLiteral("thresholds")}});
        if (kind) {
            t.addRow({kind->shortName(), kind->label(), thresholdsValue(search.thresholdFields())});
        } else {
            for (int k : kSearchedKindNumbers) {
                const FormulaKind fk = *formulaKindOf(k);
                t.addRow({fk.shortName(), fk.label(), thresholdsValue(search.thresholdTable().texts(k, kill))});
            }
        }
        return 0;
    }

private:
    struct Request {
        std::optional<FormulaKind> kind; // none: every kind
        bool kill = true;
        int samples = 0;
        bool save = false;
        SearchOptions options;
    };

    Request read(const QStringList& argv) const
    {
        // --kind KIND or --kind all, read here: "all" is no kind.
        static const OptionTable optionTable =
            OptionTable{
                opt::text(QStringLiteral("--kind")).required(QStringLiteral("--kind KIND or --kind all is needed")),
                opt::requiredSense(),
                opt::integer(QStringLiteral("--samples"), kMinTuningSamples, kMaxTuningSamples)
                    .required(QStringLiteral("--samples N is needed")),
                opt::flag(QStringLiteral("--save")),
            }
                .with(searchOptions());
        const OptionValues args = optionTable.read(name(), argv);
        const QString kindText = *args.text(QStringLiteral("--kind"));
        const bool kill = *args.sense();
        const bool save = args.flag(QStringLiteral("--save"));
        const SearchOptions options = searchOptionsOf(args);
        const bool all = kindText.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0;
        const std::optional<FormulaKind> kind =
            all ? std::nullopt : std::optional<FormulaKind>(parseKind(QStringLiteral("--kind"), kindText));
        const int samples = *args.integer(QStringLiteral("--samples"));
        if (all && !save) {
            usageError(QStringLiteral("%1: tuning all kinds stores the new thresholds; add --save").arg(name()));
        }
        return {kind, kill, samples, save, options};
    }
};

} // namespace

std::unique_ptr<Command> makeTuneCommand()
{
    return std::make_unique<TuneCommand>();
}

} // namespace korvel::cli
