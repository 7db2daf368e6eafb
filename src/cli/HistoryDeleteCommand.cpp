#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryStore.h"
#include "session/Session.h"

#include <climits>

namespace korvel::cli {

namespace {

class HistoryDeleteCommand : public Command {
public:
    QString name() const override { return QStringLiteral("history delete"); }
    QString summary() const override { return QStringLiteral("delete the newest draws"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli history delete (--last N | --to ISSUE | --all)\n"
            "\n"
            "  --last N     the newest N draws (\"删除最后指定数量期历史(&E)\"; more than stored deletes all)\n"
            "  --to ISSUE   every draw after ISSUE, which stays (\"删除到选定期(&D)\"); ISSUE must be stored\n"
            "  --all        every draw (\"删除所有历史(&A）\")\n"
            "The question naming how many draws go is printed on stderr, answered by the option. The file is\n"
            "compacted afterwards as those commands do.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{opt::integer(QStringLiteral("--last"), 1, INT_MAX),
                                             opt::text(QStringLiteral("--to")), opt::flag(QStringLiteral("--all"))};
        const OptionValues args = optionTable.read(name(), argv);
        const std::optional<int> last = args.integer(QStringLiteral("--last"));
        const std::optional<QString> to = args.text(QStringLiteral("--to"));
        const bool all = args.flag(QStringLiteral("--all"));
        if (int(last.has_value()) + int(to.has_value()) + int(all) != 1) {
            usageError(QStringLiteral("%1: give one of --last N, --to ISSUE, --all").arg(name()));
        }
        const int count = last.value_or(0);

        Session& session = context.session();
        const int before = session.history().size();
        const int told = context.dialogs().messageCount();
        // The option names what goes and so answers the question naming the count (printed on stderr).
        context.dialogs().setAnswerYes(true);
        bool changed = false;
        if (last) {
            context.dialogs().setNextInput(QString::number(count));
            changed = session.deleteLastCount();
        } else if (to) {
            if (session.snapshot()->rowOfIssue(to->trimmed()) < 0) {
                usageError(QStringLiteral("%1: unknown issue %2").arg(name(), *to));
            }
            context.dialogs().setNextInput(to->trimmed());
            changed = session.deleteToChosenIssue();
        } else {
            changed = session.deleteAllDraws();
        }
        if (!changed && context.dialogs().messageCount() > told) {
            failAsTold(context, told, {});
        }
        const int after = session.history().size();
        Document& doc = context.document();
        doc.set(QStringLiteral("deleted"), before - after);
        doc.set(QStringLiteral("count"), after, QStringLiteral("draws"));
        if (after > 0) {
            doc.set(QStringLiteral("newestIssue"), session.snapshot()->issue(after - 1),
                    QStringLiteral("newest issue"));
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeHistoryDeleteCommand()
{
    return std::make_unique<HistoryDeleteCommand>();
}

} // namespace korvel::cli
