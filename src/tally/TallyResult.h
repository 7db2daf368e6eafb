#pragma once

#include "platform/SheetGrid.h"
#include "tally/TallyChoice.h"
#include "tally/TallySet.h"
#include "tally/TallyTables.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace korvel {

class Database;
class Dialogs;
class Launcher;

// One ranked row of a result list ("该类公式计算综合结果").
struct ResultRow {
    int rank = 0;  // "排序序号", from 1
    int num = 0;   // digit 0..9, or category 0/1
    QString label; // "号码": the digit, or "小"/"大", "双"/"单"
    std::int16_t senseCount = 0;
    std::int16_t err = 0;
    std::int16_t trr = 0;
    bool filtered = false; // "滤杀" (else "保留")

    QString markText() const;
    // Text colour of all six cells: green for "滤杀", black for "保留" (0xRRGGBB).
    std::uint32_t textColour() const { return filtered ? kGreenText : kBlack; }
};

// One row of the value summary ("公式总计算结果情况统计").
struct SummaryRow {
    int value = 0;   // "杀留次数"
    int count = 0;   // "个数"
    QString numbers; // "号码": the labels of the rows with that value, each followed by a blank
};

// One page of a result view: the list and the summary of one position (or of the group tally).
struct ResultPage {
    int slot = 0;                     // tally slot: 0 group, 1..3 个位/十位/百位
    QString tabCaption;               // "个位", "十位", "百位" (empty for the group view)
    std::vector<TallyTableRow> table; // the rows this page writes into `ErrarrLei`, in insertion order
    std::vector<ResultRow> rows;      // the list in its current order
    std::vector<SummaryRow> summary;
    bool reverse = false;  // toggled by a double-click
    bool resorted = false; // the list was re-sorted at least once (its headers then say so)
    std::int16_t smallest = 0;
    std::int16_t largest = 0;
};

// The data of the three result windows (`frmErrarr`, `frmErrarrLei`, `frmErrarrLeiDS`), shaped for item
// models: pages of ranked rows with their marks and colours, the value summaries, the first-choice sum,
// the double-click re-sort and the export "导出列表(&E)".
//
// A window creates one TallyResult and loads it for every run it shows; reverse flags start false and
// survive a new load. Ranking is stable: rows with equal counts keep their digit order. Each load and each
// re-sort of a per-position page also rewrites the work table `ErrarrLei` in `formula.mdb` (when a Database
// is given) with the rows the page ranks, in one transaction, so the file holds what the export exports: the
// last position loaded, or the page last re-sorted. A failed write is kept in writeError(); the lists still
// show, since they are held here.
//
// aboutToChange()/changed() bracket every change of the pages. GUI thread only.
class TallyResult : public QObject {
    Q_OBJECT
public:
    struct Setup {
        ResultView view = ResultView::Group;
        int position = 3; // p: pages 1..p of the per-position views
        bool kill = true;
        CategoryPlay category = CategoryPlay::None;
        QString caption; // window title
        bool detailListVisible = false;
    };
    static Setup setupOf(const TallyChoice& choice, const QString& nextIssue, const QString& verifyIssue);

    explicit TallyResult(Database* db = nullptr, QObject* parent = nullptr);

    // Fills every page from the tally (the view's load).
    void load(const TallySet& tally, const Setup& setup);
    // A double-click on page `page`'s list while its current column is `column` (0 "排序序号" ... 5
    // "保留/滤杀"): toggles the reverse flag and orders the list by 号码 (1) or one of the counts (2..4),
    // descending when the flag is set or the run was a keep run; columns 0 and 5 keep the order. The
    // summary and the first-choice sum stay as loaded.
    void resort(int page, int column);

    const Setup& setup() const { return m_setup; }
    const QString& caption() const { return m_setup.caption; }
    int pageCount() const { return static_cast<int>(m_pages.size()); }
    const ResultPage& page(int i) const { return m_pages[static_cast<std::size_t>(i)]; }

    // Headers of a page's list: the load's, or the re-sort's ("（结果统计值）" added to the counts).
    QStringList listHeaders(int page) const;
    static QStringList summaryHeaders();
    static const std::vector<int>& listWidthsTwips();
    static const std::vector<int>& summaryWidthsTwips();
    // The window's design caption, replaced by the run's title.
    static QString designCaption();

    // `frmErrarrLei` only: "首选和值", the sum of every page's top-ranked digit at load.
    bool hasFirstChoiceSum() const { return m_setup.view == ResultView::PerPosition; }
    int firstChoiceSum() const { return m_firstChoiceSum; }
    // Name of position p + "位首选和值：".
    QString firstChoiceLabel() const;

    // What `ErrarrLei` holds now.
    const std::vector<TallyTableRow>& resultTable() const { return m_resultTable; }
    const QString& writeError() const { return m_writeError; }

    // "导出列表(&E)": header "排序序号", "号码", "杀留Err值（结果统计值）"; then the rows of `ErrarrLei` by
    // kill count ascending (stable), each with its rank, bare `num` and `ETrrcount`.
    SheetGrid exportGrid() const;
    // Writes the grid as "ErrarrLei.xls" in `folder` and shows it.
    SheetShown exportList(const QString& folder, Dialogs& dialogs, Launcher& launcher) const;

signals:
    void aboutToChange();
    void changed();

private:
    QString labelOf(int num) const;
    void fillRows(ResultPage& page, const std::vector<int>& order) const;
    std::vector<int> orderBy(const ResultPage& page, int column, bool descending) const;
    void writeTable(const std::vector<TallyTableRow>& rows);

    Database* m_db;
    Setup m_setup;
    std::vector<ResultPage> m_pages;
    std::vector<bool> m_reverse; // by page, kept across loads
    int m_firstChoiceSum = 0;
    std::vector<TallyTableRow> m_resultTable;
    QString m_writeError;
};

} // namespace korvel
