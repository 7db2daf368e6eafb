#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "history/HistorySnapshot.h"
#include "session/Session.h"
#include "settings/Options.h"
#include "verify/Evaluation.h"

namespace korvel::cli {

namespace {

class StatsCommand : public Command {
public:
    QString name() const override { return QStringLiteral("stats"); }
    QString summary() const override { return QStringLiteral("the statistics pass over a kind and sense"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli stats --kind KIND --sense SENSE [--window N|all] [--weighted|--plain]\n"
            "                        [--exclude-current|--include-current] [--english]\n"
            "\n"
            "Runs the statistics pass over the formula list of KIND and SENSE and writes the figures back to\n"
            "the table, as the window's pass does; prints the list. Without options the stored settings\n"
            "apply; the options change this pass only (settings set stores them):\n"
            "  --window N|all        the newest N draws (100, 200, 300, 500, 600, 800, 1000, 1500, 3000) or\n"
            "                        all (检索期数设置)\n"
            "  --weighted, --plain   the rate weighted by j*j or plain (正确率使用期数加权算法)\n"
            "  --exclude-current, --include-current\n"
            "                        检索期数前溯不含当前期 on or off\n"
            "  --english             the 公式 column shows the expression\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{opt::requiredKind(),
                                             opt::requiredSense(),
                                             opt::window(),
                                             opt::flag(QStringLiteral("--weighted")),
                                             opt::flag(QStringLiteral("--plain")),
                                             opt::flag(QStringLiteral("--exclude-current")),
                                             opt::flag(QStringLiteral("--include-current")),
                                             opt::flag(QStringLiteral("--english"))};
        const OptionValues args = optionTable.read(name(), argv);
        const FormulaKind kind = *args.kind();
        const bool kill = *args.sense();
        const bool weighted = args.flag(QStringLiteral("--weighted"));
        const bool plain = args.flag(QStringLiteral("--plain"));
        const bool exclude = args.flag(QStringLiteral("--exclude-current"));
        const bool include = args.flag(QStringLiteral("--include-current"));
        const bool english = args.flag(QStringLiteral("--english"));
        if (weighted && plain) {
            usageError(QStringLiteral("%1: --weighted and --plain exclude each other").arg(name()));
        }
        if (exclude && include) {
            usageError(QStringLiteral("%1: --exclude-current and --include-current exclude each other").arg(name()));
        }
        const std::optional<int> windowIndex = args.window();

        Session& session = context.session();
        showFormulaList(session, kind, kill);
        PassSettings pass = passSettingsOf(session.options());
        int index = session.options().windowIndex();
        if (windowIndex || weighted || plain || exclude || include) {
            if (windowIndex) {
                index = *windowIndex;
                pass.figures.windowDraws = Options::windowSizeOfIndex(index);
            }
            if (weighted || plain) {
                pass.figures.weighted = weighted;
            }
            if (exclude || include) {
                pass.figures.excludeCurrent = exclude;
            }
            session.formulas().statisticsPass(*session.snapshot(), pass);
        } else {
            // The list as shown at start-up: its pass only read, and the figures it found go to the table now.
            session.formulas().writeUnwrittenFigures();
        }

        const SnapshotPtr history = session.snapshot();
        const int start = evaluationWindowStart(history->size(), pass.figures.windowDraws, pass.figures.excludeCurrent);
        Document& doc = context.document();
        doc.set(QStringLiteral("kind"), kind.shortName());
        doc.set(QStringLiteral("sense"), senseName(kill));
        doc.set(QStringLiteral("window"), Options::windowCaption(index), QStringLiteral("检索期数"));
        doc.set(QStringLiteral("weighted"), pass.figures.weighted);
        doc.set(QStringLiteral("excludeCurrent"), pass.figures.excludeCurrent, QStringLiteral("exclude current"));
        doc.set(QStringLiteral("draws"), std::max(0, history->size() - start), QStringLiteral("draws counted"));
        doc.set(QStringLiteral("count"), session.formulas().rowCount(), QStringLiteral("formulas"));
        addFormulaListTable(doc, session.formulas(), pass.figures.weighted, english);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeStatsCommand()
{
    return std::make_unique<StatsCommand>();
}

} // namespace korvel::cli
