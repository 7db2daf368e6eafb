#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "formula/FormulaImport.h"
#include "formula/FormulaStore.h"
#include "session/Session.h"

namespace korvel::cli {

namespace {

class FormulaImportCommand : public Command {
public:
    QString name() const override { return QStringLiteral("formula import"); }
    QString summary() const override { return QStringLiteral("read a formula text file"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli formula import FILE [--kind KIND] [--sense SENSE]\n"
            "\n"
            "Reads a formula text file (.txt, GBK or UTF-8) as \"读取公式文本(N)\" does: one formula per line, each\n"
            "to the table of its kind, all in one transaction. Lines that cannot be recognised go to\n"
            "\"无法识别公式.txt\" in the data folder. --kind and --sense are the window's choices the lines fall\n"
            "back on (default 3D and kill, as in a fresh window).\n"
            "\n"
            "A table holds at most 32767 formulas. When lines were left out for that, the formulas that fitted are\n"
            "stored, the result says how many were not (\"N 条公式没有保存：每类公式最多 32767 条。\"), and the exit\n"
            "status is 2.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{{opt::kind(), opt::sense()}, {opt::positional(QStringLiteral("FILE"))}};
        const OptionValues args = optionTable.read(name(), argv);
        const std::optional<FormulaKind> kind = args.kind();
        const std::optional<bool> kill = args.sense();
        const QString file = existingFile(name(), *args.positional(QStringLiteral("FILE")));
        if (!file.endsWith(QLatin1String("txt"), Qt::CaseInsensitive)) {
            usageError(QStringLiteral("%1: formula files are text files ending in .txt").arg(name()));
        }

        Session& session = context.session();
        if (kind || kill) {
            showFormulaList(session, kind.value_or(session.choices().kind()), kill.value_or(session.choices().kill()));
        }
        const int told = context.dialogs().messageCount();
        context.dialogs().setNextFile(file);
        const FormulaImportResult result = ImportFormulaFile(
            session.database(), session.formulaStore(), context.dialogs(), context.launcher(), session.dataFolder(),
            session.choices().kind(), session.choices().kill(), [&session](const FormulaImportResult& r) {
                // Back on the listed kind with the sense the file's equation lines chose, as the window does.
                if (r.finalKill != session.choices().kill()) {
                    session.choices().setKill(r.finalKill);
                }
                session.refreshAll();
            });
        using S = FormulaImportResult::Status;
        switch (result.status) {
        case S::Imported:
            break;
        case S::StoreFailed:
            throw CliError(kExitFailure, {});
        default:
            failAsTold(context, told, QStringLiteral("%1: %2 was not read").arg(name(), file));
        }

        Document& doc = context.document();
        doc.set(QStringLiteral("stored"), result.stored);
        if (result.notStored > 0) {
            doc.set(QStringLiteral("notStored"), result.notStored, QStringLiteral("not stored"));
            doc.set(QStringLiteral("message"), formulaLimitText(result.notStored));
        }
        doc.set(QStringLiteral("skipped"), result.skipped);
        doc.set(QStringLiteral("blank"), result.blank);
        doc.set(QStringLiteral("unrecognised"), static_cast<int>(result.unrecognised.size()));
        if (!result.reportPath.isEmpty()) {
            doc.set(QStringLiteral("report"), result.reportPath);
        }
        Table& perKind =
            doc.addTable(QStringLiteral("perKind"), {{QStringLiteral("kind"), QStringLiteral("kind")},
                                                     {QStringLiteral("种类"), QStringLiteral("种类")},
                                                     {QStringLiteral("stored"), QStringLiteral("stored")}});
        for (std::size_t k = 0; k < kAllKinds.size(); ++k) {
            perKind.addRow({kAllKinds[k].shortName(), kAllKinds[k].label(), result.storedPerKind[k]});
        }
        if (!result.unrecognised.empty()) {
            Table& lines = doc.addTable(
                QStringLiteral("unrecognisedLines"),
                {{QStringLiteral("line"), QStringLiteral("line")}, {QStringLiteral("text"), QStringLiteral("text")}},
                QStringLiteral("无法识别公式"));
            for (const FormulaTextLine& l : result.unrecognised) {
                lines.addRow({l.number, l.reportText});
            }
        }
        // A partial import is a refusal like the others, with its result printed.
        return result.notStored > 0 ? kExitUsage : kExitOk;
    }
};

} // namespace

std::unique_ptr<Command> makeFormulaImportCommand()
{
    return std::make_unique<FormulaImportCommand>();
}

} // namespace korvel::cli
