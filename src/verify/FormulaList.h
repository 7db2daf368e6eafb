#pragma once

#include "formula/Expression.h"
#include "formula/Formula.h"
#include "formula/FormulaKind.h"
#include "formula/FormulaStore.h"
#include "history/SnapshotPtr.h"
#include "verify/ChanceFigures.h"
#include "verify/Evaluation.h"
#include "verify/FormulaFigures.h"

#include <QObject>
#include <QString>

#include <climits>
#include <cstdint>
#include <exception>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace korvel {

class Dialogs;

// One row of the formula list.
struct FormulaListRow {
    Formula formula;         // idx, texts, sense; stats are the figures of the last pass (as stored
                             // until the first pass)
    std::optional<int> next; // the formula's prediction for the coming draw (after a pass)
    QString nextValueText;   // 计算值: the prediction of a formula selected at the last pass, else empty
    bool evaluable = true;   // false: the expression cannot be computed; every draw counts as a miss
    QString error;           // why it cannot be computed
    ChanceFigures chance;    // chance baseline over the rate's window (after a pass)
    // The draws after the formula's entry issue, plain counts; none when its entry issue is not known.
    std::optional<ChanceFigures> forward;
};

// Hit colour of one cell of the per-draw display: blue for a hit, green for a miss, none where the draw has
// no verdict to show (the newest draw in the current-issue display).
enum class DrawMark : std::uint8_t { None, Hit, Miss };

// The per-draw display of one formula over every draw of the snapshot (row = snapshot row, oldest first).
struct PerDrawColumn {
    static constexpr std::int8_t kEmpty = INT8_MIN;
    std::vector<std::int8_t> value; // GSZCS: the display column MOD 10, or kEmpty
    std::vector<DrawMark> mark;

    std::optional<int> valueAt(int row) const
    {
        const std::int8_t v = value[static_cast<std::size_t>(row)];
        return v == kEmpty ? std::nullopt : std::optional<int>(v);
    }
};

// The 计算值 highlight after a click on that column: green for the rows whose kind and 计算值 equal the
// clicked row's, white for the others, none before any click.
enum class NextValueMark : std::uint8_t { None, Match, Other };

// What a statistics pass counts and shows.
struct PassSettings {
    FigureSettings figures;
    bool perDrawDisplay = false; // "历史列表显示公式各期验算结果(时间较长，请耐性等待...)"
    DisplayColumn displayColumn = DisplayColumn::NextIssue;
    // Threads of the statistics pass: 0 uses every core for lists over 1000 formulas (one thread below);
    // the figures are the same with any count.
    int threads = 0;
    // Plain sums take the integer path (SumEvaluation.h) unless the per-draw display needs the draws' values;
    // off, every formula takes the general evaluation (the benchmark's side-by-side figures).
    bool integerPath = true;
    // Off: the figures stay in memory (a start-up only reads); the next pass with it on writes them.
    bool writeBack = true;
};

// Result of the light pass for one formula.
struct LightPassResult {
    int idx = 0;
    std::int16_t trueLst = 0; // 最后连对 over the window
    std::optional<int> next;  // prediction, for selected formulas only
    bool evaluable = true;
};

// The formula list of the main window: the formulas of one kind and sense in `idx` order, their figures,
// their selection flags and the per-draw display data of the history grid. It holds plain data for the
// item models of the list and of the history grid and carries the list's commands (delete, clear, select),
// asking every confirmation through Dialogs.
//
// Selection flags are kept by `idx`, not by list position, so that in a table holding formulas of both
// senses a flag always belongs to its own formula; deleting renumbers the table and the flags follow their
// formulas to the new numbers (except "删除最后公式(&L)", which leaves them in place by position). Figures
// are written back by `idx` as well.
//
// Views are told of changes by signals: aboutToRebuild()/rebuilt() around a change of the rows,
// selectionChanged() after flags changed, figuresChanged() after a pass or a highlight, and
// formulasChanged() after a command changed a table, upon which the owner runs the statistics pass and
// redraws the history grid. A failing database write is told to the user and leaves the tables as they
// were.
//
// The store and the dialogs must outlive the list. GUI thread only.
class FormulaList : public QObject {
    Q_OBJECT
public:
    enum Column {
        ColNumber,       // "序号"
        ColFormula,      // "公式"
        ColKind,         // "种类"
        ColSense,        // "生杀"
        ColNextValue,    // "计算值"
        ColRate,         // "正确率" / "正确率（加权算法）"
        ColErrCon,       // "最大连错"
        ColTrueCon,      // "最大连对"
        ColErrLst,       // "最后连错"
        ColTrueLst,      // "最后连对"
        ColIdx,          // "idx" (hidden)
        ColBaseline,     // "随机基准": the rate chance alone would score
        ColExcess,       // "超出基准": rate minus baseline, percentage points
        ColSignificance, // "显著性": chance of at least the hits seen, under random digits
        ColForward,      // "入库后": hits since the formula entered its table, with their baseline
        ColumnCount
    };
    static QString columnHeader(int column, bool weighted);
    // Column widths in twips (1/1440 inch); the hidden idx column is 0.
    static int columnWidthTwips(int column);
    static constexpr int kMaxIdx = FormulaStore::kMaxFormulas;

    FormulaList(FormulaStore& store, Dialogs& dialogs, QObject* parent = nullptr);
    ~FormulaList() override;

    const FormulaKind& kind() const { return m_kind; }
    bool kill() const { return m_kill; }

    // Rows are 0-based; the list's number (序号) of row r is r + 1.
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const FormulaListRow& row(int r) const { return m_rows[static_cast<std::size_t>(r)]; }
    const std::vector<FormulaListRow>& rows() const { return m_rows; }
    int idxOfRow(int r) const { return row(r).formula.idx; }
    int rowOfIdx(int idx) const; // -1 when no row carries it
    // Display text of a cell; `chinese` picks the tab "公式中文显示" (else "公式英文显示") for column 1.
    QString cellText(int r, int column, bool chinese) const;
    // Tooltip of a cell of the chance columns (which computation gave the significance), else empty.
    QString cellToolTip(int r, int column) const;
    // The row to scroll to the top after a fill: the last row when the list has 30 rows or more, else -1.
    int topRowAfterFill() const;

    // Selection flags by idx.
    bool isSelected(int idx) const;
    void setSelected(int idx, bool selected);
    // Several flags at once, one selectionChanged().
    void setSelected(const std::vector<int>& idxs, bool selected);
    bool rowSelected(int r) const { return isSelected(idxOfRow(r)); }
    int selectedCount() const;

    // Reads the table's formulas of one sense and selects every one of them.
    void loadFormulas(const FormulaKind& kind, bool kill);
    // Reads the current table and sense again, keeping the flags.
    void reloadKeepingSelection();

    // `AppendFormula` for a formula going to any table: stores it and sets its flag. Returns its idx, or 0
    // when it could not be stored (the user was told).
    int appendFormula(const FormulaKind& kind, const QString& expressionText, const QString& displayText, bool kill);

    // List commands; each returns true when a table changed (and formulasChanged() was emitted).
    bool deleteFormulaAt(int r);     // "删除该公式(&D)": the flags follow their formulas
    bool deleteLastFormulaAt(int r); // "删除最后公式(&L)": the flags stay where they are
    bool deleteSelected();           // "删除选中所有公式(&C)", after confirmation
    bool deleteUnselected();         // "删除未选中公式(&X)", after confirmation
    bool clearAll();                 // "清空所有公式", after confirmation; all five tables
    void selectAll();                // "选中所有公式"
    void invertSelection();          // "反选所有公式"
    void toggleRow(int r);           // a click on a formula's text

    // Evaluates every formula over the snapshot, sets its figures and (selected formulas) its
    // 计算值, fills the per-draw display when it is on, and writes the figures back by idx (unless
    // settings.writeBack is off). A failed write-back is told; the formulas themselves are not touched.
    void statisticsPass(const HistorySnapshot& snapshot, const PassSettings& settings);
    // Writes the figures in memory back by idx. False when the write failed (the user was told).
    bool writeBackFigures();
    // Writes the figures a pass without write-back left in memory (the start-up pass), only those rows;
    // nothing when there are none. False when the write failed (the user was told).
    bool writeUnwrittenFigures();
    // The light pass; changes nothing, shows nothing, writes nothing.
    std::vector<LightPassResult> lightPass(const HistorySnapshot& snapshot, const FigureSettings& settings) const;

    // Per-draw display of the last pass: empty unless the pass ran with the display on.
    bool hasPerDraw() const { return !m_perDraw.empty(); }
    int perDrawRowCount() const { return m_perDrawRows; }
    const PerDrawColumn& perDraw(int r) const { return m_perDraw[static_cast<std::size_t>(r)]; }
    // Header of the formula column of list row r in the history grid: "公式1" ... "公式99", "式100", ...
    static QString perDrawHeader(int r);

    // A click on the 计算值 cell of row r.
    void markNextValue(int r);
    NextValueMark nextValueMark(int r) const { return m_marks.empty() ? NextValueMark::None : m_marks[std::size_t(r)]; }

signals:
    void aboutToRebuild();
    void rebuilt();
    void selectionChanged();
    void figuresChanged();
    void formulasChanged();

private:
    void load(bool keepFlags);
    // Takes over into `out` the compiled expression of `gongshi` from the previous rows (from `next` on)
    // when one of the next few was compiled from that text; false when none was.
    static bool takeCompiled(std::vector<Expression>& previous, std::size_t& next, const QString& expressionText,
                             Expression& out);
    // Compiles the expressions of these rows (on several threads for a long list).
    void compileRows(const std::vector<std::size_t>& rows);
    // After a load: a message naming the rows that cannot be computed, each once while the list lives.
    void tellUnevaluable();
    bool reportFailure(const std::exception& e);
    void reportFigureWriteFailure(const std::exception& e);
    bool deleteWhereFlag(bool flag);
    bool deleteAt(int r, bool flagsFollow);
    std::vector<StoredFigures> figuresToStore() const;
    static void fillPerDraw(const FormulaEvaluation& eval, DisplayColumn column, PerDrawColumn& out);
    // Writes the figures of the rows that changed (or that an earlier pass left unwritten) in one transaction.
    void writeBackChanged(const std::vector<std::uint8_t>& changed, bool writeBack);

    FormulaStore& m_store;
    Dialogs& m_dialogs;
    FormulaKind m_kind;
    bool m_kill = true;
    std::vector<FormulaListRow> m_rows;
    std::vector<Expression> m_expressions; // compiled once per row
    std::vector<std::uint8_t> m_unwritten; // per row: figures a pass without write-back left unstored
    std::vector<std::uint8_t> m_flags;     // by idx, 0..kMaxIdx
    std::vector<PerDrawColumn> m_perDraw;
    int m_perDrawRows = 0;
    std::vector<NextValueMark> m_marks;
    std::vector<int> m_rowOfIdx;                   // first row of each idx 0..kMaxIdx, -1 for none
    std::unordered_map<int, int> m_rowOfOtherIdx;  // first row of an idx outside 0..kMaxIdx
    std::unordered_set<QString> m_toldUnevaluable; // table, sense and text of the formulas named so far
};

} // namespace korvel
