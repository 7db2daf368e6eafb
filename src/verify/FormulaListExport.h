#pragma once

#include "formula/FormulaTextExport.h"
#include "verify/FormulaFigures.h"

namespace korvel {

class Dialogs;
class FormulaList;
class FormulaStore;
class HistorySnapshot;
class Launcher;

// The two formula text exports that need figures: the current runs of hits come from the statistics.

// `ExportAllKindsText`: every kind's formulas of the sense `kill`, each kind's current hit runs from the
// light pass `lightPass` over `history` with `settings`. Writes the file into `dataFolder` (replacing an
// old one only with a complete new one) and opens it through the launcher; a failure is told through
// the dialogs.
TextExportResult ExportAllKindsText(FormulaStore& store, Dialogs& dialogs, Launcher& launcher,
                                    const HistorySnapshot& history, const FigureSettings& settings, bool kill,
                                    const QString& nextIssue, const QString& dataFolder);

// `ExportKindText`: the list's formulas (its kind and sense) with the figures of its last statistics pass.
TextExportResult ExportKindText(const FormulaList& list, Dialogs& dialogs, Launcher& launcher, const QString& nextIssue,
                                const QString& dataFolder);

} // namespace korvel
