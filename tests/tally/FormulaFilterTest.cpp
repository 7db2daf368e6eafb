#include "tally/FormulaFilter.h"
#include "tally/SortSettings.h"

#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "support/FakeDialogs.h"
#include "verify/FormulaList.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace korvel;
using korvel::test::FakeDialogs;

namespace {

const FormulaKind k3D{3, Play::Single};

class FormulaFilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_NE(m_db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
    }

    // One formula per figure set, listed and all selected.
    void load(const std::vector<FormulaStats>& figures)
    {
        std::vector<Formula> rows(figures.size());
        for (std::size_t i = 0; i < figures.size(); ++i) {
            rows[i].expressionText = QStringLiteral("L1A+%1").arg(i);
        }
        m_store.appendFormulas(k3D, rows);
        std::vector<StoredFigures> stored;
        for (std::size_t i = 0; i < figures.size(); ++i) {
            stored.push_back({static_cast<int>(i) + 1, figures[i]});
        }
        m_store.writeFigures(k3D, true, stored);
        m_list.loadFormulas(k3D, true);
    }

    std::vector<bool> selection() const
    {
        std::vector<bool> out;
        for (int r = 0; r < m_list.rowCount(); ++r) {
            out.push_back(m_list.rowSelected(r));
        }
        return out;
    }

    static FormulaFilter::Boxes ranges(const QString& rateLo, const QString& rateHi)
    {
        return {rateLo, rateHi, "0", "32767", "0", "32767", "0", "32767", "0", "32767"};
    }

    QTemporaryDir m_dir;
    Database m_db;
    FormulaStore m_store{m_db};
    FakeDialogs m_dialogs;
    FormulaList m_list{m_store, m_dialogs};
};

} // namespace

TEST_F(FormulaFilterTest, PrefillSpansTheSelectedFormulas)
{
    FormulaList empty(m_store, m_dialogs);
    EXPECT_EQ(FormulaFilter::prefill(empty),
              (FormulaFilter::Boxes{"100", "0", "32767", "0", "32767", "0", "32767", "0", "32767", "0"}));

    load({FormulaStats{43.33333f, 4, 2, 0, 1}, FormulaStats{90.1099f, 1, 5, 0, 3}, FormulaStats{10.0f, 9, 9, 9, 0}});
    m_list.toggleRow(2); // the extreme one is not selected and does not count
    EXPECT_EQ(FormulaFilter::prefill(m_list),
              (FormulaFilter::Boxes{"43.33333", "90.1099", "1", "4", "2", "5", "0", "0", "1", "3"}));

    // Filtering with the pre-filled ranges keeps every selected formula; the message tells how many.
    EXPECT_EQ(FormulaFilter::confirm(m_list, FormulaFilter::prefill(m_list), m_dialogs), 2);
    EXPECT_EQ(selection(), (std::vector<bool>{true, true, false}));
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, QStringLiteral("公式过滤结果"));
    EXPECT_EQ(m_dialogs.messages()[0].text, QStringLiteral("过滤后公式剩余2条"));
    EXPECT_EQ(m_dialogs.messages()[0].buttons, Dialogs::Buttons::Ok);
}

TEST_F(FormulaFilterTest, BoundsHaveATolerance)
{
    load({FormulaStats{70.00005f, 0, 0, 0, 0}, FormulaStats{70.0002f, 0, 0, 0, 0}, FormulaStats{59.99995f, 0, 0, 0, 0},
          FormulaStats{59.9998f, 0, 0, 0, 0}});
    EXPECT_EQ(FormulaFilter::apply(m_list, ranges("60", "70")), 2);
    EXPECT_EQ(selection(), (std::vector<bool>{true, false, true, false}));
}

TEST_F(FormulaFilterTest, RateBoundsAreRoundedToSinglePrecision)
{
    // 50.1 + 0.0001 rounds up in single precision to the float nearest 50.1001, so a rate of exactly that
    // float is inside; the next float above is outside. Likewise below 50.1 - 0.0001.
    const float top = static_cast<float>(50.1 + 0.0001);
    const float lowEdge = static_cast<float>(50.1 - 0.0001);
    ASSERT_GT(static_cast<double>(top), 50.1 + 0.0001);
    ASSERT_LT(static_cast<double>(lowEdge), 50.1 - 0.0001);
    load({FormulaStats{top, 0, 0, 0, 0}, FormulaStats{std::nextafter(top, 100.0f), 0, 0, 0, 0},
          FormulaStats{lowEdge, 0, 0, 0, 0}, FormulaStats{std::nextafter(lowEdge, 0.0f), 0, 0, 0, 0}});
    EXPECT_EQ(FormulaFilter::apply(m_list, ranges("50.1", "50.1")), 2);
    EXPECT_EQ(selection(), (std::vector<bool>{true, false, true, false}));
}

TEST_F(FormulaFilterTest, IntegerRangesAndBadBoundsOnlyEverRemoveSelections)
{
    load({FormulaStats{50.0f, 2, 5, 0, 5}, FormulaStats{50.0f, 3, 5, 1, 0}, FormulaStats{50.0f, 8, 1, 8, 0},
          FormulaStats{50.0f, 1, 1, 0, 1}});
    m_list.toggleRow(3); // unselected, inside every range: stays unselected
    FormulaFilter::Boxes b = ranges("0", "100");
    b[2] = "1";
    b[3] = "3"; // 最大连错 1 到 3
    EXPECT_EQ(FormulaFilter::apply(m_list, b), 2);
    EXPECT_EQ(selection(), (std::vector<bool>{true, true, false, false}));

    // A second, narrower pass only shrinks the selection; "2x" reads as 2, "abc" as 0.
    b[8] = "2x";
    b[9] = "abc"; // 最后连对 2 到 0: nothing fits
    EXPECT_EQ(FormulaFilter::apply(m_list, b), 0);
    EXPECT_EQ(selection(), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(FormulaFilter::apply(m_list, FormulaFilter::prefill(m_list)), 0);
}

TEST(SortSettings, DefaultsConfirmationAndTheLimitBox)
{
    SortSettings before;
    EXPECT_FALSE(before.confirmed);
    EXPECT_EQ(before.keepLimit, 3);
    EXPECT_TRUE(before.sortKeys[0].isEmpty());

    SortDialogState dialog;
    EXPECT_EQ(SortDialogState::optionCaption(dialog.choice(0)), QStringLiteral("正确率"));
    EXPECT_EQ(SortDialogState::optionCaption(dialog.choice(1)), QStringLiteral("最大连对"));
    EXPECT_EQ(SortDialogState::optionCaption(dialog.choice(2)), QStringLiteral("最后连对"));
    EXPECT_EQ(dialog.limitText(), QStringLiteral("3"));
    EXPECT_EQ(SortDialogState::groupCaption(1), QStringLiteral("第二排序"));

    SortSettings s = dialog.confirm();
    EXPECT_TRUE(s.confirmed);
    EXPECT_EQ(s.sortKeys, (std::array<QString, 3>{"sglGsRate", "intGsTrueCon", "intGsTrueLst"}));
    EXPECT_EQ(s.sortDescending, (std::array<bool, 3>{true, true, true}));
    EXPECT_EQ(s.keepLimit, 3);

    // Every key descending, the miss runs included; the limit 5 is kept, the box shows 3 again on the next
    // activation.
    dialog.choose(0, 1);
    dialog.choose(2, 3);
    dialog.setLimitText("5");
    s = dialog.confirm();
    EXPECT_EQ(s.sortKeys, (std::array<QString, 3>{"intGsErrCon", "intGsTrueCon", "intGsErrLst"}));
    EXPECT_EQ(s.sortDescending, (std::array<bool, 3>{true, true, true}));
    EXPECT_EQ(s.keepLimit, 5);
    dialog.activate();
    EXPECT_EQ(dialog.limitText(), QStringLiteral("3"));
    EXPECT_EQ(SortDialogState::optionCaption(dialog.choice(0)), QStringLiteral("最大连错"));
    EXPECT_EQ(SortDialogState::optionOfColumn("intGsErrLst"), 3);

    // Halves to even, non-numbers to 0, out-of-range numbers held at the edge.
    const std::vector<std::pair<QString, int>> limits = {{"2.5", 2}, {"3.5", 4}, {"4.4", 4},      {"", 0},
                                                         {"x", 0},   {"-1", -1}, {"99999", 32767}};
    for (const auto& [text, want] : limits) {
        dialog.setLimitText(text);
        EXPECT_EQ(dialog.confirm().keepLimit, want) << text.toStdString();
    }
}
