#pragma once

#include "cli/OptionTable.h"
#include "formula/FormulaKind.h"
#include "search/WalkForwardSearch.h"
#include "session/Session.h"
#include "tally/MethodBacktest.h"

#include <QString>

#include <optional>
#include <vector>

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

// The backtests' --mode ("fixed"/"固定公式", default, or "walk"/"滚动搜索") and the walk-forward search of a
// step: --formulas, --candidates, --seed and --threads over the defaults.
std::vector<OptionDecl> walkForwardOptions();
BacktestMode backtestModeOf(const OptionValues& values);
WalkForwardPlan walkForwardPlanOf(const OptionValues& values);

// --method selected|best (计算选中公式 / 最优公式法): the word index 1 is best.
OptionDecl methodOption();
constexpr int kMethodBest = 1;
// An evaluation window: "all", one of the window sizes (100, 200, ..., 3000) or its caption ("前300期");
// returns the window index.
int parseWindowIndex(const QString& option, const QString& text);

// The kind's short name and label, as printed ("3D 百位单选").
QString kindText(const FormulaKind& kind);
QString senseName(bool kill); // "kill" / "keep"

} // namespace korvel::cli
