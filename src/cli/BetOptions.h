#pragma once

#include "bets/BetList.h"
#include "cli/OptionTable.h"
#include "tally/TallyChoice.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace korvel {
class Session;
}

namespace korvel::cli {

class CliContext;

// The options `bets` and `bets backtest` share: the play of the list (--bet), the filters (one option a
// filter, or a saved set), the digits typed with --keep, and the tally choice (--position, --play, --sense,
// --method, --keep-limit) that --from-tally and the backtest compute with.
struct BetOptions {
    BetPlay play = BetPlay::Direct;
    BetFilters filters;
    std::array<std::optional<std::bitset<10>>, 3> keep; // 0 百位 .. 2 个位, as typed
    TallyChoice choice;
    std::optional<int> keepLimit; // best method
    std::optional<QString> saveFilterSet;
};

// Their declarations, and what they read; a usage error names a bad one. `forBacktest` allows only the
// plays 单选 and 通选.
std::vector<OptionDecl> betOptions();
BetOptions betOptionsOf(const OptionValues& values, CliContext& context, bool forBacktest);

// The help lines of those options.
QString betOptionsHelp();

// Confirms the best method's sort settings in the session with the default keys (and --keep-limit).
void confirmSortSettings(Session& session, const BetOptions& options, const QString& command);

} // namespace korvel::cli
