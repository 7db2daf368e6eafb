#include "cli/CliContext.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "formula/FormulaStore.h"
#include "session/Session.h"
#include "verify/FormulaList.h"

namespace korvel::cli {

namespace {

class FormulaClearCommand : public Command {
public:
    QString name() const override { return QStringLiteral("formula clear"); }
    QString summary() const override { return QStringLiteral("delete every formula of every kind"); }
    QString help() const override
    {
        return QStringLiteral("Usage: korvel-cli formula clear --yes\n"
                              "\n"
                              "Empties all five formula tables (\"清空所有公式\"). The window asks first; --yes "
                              "answers yes.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{};
        optionTable.read(name(), argv);
        Session& session = context.session();
        const int refused = context.dialogs().refusedCount();
        const int told = context.dialogs().messageCount();
        if (!session.formulas().clearAll()) {
            if (context.dialogs().refusedCount() > refused) {
                failRefused(context, name());
            }
            failAsTold(context, told, QStringLiteral("%1: nothing was deleted").arg(name()));
        }
        int left = 0;
        for (const FormulaKind& k : kAllKinds) {
            left += session.formulaStore().count(k);
        }
        context.document().set(QStringLiteral("count"), left, QStringLiteral("formulas left"));
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeFormulaClearCommand()
{
    return std::make_unique<FormulaClearCommand>();
}

} // namespace korvel::cli
