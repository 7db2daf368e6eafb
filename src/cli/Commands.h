#pragma once

#include "cli/Command.h"

#include <memory>

namespace korvel::cli {

// One factory per command (each in its own file).
std::unique_ptr<Command> makeHistoryListCommand();
std::unique_ptr<Command> makeHistoryAddCommand();
std::unique_ptr<Command> makeHistoryImportCommand();
std::unique_ptr<Command> makeHistoryExportCommand();
std::unique_ptr<Command> makeHistoryDeleteCommand();
std::unique_ptr<Command> makeHistoryRepairCommand();
std::unique_ptr<Command> makeHistoryUpdateCommand();
std::unique_ptr<Command> makeHistoryVerifyCommand();
std::unique_ptr<Command> makeParamsCommand();
std::unique_ptr<Command> makeFormulaAddCommand();
std::unique_ptr<Command> makeFormulaImportCommand();
std::unique_ptr<Command> makeFormulaExportCommand();
std::unique_ptr<Command> makeFormulaListCommand();
std::unique_ptr<Command> makeFormulaDeleteCommand();
std::unique_ptr<Command> makeFormulaClearCommand();
std::unique_ptr<Command> makeFormulaChartCommand();
std::unique_ptr<Command> makeStatsCommand();
std::unique_ptr<Command> makeComputeCommand();
std::unique_ptr<Command> makeRankingCommand();
std::unique_ptr<Command> makeTrendCommand();
std::unique_ptr<Command> makeSearchCommand();
std::unique_ptr<Command> makeSearchSchemeCommand();
std::unique_ptr<Command> makeTuneCommand();
std::unique_ptr<Command> makeBacktestCommand();
std::unique_ptr<Command> makeBetsCommand();
std::unique_ptr<Command> makeBetsBacktestCommand();
std::unique_ptr<Command> makeSettingsGetCommand();
std::unique_ptr<Command> makeSettingsSetCommand();

} // namespace korvel::cli
