#include "cli/CommandSupport.h"

#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Document.h"
#include "platform/FileWrite.h"
#include "session/Session.h"
#include "settings/Options.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korvel::cli {

void showFormulaList(Session& session, const FormulaKind& kind, bool kill)
{
    const Session::PlayChoice play =
        kind.play == Play::Group ? Session::PlayChoice::Group : Session::PlayChoice::Single;
    if (session.choices().kind() == kind && session.choices().kill() == kill &&
        session.choices().playChoice() == play) {
        // Already the list shown and evaluated (at start-up or by the last change): no second pass.
        return;
    }
    // The sense takes effect when the list is rebuilt, which choosing the position and the play does.
    session.choices().setKill(kill);
    if (kind.play == Play::Group) {
        if (session.choices().kind().position != kind.position) {
            session.choices().setPosition(kind.position);
        }
        session.choices().setPlayChoice(Session::PlayChoice::Group);
    } else {
        if (session.choices().playChoice() != Session::PlayChoice::Single) {
            session.choices().setPlayChoice(Session::PlayChoice::Single);
        }
        session.choices().setPosition(kind.position);
    }
}

FigureSettings figureSettingsOf(const Options& options)
{
    FigureSettings f;
    f.windowDraws = options.windowSize();
    f.excludeCurrent = options.excludeCurrent();
    f.weighted = options.weightedRate();
    return f;
}

PassSettings passSettingsOf(const Options& options)
{
    PassSettings p;
    p.figures = figureSettingsOf(options);
    p.displayColumn = options.resultsAtCurrentIssue() ? DisplayColumn::CurrentIssue : DisplayColumn::NextIssue;
    return p;
}

namespace {

// 序号 to idx; the chance figures follow.
constexpr std::size_t kStoredListColumns = 12;

std::vector<Column> listColumns(bool weighted, bool english)
{
    using S = Column::Show;
    const auto header = [&](int c) { return FormulaList::columnHeader(c, weighted); };
    return {
        {header(FormulaList::ColNumber), header(FormulaList::ColNumber)},
        {QStringLiteral("gongshiCN"), header(FormulaList::ColFormula), english ? S::JsonOnly : S::Both},
        {QStringLiteral("gongshi"), header(FormulaList::ColFormula), english ? S::Both : S::JsonOnly},
        {header(FormulaList::ColKind), header(FormulaList::ColKind)},
        {header(FormulaList::ColSense), header(FormulaList::ColSense)},
        {header(FormulaList::ColNextValue), header(FormulaList::ColNextValue)},
        {header(FormulaList::ColRate), header(FormulaList::ColRate)},
        {header(FormulaList::ColErrCon), header(FormulaList::ColErrCon)},
        {header(FormulaList::ColTrueCon), header(FormulaList::ColTrueCon)},
        {header(FormulaList::ColErrLst), header(FormulaList::ColErrLst)},
        {header(FormulaList::ColTrueLst), header(FormulaList::ColTrueLst)},
        {QStringLiteral("idx"), header(FormulaList::ColIdx)},
        // The chance figures: texts as the list shows them, numbers in JSON.
        {QStringLiteral("baselineText"), header(FormulaList::ColBaseline), S::TextOnly},
        {QStringLiteral("excessText"), header(FormulaList::ColExcess), S::TextOnly},
        {QStringLiteral("significanceText"), header(FormulaList::ColSignificance), S::TextOnly},
        {QStringLiteral("forward"), header(FormulaList::ColForward)},
        {QStringLiteral("baseline"), header(FormulaList::ColBaseline), S::JsonOnly},
        {QStringLiteral("excess"), header(FormulaList::ColExcess), S::JsonOnly},
        {QStringLiteral("significance"), header(FormulaList::ColSignificance), S::JsonOnly},
        {QStringLiteral("significanceMethod"), header(FormulaList::ColSignificance), S::JsonOnly},
        {QStringLiteral("hits"), QStringLiteral("hits"), S::JsonOnly},
        {QStringLiteral("drawsCounted"), QStringLiteral("draws"), S::JsonOnly},
        {QStringLiteral("entryIssue"), QStringLiteral("entry issue"), S::JsonOnly},
        {QStringLiteral("forwardHits"), QStringLiteral("forward hits"), S::JsonOnly},
        {QStringLiteral("forwardDraws"), QStringLiteral("forward draws"), S::JsonOnly},
        {QStringLiteral("forwardBaseline"), QStringLiteral("forward baseline"), S::JsonOnly},
    };
}

// The cells of list row r, in the order of listColumns(), into `cells` (one per column).
void fillListCells(const FormulaList& list, int r, std::vector<Cell>& cells)
{
    const FormulaListRow& x = list.row(r);
    const ChanceFigures& chance = x.chance;
    const Significance sig = significance(chance);
    std::size_t c = 0;
    const auto text = [&](int column) { cells[c++].setText(list.cellText(r, column, true)); };
    const auto real = [&](bool known, double v) {
        if (known) {
            cells[c++].setReal(v);
        } else {
            cells[c++].setNull();
        }
    };
    const auto integer = [&](bool known, qint64 v) {
        if (known) {
            cells[c++].setInteger(v);
        } else {
            cells[c++].setNull();
        }
    };
    text(FormulaList::ColNumber);
    text(FormulaList::ColFormula);
    cells[c++].setText(list.cellText(r, FormulaList::ColFormula, false));
    text(FormulaList::ColKind);
    text(FormulaList::ColSense);
    text(FormulaList::ColNextValue);
    text(FormulaList::ColRate);
    text(FormulaList::ColErrCon);
    text(FormulaList::ColTrueCon);
    text(FormulaList::ColErrLst);
    text(FormulaList::ColTrueLst);
    integer(true, list.idxOfRow(r));
    text(FormulaList::ColBaseline);
    text(FormulaList::ColExcess);
    cells[c++].setText(significanceText(chance, sig)); // the cell's text, from the probability at hand
    text(FormulaList::ColForward);
    real(!chance.windowEmpty, chance.baseline);
    real(!chance.windowEmpty, chance.excess(static_cast<double>(x.formula.stats.rate)));
    real(!chance.windowEmpty, sig.p);
    if (chance.windowEmpty) {
        cells[c++].setNull();
    } else {
        cells[c++].setText(sig.exact ? QStringLiteral("exact") : QStringLiteral("normal"));
    }
    integer(true, chance.hits);
    integer(true, chance.draws);
    if (x.formula.entryIssue) {
        cells[c++].setText(*x.formula.entryIssue);
    } else {
        cells[c++].setNull();
    }
    integer(x.forward.has_value(), x.forward ? x.forward->hits : 0);
    integer(x.forward.has_value(), x.forward ? x.forward->draws : 0);
    real(x.forward && !x.forward->windowEmpty, x.forward ? x.forward->baseline : 0.0);
}

} // namespace

void addFormulaListTable(Document& doc, const FormulaList& list, bool weighted, bool english)
{
    // Each row is made as it is written: a list of tens of thousands of formulas is never held twice.
    doc.addTable(QStringLiteral("formulas"), listColumns(weighted, english))
        .setCellSource(list.rowCount(), [&list](int r, std::vector<Cell>& cells) { fillListCells(list, r, cells); });
}

void addFormulaListRow(Document& doc, const FormulaList& list, int row, bool weighted)
{
    const std::vector<Column> columns = listColumns(weighted, false);
    std::vector<Cell> cells(columns.size());
    fillListCells(list, row, cells);
    // The row of a formula just added: its stored fields, not the chance figures of a pass.
    const std::size_t stored = kStoredListColumns;
    for (std::size_t c = 0; c < stored; ++c) {
        doc.set(columns[c].key, cells[c].toJson(),
                columns[c].key == QLatin1String("gongshi") ? QStringLiteral("gongshi") : columns[c].header);
    }
}

QString existingFile(const QString& what, const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        usageError(QStringLiteral("%1: no such file: %2").arg(what, QDir::toNativeSeparators(path)));
    }
    if (!info.isFile()) {
        usageError(QStringLiteral("%1: not a file: %2").arg(what, QDir::toNativeSeparators(path)));
    }
    return info.absoluteFilePath();
}

void copyFile(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        failure(QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(source), in.errorString()));
    }
    const QByteArray bytes = in.readAll();
    QString why;
    if (!writeWholeFile(target, bytes, &why)) {
        usageError(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(target), why));
    }
}

void failAsTold(CliContext& context, int messagesBefore, const QString& fallback)
{
    CliDialogs& d = context.dialogs();
    if (d.messageCount() > messagesBefore) {
        throw CliError(d.lastIcon() == Dialogs::Icon::Critical ? kExitFailure : kExitUsage, {});
    }
    usageError(fallback);
}

void failRefused(CliContext& context, const QString& command)
{
    usageError(QStringLiteral("%1 asks \"%2\": answered no, nothing was changed (--yes answers yes)")
                   .arg(command, context.dialogs().lastRefused()));
}

} // namespace korvel::cli
