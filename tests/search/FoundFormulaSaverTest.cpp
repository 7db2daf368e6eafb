#include "search/FoundFormulaSaver.h"

#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <QElapsedTimer>

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

const FormulaKind k1D{1, Play::Single};
const FormulaKind k2D{2, Play::Single};
const FormulaKind k3D{3, Play::Single};
const FormulaKind k2G{2, Play::Group};

FoundFormula found(const FormulaKind& kind, const char* expressionText, const char* cn)
{
    return {QString::fromUtf8(expressionText), QString::fromUtf8(cn), kind};
}

class FoundFormulaSaverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_EQ(m_db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Created);
    }

    // "idx:gongshi:sense" in stored order.
    std::vector<std::string> rows(const FormulaKind& kind)
    {
        std::vector<std::string> out;
        SQLite::Statement q(m_db.sql(),
                            "SELECT idx, gongshi, bolKill FROM " + kind.tableName().toStdString() + " ORDER BY rowid");
        while (q.executeStep()) {
            out.push_back(std::to_string(q.getColumn(0).getInt()) + ":" + q.getColumn(1).getString() +
                          (q.getColumn(2).getInt() ? ":k" : ":s"));
        }
        return out;
    }

    // idx runs 1..n without gaps.
    void expectNumbered(const FormulaKind& kind)
    {
        const auto r = rows(kind);
        for (std::size_t i = 0; i < r.size(); ++i) {
            EXPECT_EQ(r[i].substr(0, r[i].find(':')), std::to_string(i + 1)) << kind.tableName().toStdString();
        }
    }

    QTemporaryDir m_dir;
    Database m_db;
    FormulaStore m_store{m_db};
};

TEST_F(FoundFormulaSaverTest, AppendKeepsExistingFormulasAndDropsDuplicates)
{
    m_store.appendFormula(k1D, "L1A+1", "[个位单选杀]百位码+1", true);
    m_store.appendFormula(k1D, "L2A+1", "[个位单选杀]十位码+1", true);
    // Same expression and text as the first row, but as a keep formula: not a duplicate.
    const std::vector<FoundFormula> entries = {
        found(k1D, "L1A+1", "[个位单选杀]百位码+1"), // duplicate of row 1
        found(k1D, "L3A+2", "[个位单选杀]个位码+2"), // new
        found(k1D, "L3A+2", "[个位单选杀]个位码+2"), // found twice
    };
    const SaveOutcome out = saveFoundFormulas(m_db, m_store, entries, true, SavePath::ManualAppend);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(out.written, 3);
    EXPECT_EQ(rows(k1D), (std::vector<std::string>{"1:L1A+1:k", "2:L2A+1:k", "3:L3A+2:k"}));
    // One formula is new; the duplicate of row 1 and the second 个位码+2 were there.
    EXPECT_EQ(out.added, 1);
    EXPECT_EQ(saveMessage(SavePath::ManualAppend, out),
              QStringLiteral("公式追加完毕！\n新增 1 条公式，2 条已在公式库中。"));
    // The manual append selects the formulas the table held before.
    ASSERT_EQ(out.flags.size(), 1u);
    EXPECT_EQ(out.flags[0].idxs, (std::vector<int>{1, 2}));
    EXPECT_TRUE(out.flags[0].selected);
    ASSERT_TRUE(out.lastKind.has_value());
    EXPECT_EQ(*out.lastKind, k1D);

    // The sense is the window's at saving time: the same formula saved as 生 is a row of its own.
    const SaveOutcome keep =
        saveFoundFormulas(m_db, m_store, {found(k1D, "L1A+1", "[个位单选杀]百位码+1")}, false, SavePath::ManualAppend);
    ASSERT_TRUE(keep.ok);
    EXPECT_EQ(rows(k1D).back(), "4:L1A+1:s");
    expectNumbered(k1D);
}

TEST_F(FoundFormulaSaverTest, GroupsOfTwoKindsEachRebuiltAndNumbered)
{
    m_store.appendFormula(k2G, "LH+0", "[十位通选杀]和数+0", true);
    m_store.appendFormula(k2G, "LH+0", "[十位通选杀]和数+0", true); // an old duplicate goes too
    const std::vector<FoundFormula> entries = {found(k1D, "L1A+3", "a"), found(k1D, "L2A+3", "b"),
                                               found(k2G, "LT+3", "c"), found(k2G, "LH+0", "[十位通选杀]和数+0")};
    const SaveOutcome out = saveFoundFormulas(m_db, m_store, entries, true, SavePath::ManualAppend);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(rows(k1D), (std::vector<std::string>{"1:L1A+3:k", "2:L2A+3:k"}));
    EXPECT_EQ(rows(k2G), (std::vector<std::string>{"1:LH+0:k", "2:LT+3:k"}));
    EXPECT_EQ(out.tables, (std::vector<FormulaKind>{k1D, k2G}));
    // a, b and LT+3 are new; 和数+0 was there (twice, which counts once).
    EXPECT_EQ(out.written, 4);
    EXPECT_EQ(out.added, 3);
    EXPECT_EQ(*out.lastKind, k2G);
}

TEST_F(FoundFormulaSaverTest, ReplaceEmptiesOnlyTheTablesItFills)
{
    for (const FormulaKind& k : {k1D, k2D, k3D}) {
        m_store.appendFormula(k, "L1A+9", "old", true);
        m_store.appendFormula(k, "L2A+9", "old2", true);
    }
    // Manual replace of results of 2D only; a later group of 2D (after a 3D group) adds to the first.
    const std::vector<FoundFormula> entries = {found(k2D, "LH+1", "x"), found(k2D, "LH+2", "y"),
                                               found(k3D, "LT+1", "z"), found(k2D, "LH+3", "w")};
    const SaveOutcome out = saveFoundFormulas(m_db, m_store, entries, true, SavePath::ManualReplace);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(rows(k1D), (std::vector<std::string>{"1:L1A+9:k", "2:L2A+9:k"}));
    EXPECT_EQ(rows(k2D), (std::vector<std::string>{"1:LH+1:k", "2:LH+2:k", "3:LH+3:k"}));
    EXPECT_EQ(rows(k3D), (std::vector<std::string>{"1:LT+1:k"}));
    // Manual replace selects each entry at the row count after its addition.
    ASSERT_EQ(out.flags.size(), 1u);
    EXPECT_EQ(out.flags[0].idxs, (std::vector<int>{1, 2, 1, 3}));
    EXPECT_EQ(saveMessage(SavePath::ManualReplace, out), QStringLiteral("公式更新完毕！\n写入 4 条公式，0 条重复。"));
}

TEST_F(FoundFormulaSaverTest, AutomaticPathsFlagEachEntryAsIfRebuiltAfterIt)
{
    m_store.appendFormula(k3D, "L1A+1", "p", true);
    m_store.appendFormula(k3D, "L1A+2", "q", true);
    m_store.appendFormula(k3D, "L1A+2", "q", true); // 3 rows, 2 distinct
    // Automatic append: entry 1 is added as row 4 (flag 4), the rebuild leaves 3 rows; entry 2 (a
    // duplicate) becomes row 4 again and collapses; entry 3 becomes row 4 and stays.
    const std::vector<FoundFormula> entries = {found(k3D, "LH+1", "r"), found(k3D, "L1A+1", "p"),
                                               found(k3D, "LH+7", "s"), found(k2G, "LT+1", "t")};
    SaveOutcome out = saveFoundFormulas(m_db, m_store, entries, true, SavePath::AutomaticAppend);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(rows(k3D), (std::vector<std::string>{"1:L1A+1:k", "2:L1A+2:k", "3:LH+1:k", "4:LH+7:k"}));
    ASSERT_EQ(out.flags.size(), 1u);
    EXPECT_EQ(out.flags[0].idxs, (std::vector<int>{4, 4, 4, 1}));

    // Automatic replace: the flags of the deleted rows are cleared first, then each entry is flagged.
    out = saveFoundFormulas(m_db, m_store, {found(k3D, "LK+1", "u"), found(k3D, "LK+1", "u"), found(k3D, "LK+2", "v")},
                            true, SavePath::AutomaticReplace);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(rows(k3D), (std::vector<std::string>{"1:LK+1:k", "2:LK+2:k"}));
    EXPECT_EQ(rows(k2G), (std::vector<std::string>{"1:LT+1:k"}));
    ASSERT_EQ(out.flags.size(), 2u);
    EXPECT_EQ(out.flags[0].idxs, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_FALSE(out.flags[0].selected);
    EXPECT_EQ(out.flags[1].idxs, (std::vector<int>{1, 2, 2}));
    EXPECT_TRUE(out.flags[1].selected);
}

TEST_F(FoundFormulaSaverTest, AFailureLeavesEveryTableAsItWas)
{
    m_store.appendFormula(k2D, "L1A+1", "keep me", true);
    // The second group names 个位通选, which has no table: the whole save is undone, the first group
    // and the replace's deletion included.
    const std::vector<FoundFormula> entries = {found(k2D, "LH+1", "x"),
                                               found(FormulaKind{1, Play::Group}, "LH+2", "y")};
    const SaveOutcome out = saveFoundFormulas(m_db, m_store, entries, true, SavePath::ManualReplace);
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.error.isEmpty());
    EXPECT_TRUE(out.flags.empty());
    EXPECT_EQ(rows(k2D), (std::vector<std::string>{"1:L1A+1:k"}));

    // Nothing to save is a success that writes nothing.
    const SaveOutcome none = saveFoundFormulas(m_db, m_store, {}, true, SavePath::ManualAppend);
    EXPECT_TRUE(none.ok);
    EXPECT_EQ(none.written, 0);

    // A closed database is reported, not a crash.
    m_db.close();
    const SaveOutcome closed =
        saveFoundFormulas(m_db, m_store, {found(k2D, "LH+1", "x")}, true, SavePath::ManualAppend);
    EXPECT_FALSE(closed.ok);
    EXPECT_FALSE(closed.error.isEmpty());
}

// A full result list (32 767 formulas) goes in with one prepared INSERT: apart from the inserts themselves
// only a few statements run, however many formulas there are (the save once asked the table's size per
// formula, which made it quadratic: 5-7 s).
TEST_F(FoundFormulaSaverTest, AFullResultListIsSavedWithOnePreparedInsert)
{
    std::vector<FoundFormula> entries;
    for (int i = 0; i < 32767; ++i) {
        const std::string g = "L1A+LH+" + std::to_string(i);
        entries.push_back(found(k1D, g.c_str(), ("[个位单选杀]百位码+和数+" + std::to_string(i)).c_str()));
    }
    struct Count {
        int inserts = 0;
        int others = 0;
    } count;
    sqlite3_trace_v2(
        m_db.sql().getHandle(), SQLITE_TRACE_STMT,
        [](unsigned, void* context, void*, void* text) {
            auto* c = static_cast<Count*>(context);
            const std::string sql = static_cast<const char*>(text);
            (sql.rfind("INSERT", 0) == 0 ? c->inserts : c->others) += 1;
            return 0;
        },
        &count);
    QElapsedTimer clock;
    clock.start();
    const SaveOutcome out = saveFoundFormulas(m_db, m_store, entries, true, SavePath::ManualAppend);
    const qint64 ms = clock.elapsed();
    sqlite3_trace_v2(m_db.sql().getHandle(), 0, nullptr, nullptr);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(out.written, 32767);
    EXPECT_EQ(count.inserts, 32767);
    EXPECT_LT(count.others, 20);
    RecordProperty("milliseconds", static_cast<int>(ms));
    const auto r = rows(k1D);
    ASSERT_EQ(r.size(), 32767u);
    EXPECT_EQ(r.front(), "1:L1A+LH+0:k");
    EXPECT_EQ(r.back(), "32767:L1A+LH+32766:k");
}

// A table holds at most 32 767 formulas (idx, selection flags and tally counts are 16-bit): the save
// stores what fits and says how many were left out, instead of rows that no list, selection or tally sees.
TEST_F(FoundFormulaSaverTest, AFullTableTakesWhatFitsAndTheMessageSaysHowManyWereLeftOut)
{
    std::vector<Formula> many(32765);
    for (std::size_t i = 0; i < many.size(); ++i) {
        many[i].expressionText = QString::number(i);
        many[i].kill = true;
    }
    ASSERT_EQ(m_store.appendFormulas(k1D, many).size(), many.size());
    const std::vector<FoundFormula> entries = {found(k1D, "LH+1", "a"), found(k1D, "LH+2", "b"),
                                               found(k1D, "LH+3", "c"), found(k2D, "LH+4", "d"),
                                               found(k1D, "LH+5", "e")};
    const SaveOutcome out = saveFoundFormulas(m_db, m_store, entries, true, SavePath::ManualAppend);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(out.written, 3);
    EXPECT_EQ(out.notStored, 2);
    const auto r = rows(k1D);
    ASSERT_EQ(r.size(), 32767u);
    EXPECT_EQ(r[32765], "32766:LH+1:k");
    EXPECT_EQ(r[32766], "32767:LH+2:k");
    EXPECT_EQ(rows(k2D), (std::vector<std::string>{"1:LH+4:k"}));
    EXPECT_EQ(
        saveMessage(SavePath::ManualAppend, out),
        QStringLiteral("公式追加完毕！\n新增 3 条公式，0 条已在公式库中。\n2 条公式没有保存：每类公式最多 32767 条。"));
    // A full table takes nothing more.
    const SaveOutcome none = saveFoundFormulas(m_db, m_store, {found(k1D, "LH+6", "f")}, true, SavePath::ManualAppend);
    EXPECT_EQ(none.written, 0);
    EXPECT_EQ(none.notStored, 1);
    EXPECT_EQ(saveMessage(SavePath::ManualAppend, SaveOutcome{}), QStringLiteral("公式追加完毕！"));
}

TEST(FoundFormulaSaverMessages, TextsAndTitles)
{
    EXPECT_EQ(saveMessage(SavePath::ManualAppend), QStringLiteral("公式追加完毕！"));
    EXPECT_EQ(saveTitle(SavePath::AutomaticAppend), QStringLiteral("追加公式"));
    EXPECT_EQ(saveMessage(SavePath::AutomaticReplace), QStringLiteral("公式更新完毕！"));
    EXPECT_EQ(saveTitle(SavePath::ManualReplace), QStringLiteral("更新公式"));
}

} // namespace
} // namespace korvel
