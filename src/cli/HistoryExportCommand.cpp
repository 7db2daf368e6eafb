#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "history/HistorySnapshot.h"
#include "session/Session.h"

#include <QDir>
#include <QFileInfo>

namespace korvel::cli {

namespace {

class HistoryExportCommand : public Command {
public:
    QString name() const override { return QStringLiteral("history export"); }
    QString summary() const override { return QStringLiteral("write the history text file"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli history export [FILE]\n"
            "\n"
            "Writes \"更新至<newest issue>期历史号码.txt\" in the data folder, as \"历史号码导出文本文件(&X)\" does "
            "(one\n"
            "line per draw, \"2007001 583\"), and prints its path. With FILE a copy is written there as well.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{{}, {opt::optionalPositional(QStringLiteral("TARGET"))}};
        const std::optional<QString> target = optionTable.read(name(), argv).positional(QStringLiteral("TARGET"));

        Session& session = context.session();
        const int told = context.dialogs().messageCount();
        const QString path = session.exportHistoryText();
        if (path.isEmpty()) {
            failAsTold(context, told, QStringLiteral("%1: nothing was written").arg(name()));
        }
        Document& doc = context.document();
        doc.set(QStringLiteral("count"), session.snapshot()->size(), QStringLiteral("draws"));
        if (target) {
            copyFile(path, *target);
            doc.set(QStringLiteral("copy"), QDir::toNativeSeparators(QFileInfo(*target).absoluteFilePath()));
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeHistoryExportCommand()
{
    return std::make_unique<HistoryExportCommand>();
}

} // namespace korvel::cli
