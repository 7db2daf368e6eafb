#include "cli/Command.h"

#include "cli/Commands.h"

namespace korvel::cli {

std::vector<std::unique_ptr<Command>> allCommands()
{
    std::vector<std::unique_ptr<Command>> all;
    for (auto make :
         {makeHistoryListCommand,   makeHistoryAddCommand,    makeHistoryImportCommand, makeHistoryExportCommand,
          makeHistoryDeleteCommand, makeHistoryRepairCommand, makeHistoryUpdateCommand, makeHistoryVerifyCommand,
          makeParamsCommand,        makeFormulaAddCommand,    makeFormulaImportCommand, makeFormulaExportCommand,
          makeFormulaListCommand,   makeFormulaDeleteCommand, makeFormulaClearCommand,  makeFormulaChartCommand,
          makeStatsCommand,         makeComputeCommand,       makeRankingCommand,       makeTrendCommand,
          makeSearchCommand,        makeSearchSchemeCommand,  makeTuneCommand,          makeBacktestCommand,
          makeBetsCommand,          makeBetsBacktestCommand,  makeSettingsGetCommand,   makeSettingsSetCommand}) {
        all.push_back(make());
    }
    return all;
}

} // namespace korvel::cli
