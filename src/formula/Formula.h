#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace korvel {

// Figures of a formula over the evaluation window. Totals are 64-bit so that the squared weights of a
// long window never overflow.
struct FormulaStats {
    float rate = 0.0f;        // sglGsRate, percent
    std::int16_t errCon = 0;  // intGsErrCon: longest run of misses
    std::int16_t trueCon = 0; // intGsTrueCon: longest run of hits
    std::int16_t errLst = 0;  // intGsErrLst: current run of misses
    std::int16_t trueLst = 0; // intGsTrueLst: current run of hits
    std::int64_t hitSum = 0;  // weighted (or plain) hits
    std::int64_t total = 0;   // weighted (or plain) draws counted
    bool evaluable = true;    // false: the expression cannot be computed at all
};

// One row of a formula table.
struct Formula {
    int idx = 0;
    QString expressionText; // internal expression over column codes
    QString displayText;    // display text as entered
    bool kill = true;
    FormulaStats stats; // as last stored
    // The newest stored issue when the formula entered its table ("" when the history was empty then);
    // none when the database could not record it (a file that could not be upgraded).
    std::optional<QString> entryIssue;
};

} // namespace korvel
