#pragma once

#include "formula/FormulaKind.h"
#include "search/WalkForwardSearch.h"
#include "session/Session.h"
#include "tally/MethodBacktest.h"

#include <QString>

#include <optional>

namespace korvel::cli {

// The words of the command line for the window's choices. Each parser throws a usage error that names
// the option and the accepted words.

// "1D", "2D", "3D", "2G", "3G", a table name ("Gongshi2G") or a kind label ("百位单选").
FormulaKind parseKind(const QString& option, const QString& text);
// "kill" / "杀" or "keep" / "生": true for kill.
bool parseSense(const QString& option, const QString& text);
// 1–3 as in the window (个位 1, 十位 2, 百位 3) or the position words ("个位", "十位", "百位", "units", "tens",
// "hundreds").
int parsePosition(const QString& option, const QString& text);
// "单选", "通选", "单双", "大小" or "single", "group", "odd-even", "big-small".
Session::PlayChoice parsePlayChoice(const QString& option, const QString& text);
// A whole number in [min, max].
int parseInteger(const QString& option, const QString& text, int min, int max);

// The backtest's --mode ("fixed"/"固定公式", default, or "walk"/"滚动搜索"), for the command named `command`.
BacktestMode parseBacktestMode(const QString& command, const std::optional<QString>& text);

// The walk-forward search of a backtest step: --formulas, --candidates, --seed and --threads over the defaults.
struct WalkForwardOptions {
    std::optional<QString> formulas, candidates, seed, threads;
};
WalkForwardPlan parseWalkForwardPlan(const QString& command, const WalkForwardOptions& options);
// An evaluation window: "all", one of the window sizes (100, 200, ..., 3000) or its caption ("前300期");
// returns the window index.
int parseWindowIndex(const QString& option, const QString& text);

// The kind's short name and label, as printed ("3D 百位单选").
QString kindText(const FormulaKind& kind);
QString senseName(bool kill); // "kill" / "keep"

} // namespace korvel::cli

namespace korvel::cli {

class Arguments;

// The options --kind and --sense of a command: required (a usage error when missing) or optional.
FormulaKind takeKind(Arguments& args);
bool takeSense(Arguments& args);
std::optional<FormulaKind> takeOptionalKind(Arguments& args);
std::optional<bool> takeOptionalSense(Arguments& args);

} // namespace korvel::cli
