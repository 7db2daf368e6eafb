#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "formula/FormulaTextExport.h"
#include "session/Session.h"
#include "verify/FormulaListExport.h"

#include <QDir>
#include <QFileInfo>

namespace korvel::cli {

namespace {

class FormulaExportCommand : public Command {
public:
    QString name() const override { return QStringLiteral("formula export"); }
    QString summary() const override { return QStringLiteral("write the Chinese formula text file"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli formula export (--all [--sense SENSE] | --kind KIND --sense SENSE) [FILE]\n"
            "\n"
            "  --all                 \"所有类公式中文导出\": every kind's formulas of the sense (default kill), into\n"
            "                        \"<next issue>期3D彩公式.txt\"\n"
            "  --kind K --sense S    \"所选类公式中文导出\": the list of that kind and sense, into\n"
            "                        \"<next issue>期3D彩<kind><sense>公式.txt\"\n"
            "The file is written in the data folder (GBK, CR LF) and its path printed; with FILE a copy is\n"
            "written there as well.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{{opt::flag(QStringLiteral("--all")), opt::kind(), opt::sense()},
                                             {opt::optionalPositional(QStringLiteral("TARGET"))}};
        const OptionValues args = optionTable.read(name(), argv);
        const bool all = args.flag(QStringLiteral("--all"));
        const std::optional<FormulaKind> kind = args.kind();
        const std::optional<bool> sense = args.sense();
        const std::optional<QString> target = args.positional(QStringLiteral("TARGET"));
        if (all == kind.has_value()) {
            usageError(QStringLiteral("%1: give --all or --kind KIND --sense SENSE").arg(name()));
        }
        if (kind && !sense) {
            usageError(QStringLiteral("%1: --kind needs --sense SENSE").arg(name()));
        }

        Session& session = context.session();
        const int told = context.dialogs().messageCount();
        TextExportResult result;
        if (all) {
            result = ExportAllKindsText(session.formulaStore(), context.dialogs(), context.launcher(),
                                        *session.snapshot(), figureSettingsOf(session.options()), sense.value_or(true),
                                        session.nextIssue(), session.dataFolder());
        } else {
            showFormulaList(session, *kind, *sense);
            result = ExportKindText(session.formulas(), context.dialogs(), context.launcher(), session.nextIssue(),
                                    session.dataFolder());
        }
        if (!result.ok()) {
            failAsTold(context, told, QStringLiteral("%1: %2").arg(name(), result.error));
        }
        Document& doc = context.document();
        doc.set(QStringLiteral("formulas"), result.formulas);
        if (target) {
            copyFile(result.path, *target);
            doc.set(QStringLiteral("copy"), QDir::toNativeSeparators(QFileInfo(*target).absoluteFilePath()));
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeFormulaExportCommand()
{
    return std::make_unique<FormulaExportCommand>();
}

} // namespace korvel::cli
