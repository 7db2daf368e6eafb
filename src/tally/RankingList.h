#pragma once

#include "formula/FormulaKind.h"
#include "tally/HistoryRanking.h"
#include "platform/SheetGrid.h"

#include <QString>
#include <QStringList>

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

namespace korvel {

class Dialogs;
class Launcher;

// One row of "历史开奖列表": draw n + 1 against the ranking computed on draw n.
struct RankingListRow {
    int draw = 0;     // n + 1: the store row whose issue and digits are shown
    QString issue;    // "期号"
    QString drawn;    // "开奖结果": the judged digit, or the judged digits each followed by a blank
    QString rankText; // "排位名次": the matching rank(s)
    QString errText;  // "Err值": their Err values
    int tiers = 0;    // "总位次"
    int tier = 0;     // "位次": the tier of the first judged digit
    int tierSize = 0; // "位码数"
    std::array<std::int8_t, 10> rankDigit{};
    std::array<std::int16_t, 10> rankErr{};
    std::bitset<10> matched; // ranks whose digit was drawn (blue cells)
};

// The list of the history ranking view (`frmLslb`) for one position and play, built from the ranking store.
// Columns 0..26 are fixed ("期号", "开奖结果", "排位名次", "Err值", "总位次", "位次", "位码数", "1排列" ...
// "10排列", "1Err值" ... "10Err值"); then one column per Err value v from the smallest to the largest over
// all rows, headed v + "次", listing that row's digits with that value ("00" each, followed by a blank).
//
// The position is the position number (个位 1, 十位 2, 百位 3). Single play judges that position's digit;
// group play judges it and the lower positions as the group tables do (十位通选: 十位 and 个位; 百位通选: all
// three).
class RankingList {
public:
    static constexpr int kFixedColumns = 27;

    RankingList() = default;
    RankingList(const RankingStore& store, int position, Play play);

    int position() const { return m_position; }
    Play play() const { return m_play; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    int columnCount() const { return kFixedColumns + valueColumnCount(); }
    const RankingListRow& row(int r) const { return m_rows[static_cast<std::size_t>(r)]; }
    // Err value columns: none when the list is empty.
    int valueColumnCount() const { return m_rows.empty() ? 0 : m_largest - m_smallest + 1; }
    int smallest() const { return m_smallest; }
    int largest() const { return m_largest; }

    QString header(int column) const;
    QStringList headers() const;
    // Twips, 0 for the default width.
    int columnWidthTwips(int column) const;
    QString cellText(int row, int column) const;
    // Every cell text of one row (cellText of each column), made in one pass.
    std::vector<QString> rowTexts(int row) const;
    // Blue on a rank-digit cell whose digit was drawn.
    std::optional<std::uint32_t> cellFill(int row, int column) const;
    // The digits of row r with Err value v ("03 08 "), empty when none.
    QString digitsWithValue(int row, int value) const;

    // The list as a sheet: numbers where the cell is a single number, text elsewhere, the blue marks kept.
    SheetGrid toSheet() const;
    // "查询结果导出(&O)" writes "Print.xls"; a double-click on the list writes "Jieguo.xls".
    SheetShown exportQuery(const QString& folder, Dialogs& dialogs, Launcher& launcher) const;
    SheetShown exportOnDoubleClick(const QString& folder, Dialogs& dialogs, Launcher& launcher) const;

private:
    int m_position = 3;
    Play m_play = Play::Single;
    std::vector<RankingListRow> m_rows;
    int m_smallest = 0;
    int m_largest = 0;
};

// Tiers of one ranking: tier[r] for ranks 0..9. Rank 1 opens tier 1; every rank whose Err value differs
// from the one above it opens the next tier. Returns the number of tiers.
int rankingTiers(const std::array<std::int16_t, 10>& rankErr, std::array<int, 10>& tier);

} // namespace korvel
