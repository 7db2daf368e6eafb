#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "history/HistorySnapshot.h"
#include "history/IssueValueRepair.h"
#include "session/Session.h"

namespace korvel::cli {

namespace {

class HistoryRepairCommand : public Command {
public:
    QString name() const override { return QStringLiteral("history repair"); }
    QString summary() const override { return QStringLiteral("recompute the issue values of stored draws"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli history repair\n"
            "\n"
            "Recomputes QH, QHW, SQH and SQHW of every stored draw from its issue text as typed draws get\n"
            "them (a 359th draw predicts issue 360). Draw files imported by earlier versions took the online\n"
            "update's modulo-358 values, which differ on the 359th draw of a year. Only differing rows are\n"
            "written, all in one transaction; \"changed\" tells how many.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{};
        optionTable.read(name(), argv);

        Session& session = context.session();
        const IssueRepairResult result = repairIssueValues(session.database(), session.history());
        if (!result.ok) {
            failure(QStringLiteral("%1: %2").arg(name(), result.error));
        }
        if (result.changed > 0) {
            session.refreshAll();
        }
        Document& doc = context.document();
        doc.set(QStringLiteral("changed"), result.changed, QStringLiteral("changed"));
        doc.set(QStringLiteral("count"), session.snapshot()->size(), QStringLiteral("draws"));
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeHistoryRepairCommand()
{
    return std::make_unique<HistoryRepairCommand>();
}

} // namespace korvel::cli
