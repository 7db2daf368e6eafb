#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "session/Session.h"
#include "settings/Options.h"

namespace korvel::cli {

namespace {

class FormulaListCommand : public Command {
public:
    QString name() const override { return QStringLiteral("formula list"); }
    QString summary() const override { return QStringLiteral("the formula list of a kind and sense"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli formula list --kind KIND --sense SENSE [--english]\n"
            "\n"
            "The formula list as the window shows it after choosing the kind and sense (the statistics pass\n"
            "runs with the stored options): 序号, 公式, 种类, 生杀, 计算值, the rate, 最大连错, 最大连对, 最后连错,\n"
            "最后连对, idx.\n"
            "  --kind KIND     1D, 2D, 3D, 2G, 3G or a label such as 百位单选\n"
            "  --sense SENSE   kill / keep (杀 / 生)\n"
            "  --english       the 公式 column shows the expression (the tab 公式英文显示)\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{opt::requiredKind(), opt::requiredSense(),
                                             opt::flag(QStringLiteral("--english"))};
        const OptionValues args = optionTable.read(name(), argv);
        const FormulaKind kind = *args.kind();
        const bool kill = *args.sense();
        const bool english = args.flag(QStringLiteral("--english"));

        Session& session = context.session();
        showFormulaList(session, kind, kill);
        Document& doc = context.document();
        doc.set(QStringLiteral("kind"), kind.shortName());
        doc.set(QStringLiteral("sense"), senseName(kill));
        doc.set(QStringLiteral("count"), session.formulas().rowCount(), QStringLiteral("formulas"));
        addFormulaListTable(doc, session.formulas(), session.options().weightedRate(), english);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeFormulaListCommand()
{
    return std::make_unique<FormulaListCommand>();
}

} // namespace korvel::cli
