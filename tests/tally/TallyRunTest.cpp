#include "tally/TallyRun.h"

#include "tally/TallyTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace korvel {
namespace {

using test::formula;
using test::history;

// Formula tables by kind, kept in idx order; the source records which tables a run read.
struct Tables {
    std::map<QString, std::vector<Formula>> byTable;
    std::vector<QString> read;
    std::set<std::pair<QString, int>> unselected;

    void add(const FormulaKind& kind, const Formula& f) { byTable[kind.tableName()].push_back(f); }
    TallyFormulaSource source()
    {
        return [this](const FormulaKind& kind, bool kill) {
            read.push_back(kind.tableName());
            std::vector<Formula> out;
            for (const Formula& f : byTable[kind.tableName()]) {
                if (f.kill == kill) {
                    out.push_back(f);
                }
            }
            return out;
        };
    }
    TallySelection selection()
    {
        return [this](const FormulaKind& kind, int idx) { return !unselected.count({kind.tableName(), idx}); };
    }
};

TallyChoice groupChoice(bool kill, TallyMethod method = TallyMethod::Selected, TallyMode mode = TallyMode::Next)
{
    TallyChoice c;
    c.position = 3;
    c.groupPlay = true;
    c.kill = kill;
    c.method = method;
    c.mode = mode;
    return c;
}

SortSettings rateSort(int keepLimit)
{
    SortSettings s;
    s.sortKeys = {QStringLiteral("sglGsRate"), QStringLiteral("intGsTrueCon"), QStringLiteral("intGsTrueLst")};
    s.sortDescending = {true, true, true};
    s.keepLimit = static_cast<std::int16_t>(keepLimit);
    s.confirmed = true;
    return s;
}

std::array<int, 10> row(const TallySet::Table& t, int slot)
{
    std::array<int, 10> r{};
    for (int d = 0; d < 10; ++d) {
        r[std::size_t(d)] = t[std::size_t(slot)][std::size_t(d)];
    }
    return r;
}

// Every count of every slot set to 9, to see which slots a run clears.
TallySet filled()
{
    TallySet t;
    for (auto* table : {&t.senseCount, &t.err, &t.trr}) {
        for (auto& slot : *table) {
            slot.fill(9);
        }
    }
    return t;
}

// Newest draw 470: L1A 4, L2A 7, L3A 0.
const HistorySnapshot kThree = history({"583", "129", "470"});

TEST(ComputeTally, SelectedFormulasCountTheirDigitsOnTheNewestDraw)
{
    Tables tables;
    const FormulaKind g{3, Play::Group};
    tables.add(g, formula(1, "L1A+2"));      // 6
    tables.add(g, formula(2, "L3A+6"));      // 6: two formulas naming one digit
    tables.add(g, formula(3, "L2A"));        // 7
    tables.add(g, formula(4, "L2A+L1A"));    // 11 -> 1, but not selected
    tables.add(g, formula(5, "L1A/0"));      // cannot be computed: adds nothing
    tables.add(g, formula(6, "0-L2A-1"));    // -8: a negative remainder names no digit
    tables.add(g, formula(7, "LTW+1"));      // unknown column: adds nothing
    tables.add(g, formula(8, "L1A/8"));      // 0.5 is read half to even: 0
    tables.add(g, formula(9, "L2A", false)); // a keep formula is not part of a kill run
    tables.unselected.insert({"Gongshi3G", 4});

    TallySet tally = filled();
    const TallyOutcome out =
        ComputeTally(groupChoice(true), {}, kThree, tables.source(), tables.selection(), {}, tally);
    ASSERT_TRUE(out.done());
    EXPECT_EQ(out.referenceRow, 2);
    EXPECT_EQ(row(tally.senseCount, 0), (std::array<int, 10>{1, 0, 0, 0, 0, 0, 2, 1, 0, 0}));
    EXPECT_EQ(row(tally.err, 0), row(tally.senseCount, 0));
    EXPECT_EQ(row(tally.trr, 0), (std::array<int, 10>{}));
    // Only slot 0 was computed.
    for (int s = 1; s < 4; ++s) {
        EXPECT_EQ(row(tally.senseCount, s), (std::array<int, 10>{9, 9, 9, 9, 9, 9, 9, 9, 9, 9})) << s;
    }
    EXPECT_EQ(tables.read, std::vector<QString>{"Gongshi3G"});
    ASSERT_EQ(out.runs.size(), 1u);
    const QHash<int, QString> texts = out.runs[0].valueTexts();
    EXPECT_EQ(texts.value(1), "6");
    EXPECT_EQ(texts.value(6), "-8");
    EXPECT_FALSE(texts.contains(4)); // unselected: not computed
    EXPECT_FALSE(texts.contains(5));
}

TEST(ComputeTally, KeepRunFillsTheKeepCountsOnlyAndNoSelectionGivesZeros)
{
    Tables tables;
    const FormulaKind g{3, Play::Group};
    tables.add(g, formula(1, "L1A+2", false));
    tables.add(g, formula(2, "L3A+6", false));
    tables.add(g, formula(3, "L2A", false));
    TallySet tally = filled();
    ASSERT_TRUE(ComputeTally(groupChoice(false), {}, kThree, tables.source(), tables.selection(), {}, tally).done());
    EXPECT_EQ(row(tally.trr, 0), (std::array<int, 10>{0, 0, 0, 0, 0, 0, 2, 1, 0, 0}));
    EXPECT_EQ(row(tally.senseCount, 0), row(tally.trr, 0));
    EXPECT_EQ(row(tally.err, 0), (std::array<int, 10>{}));

    tables.unselected = {{"Gongshi3G", 1}, {"Gongshi3G", 2}, {"Gongshi3G", 3}};
    ASSERT_TRUE(ComputeTally(groupChoice(false), {}, kThree, tables.source(), tables.selection(), {}, tally).done());
    EXPECT_TRUE(tally.slotEmpty(0));
    EXPECT_EQ(row(tally.trr, 0), (std::array<int, 10>{}));
}

TEST(ComputeTally, PerPositionTalliesSlotsOneToPFromTheSingleTablesAndLeavesTheRest)
{
    Tables tables;
    tables.add({1, Play::Single}, formula(1, "L3A+1")); // 1
    tables.add({2, Play::Single}, formula(1, "L2A+1")); // 8
    tables.add({2, Play::Single}, formula(2, "L2A+1")); // 8
    tables.add({3, Play::Single}, formula(1, "L1A"));   // not read for 十位
    tables.add({2, Play::Group}, formula(1, "L1A"));    // nor the group table
    TallyChoice c;
    c.position = 2;
    c.kill = true;
    c.method = TallyMethod::Selected;
    TallySet tally = filled();
    const TallyOutcome out = ComputeTally(c, {}, kThree, tables.source(), tables.selection(), {}, tally);
    ASSERT_TRUE(out.done());
    EXPECT_EQ(tables.read, (std::vector<QString>{"Gongshi1D", "Gongshi2D"}));
    EXPECT_EQ(row(tally.senseCount, 1), (std::array<int, 10>{0, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(row(tally.senseCount, 2), (std::array<int, 10>{0, 0, 0, 0, 0, 0, 0, 0, 2, 0}));
    EXPECT_EQ(row(tally.senseCount, 0), (std::array<int, 10>{9, 9, 9, 9, 9, 9, 9, 9, 9, 9}));
    EXPECT_EQ(row(tally.senseCount, 3), (std::array<int, 10>{9, 9, 9, 9, 9, 9, 9, 9, 9, 9}));
    EXPECT_EQ(row(tally.trr, 3), (std::array<int, 10>{9, 9, 9, 9, 9, 9, 9, 9, 9, 9}));
}

TEST(ComputeTally, VerifyModeTakesTheDrawBeforeTheIssueAndRefusesUnknownOrFirstIssues)
{
    Tables tables;
    const FormulaKind g{3, Play::Group};
    tables.add(g, formula(1, "L1A")); // first draw 583 -> 5; newest 470 -> 4
    TallyChoice c = groupChoice(true, TallyMethod::Selected, TallyMode::Verify);

    TallySet tally = filled();
    TallyOutcome out = ComputeTally(c, "2007002", kThree, tables.source(), tables.selection(), {}, tally);
    ASSERT_TRUE(out.done());
    EXPECT_EQ(out.referenceRow, 0);
    EXPECT_EQ(row(tally.senseCount, 0), (std::array<int, 10>{0, 0, 0, 0, 0, 1, 0, 0, 0, 0}));

    for (const QString& issue : {QStringLiteral("2007001"), QStringLiteral("2006358"), QStringLiteral("2007009")}) {
        tally = filled();
        tables.read.clear();
        out = ComputeTally(c, issue, kThree, tables.source(), tables.selection(), {}, tally);
        EXPECT_FALSE(out.done()) << issue.toStdString();
        EXPECT_EQ(out.status, issue == "2007001" ? TallyOutcome::Status::VerifyIssueFirst
                                                 : TallyOutcome::Status::VerifyIssueMissing);
        EXPECT_TRUE(out.messageText.contains(issue));
        EXPECT_FALSE(out.messageTitle.isEmpty());
        EXPECT_EQ(tally, filled()) << "a refused verify run must not touch the tally";
        EXPECT_TRUE(tables.read.empty());
    }
}

// Ten constant formulas in best order (rate descending): digits 0, 0, 1, 2, 3, 4, 5, 6, 7, 8.
Tables bestTables(bool kill)
{
    Tables tables;
    const FormulaKind g{3, Play::Group};
    const std::vector<int> digits = {0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    // Stored in reverse so that the idx order differs from the best order.
    for (int i = 9; i >= 0; --i) {
        tables.add(g, formula(10 - i, QString::number(digits[std::size_t(i)]), kill, 90.0f - i));
    }
    return tables;
}

TEST(ComputeTally, BestMethodWalksUntilTheLimitOfCoveredDigits)
{
    {
        // Kill, keepLimit 3: stop once 7 digits carry a kill; 7, 8, 9 stay without one.
        Tables tables = bestTables(true);
        TallySet tally;
        const TallyOutcome out = ComputeTally(groupChoice(true, TallyMethod::Best), {}, kThree, tables.source(),
                                              tables.selection(), rateSort(3), tally);
        ASSERT_TRUE(out.done());
        EXPECT_EQ(row(tally.senseCount, 0), (std::array<int, 10>{2, 1, 1, 1, 1, 1, 1, 0, 0, 0}));
        ASSERT_EQ(out.runs.size(), 1u);
        EXPECT_EQ(out.runs[0].walk.size(), 8u);
        EXPECT_EQ(out.runs[0].covered, 7);
        EXPECT_EQ(out.runs[0].limit, 7);
    }
    {
        // An unselected formula in the walk is skipped and covers nothing: digit 3 (idx 6) is left out,
        // so the walk goes on to digit 7.
        Tables tables = bestTables(true);
        tables.unselected.insert({"Gongshi3G", 6});
        TallySet tally;
        ComputeTally(groupChoice(true, TallyMethod::Best), {}, kThree, tables.source(), tables.selection(), rateSort(3),
                     tally);
        EXPECT_EQ(row(tally.senseCount, 0), (std::array<int, 10>{2, 1, 1, 0, 1, 1, 1, 1, 0, 0}));
    }
    {
        // keepLimit 10 or more: a limit of 0 or less counts nothing, but the slot is still cleared.
        for (int limit : {10, 12}) {
            Tables tables = bestTables(true);
            TallySet tally = filled();
            const TallyOutcome out = ComputeTally(groupChoice(true, TallyMethod::Best), {}, kThree, tables.source(),
                                                  tables.selection(), rateSort(limit), tally);
            ASSERT_TRUE(out.done());
            EXPECT_TRUE(tally.slotEmpty(0)) << limit;
            EXPECT_TRUE(out.runs[0].walk.empty());
        }
    }
    {
        // Keep, keepLimit 0: nothing; keepLimit 3: exactly three digits named (0 twice, then 1 and 2).
        Tables tables = bestTables(false);
        TallySet tally = filled();
        ComputeTally(groupChoice(false, TallyMethod::Best), {}, kThree, tables.source(), tables.selection(),
                     rateSort(0), tally);
        EXPECT_TRUE(tally.slotEmpty(0));
        ComputeTally(groupChoice(false, TallyMethod::Best), {}, kThree, tables.source(), tables.selection(),
                     rateSort(3), tally);
        EXPECT_EQ(row(tally.trr, 0), (std::array<int, 10>{2, 1, 1, 0, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(row(tally.err, 0), (std::array<int, 10>{}));
    }
}

TEST(ComputeTally, BestMethodStopsWithoutConfirmedSettings)
{
    Tables tables = bestTables(true);
    TallySet tally = filled();
    SortSettings never; // the dialog was never confirmed
    for (const auto& sort : {std::optional<SortSettings>{}, std::optional<SortSettings>{never}}) {
        const TallyOutcome out = ComputeTally(groupChoice(true, TallyMethod::Best), {}, kThree, tables.source(),
                                              tables.selection(), sort, tally);
        EXPECT_EQ(out.status, TallyOutcome::Status::SortNotConfirmed);
        EXPECT_EQ(tally, filled());
    }
}

TEST(BestOrder, SortsByEachKeyInTurnAndKeepsIdxOrderForTies)
{
    std::vector<Formula> f = {formula(1, "1", true, 50, 2, 1), formula(2, "2", true, 60, 1, 1),
                              formula(3, "3", true, 50, 3, 0), formula(4, "4", true, 50, 3, 0),
                              formula(5, "5", true, 50, 3, 2)};
    SortSettings s = rateSort(3);
    std::vector<int> idx;
    for (const Formula& x : bestOrder(f, s)) {
        idx.push_back(x.idx);
    }
    // rate desc: 2; then 最大连对 desc among rate 50: 3, 4, 5 (3), 1 (2); then 最后连对 desc: 5 before 3, 4.
    EXPECT_EQ(idx, (std::vector<int>{2, 5, 3, 4, 1}));

    s.sortDescending = {false, false, false};
    idx.clear();
    for (const Formula& x : bestOrder(f, s)) {
        idx.push_back(x.idx);
    }
    EXPECT_EQ(idx, (std::vector<int>{1, 3, 4, 5, 2}));
}

TEST(TallyChoice, SelectorViewAndCaptionForTheEightCombinations)
{
    struct Case {
        bool group;
        CategoryPlay category;
        TallyMethod method;
        TallyMode mode;
        int selector;
        ResultView view;
        const char* caption;
        bool detail;
    };
    const Case cases[] = {
        {true, CategoryPlay::None, TallyMethod::Best, TallyMode::Next, 0, ResultView::Group, "计算2007100期结果排序",
         false},
        {false, CategoryPlay::None, TallyMethod::Best, TallyMode::Next, 1, ResultView::PerPosition,
         "计算2007100期结果排序", false},
        {true, CategoryPlay::None, TallyMethod::Selected, TallyMode::Next, 2, ResultView::Group,
         "计算2007100期结果排序", true},
        {false, CategoryPlay::OddEven, TallyMethod::Selected, TallyMode::Next, 3, ResultView::PerPositionCategory,
         "计算2007100期结果排序", false},
        {true, CategoryPlay::None, TallyMethod::Best, TallyMode::Verify, 4, ResultView::Group, "计算2007050期结果排序",
         false},
        {false, CategoryPlay::BigSmall, TallyMethod::Best, TallyMode::Verify, 5, ResultView::PerPositionCategory,
         "验证2007050期结果排序", false},
        {true, CategoryPlay::None, TallyMethod::Selected, TallyMode::Verify, 6, ResultView::Group,
         "计算2007050期结果排序", true},
        {false, CategoryPlay::None, TallyMethod::Selected, TallyMode::Verify, 7, ResultView::PerPosition,
         "验证2007050期结果排序", false},
    };
    for (const Case& k : cases) {
        TallyChoice c;
        c.groupPlay = k.group;
        c.category = k.category;
        c.method = k.method;
        c.mode = k.mode;
        EXPECT_EQ(c.selector(), k.selector);
        EXPECT_EQ(c.view(), k.view) << k.selector;
        EXPECT_EQ(c.caption("2007100", "2007050"), QString::fromUtf8(k.caption)) << k.selector;
        EXPECT_EQ(c.detailListVisible(), k.detail) << k.selector;
    }
}

} // namespace
} // namespace korvel
