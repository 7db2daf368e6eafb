#pragma once

#include "formula/FormulaKind.h"

#include <QString>

#include <optional>

namespace korvel {

class Dialogs;
class FormulaList;

struct TypedFormulaResult {
    enum class Status {
        Added,         // stored and selected
        EmptyInput,    // told: "请在左边文本框输入需要添加的公式"
        Unreadable,    // told: "公式文本文件中含有无法识别公式，无法添加到软件"
        NoSuchTable,   // the line names 个位通选: nothing stored, nothing told
        NotComputable, // told which part of the expression is not understood, or that the line is longer
                       // or nests deeper than the engine takes; nothing stored
        StoreFailed,   // the database refused the row (told)
    };
    Status status = Status::EmptyInput;
    FormulaKind kind;              // the formula's table (Added)
    bool kill = true;              // the formula's sense (Added)
    bool senseFromLine = false;    // the sense was read from the line (equation form)
    std::optional<Play> namedPlay; // the play word of the line, when it named one
    int idx = 0;

    bool added() const { return status == Status::Added; }
};

// "添加所输公式(&A)" up to the store: takes the typed line apart (with the current kind and sense as the
// fallbacks of the language), refuses an expression the engine cannot compute with a message that names the
// part not understood, and appends the formula with its flag set. The caller then switches the window to
// the formula's kind (and, when the line gave one, its sense), rebuilds the list and runs the statistics;
// on any other result the typed text stays in the input box for correction.
TypedFormulaResult AddTypedFormula(const QString& input, const FormulaKind& currentKind, bool currentKill,
                                   FormulaList& list, Dialogs& dialogs);

} // namespace korvel
