#include "verify/FormulaList.h"

#include "formula/Expression.h"
#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "history/HistorySnapshot.h"
#include "platform/Database.h"
#include "support/FakeDialogs.h"
#include "support/TestData.h"

#include <QTemporaryDir>

#include <SQLiteCpp/Database.h>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <map>

using namespace korvel;

namespace {

const FormulaKind k3D{3, Play::Single};

// What the table holds of each formula, by idx, as "rate errCon trueCon errLst trueLst".
using StoredByIdx = std::map<int, std::string>;

std::string figuresText(const FormulaStats& s)
{
    return std::to_string(s.rate) + ' ' + std::to_string(s.errCon) + ' ' + std::to_string(s.trueCon) + ' ' +
           std::to_string(s.errLst) + ' ' + std::to_string(s.trueLst);
}

class FormulaListWriteBackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_NE(m_db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
    }

    // Kill formulas of the shapes the integer path takes and of those it leaves to the general evaluation,
    // one that cannot be computed, and one of the other sense.
    void addFormulas(int count)
    {
        const QStringList shapes = {QStringLiteral("L1A+L2B+%1"),    QStringLiteral("L1A-L3C*%1"),
                                    QStringLiteral("(L2A+LH)*%1-7"), QStringLiteral("L1A/%1+L2B"),
                                    QStringLiteral("LH MOD %1+L3A"), QStringLiteral("Prev1(L1A)+%1")};
        std::vector<Formula> formulas;
        for (int i = 0; i < count; ++i) {
            Formula f;
            f.expressionText = shapes[i % shapes.size()].arg(i % 9 + 1);
            f.kill = true;
            formulas.push_back(f);
        }
        Formula broken;
        broken.expressionText = QStringLiteral("LTW+1");
        broken.kill = true;
        formulas.push_back(broken);
        Formula keep;
        keep.expressionText = QStringLiteral("L1A+L2A");
        keep.kill = false;
        formulas.push_back(keep);
        m_store.appendFormulas(k3D, formulas);
    }

    StoredByIdx stored() const
    {
        StoredByIdx out;
        for (const Formula& f : m_store.list(k3D, true)) {
            out[f.idx] = figuresText(f.stats);
        }
        return out;
    }

    // Each kill formula's figures computed afresh, one at a time by the general evaluation.
    StoredByIdx computedAfresh(const FigureSettings& settings) const
    {
        StoredByIdx out;
        for (const Formula& f : m_store.list(k3D, true)) {
            out[f.idx] =
                figuresText(formulaFigures(m_snap, Expression::compile(f.expressionText), k3D, true, settings).stats);
        }
        return out;
    }

    // Rows the connection has written since it opened.
    int rowsWritten() { return sqlite3_total_changes(m_db.sql().getHandle()); }

    static PassSettings pass(int windowDraws, bool weighted)
    {
        PassSettings p{FigureSettings{windowDraws, true, weighted}, false, DisplayColumn::NextIssue};
        p.threads = 1;
        return p;
    }

    QTemporaryDir m_dir;
    Database m_db;
    FormulaStore m_store{m_db};
    test::FakeDialogs m_dialogs;
    FormulaList m_list{m_store, m_dialogs};
    const HistorySnapshot m_snap = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 700));
};

TEST_F(FormulaListWriteBackTest, TheTableHoldsWhatAFreshComputationGives)
{
    addFormulas(60);
    // Rows stored out of idx order: the figures still go to their own formulas.
    m_db.sql().exec("UPDATE Gongshi3D SET idx = 1000 - idx WHERE bolKill <> 0 AND idx % 3 = 0");
    m_list.loadFormulas(k3D, true);
    for (const auto& [window, weighted] : {std::pair{300, true}, std::pair{0, false}, std::pair{100, true}}) {
        SCOPED_TRACE(window);
        m_list.statisticsPass(m_snap, pass(window, weighted));
        const StoredByIdx fresh = computedAfresh(pass(window, weighted).figures);
        EXPECT_EQ(stored(), fresh);
        EXPECT_EQ(fresh.size(), 61u);
    }
}

TEST_F(FormulaListWriteBackTest, OnlyChangedRowsAreWritten)
{
    addFormulas(60);
    m_list.loadFormulas(k3D, true);
    int before = rowsWritten();
    m_list.statisticsPass(m_snap, pass(300, true));
    EXPECT_EQ(rowsWritten() - before, 61); // every kill row was unwritten

    // The same pass again, and again after the list was read back from the table: nothing to write.
    before = rowsWritten();
    m_list.statisticsPass(m_snap, pass(300, true));
    m_list.loadFormulas(k3D, true);
    m_list.statisticsPass(m_snap, pass(300, true));
    EXPECT_EQ(rowsWritten() - before, 0);

    // The plain rate writes exactly the rows whose stored figures differ: not the one that cannot be
    // computed, a miss on every draw either way.
    const StoredByIdx weighted = stored();
    const StoredByIdx plain = computedAfresh(pass(300, false).figures);
    int differing = 0;
    for (const auto& [idx, text] : plain) {
        differing += weighted.at(idx) != text ? 1 : 0;
    }
    ASSERT_GT(differing, 0);
    ASSERT_LT(differing, 61);
    before = rowsWritten();
    m_list.statisticsPass(m_snap, pass(300, false));
    EXPECT_EQ(rowsWritten() - before, differing);
    EXPECT_EQ(stored(), plain);
}

TEST_F(FormulaListWriteBackTest, AReloadKeepsEveryFormulaWithItsOwnExpression)
{
    addFormulas(40);
    m_list.loadFormulas(k3D, true);
    m_list.statisticsPass(m_snap, pass(300, true));
    // Deleting renumbers and shifts rows; a changed text, an added formula equal to an earlier one.
    ASSERT_TRUE(m_list.deleteFormulaAt(2));
    ASSERT_TRUE(m_list.deleteFormulaAt(10));
    m_db.sql().exec("UPDATE Gongshi3D SET gongshi = 'L3A*2+L1B' WHERE idx = 20");
    m_store.appendFormula(k3D, QStringLiteral("L1A-L3C*2"), QString(), true);
    m_list.reloadKeepingSelection();
    m_list.statisticsPass(m_snap, pass(300, true));

    FormulaList fresh(m_store, m_dialogs);
    fresh.loadFormulas(k3D, true);
    fresh.statisticsPass(m_snap, pass(300, true));
    ASSERT_EQ(m_list.rowCount(), fresh.rowCount());
    for (int r = 0; r < fresh.rowCount(); ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(m_list.row(r).formula.expressionText, fresh.row(r).formula.expressionText);
        EXPECT_EQ(m_list.row(r).evaluable, fresh.row(r).evaluable);
        EXPECT_EQ(figuresText(m_list.row(r).formula.stats), figuresText(fresh.row(r).formula.stats));
        EXPECT_EQ(m_list.row(r).next, fresh.row(r).next);
    }
    EXPECT_EQ(stored(), computedAfresh(pass(300, true).figures));
}

} // namespace
