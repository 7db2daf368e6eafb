#include "verify/FormulaList.h"

#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "support/FakeDialogs.h"
#include "support/TestData.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvel;
using korvel::test::FakeDialogs;

namespace {

// Counts the emissions of one signal.
struct SignalCount {
    template <typename Signal> SignalCount(const FormulaList* list, Signal signal)
    {
        QObject::connect(list, signal, [this] { ++n; });
    }
    int count() const { return n; }
    int n = 0;
};

const FormulaKind k3D{3, Play::Single};
const FormulaKind k2G{2, Play::Group};

const QString kAskSelected = QStringLiteral("确实要删除选中的所有公式(公式列表序号蓝色表示)吗?");
const QString kAskUnselected = QStringLiteral("确实要删除选未中的所有公式(公式列表序号灰色表示)吗?");

// Seven draws whose hundreds digits are 0, 1, 2, 2, 3, 4, 5. The formula "L1A" of 百位单选 kill predicts for
// each draw the previous hundreds digit: hit, hit, miss, hit, hit, hit on draws 2..7.
HistorySnapshot sevenDraws()
{
    const char* digits[] = {"000", "111", "222", "233", "344", "455", "566"};
    std::vector<test::DrawLine> lines;
    for (int i = 0; i < 7; ++i) {
        lines.push_back({QStringLiteral("202400%1").arg(i + 1), QStringLiteral("2024-01-0%1").arg(i + 1),
                         QString::fromLatin1(digits[i])});
    }
    return test::snapshotOf(lines);
}

class FormulaListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_NE(m_db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
    }

    void addFive(const FormulaKind& kind = k3D)
    {
        for (int i = 1; i <= 5; ++i) {
            m_store.appendFormula(kind, QStringLiteral("L1A+%1").arg(i), QStringLiteral("百位码+%1").arg(i), true);
        }
        m_list.loadFormulas(kind, true);
    }

    // The formulas of the list as "gongshi" with a "*" for the selected ones, in list order.
    std::vector<std::string> shown() const
    {
        std::vector<std::string> out;
        for (int r = 0; r < m_list.rowCount(); ++r) {
            out.push_back(m_list.row(r).formula.expressionText.toStdString() + (m_list.rowSelected(r) ? "*" : ""));
        }
        return out;
    }

    std::vector<int> idxs() const
    {
        std::vector<int> out;
        for (int r = 0; r < m_list.rowCount(); ++r) {
            out.push_back(m_list.idxOfRow(r));
        }
        return out;
    }

    QTemporaryDir m_dir;
    Database m_db;
    FormulaStore m_store{m_db};
    FakeDialogs m_dialogs;
    FormulaList m_list{m_store, m_dialogs};
};

} // namespace

TEST_F(FormulaListTest, LoadFormulasListsOneSenseInIdxOrderAndSelectsAll)
{
    m_store.appendFormula(k2G, "K1", "k1", true);
    m_store.appendFormula(k2G, "P2", "p2", false);
    m_store.appendFormula(k2G, "K3", "k3", true);
    m_list.loadFormulas(k2G, true);
    EXPECT_EQ(shown(), (std::vector<std::string>{"K1*", "K3*"}));
    EXPECT_EQ(idxs(), (std::vector<int>{1, 3}));
    EXPECT_EQ(m_list.rowOfIdx(3), 1);
    EXPECT_EQ(m_list.rowOfIdx(2), -1);
    m_list.loadFormulas(k2G, false);
    EXPECT_EQ(shown(), (std::vector<std::string>{"P2*"}));

    // A refill keeps the flags.
    m_list.loadFormulas(k2G, true);
    m_list.toggleRow(1);
    m_list.reloadKeepingSelection();
    EXPECT_EQ(shown(), (std::vector<std::string>{"K1*", "K3"}));
}

TEST_F(FormulaListTest, SelectionCommands)
{
    addFive();
    SignalCount spy(&m_list, &FormulaList::selectionChanged);
    m_list.toggleRow(1);
    m_list.toggleRow(3);
    EXPECT_EQ(shown(), (std::vector<std::string>{"L1A+1*", "L1A+2", "L1A+3*", "L1A+4", "L1A+5*"}));
    m_list.invertSelection();
    EXPECT_EQ(shown(), (std::vector<std::string>{"L1A+1", "L1A+2*", "L1A+3", "L1A+4*", "L1A+5"}));
    EXPECT_EQ(m_list.selectedCount(), 2);
    m_list.selectAll();
    EXPECT_EQ(m_list.selectedCount(), 5);
    EXPECT_EQ(spy.count(), 4);
}

TEST_F(FormulaListTest, DeletingOneFormulaMovesTheFlagsWithTheirFormulas)
{
    addFive();
    m_list.toggleRow(3); // formula 4 unselected
    SignalCount changed(&m_list, &FormulaList::formulasChanged);
    ASSERT_TRUE(m_list.deleteFormulaAt(2));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(idxs(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(shown(), (std::vector<std::string>{"L1A+1*", "L1A+2*", "L1A+4", "L1A+5*"}));
    EXPECT_TRUE(m_dialogs.calls().empty());
}

TEST_F(FormulaListTest, DeleteLastFormulaLeavesTheFlagsInPlace)
{
    addFive();
    m_list.toggleRow(3); // formula 4 unselected
    ASSERT_TRUE(m_list.deleteLastFormulaAt(2));
    EXPECT_EQ(idxs(), (std::vector<int>{1, 2, 3, 4}));
    // Formula 4 takes the flag of row 3 (selected), formula 5 the flag of row 4 (unselected).
    EXPECT_EQ(shown(), (std::vector<std::string>{"L1A+1*", "L1A+2*", "L1A+4*", "L1A+5"}));

    // On the last row both commands do the same.
    m_list.deleteLastFormulaAt(3);
    EXPECT_EQ(shown(), (std::vector<std::string>{"L1A+1*", "L1A+2*", "L1A+4*"}));
}

TEST_F(FormulaListTest, DeleteSelectedAndUnselectedAskFirstAndSelectWhatRemains)
{
    addFive();
    m_list.invertSelection();
    m_list.toggleRow(1);
    m_list.toggleRow(3); // 2 and 4 selected
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    ASSERT_TRUE(m_list.deleteSelected());
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, QStringLiteral("删除公式"));
    EXPECT_EQ(m_dialogs.messages()[0].text, kAskSelected);
    EXPECT_EQ(m_dialogs.messages()[0].buttons, Dialogs::Buttons::OkCancel);
    EXPECT_EQ(shown(), (std::vector<std::string>{"L1A+1*", "L1A+3*", "L1A+5*"}));
    EXPECT_EQ(idxs(), (std::vector<int>{1, 2, 3}));

    m_list.toggleRow(0);
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    ASSERT_TRUE(m_list.deleteUnselected());
    EXPECT_EQ(m_dialogs.messages().back().text, kAskUnselected);
    EXPECT_EQ(shown(), (std::vector<std::string>{"L1A+3*", "L1A+5*"}));
    EXPECT_EQ(idxs(), (std::vector<int>{1, 2}));
}

TEST_F(FormulaListTest, CancelLeavesEveryTableAsItWas)
{
    addFive();
    m_store.appendFormula(k2G, "L2A", "十位码", true);
    m_list.toggleRow(0);
    SignalCount changed(&m_list, &FormulaList::formulasChanged);
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    EXPECT_FALSE(m_list.deleteSelected());
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    EXPECT_FALSE(m_list.deleteUnselected());
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    EXPECT_FALSE(m_list.clearAll());
    EXPECT_TRUE(m_dialogs.allAnswered());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(m_store.count(k3D), 5);
    EXPECT_EQ(m_store.count(k2G), 1);
    EXPECT_EQ(shown(), (std::vector<std::string>{"L1A+1", "L1A+2*", "L1A+3*", "L1A+4*", "L1A+5*"}));
}

TEST_F(FormulaListTest, ClearAllEmptiesAllFiveTables)
{
    for (const FormulaKind& k : kAllKinds) {
        m_store.appendFormula(k, "L1A", "百位码", true);
    }
    m_list.loadFormulas(k3D, true);
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    ASSERT_TRUE(m_list.clearAll());
    EXPECT_EQ(m_dialogs.messages().at(0).title, QStringLiteral("清空所有公式"));
    EXPECT_EQ(m_dialogs.messages().at(0).text, QStringLiteral("清空所有公式后将无法恢复，是否清空所有类别的公式？"));
    EXPECT_EQ(m_list.rowCount(), 0);
    for (const FormulaKind& k : kAllKinds) {
        EXPECT_EQ(m_store.count(k), 0);
    }
}

TEST_F(FormulaListTest, BothSensesInOneTableKeepFlagsAndFiguresWithTheirFormulas)
{
    // Stored: 1 kill, 2 keep, 3 kill, 4 keep, 5 kill. The kill list shows idx 1, 3, 5.
    m_store.appendFormula(k2G, "L1A", "k1", true);
    m_store.appendFormula(k2G, "L2A", "p2", false);
    m_store.appendFormula(k2G, "L2A", "k3", true);
    m_store.appendFormula(k2G, "L3A", "p4", false);
    m_store.appendFormula(k2G, "L3A+1", "k5", true);
    m_list.loadFormulas(k2G, true);
    m_list.toggleRow(1); // k3 unselected

    ASSERT_TRUE(m_list.deleteFormulaAt(0)); // k1
    // The table is now p2, k3, p4, k5 as 1..4: the kill list is idx 2 and 4, k3 still unselected.
    EXPECT_EQ(idxs(), (std::vector<int>{2, 4}));
    EXPECT_EQ(m_list.row(0).formula.displayText, QStringLiteral("k3"));
    EXPECT_FALSE(m_list.rowSelected(0));
    EXPECT_TRUE(m_list.rowSelected(1));

    // Figures of the kill list go to the kill rows; the keep rows keep theirs.
    m_store.writeFigures(k2G, false, {{1, FormulaStats{77.0f, 7, 7, 7, 0}}, {3, FormulaStats{33.0f, 3, 3, 0, 3}}});
    m_list.statisticsPass(sevenDraws(), PassSettings{FigureSettings{0, true, false}, false, DisplayColumn::NextIssue});
    const auto all = m_store.listAll(k2G);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_FLOAT_EQ(all[0].stats.rate, 77.0f);
    EXPECT_FLOAT_EQ(all[2].stats.rate, 33.0f);
    EXPECT_EQ(all[1].displayText, QStringLiteral("k3"));
    EXPECT_FLOAT_EQ(all[1].stats.rate, m_list.row(0).formula.stats.rate);
    EXPECT_EQ(all[1].stats.errCon, m_list.row(0).formula.stats.errCon);
    EXPECT_EQ(all[3].displayText, QStringLiteral("k5"));
    EXPECT_FLOAT_EQ(all[3].stats.rate, m_list.row(1).formula.stats.rate);
    EXPECT_NE(m_list.row(0).formula.stats.rate, m_list.row(1).formula.stats.rate);
}

// Issue 24 item 18: a formula an earlier version stored that the engine cannot take (30 000 nested
// parentheses) crashed every start while the list compiled it. It loads as a formula that cannot be
// computed, named once in a message, and can be deleted.
TEST_F(FormulaListTest, AStoredFormulaTheEngineRefusesLoadsAsUnevaluableAndIsNamedOnce)
{
    const QString deep =
        QStringLiteral("(").repeated(30000) + QStringLiteral("L1A") + QStringLiteral(")").repeated(30000);
    m_store.appendFormula(k3D, QStringLiteral("L1A"), QStringLiteral("百位码=下期杀 百位单选"), true);
    m_store.appendFormula(k3D, deep, deep + QStringLiteral("=下期杀 百位单选"), true);
    m_store.appendFormula(k3D, QStringLiteral("L1A+LTW"), QStringLiteral("百位码+跨度合=下期杀 百位单选"), true);
    m_list.loadFormulas(k3D, true);
    ASSERT_EQ(m_list.rowCount(), 3);
    EXPECT_TRUE(m_list.row(0).evaluable);
    EXPECT_FALSE(m_list.row(1).evaluable);
    EXPECT_TRUE(m_list.row(1).error.contains(QStringLiteral("公式太长"))) << m_list.row(1).error.toStdString();
    EXPECT_FALSE(m_list.row(2).evaluable);

    const auto messages = m_dialogs.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("公式无法计算"));
    EXPECT_EQ(messages[0].icon, Dialogs::Icon::Warning);
    const QString& text = messages[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("百位单选杀公式中有 2 条无法计算"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("第 2 条「((((("))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("公式太长（60003 个字符）"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("第 3 条「百位码+跨度合=下期杀 百位单选」"))) << text.toStdString();
    EXPECT_LT(text.size(), 600);

    // The pass counts it as missing every draw; a rebuild, or a switch away and back, names nothing again.
    m_list.statisticsPass(sevenDraws(), PassSettings{FigureSettings{0, true, false}, false, DisplayColumn::NextIssue});
    EXPECT_EQ(m_list.cellText(1, FormulaList::ColNextValue, true), QStringLiteral("无法计算"));
    EXPECT_EQ(m_list.cellText(1, FormulaList::ColRate, true), QStringLiteral("00.0000% (0/6)"));
    m_list.reloadKeepingSelection();
    m_list.loadFormulas(k2G, true);
    m_list.loadFormulas(k3D, true);
    EXPECT_EQ(m_dialogs.messages().size(), 1u);

    // Deleted like any formula.
    ASSERT_TRUE(m_list.deleteFormulaAt(1));
    EXPECT_EQ(shown(), (std::vector<std::string>{"L1A*", "L1A+LTW*"}));
    EXPECT_EQ(m_dialogs.messages().size(), 1u);
}

TEST_F(FormulaListTest, StatisticsPassFiguresNextValuesAndWriteBack)
{
    m_store.appendFormula(k3D, "L1A", "百位码", true);
    m_store.appendFormula(k3D, "LTW+1", "跨度合+1", true); // no such column: cannot be computed
    m_store.appendFormula(k3D, "L1A+1", "百位码+1", true);
    m_list.loadFormulas(k3D, true);
    m_list.toggleRow(2);
    const HistorySnapshot snap = sevenDraws();

    SignalCount figures(&m_list, &FormulaList::figuresChanged);
    m_list.statisticsPass(snap, PassSettings{FigureSettings{0, true, true}, false, DisplayColumn::NextIssue});
    EXPECT_EQ(figures.count(), 1);
    // hit, hit, miss, hit, hit, hit: weighted 1+4+16+25+36 of 91.
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColRate, true), QStringLiteral("90.1099% (82/91)"));
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColErrCon, true), QStringLiteral("1"));
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColTrueCon, true), QStringLiteral("3"));
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColErrLst, true), QStringLiteral("0"));
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColTrueLst, true), QStringLiteral("3"));
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColNextValue, true), QStringLiteral("5"));
    // The formula that cannot be computed does not inherit the first one's values: every draw a miss.
    EXPECT_FALSE(m_list.row(1).evaluable);
    EXPECT_EQ(m_list.cellText(1, FormulaList::ColRate, true), QStringLiteral("00.0000% (0/91)"));
    EXPECT_EQ(m_list.cellText(1, FormulaList::ColErrCon, true), QStringLiteral("6"));
    EXPECT_EQ(m_list.cellText(1, FormulaList::ColNextValue, true), QStringLiteral("无法计算"));
    // Unselected: no 计算值. L1A+1 predicts the previous hundreds digit plus one, which is the next hundreds
    // digit except after 2, 2: miss, miss, hit, miss, miss, miss.
    EXPECT_EQ(m_list.cellText(2, FormulaList::ColNextValue, true), QString());
    EXPECT_EQ(m_list.row(2).next, 6);
    EXPECT_EQ(m_list.cellText(2, FormulaList::ColTrueCon, true), QStringLiteral("1"));
    EXPECT_EQ(m_list.cellText(2, FormulaList::ColErrLst, true), QStringLiteral("3"));

    // Written back by idx.
    const auto stored = m_store.list(k3D, true);
    EXPECT_NEAR(stored[0].stats.rate, 90.1099f, 1e-4f);
    EXPECT_EQ(stored[0].stats.trueLst, 3);
    EXPECT_EQ(stored[1].stats.errCon, 6);
    EXPECT_EQ(stored[2].stats.errLst, 3);

    // Unweighted, and a window of the newest 4 draws with SyBq on: miss, hit, hit, hit.
    m_list.statisticsPass(snap, PassSettings{FigureSettings{0, true, false}, false, DisplayColumn::NextIssue});
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColRate, true), QStringLiteral("83.3333% (5/6)"));
    m_list.statisticsPass(snap, PassSettings{FigureSettings{4, true, false}, false, DisplayColumn::NextIssue});
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColRate, true), QStringLiteral("75.0000% (3/4)"));
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColErrCon, true), QStringLiteral("1"));
    // SyBq off: one draw more (hit, miss, hit, hit, hit).
    m_list.statisticsPass(snap, PassSettings{FigureSettings{4, false, false}, false, DisplayColumn::NextIssue});
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColRate, true), QStringLiteral("80.0000% (4/5)"));

    // After passes that changed some rows and left others, the table holds what the last pass computed.
    const auto last = m_store.list(k3D, true);
    ASSERT_EQ(last.size(), 3u);
    for (std::size_t r = 0; r < last.size(); ++r) {
        SCOPED_TRACE(r);
        const FormulaStats& shown = m_list.row(static_cast<int>(r)).formula.stats;
        EXPECT_EQ(last[r].stats.rate, shown.rate);
        EXPECT_EQ(last[r].stats.errCon, shown.errCon);
        EXPECT_EQ(last[r].stats.trueCon, shown.trueCon);
        EXPECT_EQ(last[r].stats.errLst, shown.errLst);
        EXPECT_EQ(last[r].stats.trueLst, shown.trueLst);
    }
    EXPECT_FLOAT_EQ(last[0].stats.rate, 80.0f);
}

TEST_F(FormulaListTest, PerDrawDisplayAtTheNextAndAtTheCurrentIssue)
{
    m_store.appendFormula(k3D, "L1A", "百位码", true);
    m_list.loadFormulas(k3D, true);
    const HistorySnapshot snap = sevenDraws();
    m_list.statisticsPass(snap, PassSettings{FigureSettings{300, true, true}, false, DisplayColumn::NextIssue});
    EXPECT_FALSE(m_list.hasPerDraw());

    m_list.statisticsPass(snap, PassSettings{FigureSettings{300, true, true}, true, DisplayColumn::NextIssue});
    ASSERT_TRUE(m_list.hasPerDraw());
    ASSERT_EQ(m_list.perDrawRowCount(), 7);
    const PerDrawColumn& next = m_list.perDraw(0);
    // Each draw shows the value predicted for it (the previous hundreds digit) and its own verdict.
    const std::vector<std::optional<int>> nextValues = {std::nullopt, 0, 1, 2, 2, 3, 4};
    const std::vector<DrawMark> nextMarks = {DrawMark::Miss, DrawMark::Hit, DrawMark::Hit, DrawMark::Miss,
                                             DrawMark::Hit,  DrawMark::Hit, DrawMark::Hit};
    for (int d = 0; d < 7; ++d) {
        EXPECT_EQ(next.valueAt(d), nextValues[std::size_t(d)]) << d;
        EXPECT_EQ(next.mark[std::size_t(d)], nextMarks[std::size_t(d)]) << d;
    }
    // The window of 300 holds all seven draws, the first (no prediction) as a miss: weights 1..49, hits on
    // draws 2, 3, 5, 6, 7.
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColRate, true), QStringLiteral("87.8571% (123/140)"));

    m_list.statisticsPass(snap, PassSettings{FigureSettings{300, true, true}, true, DisplayColumn::CurrentIssue});
    const PerDrawColumn& current = m_list.perDraw(0);
    // Each draw shows its own value, coloured by whether it hit the following draw; the newest has no verdict.
    const std::vector<DrawMark> currentMarks = {DrawMark::Hit, DrawMark::Hit, DrawMark::Miss, DrawMark::Hit,
                                                DrawMark::Hit, DrawMark::Hit, DrawMark::None};
    for (int d = 0; d < 7; ++d) {
        EXPECT_EQ(current.valueAt(d), std::vector<int>({0, 1, 2, 2, 3, 4, 5})[std::size_t(d)]) << d;
        EXPECT_EQ(current.mark[std::size_t(d)], currentMarks[std::size_t(d)]) << d;
    }
    EXPECT_EQ(FormulaList::perDrawHeader(0), QStringLiteral("公式1"));
    EXPECT_EQ(FormulaList::perDrawHeader(98), QStringLiteral("公式99"));
    EXPECT_EQ(FormulaList::perDrawHeader(99), QStringLiteral("式100"));
}

TEST_F(FormulaListTest, LightPassComputesCurrentRunAndNextValueOfSelectedOnly)
{
    m_store.appendFormula(k3D, "L1A", "百位码", true);
    m_store.appendFormula(k3D, "L1A+1", "百位码+1", true);
    m_list.loadFormulas(k3D, true);
    m_list.toggleRow(1);
    const auto before = m_store.list(k3D, true);
    const auto result = m_list.lightPass(sevenDraws(), FigureSettings{0, true, true});
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result[0].idx, 1);
    EXPECT_EQ(result[0].trueLst, 3);
    EXPECT_EQ(result[0].next, 5);
    EXPECT_EQ(result[1].trueLst, 0);
    EXPECT_EQ(result[1].next, std::nullopt);
    // Nothing shown, nothing written.
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColNextValue, true), QString());
    EXPECT_EQ(m_store.list(k3D, true)[0].stats.trueLst, before[0].stats.trueLst);
}

TEST_F(FormulaListTest, NextValueClickHighlightsEqualValues)
{
    m_store.appendFormula(k3D, "L1A", "a", true);    // 5
    m_store.appendFormula(k3D, "L1A+1", "b", true);  // 6
    m_store.appendFormula(k3D, "L1A+10", "c", true); // 5
    m_list.loadFormulas(k3D, true);
    m_list.statisticsPass(sevenDraws(), PassSettings{});
    EXPECT_EQ(m_list.nextValueMark(0), NextValueMark::None);
    m_list.markNextValue(2);
    EXPECT_EQ(m_list.nextValueMark(0), NextValueMark::Match);
    EXPECT_EQ(m_list.nextValueMark(1), NextValueMark::Other);
    EXPECT_EQ(m_list.nextValueMark(2), NextValueMark::Match);
}

TEST_F(FormulaListTest, ColumnsOfTheList)
{
    // The eleven columns of the list keep their places; the chance figures follow at the right end.
    EXPECT_EQ(FormulaList::ColIdx, 10);
    EXPECT_EQ(FormulaList::ColumnCount, 15);
    EXPECT_EQ(FormulaList::columnHeader(FormulaList::ColBaseline, true), QStringLiteral("随机基准"));
    EXPECT_EQ(FormulaList::columnHeader(FormulaList::ColExcess, true), QStringLiteral("超出基准"));
    EXPECT_EQ(FormulaList::columnHeader(FormulaList::ColSignificance, true), QStringLiteral("显著性"));
    EXPECT_EQ(FormulaList::columnHeader(FormulaList::ColForward, true), QStringLiteral("入库后"));
    EXPECT_EQ(FormulaList::columnHeader(FormulaList::ColRate, true), QStringLiteral("正确率（加权算法）"));
    EXPECT_EQ(FormulaList::columnHeader(FormulaList::ColRate, false), QStringLiteral("正确率"));
    EXPECT_EQ(FormulaList::columnHeader(FormulaList::ColNumber, true), QStringLiteral("序号"));
    EXPECT_EQ(FormulaList::columnHeader(FormulaList::ColIdx, true), QStringLiteral("idx"));
    EXPECT_EQ(FormulaList::columnWidthTwips(FormulaList::ColFormula), 4800);
    EXPECT_EQ(FormulaList::columnWidthTwips(FormulaList::ColRate), 2800);
    EXPECT_EQ(FormulaList::columnWidthTwips(FormulaList::ColIdx), 0);
    // Every column but the hidden idx has a width of its own: a width of 0 hides the column.
    for (int c = 0; c < FormulaList::ColumnCount; ++c) {
        if (c != FormulaList::ColIdx) {
            EXPECT_GT(FormulaList::columnWidthTwips(c), 0) << "column " << c << " has no width";
        }
    }
    EXPECT_EQ(FormulaList::columnWidthTwips(FormulaList::ColumnCount), 0);

    m_store.appendFormula(k2G, "L1A+L2A", QStringLiteral("百位码+十位码=下期生 十位通选"), false);
    m_list.loadFormulas(k2G, false);
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColFormula, true), QStringLiteral("百位码+十位码=下期生 十位通选"));
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColFormula, false), QStringLiteral("L1A+L2A"));
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColKind, true), QStringLiteral("十位通选"));
    EXPECT_EQ(m_list.cellText(0, FormulaList::ColSense, true), QStringLiteral("生"));
    EXPECT_EQ(m_list.topRowAfterFill(), -1);
    for (int i = 0; i < 29; ++i) {
        m_store.appendFormula(k2G, "L1A", "x", false);
    }
    m_list.loadFormulas(k2G, false);
    EXPECT_EQ(m_list.topRowAfterFill(), 29);
}

TEST_F(FormulaListTest, AFailedDeleteIsToldAndChangesNothing)
{
    addFive();
    m_db.sql().exec("CREATE TRIGGER nodel BEFORE DELETE ON Gongshi3D BEGIN SELECT RAISE(ABORT, 'locked'); END");
    SignalCount changed(&m_list, &FormulaList::formulasChanged);
    EXPECT_FALSE(m_list.deleteFormulaAt(0));
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].icon, Dialogs::Icon::Critical);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(m_store.count(k3D), 5);
    EXPECT_EQ(m_list.rowCount(), 5);
}

// The pass over a long list on several threads gives every figure of the one-thread pass, row by row: rate,
// runs, chance and forward figures, next value and the per-draw display.
TEST_F(FormulaListTest, ParallelStatisticsPassEqualsTheSequentialOne)
{
    const HistorySnapshot snap = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 600));
    // Kill formulas of several shapes (plain sums, differences, multiples, real division, MOD), a few keep
    // formulas that the kill list leaves out.
    const QStringList shapes = {QStringLiteral("L1A+L2B+%1"), QStringLiteral("L1A-L3C*%1"),
                                QStringLiteral("(L2A+LH)*%1-7"), QStringLiteral("L1A/%1+L2B"),
                                QStringLiteral("LH MOD %1+L3A")};
    std::vector<Formula> formulas;
    for (int i = 0; i < 1203; ++i) {
        Formula f;
        f.expressionText = shapes[i % shapes.size()].arg(i % 7 + 1);
        f.kill = i % 100 != 0;
        formulas.push_back(f);
    }
    m_store.appendFormulas(k3D, formulas);
    m_list.loadFormulas(k3D, true);
    ASSERT_GT(m_list.rowCount(), 1000);
    m_list.setSelected(m_list.idxOfRow(3), false);
    const auto pass = [&](int threads, bool display) {
        PassSettings settings{FigureSettings{300, true, true}, display, DisplayColumn::NextIssue};
        settings.threads = threads;
        m_list.statisticsPass(snap, settings);
        std::vector<std::string> out;
        for (int r = 0; r < m_list.rowCount(); ++r) {
            const FormulaListRow& row = m_list.row(r);
            const FormulaStats& st = row.formula.stats;
            std::string line =
                std::to_string(st.hitSum) + '/' + std::to_string(st.total) + ' ' + std::to_string(st.rate) + ' ' +
                std::to_string(st.errCon) + ' ' + std::to_string(st.trueCon) + ' ' + std::to_string(st.errLst) + ' ' +
                std::to_string(st.trueLst) + ' ' + row.nextValueText.toStdString() + ' ' +
                std::to_string(row.chance.named) + ' ' + std::to_string(row.chance.noDigit) + ' ' +
                std::to_string(row.chance.baseline) + ' ' +
                (row.forward ? std::to_string(row.forward->hits) + '/' + std::to_string(row.forward->draws)
                             : std::string("-"));
            if (display) {
                line += ' ';
                for (const std::int8_t v : m_list.perDraw(r).value) {
                    line += static_cast<char>('0' + v % 64);
                }
                for (const DrawMark m : m_list.perDraw(r).mark) {
                    line += m == DrawMark::Hit ? 'h' : 'm';
                }
            }
            out.push_back(line);
        }
        return out;
    };
    const auto one = pass(1, false);
    EXPECT_EQ(pass(2, false), one);
    EXPECT_EQ(pass(3, false), one);
    EXPECT_EQ(pass(0, false), one);
    ASSERT_EQ(one.size(), static_cast<std::size_t>(m_list.rowCount()));
    EXPECT_NE(one[0], one[1]); // the formulas do differ
    // With the per-draw display every formula takes the general evaluation: the same figures, and the grid
    // the same on any number of threads.
    const auto shown = pass(1, true);
    EXPECT_EQ(pass(2, true), shown);
    for (std::size_t r = 0; r < one.size(); ++r) {
        EXPECT_EQ(shown[r].substr(0, one[r].size() + 1), one[r] + ' ') << "row " << r;
    }
    EXPECT_TRUE(m_list.row(3).nextValueText.isEmpty()); // an unselected row shows no value on any thread
}
