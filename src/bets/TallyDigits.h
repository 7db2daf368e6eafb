#pragma once

#include "bets/BetList.h"
#include "tally/MethodBacktest.h"
#include "tally/TallyResult.h"
#include "tally/TallySet.h"

#include <optional>

namespace korvel {

// The digits a 计算公式 result keeps ("保留") at each position, as the result views mark them: in a kill run
// the digits no formula killed, in a keep run the digits some formula kept. A per-position run sets its
// positions 1..p (个位, 十位, 百位); a 通选 run keeps the same digits at every position its kind covers (十位通选
// 十位 and 个位, 百位通选 all three); a 单双/大小 run keeps the digits of its kept categories. A position the
// run did not tally is nullopt: the caller chooses (the window leaves its buttons, the list keeps all ten).
// Indexed 0 百位, 1 十位, 2 个位.
using TallyKeptDigits = std::array<std::optional<std::bitset<10>>, 3>;

TallyKeptDigits keptDigitsOfTally(const TallySet& tally, const TallyResult::Setup& setup);

// The same for one step of the method backtest (its slots carry the marks).
TallyKeptDigits keptDigitsOfStep(const BacktestDraw& step, int position);

// nullopt positions filled with all ten digits.
KeptDigits orAllDigits(const TallyKeptDigits& kept);

} // namespace korvel
