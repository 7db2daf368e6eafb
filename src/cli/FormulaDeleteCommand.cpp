#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "formula/FormulaStore.h"
#include "session/Session.h"
#include "verify/FormulaList.h"

#include <algorithm>

namespace korvel::cli {

namespace {

class FormulaDeleteCommand : public Command {
public:
    QString name() const override { return QStringLiteral("formula delete"); }
    QString summary() const override { return QStringLiteral("delete one formula"); }
    QString help() const override
    {
        return QStringLiteral("Usage: korvel-cli formula delete --kind KIND --idx N\n"
                              "\n"
                              "Deletes the formula N (its idx) of the kind's table, as \"删除该公式(&D)\" does; the "
                              "table is\nnumbered 1..n again.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{opt::requiredKind(),
                                             opt::integer(QStringLiteral("--idx"), 1, FormulaList::kMaxIdx)
                                                 .required(QStringLiteral("--idx N is needed"))};
        const OptionValues args = optionTable.read(name(), argv);
        const FormulaKind kind = *args.kind();
        const int idx = *args.integer(QStringLiteral("--idx"));

        Session& session = context.session();
        const std::vector<Formula> table = session.formulaStore().listAll(kind);
        const auto found = std::find_if(table.begin(), table.end(), [idx](const Formula& f) { return f.idx == idx; });
        if (found == table.end()) {
            usageError(QStringLiteral("%1: %2 has no formula %3").arg(name(), kind.tableName()).arg(idx));
        }
        const Formula doomed = *found;
        // The list that shows the formula: its kind and its sense.
        showFormulaList(session, kind, doomed.kill);
        const int told = context.dialogs().messageCount();
        if (!session.formulas().deleteFormulaAt(session.formulas().rowOfIdx(idx))) {
            failAsTold(context, told, QStringLiteral("%1: the formula was not deleted").arg(name()));
        }
        Document& doc = context.document();
        doc.set(QStringLiteral("kind"), kind.shortName());
        doc.set(QStringLiteral("idx"), idx);
        doc.set(QStringLiteral("gongshiCN"), doomed.displayText);
        doc.set(QStringLiteral("gongshi"), doomed.expressionText);
        doc.set(QStringLiteral("count"), session.formulaStore().count(kind), QStringLiteral("formulas left"));
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeFormulaDeleteCommand()
{
    return std::make_unique<FormulaDeleteCommand>();
}

} // namespace korvel::cli
