#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "session/Session.h"

namespace korvel::cli {

namespace {

class ParamsCommand : public Command {
public:
    QString name() const override { return QStringLiteral("params"); }
    QString summary() const override { return QStringLiteral("the 77 parameters of a stored draw"); }
    QString help() const override
    {
        return QStringLiteral("Usage: korvel-cli params ISSUE\n"
                              "\n"
                              "The 77 parameters of the stored draw ISSUE in vocabulary order: number, code, name "
                              "and value\n(JSON: an object keyed by strQQH and the parameter codes).\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{{}, {opt::positional(QStringLiteral("ISSUE"))}};
        const QString issue = optionTable.read(name(), argv).positional(QStringLiteral("ISSUE"))->trimmed();

        const SnapshotPtr history = context.session().snapshot();
        const int row = history->rowOfIssue(issue);
        if (row < 0) {
            usageError(QStringLiteral("%1: unknown issue %2").arg(name(), issue));
        }
        Document& doc = context.document();
        doc.set(QStringLiteral("strQQH"), issue, QStringLiteral("期号"));
        for (int n = 1; n <= kParamCount; ++n) {
            const Param p = vocabularyParam(n);
            const QString code = QString::fromLatin1(paramCode(p));
            doc.set(code, history->value(row, p), QStringLiteral("%1 %2 %3").arg(n).arg(code, vocabularyName(n)));
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeParamsCommand()
{
    return std::make_unique<ParamsCommand>();
}

} // namespace korvel::cli
