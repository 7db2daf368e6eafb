#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "session/Session.h"

#include <algorithm>
#include <climits>

namespace korvel::cli {

namespace {

class HistoryListCommand : public Command {
public:
    QString name() const override { return QStringLiteral("history list"); }
    QString summary() const override { return QStringLiteral("the stored draws (the history grid)"); }
    QString help() const override
    {
        return QStringLiteral("Usage: korvel-cli history list [--last N]\n"
                              "\n"
                              "The stored draws in issue order, as the history grid lists them: 期号, 百位, 十位, "
                              "个位.\n"
                              "  --last N   only the newest N draws\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{opt::integer(QStringLiteral("--last"), 0, INT_MAX)};
        const int limit = optionTable.read(name(), argv).integer(QStringLiteral("--last")).value_or(INT_MAX);

        const SnapshotPtr history = context.session().snapshot();
        Document& doc = context.document();
        doc.set(QStringLiteral("count"), history->size(), QStringLiteral("draws"));
        Table& t = doc.addTable(QStringLiteral("draws"), {{QStringLiteral("strQQH"), QStringLiteral("期号")},
                                                          {QStringLiteral("L1A"), QStringLiteral("百位")},
                                                          {QStringLiteral("L2A"), QStringLiteral("十位")},
                                                          {QStringLiteral("L3A"), QStringLiteral("个位")}});
        for (int r = std::max(0, history->size() - limit); r < history->size(); ++r) {
            t.addRow({history->issue(r), history->value(r, Param::L1A), history->value(r, Param::L2A),
                      history->value(r, Param::L3A)});
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeHistoryListCommand()
{
    return std::make_unique<HistoryListCommand>();
}

} // namespace korvel::cli
