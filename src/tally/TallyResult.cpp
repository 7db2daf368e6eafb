#include "tally/TallyResult.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace korvel {

QString ResultRow::markText() const
{
    return filtered ? QStringLiteral("滤杀") : QStringLiteral("保留");
}

TallyResult::Setup TallyResult::setupOf(const TallyChoice& choice, const QString& nextIssue, const QString& verifyIssue)
{
    Setup s;
    s.view = choice.view();
    s.position = choice.position;
    s.kill = choice.kill;
    s.category = choice.category;
    s.caption = choice.caption(nextIssue, verifyIssue);
    s.detailListVisible = choice.detailListVisible();
    return s;
}

TallyResult::TallyResult(Database* db, QObject* parent) : QObject(parent), m_db(db) {}

QString TallyResult::designCaption()
{
    return QStringLiteral("杀留值排序(鼠标双击列表反向排序)");
}

QStringList TallyResult::listHeaders(int page) const
{
    if (page >= 0 && page < pageCount() && m_pages[static_cast<std::size_t>(page)].resorted) {
        return {QStringLiteral("排序序号"),
                QStringLiteral("号码"),
                QStringLiteral("杀留Err值（结果统计值）"),
                QStringLiteral("杀码Err值（结果统计值）"),
                QStringLiteral("留码Err值（结果统计值）"),
                QStringLiteral("保留/滤杀")};
    }
    return {QStringLiteral("排序序号"),  QStringLiteral("号码"),      QStringLiteral("杀留Err值"),
            QStringLiteral("杀码Err值"), QStringLiteral("留码Err值"), QStringLiteral("保留/滤杀")};
}

QStringList TallyResult::summaryHeaders()
{
    return {QStringLiteral("杀留次数"), QStringLiteral("个数"), QStringLiteral("号码")};
}

const std::vector<int>& TallyResult::listWidthsTwips()
{
    static const std::vector<int> widths = {600, 600, 1000, 1000, 1000, 1000};
    return widths;
}

const std::vector<int>& TallyResult::summaryWidthsTwips()
{
    static const std::vector<int> widths = {1200, 1200, 8000};
    return widths;
}

QString TallyResult::firstChoiceLabel() const
{
    return QString::fromUtf16(slotName(m_setup.position)) + QStringLiteral("位首选和值：");
}

QString TallyResult::labelOf(int num) const
{
    if (m_setup.view != ResultView::PerPositionCategory) {
        return QString::number(num);
    }
    const bool odd = num % 2 == 1;
    if (m_setup.category == CategoryPlay::BigSmall) {
        return odd ? QStringLiteral("大") : QStringLiteral("小");
    }
    return odd ? QStringLiteral("单") : QStringLiteral("双");
}

std::vector<int> TallyResult::orderBy(const ResultPage& page, int column, bool descending) const
{
    const auto key = [&](int i) -> int {
        const TallyTableRow& r = page.table[static_cast<std::size_t>(i)];
        switch (column) {
        case 1:
            return r.num;
        case 3:
            return r.err;
        case 4:
            return r.trr;
        default:
            return r.senseCount;
        }
    };
    std::vector<int> order(page.table.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return descending ? key(a) > key(b) : key(a) < key(b); });
    return order;
}

void TallyResult::fillRows(ResultPage& page, const std::vector<int>& order) const
{
    page.rows.clear();
    int rank = 0;
    for (int i : order) {
        const TallyTableRow& t = page.table[static_cast<std::size_t>(i)];
        ResultRow row;
        row.rank = ++rank;
        row.num = t.num;
        row.label = labelOf(t.num);
        row.senseCount = t.senseCount;
        row.err = t.err;
        row.trr = t.trr;
        // Kill run: a digit some formula kills is filtered out; keep run: a digit no formula keeps.
        row.filtered = (t.senseCount == 0) != m_setup.kill;
        page.rows.push_back(row);
    }
}

void TallyResult::writeTable(const std::vector<TallyTableRow>& rows)
{
    m_resultTable = rows;
    if (m_db) {
        QString error;
        if (!tallyTables::writeResultTable(*m_db, m_resultTable, &error)) {
            m_writeError = error;
        }
    }
}

void TallyResult::load(const TallySet& tally, const Setup& setup)
{
    emit aboutToChange();
    m_setup = setup;
    m_writeError.clear();
    m_firstChoiceSum = 0;
    m_pages.clear();

    const bool group = setup.view == ResultView::Group;
    const int first = group ? 0 : 1;
    const int last = group ? 0 : std::clamp(setup.position, 1, 3);
    for (int slot = first; slot <= last; ++slot) {
        ResultPage page;
        page.slot = slot;
        if (!group) {
            page.tabCaption = QString::fromUtf16(slotName(slot)) + QStringLiteral("位");
        }
        const auto s = static_cast<std::size_t>(slot);
        if (setup.view == ResultView::PerPositionCategory) {
            page.table = {TallyTableRow{0, 0, 0, 0}, TallyTableRow{1, 0, 0, 0}};
            for (int d = 0; d < TallySet::kDigits; ++d) {
                const int category = setup.category == CategoryPlay::BigSmall ? (d > 4 ? 1 : 0) : d % 2;
                TallyTableRow& c = page.table[static_cast<std::size_t>(category)];
                const auto dd = static_cast<std::size_t>(d);
                c.senseCount = static_cast<std::int16_t>(c.senseCount + tally.senseCount[s][dd]);
                c.err = static_cast<std::int16_t>(c.err + tally.err[s][dd]);
                c.trr = static_cast<std::int16_t>(c.trr + tally.trr[s][dd]);
            }
        } else {
            for (int d = 0; d < TallySet::kDigits; ++d) {
                const auto dd = static_cast<std::size_t>(d);
                page.table.push_back({d, tally.senseCount[s][dd], tally.err[s][dd], tally.trr[s][dd]});
            }
        }

        const std::size_t index = m_pages.size();
        if (m_reverse.size() <= index) {
            m_reverse.resize(index + 1, false);
        }
        page.reverse = m_reverse[index];
        fillRows(page, orderBy(page, 2, page.reverse || !setup.kill));

        // Value summary, in list order: kill runs from the smallest value up, keep runs from the largest down.
        std::map<int, SummaryRow> byValue;
        page.smallest = 32767;
        page.largest = 0;
        for (const ResultRow& r : page.rows) {
            page.smallest = std::min(page.smallest, r.senseCount);
            page.largest = std::max(page.largest, r.senseCount);
            SummaryRow& v = byValue[r.senseCount];
            v.value = r.senseCount;
            ++v.count;
            v.numbers += r.label + QLatin1Char(' ');
        }
        if (setup.kill) {
            for (const auto& [value, row] : byValue) {
                page.summary.push_back(row);
            }
        } else {
            for (auto it = byValue.rbegin(); it != byValue.rend(); ++it) {
                page.summary.push_back(it->second);
            }
        }
        if (setup.view == ResultView::PerPosition && !page.rows.empty()) {
            m_firstChoiceSum += page.rows.front().num;
        }
        m_pages.push_back(std::move(page));
    }
    // The table ends up holding the last page loaded.
    writeTable(m_pages.empty() ? std::vector<TallyTableRow>{} : m_pages.back().table);
    emit changed();
}

void TallyResult::resort(int pageIndex, int column)
{
    if (pageIndex < 0 || pageIndex >= pageCount()) {
        return;
    }
    emit aboutToChange();
    ResultPage& page = m_pages[static_cast<std::size_t>(pageIndex)];
    page.reverse = !page.reverse;
    m_reverse[static_cast<std::size_t>(pageIndex)] = page.reverse;
    page.resorted = true;
    if (m_setup.view != ResultView::Group) {
        writeTable(page.table);
    }
    if (column >= 1 && column <= 4) {
        fillRows(page, orderBy(page, column, page.reverse || !m_setup.kill));
    }
    emit changed();
}

SheetGrid TallyResult::exportGrid() const
{
    SheetGrid grid;
    grid.setText(0, 0, QStringLiteral("排序序号"));
    grid.setText(0, 1, QStringLiteral("号码"));
    grid.setText(0, 2, QStringLiteral("杀留Err值（结果统计值）"));
    std::vector<TallyTableRow> rows = m_resultTable;
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TallyTableRow& a, const TallyTableRow& b) { return a.err < b.err; });
    int r = 0;
    for (const TallyTableRow& row : rows) {
        ++r;
        grid.setNumber(r, 0, r);
        grid.setNumber(r, 1, row.num);
        grid.setNumber(r, 2, row.senseCount);
    }
    return grid;
}

SheetShown TallyResult::exportList(const QString& folder, Dialogs& dialogs, Launcher& launcher) const
{
    return showSheet(exportGrid(), folder, QStringLiteral("ErrarrLei.xls"), dialogs, launcher);
}

} // namespace korvel
