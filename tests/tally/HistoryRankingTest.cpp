#include "tally/HistoryRanking.h"
#include "tally/RankingList.h"

#include "history/Param.h"
#include "support/FakeDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/XlsReadBack.h"
#include "tally/TallyTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::formula;
using test::history;

using Digits10 = std::array<std::int8_t, 10>;
using Errs10 = std::array<std::int16_t, 10>;

// 583, 129, 470, 066 with the kill formulas L1A and L3A+1:
//   draw 0 names 5 and 4, draw 1 names 1 and 0, draw 2 names 4 and 1, draw 3 names 0 and 7.
const HistorySnapshot kFour = history({"583", "129", "470", "066"});

TEST(HistoryRanking, KillRunRanksTheLeastKilledDigitsFirstOnEveryDraw)
{
    const std::vector<Formula> f = {formula(1, "L1A"), formula(2, "L3A+1")};
    const RankingRun run = computeHistoryRanking(kFour, f, true);
    ASSERT_TRUE(run.complete);
    const RankingStore& s = run.store;
    ASSERT_EQ(s.size(), 4);
    EXPECT_EQ(s.formulaCount, 2);
    EXPECT_EQ(s.issues[1], "2007002");
    EXPECT_EQ(s.digits[2], (std::array<std::int8_t, 3>{4, 7, 0}));
    EXPECT_EQ(s.rankDigit[0], (Digits10{0, 1, 2, 3, 6, 7, 8, 9, 4, 5}));
    EXPECT_EQ(s.rankErr[0], (Errs10{0, 0, 0, 0, 0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(s.rankDigit[1], (Digits10{2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
    EXPECT_EQ(s.rankDigit[2], (Digits10{0, 2, 3, 5, 6, 7, 8, 9, 1, 4}));
    EXPECT_EQ(s.rankDigit[3], (Digits10{1, 2, 3, 4, 5, 6, 8, 9, 0, 7}));
    // The work table rows of the newest draw.
    const auto rows = s.rankingTableRows(3);
    EXPECT_EQ(rows[7], (TallyTableRow{7, 1, 1, 0}));
    EXPECT_EQ(rows[5], (TallyTableRow{5, 0, 0, 0}));
}

TEST(HistoryRanking, KeepFormulasAreCountedAndTheMostNamedDigitRanksFirst)
{
    // Draw 0 (583): two keep formulas name 5, one names 4.
    const std::vector<Formula> f = {formula(1, "L1A", false), formula(2, "L1A+10", false), formula(3, "L3A+1", false)};
    const RankingRun run = computeHistoryRanking(kFour, f, false);
    ASSERT_TRUE(run.complete);
    EXPECT_EQ(run.store.rankDigit[0], (Digits10{5, 4, 0, 1, 2, 3, 6, 7, 8, 9}));
    EXPECT_EQ(run.store.rankErr[0], (Errs10{2, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    const auto rows = run.store.rankingTableRows(0);
    EXPECT_EQ(rows[5], (TallyTableRow{5, 2, 0, 2}));
}

TEST(HistoryRanking, FormulasThatNameNoDigitCountNothingAndCancelStopsTheRun)
{
    const std::vector<Formula> f = {formula(1, "LTW"), formula(2, "L1A/0"), formula(3, "0-L1A-1")};
    RankingRun run = computeHistoryRanking(kFour, f, true);
    ASSERT_TRUE(run.complete);
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(run.store.rankErr[std::size_t(n)], Errs10{});
        EXPECT_EQ(run.store.rankDigit[std::size_t(n)], (Digits10{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    }

    int calls = 0;
    const std::vector<Formula> two = {formula(1, "L1A"), formula(2, "L2A")};
    run = computeHistoryRanking(kFour, two, true, [&](int done, int total) {
        EXPECT_LE(done, total);
        return ++calls < 2;
    });
    EXPECT_FALSE(run.complete);
    EXPECT_TRUE(run.store.empty());
}

TEST(RankingTiers, EqualValuesShareATier)
{
    std::array<int, 10> tier{};
    EXPECT_EQ(rankingTiers({0, 0, 1, 1, 1, 2, 3, 3, 4, 5}, tier), 6);
    EXPECT_EQ(tier, (std::array<int, 10>{1, 1, 2, 2, 2, 3, 4, 4, 5, 6}));
    EXPECT_EQ(rankingTiers({}, tier), 1);
    EXPECT_EQ(tier, (std::array<int, 10>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    // The first rank opens tier 1 whatever its value.
    EXPECT_EQ(rankingTiers({2, 2, 3, 3, 3, 3, 3, 3, 3, 3}, tier), 2);
}

RankingStore handStore(const Errs10& errs, std::array<std::int8_t, 3> drawn)
{
    RankingStore s;
    s.issues = {"2007001", "2007002"};
    s.digits = {{1, 1, 1}, drawn};
    s.rankDigit = {Digits10{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, Digits10{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}};
    s.rankErr = {errs, Errs10{}};
    return s;
}

TEST(RankingList, TierColumnsOfTheDrawnDigit)
{
    // Ranks 0, 0, 1, 1, 1, 2, ...: the drawn 百位 3 stands at rank 4, tier 2 of three digits.
    const RankingList list(handStore({0, 0, 1, 1, 1, 2, 2, 2, 2, 2}, {3, 8, 8}), 3, Play::Single);
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.cellText(0, 0), "2007002");
    EXPECT_EQ(list.cellText(0, 1), "3");
    EXPECT_EQ(list.cellText(0, 2), "4");
    EXPECT_EQ(list.cellText(0, 3), "1");
    EXPECT_EQ(list.cellText(0, 4), "3");
    EXPECT_EQ(list.cellText(0, 5), "2");
    EXPECT_EQ(list.cellText(0, 6), "3");
    EXPECT_EQ(list.cellFill(0, 7 + 3), kBlue);
    EXPECT_FALSE(list.cellFill(0, 7 + 2).has_value());

    const RankingList zeros(handStore({}, {3, 8, 8}), 3, Play::Single);
    EXPECT_EQ(zeros.cellText(0, 4), "1");
    EXPECT_EQ(zeros.cellText(0, 5), "1");
    EXPECT_EQ(zeros.cellText(0, 6), "10");
    EXPECT_EQ(zeros.valueColumnCount(), 1);
    EXPECT_EQ(zeros.header(27), "0次");
    EXPECT_EQ(zeros.cellText(0, 27), "00 01 02 03 04 05 06 07 08 09 ");
}

TEST(RankingList, ColumnsRowsAndPlaysOverAComputedStore)
{
    const RankingRun run =
        computeHistoryRanking(kFour, std::vector<Formula>{formula(1, "L1A"), formula(2, "L3A+1")}, true);
    const RankingList single(run.store, 3, Play::Single);
    ASSERT_EQ(single.rowCount(), 3); // N - 1 rows
    const QStringList h = single.headers();
    ASSERT_EQ(h.size(), 29);
    EXPECT_EQ(h.mid(0, 7), (QStringList{"期号", "开奖结果", "排位名次", "Err值", "总位次", "位次", "位码数"}));
    EXPECT_EQ(h[7], "1排列");
    EXPECT_EQ(h[16], "10排列");
    EXPECT_EQ(h[17], "1Err值");
    EXPECT_EQ(h[26], "10Err值");
    EXPECT_EQ(h[27], "0次");
    EXPECT_EQ(h[28], "1次");
    EXPECT_EQ(single.columnWidthTwips(27), 1600);

    // Draw 2007002 (129) against the ranking of draw 0: 0 1 2 3 6 7 8 9 4 5 with Err 0 x 8, 1, 1.
    EXPECT_EQ(single.cellText(0, 0), "2007002");
    EXPECT_EQ(single.cellText(0, 1), "1");
    EXPECT_EQ(single.cellText(0, 2), "2");
    EXPECT_EQ(single.cellText(0, 3), "0");
    EXPECT_EQ(single.cellText(0, 4), "2");
    EXPECT_EQ(single.cellText(0, 5), "1");
    EXPECT_EQ(single.cellText(0, 6), "8");
    EXPECT_EQ(single.cellText(0, 7 + 8), "4");
    EXPECT_EQ(single.cellText(0, 17 + 8), "1");
    EXPECT_EQ(single.cellText(0, 27), "00 01 02 03 06 07 08 09 ");
    EXPECT_EQ(single.cellText(0, 28), "04 05 ");
    // The one-pass row texts hold the same cells.
    for (int r = 0; r < single.rowCount(); ++r) {
        const std::vector<QString> texts = single.rowTexts(r);
        ASSERT_EQ(texts.size(), 29u);
        for (int c = 0; c < 29; ++c) {
            EXPECT_EQ(texts[static_cast<std::size_t>(c)], single.cellText(r, c)) << r << ", " << c;
        }
    }
    // Draw 2007004 (066) against draw 2 (0 2 3 5 6 7 8 9 1 4): 百位 0 at rank 1.
    EXPECT_EQ(single.cellText(2, 2), "1");

    const RankingList units(run.store, 1, Play::Single);
    EXPECT_EQ(units.cellText(0, 1), "9");
    EXPECT_EQ(units.cellText(0, 2), "8");

    // 百位通选 judges all three digits of 129: ranks 2, 3 and 8.
    const RankingList group(run.store, 3, Play::Group);
    EXPECT_EQ(group.cellText(0, 1), "1 2 9 ");
    EXPECT_EQ(group.cellText(0, 2), "2 3 8 ");
    EXPECT_EQ(group.cellText(0, 3), "0 0 0 ");
    EXPECT_EQ(group.cellText(0, 5), "1");
    EXPECT_TRUE(group.cellFill(0, 7 + 1).has_value());
    EXPECT_TRUE(group.cellFill(0, 7 + 2).has_value());
    EXPECT_TRUE(group.cellFill(0, 7 + 7).has_value());
    EXPECT_FALSE(group.cellFill(0, 7 + 0).has_value());
    // 十位通选: 十位 and 个位 (2, 9).
    const RankingList tens(run.store, 2, Play::Group);
    EXPECT_EQ(tens.cellText(0, 1), "2 9 ");
    EXPECT_EQ(tens.cellText(0, 2), "3 8 ");

    EXPECT_EQ(RankingList(RankingStore{}, 3, Play::Single).rowCount(), 0);
}

TEST(RankingList, BothExportsWriteTheListWithItsMarks)
{
    QTemporaryDir dir;
    test::FakeDialogs dialogs;
    test::RecordingLauncher launcher;
    const RankingRun run =
        computeHistoryRanking(kFour, std::vector<Formula>{formula(1, "L1A"), formula(2, "L3A+1")}, true);
    const RankingList group(run.store, 3, Play::Group);
    ASSERT_EQ(group.exportQuery(dir.path(), dialogs, launcher), SheetShown::Shown);
    ASSERT_EQ(group.exportOnDoubleClick(dir.path(), dialogs, launcher), SheetShown::Shown);
    ASSERT_EQ(launcher.spreadsheets, (QStringList{dir.filePath("Print.xls"), dir.filePath("Jieguo.xls")}));
    KORVEL_SKIP_WITHOUT_XLS_READBACK();
    for (const QString& path : launcher.spreadsheets) {
        const test::ReadBook book = test::readBackBook(path);
        EXPECT_EQ(book.sheets, QStringList{"Sheet1"});
        EXPECT_EQ(book.rows, 4);
        EXPECT_EQ(book.columns, 29);
        for (int c = 0; c < 29; ++c) {
            EXPECT_EQ(book.text(0, c), group.header(c));
        }
        for (int r = 0; r < 3; ++r) {
            EXPECT_EQ(book.text(r + 1, 0), group.cellText(r, 0));
            EXPECT_EQ(book.text(r + 1, 1), group.cellText(r, 1));
            EXPECT_EQ(book.text(r + 1, 2), group.cellText(r, 2));
            for (int c = 4; c < 27; ++c) {
                EXPECT_EQ(book.number(r + 1, c), group.cellText(r, c).toInt()) << r << " " << c;
            }
            EXPECT_EQ(book.text(r + 1, 27), group.cellText(r, 27));
            EXPECT_EQ(book.types.at({r + 1, 1}), 1); // the group's three digits stay text: "5 8 3 "
            for (int c = 7; c < 17; ++c) {
                const bool blue = group.cellFill(r, c).has_value();
                EXPECT_EQ(book.fills.count({r + 1, c}) ? book.fills.at({r + 1, c}) : QString(), blue ? "0000FF" : "")
                    << r << " " << c;
            }
        }
    }
}

TEST(HistoryRanking, PrintXlsWritesTheDrawnDigitOfSinglePlayAsANumber)
{
    QTemporaryDir dir;
    test::FakeDialogs dialogs;
    test::RecordingLauncher launcher;
    const RankingRun run =
        computeHistoryRanking(kFour, std::vector<Formula>{formula(1, "L1A"), formula(2, "L3A+1")}, true);
    const RankingList single(run.store, 3, Play::Single);
    ASSERT_EQ(single.exportQuery(dir.path(), dialogs, launcher), SheetShown::Shown);
    KORVEL_SKIP_WITHOUT_XLS_READBACK();
    const test::ReadBook book = test::readBackBook(dir.filePath("Print.xls"));
    ASSERT_EQ(book.rows, 4);
    EXPECT_EQ(book.text(0, 1), "开奖结果");
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(book.types.at({r + 1, 1}), 2) << r;
        EXPECT_EQ(book.number(r + 1, 1), single.cellText(r, 1).toInt()) << r;
    }
}

TEST(HistoryRanking, RealHistoryRanksEveryDrawWithCountsThatAddUp)
{
    const HistorySnapshot snap = test::snapshotOf(test::loadDraws("fc3d_draws.tsv", 400));
    ASSERT_EQ(snap.size(), 400);
    const std::vector<Formula> f = {formula(1, "L1A+L2A"), formula(2, "LH*3"), formula(3, "(L1A MOD 3)+L3A+7")};
    const RankingRun run = computeHistoryRanking(snap, f, true);
    ASSERT_TRUE(run.complete);
    for (int n = 0; n < snap.size(); ++n) {
        int sum = 0;
        for (std::int16_t e : run.store.rankErr[std::size_t(n)]) {
            sum += e;
        }
        // All three formulas give non-negative values, so every draw counts three namings.
        EXPECT_EQ(sum, 3) << n;
        const auto& errs = run.store.rankErr[std::size_t(n)];
        EXPECT_TRUE(std::is_sorted(errs.begin(), errs.end())) << n;
        const int named = (snap.value(n, Param::L1A) + snap.value(n, Param::L2A)) % 10;
        const auto rows = run.store.rankingTableRows(n);
        EXPECT_GE(rows[std::size_t(named)].senseCount, 1) << n;
    }
}

} // namespace
} // namespace korvel
