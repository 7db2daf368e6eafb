#include "tally/FormulaSteps.h"

#include "support/FakeDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/XlsReadBack.h"
#include "tally/TallyTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::history;

// Draw 2: 百位 4, 十位 7, 个位 0.
const HistorySnapshot kTwo = history({"583", "470"});

TEST(FormulaSteps, PlainSumShowsEachTermsValue)
{
    const FormulaSteps steps(kTwo, "L1A+(L2A MOD 3)+5", "百位码+(十位码 MOD 3)+5");
    EXPECT_TRUE(steps.plainSum());
    EXPECT_EQ(steps.headers(), (QStringList{"期号", "当期号码", "百位码+(十位码 MOD 3)+5", "计算值(算下期)"}));
    ASSERT_EQ(steps.rowCount(), 2);
    EXPECT_EQ(steps.cellText(1, 0), "2007002");
    EXPECT_EQ(steps.cellText(1, 1), "470");
    EXPECT_EQ(steps.cellText(1, 2), "4+1+5");
    EXPECT_EQ(steps.cellText(1, 3), "10"); // not reduced modulo 10
    EXPECT_EQ(steps.cellText(0, 2), "5+2+5");
    EXPECT_EQ(steps.cellText(0, 3), "12");

    // A number inside the chain is written as it is; the last term as written.
    const FormulaSteps middle(kTwo, "L1A+3+L2A", "x");
    EXPECT_TRUE(middle.plainSum());
    EXPECT_EQ(middle.cellText(1, 2), "4+3+L2A");
    EXPECT_EQ(middle.cellText(1, 3), "14");
}

TEST(FormulaSteps, OtherExpressionsShowTheirTextWithValuesAndTheEnginesValue)
{
    const FormulaSteps product(kTwo, "L1A*2-(L2A MOD 3)", "x");
    EXPECT_FALSE(product.plainSum());
    EXPECT_EQ(product.cellText(1, 2), "4*2-(7 MOD 3)");
    EXPECT_EQ(product.cellText(1, 3), "7");

    // A "+" inside brackets is no plain sum either: (4+0)*[7] = 28.
    const FormulaSteps bracketed(kTwo, "(L1A+L3A)*[L2A]", "x");
    EXPECT_FALSE(bracketed.plainSum());
    EXPECT_EQ(bracketed.cellText(1, 2), "(4+0)*7");
    EXPECT_EQ(bracketed.cellText(1, 3), "28");

    // Real division, read as an integer half to even: 5/2 = 2.5 -> 2; 7/2 = 3.5 -> 4.
    const FormulaSteps half(kTwo, "L1A/2+L3A/2", "x");
    EXPECT_EQ(half.cellText(0, 2), "5/2+3/2");
    EXPECT_EQ(half.cellText(0, 3), "4");
    const FormulaSteps divided(kTwo, "L2A/2", "x");
    EXPECT_EQ(divided.cellText(1, 3), "4");

    // A value that cannot be computed shows no value, and an unknown word stays as written.
    const FormulaSteps zero(kTwo, "L1A/L3A", "x");
    EXPECT_EQ(zero.cellText(1, 2), "4/0");
    EXPECT_EQ(zero.cellText(1, 3), "");
    EXPECT_EQ(zero.cellText(0, 3), "2"); // 5/3 = 1.67 -> 2
    const FormulaSteps unknown(kTwo, "LTW+1", "x");
    EXPECT_EQ(unknown.cellText(1, 2), "LTW+1");
    EXPECT_EQ(unknown.cellText(1, 3), "");
}

TEST(FormulaSteps, ExportWritesEveryRowToLsjs)
{
    QTemporaryDir dir;
    test::FakeDialogs dialogs;
    test::RecordingLauncher launcher;
    const FormulaSteps steps(kTwo, "L1A+(L2A MOD 3)+5", "百位码+(十位码 MOD 3)+5");
    ASSERT_EQ(steps.exportSteps(dir.path(), dialogs, launcher), SheetShown::Shown);
    ASSERT_EQ(launcher.spreadsheets, QStringList{dir.filePath("LSJS.xls")});
    KORVEL_SKIP_WITHOUT_XLS_READBACK();
    const test::ReadBook book = test::readBackBook(launcher.spreadsheets[0]);
    EXPECT_EQ(book.sheets, QStringList{"Sheet1"});
    EXPECT_EQ(book.rows, 3);
    EXPECT_EQ(book.columns, 4);
    EXPECT_EQ(book.text(0, 2), "百位码+(十位码 MOD 3)+5");
    EXPECT_EQ(book.text(0, 3), "计算值(算下期)");
    EXPECT_EQ(book.text(1, 0), "2007001");
    EXPECT_EQ(book.text(1, 1), "583");
    EXPECT_EQ(book.text(2, 2), "4+1+5");
    EXPECT_EQ(book.number(2, 3), 10);
    EXPECT_EQ(book.number(1, 3), 12);
}

} // namespace
} // namespace korvel
