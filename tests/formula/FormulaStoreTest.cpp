#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"

#include <QTemporaryDir>

#include <SQLiteCpp/Statement.h>

#include <gtest/gtest.h>

using namespace korvel;

namespace {

const FormulaKind k3D{3, Play::Single};
const FormulaKind k2G{2, Play::Group};

class FormulaStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_EQ(m_db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Created);
    }

    // The stored rows as "idx:gongshi" in stored order.
    std::vector<std::string> stored(const FormulaKind& kind)
    {
        std::vector<std::string> rows;
        SQLite::Statement q(m_db.sql(),
                            "SELECT idx, gongshi FROM " + kind.tableName().toStdString() + " ORDER BY rowid");
        while (q.executeStep()) {
            rows.push_back(std::to_string(q.getColumn(0).getInt()) + ":" + q.getColumn(1).getString());
        }
        return rows;
    }

    void addFive(const FormulaKind& kind)
    {
        for (int i = 1; i <= 5; ++i) {
            m_store.appendFormula(kind, QStringLiteral("L1A+%1").arg(i), QStringLiteral("百位码+%1").arg(i), true);
        }
    }

    QTemporaryDir m_dir;
    Database m_db;
    FormulaStore m_store{m_db};
};

} // namespace

TEST_F(FormulaStoreTest, AppendNumbersRowsByTheRowCountUnlessTheLastIdxIsBelowOne)
{
    EXPECT_EQ(m_store.appendFormula(k3D, "L1A", "百位码", true), 1);
    EXPECT_EQ(m_store.appendFormula(k3D, "L2A", "十位码", false), 2);
    EXPECT_EQ(m_store.appendFormula(k3D, "L3A", "个位码", true), 3);

    // A last row without a number (as left by an outside writer) restarts at 1.
    m_db.sql().exec("UPDATE Gongshi3D SET idx = NULL WHERE gongshi = 'L3A'");
    EXPECT_EQ(m_store.appendFormula(k3D, "LH", "和数", true), 1);
    m_db.sql().exec("UPDATE Gongshi3D SET idx = 0 WHERE gongshi = 'LH'");
    EXPECT_EQ(m_store.appendFormula(k3D, "LT", "跨度", true), 1);
    // A numbered last row: rows + 1, whatever the numbers before it.
    EXPECT_EQ(m_store.appendFormula(k3D, "LI", "和个位", true), 6);

    const auto kill = m_store.list(k3D, true);
    const auto keep = m_store.list(k3D, false);
    EXPECT_EQ(kill.size(), 5u);
    ASSERT_EQ(keep.size(), 1u);
    EXPECT_EQ(keep[0].expressionText, "L2A");
    EXPECT_EQ(keep[0].displayText, "十位码");
    EXPECT_FALSE(keep[0].kill);
    EXPECT_EQ(m_store.count(k3D), 6);
    EXPECT_EQ(m_store.count(k3D, false), 1);
    // Other tables are untouched.
    EXPECT_EQ(m_store.count(k2G), 0);
}

TEST_F(FormulaStoreTest, ListIsInIdxOrderAndReadsUnwrittenStatisticsAsZero)
{
    m_store.appendFormula(k3D, "A", "a", true);
    m_store.appendFormula(k3D, "B", "b", true);
    m_store.appendFormula(k3D, "C", "c", true);
    m_db.sql().exec("UPDATE Gongshi3D SET idx = 4 - idx");
    const auto rows = m_store.list(k3D, true);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].expressionText, "C");
    EXPECT_EQ(rows[0].idx, 1);
    EXPECT_EQ(rows[2].expressionText, "A");
    EXPECT_EQ(rows[1].stats.rate, 0.0f);
    EXPECT_EQ(rows[1].stats.trueCon, 0);
}

TEST_F(FormulaStoreTest, ListOrdersByIdxWithoutNumberFirstAndTiesInStoredOrder)
{
    for (const char* text : {"A", "B", "C", "D", "E"}) {
        m_store.appendFormula(k3D, text, text, true);
    }
    m_db.sql().exec("UPDATE Gongshi3D SET idx = CASE gongshi WHEN 'A' THEN 2 WHEN 'B' THEN NULL WHEN 'C' THEN 1 "
                    "WHEN 'D' THEN 2 ELSE -1 END");
    std::vector<std::string> order;
    for (const Formula& f : m_store.list(k3D, true)) {
        order.push_back(f.expressionText.toStdString());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"B", "E", "C", "A", "D"}));
    EXPECT_EQ(m_store.listAll(k3D).front().idx, 0); // no number reads as 0
}

TEST_F(FormulaStoreTest, DeleteRenumbersInStoredOrder)
{
    addFive(k3D);
    const Renumbering r = m_store.deleteFormula(k3D, 3);
    EXPECT_EQ(r.deleted, 1);
    EXPECT_EQ(stored(k3D), (std::vector<std::string>{"1:L1A+1", "2:L1A+2", "3:L1A+4", "4:L1A+5"}));
    ASSERT_EQ(r.moves.size(), 4u);
    EXPECT_EQ(r.moves[2].from, 4);
    EXPECT_EQ(r.moves[2].to, 3);
    EXPECT_EQ(r.moves[3].from, 5);
    EXPECT_EQ(r.moves[3].to, 4);

    // Several at once; an idx that is not there changes nothing.
    EXPECT_EQ(m_store.deleteFormulas(k3D, {1, 4, 99}).deleted, 2);
    EXPECT_EQ(stored(k3D), (std::vector<std::string>{"1:L1A+2", "2:L1A+4"}));
    EXPECT_EQ(m_store.deleteFormula(k3D, 99).deleted, 0);
    EXPECT_EQ(stored(k3D), (std::vector<std::string>{"1:L1A+2", "2:L1A+4"}));
}

TEST_F(FormulaStoreTest, RenumberFollowsStoredOrderNotTheOldNumbers)
{
    addFive(k3D);
    m_db.sql().exec("UPDATE Gongshi3D SET idx = 10 * (6 - idx)");
    m_store.renumber(k3D);
    EXPECT_EQ(stored(k3D), (std::vector<std::string>{"1:L1A+1", "2:L1A+2", "3:L1A+3", "4:L1A+4", "5:L1A+5"}));
}

TEST_F(FormulaStoreTest, ClearAllEmptiesEveryTable)
{
    for (const FormulaKind& k : kAllKinds) {
        m_store.appendFormula(k, "L1A", "百位码", true);
    }
    m_store.clearAll();
    for (const FormulaKind& k : kAllKinds) {
        EXPECT_EQ(m_store.count(k), 0) << k.tableName().toStdString();
    }
}

TEST_F(FormulaStoreTest, RebuildKeepsTheFirstOfEqualRowsResetsFiguresAndNumbersOneToN)
{
    m_store.appendFormula(k3D, "L1A+1", "百位码+1", true);        // kept
    m_store.appendFormula(k3D, "L1A+2", "百位码+2", true);        // kept
    m_store.appendFormula(k3D, "L1A+1", "百位码+1", true);        // duplicate of the first
    m_store.appendFormula(k3D, "L1A+1", "百位码+1", false);       // other sense: kept
    m_store.appendFormula(k3D, "L1A+1", "[百位单选]L1A+1", true); // other Chinese text: kept
    m_store.appendFormula(k3D, "L1A+2", "百位码+2", true);        // duplicate of the second
    m_store.writeFigures(k3D, true, {{1, FormulaStats{55.5f, 3, 4, 0, 2}}, {2, FormulaStats{12.0f, 1, 1, 1, 0}}});
    m_db.sql().exec("UPDATE Gongshi3D SET idx = 7 WHERE rowid = 1");

    EXPECT_EQ(m_store.rebuild(k3D), 4);
    EXPECT_EQ(stored(k3D), (std::vector<std::string>{"1:L1A+1", "2:L1A+2", "3:L1A+1", "4:L1A+1"}));
    for (const Formula& f : m_store.listAll(k3D)) {
        EXPECT_EQ(f.stats.rate, 0.0f);
        EXPECT_EQ(f.stats.errCon, 0);
        EXPECT_EQ(f.stats.trueCon, 0);
        EXPECT_EQ(f.stats.trueLst, 0);
    }
    SQLite::Statement nulls(m_db.sql(),
                            "SELECT count(*) FROM Gongshi3D WHERE sglGsRate IS NULL AND intGsTrueLst IS NULL");
    nulls.executeStep();
    EXPECT_EQ(nulls.getColumn(0).getInt(), 4);

    // A second rebuild changes nothing.
    EXPECT_EQ(m_store.rebuild(k3D), 4);
    EXPECT_EQ(stored(k3D), (std::vector<std::string>{"1:L1A+1", "2:L1A+2", "3:L1A+1", "4:L1A+1"}));
}

TEST_F(FormulaStoreTest, FiguresAreWrittenByIdxAndSenseInATableHoldingBothSenses)
{
    // idx 1 kill, 2 keep, 3 kill, 4 keep: the kill list is idx 1 and 3 at list positions 1 and 2.
    m_store.appendFormula(k2G, "K1", "k1", true);
    m_store.appendFormula(k2G, "P2", "p2", false);
    m_store.appendFormula(k2G, "K3", "k3", true);
    m_store.appendFormula(k2G, "P4", "p4", false);
    m_store.writeFigures(k2G, true, {{1, FormulaStats{10.5f, 1, 2, 3, 0}}, {3, FormulaStats{30.25f, 5, 6, 0, 7}}});
    m_store.writeFigures(k2G, false, {{2, FormulaStats{20.0f, 9, 9, 9, 0}}});

    const auto all = m_store.listAll(k2G);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].expressionText, "K1");
    EXPECT_FLOAT_EQ(all[0].stats.rate, 10.5f);
    EXPECT_EQ(all[0].stats.errLst, 3);
    EXPECT_EQ(all[1].expressionText, "P2");
    EXPECT_FLOAT_EQ(all[1].stats.rate, 20.0f);
    EXPECT_EQ(all[2].expressionText, "K3");
    EXPECT_FLOAT_EQ(all[2].stats.rate, 30.25f);
    EXPECT_EQ(all[2].stats.trueLst, 7);
    EXPECT_EQ(all[3].expressionText, "P4");
    EXPECT_EQ(all[3].stats.rate, 0.0f);

    // An idx of the other sense is not overwritten.
    m_store.writeFigures(k2G, true, {{2, FormulaStats{99.0f, 1, 1, 1, 1}}});
    EXPECT_FLOAT_EQ(m_store.listAll(k2G)[1].stats.rate, 20.0f);
}

TEST_F(FormulaStoreTest, AWriteBackTouchesOnlyTheRowsWhoseFiguresChanged)
{
    addFive(k3D);
    const std::vector<StoredFigures> figures = {{1, FormulaStats{50.0f, 1, 2, 0, 2}},
                                                {2, FormulaStats{43.3333f, 2, 2, 1, 0}},
                                                {3, FormulaStats{0.0f, 0, 0, 0, 0}}};
    const auto changesOf = [&](const std::vector<StoredFigures>& f) {
        const int before = m_db.sql().getTotalChanges();
        m_store.writeFigures(k3D, true, f);
        return m_db.sql().getTotalChanges() - before;
    };
    // Never written: every row is written, even one whose figures are all zero (its columns were empty).
    EXPECT_EQ(changesOf(figures), 3);
    EXPECT_EQ(m_db.sql().execAndGet("SELECT count(*) FROM Gongshi3D WHERE sglGsRate IS NOT NULL").getInt(), 3);
    // The same figures again: nothing to write.
    EXPECT_EQ(changesOf(figures), 0);
    // One run changed: that row alone, and the table holds the new figures.
    std::vector<StoredFigures> next = figures;
    next[1].stats.errLst = 2;
    EXPECT_EQ(changesOf(next), 1);
    const auto rows = m_store.list(k3D, true);
    EXPECT_FLOAT_EQ(rows[0].stats.rate, 50.0f);
    EXPECT_FLOAT_EQ(rows[1].stats.rate, 43.3333f);
    EXPECT_EQ(rows[1].stats.errLst, 2);
    EXPECT_EQ(rows[2].stats.trueCon, 0);
}

TEST_F(FormulaStoreTest, AWriteBackOfManyRowsStoresEachRowsOwnFigures)
{
    // More rows than one statement writes, so that whole groups and a last partial one are written.
    constexpr int kRows = 300;
    std::vector<Formula> formulas(kRows);
    for (int i = 0; i < kRows; ++i) {
        formulas[static_cast<std::size_t>(i)].expressionText = QStringLiteral("L1A+%1").arg(i);
        formulas[static_cast<std::size_t>(i)].displayText = QStringLiteral("[个位单选杀]百位码+%1").arg(i);
    }
    ASSERT_EQ(m_store.appendFormulas(k3D, formulas).size(), formulas.size());
    const auto figuresOf = [](int idx, int round) {
        return FormulaStats{static_cast<float>(idx) * 0.25f + static_cast<float>(round),
                            static_cast<std::int16_t>(idx % 50), static_cast<std::int16_t>(idx % 7 + round),
                            static_cast<std::int16_t>(idx % 3), static_cast<std::int16_t>(idx % 11)};
    };
    std::vector<StoredFigures> figures;
    for (int idx = 1; idx <= kRows; ++idx) {
        figures.push_back({idx, figuresOf(idx, 0)});
    }
    m_store.writeFigures(k3D, true, figures);
    // A second round changes every third row only.
    for (StoredFigures& f : figures) {
        if (f.idx % 3 == 0) {
            f.stats = figuresOf(f.idx, 1);
        }
    }
    const int before = m_db.sql().getTotalChanges();
    m_store.writeFigures(k3D, true, figures);
    EXPECT_EQ(m_db.sql().getTotalChanges() - before, kRows / 3);
    const auto rows = m_store.listAll(k3D);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRows));
    for (const Formula& f : rows) {
        const FormulaStats want = figuresOf(f.idx, f.idx % 3 == 0 ? 1 : 0);
        EXPECT_EQ(f.expressionText, QStringLiteral("L1A+%1").arg(f.idx - 1));
        EXPECT_FLOAT_EQ(f.stats.rate, want.rate) << f.idx;
        EXPECT_EQ(f.stats.errCon, want.errCon) << f.idx;
        EXPECT_EQ(f.stats.trueCon, want.trueCon) << f.idx;
        EXPECT_EQ(f.stats.errLst, want.errLst) << f.idx;
        EXPECT_EQ(f.stats.trueLst, want.trueLst) << f.idx;
    }
}

TEST_F(FormulaStoreTest, AFailedWriteBackLeavesTheTableAsItWas)
{
    addFive(k3D);
    m_store.writeFigures(k3D, true, {{1, FormulaStats{1.0f, 1, 1, 1, 1}}, {2, FormulaStats{2.0f, 2, 2, 2, 2}}});
    // A trigger makes the write of idx 4 fail after idx 3 has been written.
    m_db.sql().exec("CREATE TRIGGER fail4 BEFORE UPDATE ON Gongshi3D WHEN NEW.idx = 4 AND NEW.sglGsRate = 44 "
                    "BEGIN SELECT RAISE(ABORT, 'disk says no'); END");
    EXPECT_THROW(m_store.writeFigures(k3D, true,
                                      {{1, FormulaStats{11.0f, 0, 0, 0, 0}},
                                       {3, FormulaStats{33.0f, 0, 0, 0, 0}},
                                       {4, FormulaStats{44.0f, 0, 0, 0, 0}}}),
                 std::exception);
    const auto rows = m_store.list(k3D, true);
    EXPECT_FLOAT_EQ(rows[0].stats.rate, 1.0f);
    EXPECT_FLOAT_EQ(rows[1].stats.rate, 2.0f);
    EXPECT_EQ(rows[2].stats.rate, 0.0f);

    // Same for a multi-row delete: nothing is deleted, nothing renumbered.
    m_db.sql().exec("CREATE TRIGGER faildel BEFORE DELETE ON Gongshi3D WHEN OLD.idx = 5 "
                    "BEGIN SELECT RAISE(ABORT, 'disk says no'); END");
    EXPECT_THROW(m_store.deleteFormulas(k3D, {2, 5}), std::exception);
    EXPECT_EQ(stored(k3D), (std::vector<std::string>{"1:L1A+1", "2:L1A+2", "3:L1A+3", "4:L1A+4", "5:L1A+5"}));
}

TEST_F(FormulaStoreTest, TextWithQuotesIsStoredVerbatimAndOnlySchemaTablesAreNamed)
{
    const QString nasty = QStringLiteral("1'); DROP TABLE Lishi; --");
    m_store.appendFormula(k3D, nasty, nasty, true);
    EXPECT_EQ(m_store.list(k3D, true).at(0).expressionText, nasty);
    EXPECT_TRUE(schema::isKorvel(m_db.sql()));
    EXPECT_THROW(FormulaStore::tableOf(FormulaKind{1, Play::Group}), std::invalid_argument);
    EXPECT_THROW(m_store.list(FormulaKind{4, Play::Single}, true), std::invalid_argument);
}

TEST_F(FormulaStoreTest, SeveralAppendsInOneGoFollowTheSameNumbering)
{
    m_store.appendFormula(k3D, "A", "a", true);
    std::vector<Formula> more(3);
    more[0].expressionText = "B";
    more[1].expressionText = "C";
    more[1].kill = false;
    more[2].expressionText = "D";
    EXPECT_EQ(m_store.appendFormulas(k3D, more), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(m_store.appendFormulas(FormulaKind{1, Play::Single}, more), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(m_store.list(k3D, false).at(0).idx, 3);
}
