#pragma once

#include "history/SnapshotPtr.h"
#include "platform/SheetGrid.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvel {

class Dialogs;
class Launcher;

// One row of "公式计算步骤": a draw and the formula's computation on it.
struct FormulaStepRow {
    QString issue;                  // "期号"
    QString digits;                 // "当期号码": 百位, 十位, 个位 written one after another
    QString steps;                  // the computation with the draw's values
    std::optional<long long> value; // "计算值(算下期)": the engine's value read as an integer, not reduced
};

// The computation steps of one formula over every draw (`frmGsbz`). A plain sum of terms (column codes,
// numbers and "(code MOD n)" joined by "+") shows each term's value joined by "+", the last term as
// written; any other expression shows its text with every column replaced by the draw's value. The value
// is always the engine's, so it never disagrees with the formula.
class FormulaSteps {
public:
    FormulaSteps(const HistorySnapshot& snapshot, const QString& expressionText, const QString& displayText);

    static QString title() { return QStringLiteral("公式计算步骤"); }
    // "期号", "当期号码", the formula's Chinese text, "计算值(算下期)".
    const QStringList& headers() const { return m_headers; }
    static const std::vector<int>& columnWidthsTwips();
    bool plainSum() const { return m_plainSum; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const FormulaStepRow& row(int r) const { return m_rows[static_cast<std::size_t>(r)]; }
    QString cellText(int r, int column) const;

    SheetGrid toSheet() const;
    // A click on the grid: writes "LSJS.xls" and shows it.
    SheetShown exportSteps(const QString& folder, Dialogs& dialogs, Launcher& launcher) const;

private:
    QStringList m_headers;
    std::vector<FormulaStepRow> m_rows;
    bool m_plainSum = false;
};

} // namespace korvel
