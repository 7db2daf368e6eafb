#pragma once

#include <QString>

namespace korvel {

class Dialogs;
class SettingsStore;

// "奖金设置": what one bet costs and what it pays, the same for both games. Stored in section `IniSetting`
// under `ZxJj` (直选), `Z3Jj` (组三), `Z6Jj` (组六) and `TzJe` (the stake of one bet); a missing key gives its
// default, a stored text that is not a number gives 0, which problem() then names.
struct PrizeTable {
    int direct = 1040;
    int group3 = 346;
    int group6 = 173;
    int stake = 2;

    static PrizeTable load(const SettingsStore& store);
    void store(SettingsStore& store) const;

    // Why the table cannot price a list (a prize or the stake of 0 or less); empty when it can.
    QString problem() const;

    friend bool operator==(const PrizeTable&, const PrizeTable&) = default;
};

// The menu item "奖金设置(&J)": asks for the four amounts in turn (input boxes with the current values); an
// empty answer or cancel leaves the table as it was, an answer that is not a whole number above 0 is told
// and asked again. True when a new table was stored.
bool askPrizeTable(SettingsStore& store, Dialogs& dialogs);

} // namespace korvel
