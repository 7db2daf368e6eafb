#pragma once

#include "formula/FormulaKind.h"
#include "verify/FormulaFigures.h"
#include "verify/FormulaList.h"

#include <QString>

namespace korvel {
class Options;
class Session;
} // namespace korvel

namespace korvel::cli {

class CliContext;
class Document;

// The formula list of a kind and sense, as choosing them in the window's panel shows it: the list rebuilt
// with every formula selected and the statistics pass run with the stored options.
void showFormulaList(Session& session, const FormulaKind& kind, bool kill);

// The settings of the window's statistics pass and of its light pass, from the options.
PassSettings passSettingsOf(const Options& options);
FigureSettings figureSettingsOf(const Options& options);

// The formula list with every column as the window shows it ("序号", "公式", "种类", "生杀", "计算值", the rate,
// the four runs, "idx"). The text form shows gongshiCN, or gongshi when `english` (the tab "公式英文显示");
// the JSON rows carry both.
void addFormulaListTable(Document& doc, const FormulaList& list, bool weighted, bool english);
// One row of the list as the fields of a document.
void addFormulaListRow(Document& doc, const FormulaList& list, int row, bool weighted);

// An existing file named on the command line, as an absolute path; a usage error when it does not exist.
QString existingFile(const QString& what, const QString& path);
// Writes a copy of `source` to `target` in one step (an old target is replaced only by a complete copy).
void copyFile(const QString& source, const QString& target);

// After a core command refused: the status for what the dialogs told (1 for a critical message, that is a
// database failure, else 2), thrown with no further line since the message was the line. When nothing was
// told since `messagesBefore`, throws `fallback` instead.
[[noreturn]] void failAsTold(CliContext& context, int messagesBefore, const QString& fallback);
// A question of the core was answered no (no --yes): a usage error that names it.
[[noreturn]] void failRefused(CliContext& context, const QString& command);

} // namespace korvel::cli
