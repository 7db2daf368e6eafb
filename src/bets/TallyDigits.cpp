#include "bets/TallyDigits.h"

#include <algorithm>

namespace korvel {

namespace {

// Slot 1 个位, 2 十位, 3 百位 to the index 0 百位 .. 2 个位.
int indexOfSlot(int slot)
{
    return 3 - slot;
}

// The positions a 通选 kind of position p covers: 十位 and 个位 for 十位, all three for 百位.
std::vector<int> groupIndexes(int position)
{
    return position == 2 ? std::vector<int>{1, 2} : std::vector<int>{0, 1, 2};
}

bool keptMark(std::int16_t count, bool kill)
{
    // The views' rule: 滤杀 when (count = 0) XOR kill.
    return (count == 0) == kill;
}

} // namespace

TallyKeptDigits keptDigitsOfTally(const TallySet& tally, const TallyResult::Setup& setup)
{
    TallyKeptDigits out;
    const auto keptOf = [&](int slot) {
        const auto& counts = tally.senseCount[static_cast<std::size_t>(slot)];
        std::bitset<10> kept;
        if (setup.view == ResultView::PerPositionCategory) {
            // Two categories: 大小 (5-9 big) or 单双 (odd); a digit is kept with its category.
            std::array<int, 2> sums{};
            const auto category = [&](int d) {
                return setup.category == CategoryPlay::BigSmall ? (d > 4 ? 1 : 0) : d % 2;
            };
            for (int d = 0; d < 10; ++d) {
                sums[static_cast<std::size_t>(category(d))] += counts[static_cast<std::size_t>(d)];
            }
            for (int d = 0; d < 10; ++d) {
                kept.set(static_cast<std::size_t>(d),
                         keptMark(static_cast<std::int16_t>(sums[static_cast<std::size_t>(category(d))]), setup.kill));
            }
            return kept;
        }
        for (int d = 0; d < 10; ++d) {
            kept.set(static_cast<std::size_t>(d), keptMark(counts[static_cast<std::size_t>(d)], setup.kill));
        }
        return kept;
    };
    if (setup.view == ResultView::Group) {
        const std::bitset<10> kept = keptOf(0);
        for (int i : groupIndexes(setup.position)) {
            out[static_cast<std::size_t>(i)] = kept;
        }
        return out;
    }
    for (int slot = 1; slot <= std::clamp(setup.position, 1, 3); ++slot) {
        out[static_cast<std::size_t>(indexOfSlot(slot))] = keptOf(slot);
    }
    return out;
}

TallyKeptDigits keptDigitsOfStep(const BacktestDraw& step, int position)
{
    TallyKeptDigits out;
    for (const BacktestSlot& s : step.slotResults) {
        std::bitset<10> kept;
        for (int d = 0; d < 10; ++d) {
            kept.set(static_cast<std::size_t>(d), !s.filtered[static_cast<std::size_t>(d)]);
        }
        if (s.slot == 0) {
            for (int i : groupIndexes(position)) {
                out[static_cast<std::size_t>(i)] = kept;
            }
        } else {
            out[static_cast<std::size_t>(indexOfSlot(s.slot))] = kept;
        }
    }
    return out;
}

KeptDigits orAllDigits(const TallyKeptDigits& kept)
{
    KeptDigits out = allDigitsKept();
    for (std::size_t i = 0; i < 3; ++i) {
        if (kept[i]) {
            out[i] = *kept[i];
        }
    }
    return out;
}

} // namespace korvel
