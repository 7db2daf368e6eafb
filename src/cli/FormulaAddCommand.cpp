#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "session/Session.h"
#include "settings/Options.h"
#include "verify/FormulaList.h"

namespace korvel::cli {

namespace {

class FormulaAddCommand : public Command {
public:
    QString name() const override { return QStringLiteral("formula add"); }
    QString summary() const override { return QStringLiteral("store a typed formula"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli formula add TEXT\n"
            "\n"
            "Stores a formula as \"添加所输公式(&A)\" does, in the equation form (\"百位码+十位码+3=下期杀 "
            "十位单选\")\n"
            "or the bracket form (\"[百位单选杀]百位码+十位码+3\"); the kind and, in the equation form, the sense\n"
            "come from the text (a bracket-form text without a sense is a kill formula, as in a fresh window).\n"
            "An expression that cannot be computed is refused. Prints the formula's row of the list.\n"
            "Quote TEXT; words after it are joined with a blank.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{{}, {opt::rest(QStringLiteral("TEXT"))}};
        const QStringList words = optionTable.read(name(), argv).rest(QStringLiteral("TEXT"));

        Session& session = context.session();
        const int told = context.dialogs().messageCount();
        if (!session.addTypedFormula(words.join(QLatin1Char(' ')))) {
            failAsTold(context, told,
                       QStringLiteral("%1: 个位通选 has no formula table; nothing was stored").arg(name()));
        }
        // The list now shows the formula's kind and sense; the new formula carries the highest idx.
        const FormulaList& list = session.formulas();
        int row = -1;
        for (int r = 0; r < list.rowCount(); ++r) {
            if (row < 0 || list.idxOfRow(r) > list.idxOfRow(row)) {
                row = r;
            }
        }
        Document& doc = context.document();
        doc.set(QStringLiteral("kind"), session.choices().kind().shortName());
        doc.set(QStringLiteral("sense"), senseName(session.choices().kill()));
        if (row >= 0) {
            addFormulaListRow(doc, list, row, session.options().weightedRate());
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeFormulaAddCommand()
{
    return std::make_unique<FormulaAddCommand>();
}

} // namespace korvel::cli
