#pragma once

#include "history/SnapshotPtr.h"
#include "verify/FormulaFigures.h"

#include <QString>

#include <vector>

namespace korvel {

class Database;
class Dialogs;
class FormulaStore;
class Launcher;
class SettingsStore;

// What the formula search needs of the rest of the program: the history and the options of the moment,
// the database, the dialogs, and the main window's list (selection flags and its refresh after a save).
// The application implements it over its session; tests use a small fake. GUI thread only.
class SearchHost {
public:
    virtual ~SearchHost() = default;

    virtual SettingsStore& settings() = 0;
    virtual Dialogs& dialogs() = 0;
    virtual Launcher& launcher() = 0;
    virtual Database& database() = 0;
    virtual FormulaStore& formulaStore() = 0;

    virtual SnapshotPtr snapshot() const = 0;
    // The evaluation window ("JSQS") and the weighting ("ZqlJq"); the search ignores "SyBq".
    virtual FigureSettings figureSettings() const = 0;
    // The data folder (exports) and the next issue of the entry line (the export's file name).
    virtual QString dataFolder() const = 0;
    virtual QString nextIssue() const = 0;

    // The main window's selection flags by idx.
    virtual void setSelected(const std::vector<int>& idxs, bool selected) = 0;
    // After a save: `loadFormulas`, `showHistory`, `statisticsPass`, `writeBackFigures`.
    virtual void refreshAfterSave() = 0;
};

} // namespace korvel
