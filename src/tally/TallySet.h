#pragma once

#include <array>
#include <cstdint>

namespace korvel {

// The counts of the last kill/keep tallies: three tables of 4 position slots x 10 digits. Slot 0 is the
// position-free (通选) tally, slots 1, 2, 3 are 个位, 十位, 百位.
//   senseCount  (`ETrrcount`, "杀留Err值"): formulas of the run's sense that named the digit;
//   err   (`Errcount`, "杀码Err值"):  kill formulas that named it;
//   trr   (`Trrcount`, "留码Err值"):  keep formulas that named it.
// A run tallies one sense, so after a kill run senseCount equals err and trr is 0, after a keep run senseCount equals
// trr and err is 0. A run clears exactly the slots it computes; the others keep their counts. Plain data,
// owned by the session for the program's lifetime.
struct TallySet {
    static constexpr int kSlots = 4;
    static constexpr int kDigits = 10;
    using Table = std::array<std::array<std::int16_t, kDigits>, kSlots>;

    Table senseCount{};
    Table err{};
    Table trr{};

    void clearSlot(int slot);
    // One formula of sense `kill` named `digit` in `slot`.
    void count(int slot, int digit, bool kill);
    bool slotEmpty(int slot) const;

    friend bool operator==(const TallySet&, const TallySet&) = default;
};

// Position name of a slot as the result views write it: 1 "个", 2 "十", 3 "百" (slot 0 has none).
const char16_t* slotName(int slot);

} // namespace korvel
