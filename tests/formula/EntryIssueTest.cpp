#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "search/FoundFormulaSaver.h"
#include "support/HistoryRows.h"
#include "verify/FormulaList.h"

#include "support/FakeDialogs.h"
#include "support/SyntheticHistory.h"
#include "verify/ChanceFigures.h"

#include <QTemporaryDir>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <gtest/gtest.h>

using namespace korvel;

namespace {

const FormulaKind k3D{3, Play::Single};
const FormulaKind k1D{1, Play::Single};

void addIssue(Database& db, const char* issue)
{
    SQLite::Statement ins(db.sql(), "INSERT INTO Lishi (strQQH) VALUES (?)");
    ins.bind(1, issue);
    ins.exec();
}

std::vector<std::optional<QString>> entryIssues(const FormulaStore& store, const FormulaKind& kind)
{
    std::vector<std::optional<QString>> out;
    for (const Formula& f : store.listAll(kind)) {
        out.push_back(f.entryIssue);
    }
    return out;
}

// A database as the program wrote it before formulas remembered their entry issue.
void writeOldSchema(const QString& path)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec("CREATE TABLE Lishi (strQQH TEXT PRIMARY KEY NOT NULL, L1A INTEGER, L2A INTEGER, L3A INTEGER)");
    for (const char* t : {"Gongshi1D", "Gongshi2D", "Gongshi3D", "Gongshi2G", "Gongshi3G"}) {
        db.exec(std::string("CREATE TABLE ") + t +
                " (idx INTEGER, gongshi TEXT, gongshiCN TEXT, bolKill INTEGER, sglGsRate REAL,"
                " intGsErrCon INTEGER, intGsTrueCon INTEGER, intGsErrLst INTEGER, intGsTrueLst INTEGER)");
    }
    db.exec("INSERT INTO Lishi (strQQH) VALUES ('2024001'), ('2024003'), ('2024002')");
    db.exec("INSERT INTO Gongshi3D VALUES (1, 'L1A', '百位码', 1, 90.5, 1, 2, 0, 3),"
            " (2, 'L2A', '十位码', 0, 10, 0, 0, 0, 0)");
    db.exec("INSERT INTO Gongshi1D VALUES (1, 'L3A', '个位码', 1, NULL, NULL, NULL, NULL, NULL)");
}

TEST(EntryIssue, EveryAddedFormulaRemembersTheNewestStoredIssue)
{
    QTemporaryDir dir;
    Database db;
    ASSERT_EQ(db.open(dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Created);
    EXPECT_TRUE(db.hasEntryIssue());
    FormulaStore store(db);
    store.appendFormula(k3D, "L1A", "百位码", true); // no draw stored yet
    addIssue(db, "2024002");
    addIssue(db, "2024001");
    store.appendFormula(k3D, "L2A", "十位码", true);
    addIssue(db, "2024003");
    store.appendFormulas(k3D, {Formula{0, "L3A", "个位码", false, {}, std::nullopt}});
    EXPECT_EQ(entryIssues(store, k3D),
              (std::vector<std::optional<QString>>{QString(""), QString("2024002"), QString("2024003")}));

    // Renumbering, write-backs and the de-duplicating rebuild keep every formula's own issue.
    store.appendFormula(k3D, "L2A", "十位码", true); // a duplicate, stamped 2024003
    store.writeFigures(k3D, true, {{1, FormulaStats{50.0f, 1, 1, 1, 1, 1, 2, true}}});
    store.deleteFormula(k3D, 1);
    EXPECT_EQ(store.rebuild(k3D), 2);
    EXPECT_EQ(entryIssues(store, k3D), (std::vector<std::optional<QString>>{QString("2024002"), QString("2024003")}));
}

TEST(EntryIssue, SearchSaveReplacingATableStampsTheSavedFormulas)
{
    QTemporaryDir dir;
    Database db;
    ASSERT_EQ(db.open(dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Created);
    FormulaStore store(db);
    store.appendFormula(k1D, "L1A", "百位码", true);
    addIssue(db, "2024007");
    const std::vector<FoundFormula> found = {FoundFormula{"L2A+1", "十位码+1", k1D},
                                             FoundFormula{"L3A+2", "个位码+2", k1D}};
    const SaveOutcome out = saveFoundFormulas(db, store, found, true, SavePath::ManualReplace);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(entryIssues(store, k1D), (std::vector<std::optional<QString>>{QString("2024007"), QString("2024007")}));
}

TEST(EntryIssue, AnOldDatabaseIsUpgradedOnOpenKeepingEveryFormula)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("formula.mdb");
    writeOldSchema(path);
    Database db;
    ASSERT_EQ(db.open(path, drawTableSchema()), Database::OpenResult::Opened) << db.lastError().toStdString();
    EXPECT_FALSE(db.readOnly());
    EXPECT_TRUE(db.hasEntryIssue());
    FormulaStore store(db);
    const std::vector<Formula> f3 = store.listAll(k3D);
    ASSERT_EQ(f3.size(), 2u);
    EXPECT_EQ(f3[0].expressionText, "L1A");
    EXPECT_FLOAT_EQ(f3[0].stats.rate, 90.5f);
    EXPECT_EQ(f3[0].stats.trueLst, 3);
    EXPECT_EQ(f3[1].displayText, "十位码");
    EXPECT_FALSE(f3[1].kill);
    // Formulas that had no entry issue get the newest one at the upgrade: the forward count starts now.
    EXPECT_EQ(entryIssues(store, k3D), (std::vector<std::optional<QString>>{QString("2024003"), QString("2024003")}));
    EXPECT_EQ(entryIssues(store, k1D), (std::vector<std::optional<QString>>{QString("2024003")}));
    EXPECT_TRUE(store.listAll(FormulaKind{2, Play::Group}).empty());

    // A second open finds nothing to do and changes no stamp.
    addIssue(db, "2024004");
    db.close();
    ASSERT_EQ(db.open(path, drawTableSchema()), Database::OpenResult::Opened);
    EXPECT_EQ(entryIssues(store, k1D), (std::vector<std::optional<QString>>{QString("2024003")}));
}

TEST(EntryIssue, ADatabaseThatCannotBeUpgradedOpensReadOnlyAndUnchanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("formula.mdb");
    writeOldSchema(path);
    {
        // Another connection holds the write lock: the upgrade cannot run.
        SQLite::Database other(path.toStdString(), SQLite::OPEN_READWRITE);
        other.exec("BEGIN IMMEDIATE");
        Database db;
        ASSERT_EQ(db.open(path, drawTableSchema()), Database::OpenResult::ReadOnly);
        EXPECT_TRUE(db.readOnly());
        EXPECT_FALSE(db.hasEntryIssue());
        EXPECT_NE(db.lastError().indexOf("只读"), -1);
        FormulaStore store(db);
        EXPECT_EQ(entryIssues(store, k3D), (std::vector<std::optional<QString>>{std::nullopt, std::nullopt}));

        // The list shows "—" in the forward column, the other figures as usual.
        test::FakeDialogs dialogs;
        FormulaList list(store, dialogs);
        list.loadFormulas(k3D, true);
        ASSERT_EQ(list.rowCount(), 1);
        const HistorySnapshot snap = test::snapshotOf(test::threeDraws());
        PassSettings pass;
        pass.figures = {0, true, false};
        list.statisticsPass(snap, pass);
        EXPECT_EQ(list.cellText(0, FormulaList::ColForward, true), "—");
        EXPECT_EQ(list.cellText(0, FormulaList::ColBaseline, true), "90.0000%");
        other.exec("ROLLBACK");
    }
    // Nothing was half done: no table has the column.
    SQLite::Database check(path.toStdString(), SQLite::OPEN_READONLY);
    EXPECT_EQ(check.execAndGet("SELECT count(*) FROM pragma_table_info('Gongshi1D') WHERE name = 'strRkQQH'").getInt(),
              0);
    EXPECT_EQ(check.execAndGet("SELECT count(*) FROM Gongshi3D").getInt(), 2);
}

// Issue 24 item 25: the upgrade adds the column to the five tables in one transaction. The fifth table
// already holds a column of that name spelt in another case (SQLite names ignore case), so adding it
// fails there: no table may be left upgraded, and the file opens read-only as it was.
TEST(EntryIssue, AnUpgradeThatFailsOnTheFifthTableLeavesNoTableUpgraded)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("formula.mdb");
    writeOldSchema(path);
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
        db.exec("ALTER TABLE Gongshi3G ADD COLUMN STRRKQQH TEXT");
    }
    ASSERT_EQ(Database::formulaTables().back(), QStringLiteral("Gongshi3G"));
    Database db;
    ASSERT_EQ(db.open(path, drawTableSchema()), Database::OpenResult::ReadOnly) << db.lastError().toStdString();
    EXPECT_TRUE(db.readOnly());
    EXPECT_FALSE(db.hasEntryIssue());
    EXPECT_NE(db.lastError().indexOf("无法升级"), -1) << db.lastError().toStdString();
    FormulaStore store(db);
    EXPECT_EQ(entryIssues(store, k3D), (std::vector<std::optional<QString>>{std::nullopt, std::nullopt}));
    db.close();

    SQLite::Database check(path.toStdString(), SQLite::OPEN_READONLY);
    for (const char* t : {"Gongshi1D", "Gongshi2D", "Gongshi3D", "Gongshi2G"}) {
        EXPECT_EQ(check
                      .execAndGet(std::string("SELECT count(*) FROM pragma_table_info('") + t +
                                  "') WHERE lower(name) = 'strrkqqh'")
                      .getInt(),
                  0)
            << t;
    }
    EXPECT_EQ(check.execAndGet("SELECT count(*) FROM Gongshi3D").getInt(), 2);
    EXPECT_EQ(check.execAndGet("SELECT count(*) FROM Gongshi1D").getInt(), 1);
}

// The stamp of the upgrade, a second case: the newest issue is the greatest, whatever the order the draws
// were stored in, in every table that has formulas (the group tables too); with no draw stored it is "",
// the stamp of a formula added to an empty history (its forward count covers every draw to come).
TEST(EntryIssue, TheUpgradeStampsTheNewestIssueInEveryTableOrNoneWithoutDraws)
{
    for (const bool withDraws : {true, false}) {
        SCOPED_TRACE(withDraws ? "draws" : "no draws");
        QTemporaryDir dir;
        const QString path = dir.filePath("formula.mdb");
        writeOldSchema(path);
        {
            SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
            db.exec("DELETE FROM Lishi");
            if (withDraws) {
                db.exec("INSERT INTO Lishi (strQQH) VALUES ('2025150'), ('2026009'), ('2025365'), ('2026010'),"
                        " ('2026002')");
            }
            db.exec("INSERT INTO Gongshi2G VALUES (1, 'L2A+1', '十位码+1', 1, 0, 0, 0, 0, 0)");
            db.exec("INSERT INTO Gongshi3G VALUES (1, 'L1A+2', '百位码+2', 0, 0, 0, 0, 0, 0),"
                    " (2, 'L1A+3', '百位码+3', 1, 0, 0, 0, 0, 0)");
        }
        Database db;
        ASSERT_EQ(db.open(path, drawTableSchema()), Database::OpenResult::Opened) << db.lastError().toStdString();
        FormulaStore store(db);
        const QString stamp = withDraws ? QStringLiteral("2026010") : QString("");
        EXPECT_EQ(entryIssues(store, k3D), (std::vector<std::optional<QString>>{stamp, stamp}));
        EXPECT_EQ(entryIssues(store, k1D), (std::vector<std::optional<QString>>{stamp}));
        EXPECT_EQ(entryIssues(store, FormulaKind{2, Play::Group}), (std::vector<std::optional<QString>>{stamp}));
        EXPECT_EQ(entryIssues(store, FormulaKind{3, Play::Group}), (std::vector<std::optional<QString>>{stamp, stamp}));
        EXPECT_TRUE(entryIssues(store, FormulaKind{2, Play::Single}).empty());
    }
}

TEST(EntryIssue, ForwardFiguresCountTheDrawsAfterTheEntryIssue)
{
    QTemporaryDir dir;
    Database db;
    ASSERT_EQ(db.open(dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Created);
    FormulaStore store(db);
    addIssue(db, "2024003");
    // Kill 百位 with the 百位 digit itself minus 5: carries -4 (no digit), 2, -1 (no digit), -5 (no digit).
    store.appendFormula(k3D, "L1A-5", "百位码-5", true);
    addIssue(db, "2024005");
    store.appendFormula(k3D, "L1A", "百位码", true);
    test::FakeDialogs dialogs;
    FormulaList list(store, dialogs);
    list.loadFormulas(k3D, true);
    const HistorySnapshot snap = test::snapshotOf(test::draws({{"2024001", "2024-01-01", "123"},
                                                               {"2024002", "2024-01-02", "789"},
                                                               {"2024003", "2024-01-03", "456"},
                                                               {"2024004", "2024-01-04", "012"},
                                                               {"2024005", "2024-01-05", "999"},
                                                               {"2024006", "2024-01-06", "300"}}));
    PassSettings pass;
    pass.figures = {2, true, true}; // a window of two draws: the forward figures reach before it
    list.statisticsPass(snap, pass);
    // After 2024003: draws 4, 5, 6 carry -1, -5 (sure hits) and 4 against 百位 3: a hit with chance 0.9.
    ASSERT_TRUE(list.row(0).forward);
    EXPECT_EQ(list.row(0).forward->draws, 3);
    EXPECT_EQ(list.row(0).forward->hits, 3);
    EXPECT_EQ(list.cellText(0, FormulaList::ColForward, true), "100.0% (3/3) 基准96.7%");
    // After 2024005 only draw 6: L1A carries 9 against 百位 3, a hit.
    EXPECT_EQ(list.cellText(1, FormulaList::ColForward, true), "100.0% (1/1) 基准90.0%");
    // A draw that has not come yet: "—".
    const HistorySnapshot older =
        test::snapshotOf(test::draws({{"2024001", "2024-01-01", "123"}, {"2024002", "2024-01-02", "789"}}));
    list.statisticsPass(older, pass);
    EXPECT_EQ(list.cellText(1, FormulaList::ColForward, true), "—");
}

// The forward figures tell a real pattern from luck. Formulas enter after the first 300 draws of a made-up
// history; on the next 300 they hit always when 个位 is (previous 百位 + 3) mod 10 (年份 is 0 mod 10 there),
// and at chance on random digits.
TEST(EntryIssue, ForwardFiguresFindAPlantedSignalAndStayAtChanceOnRandomDigits)
{
    for (const bool planted : {true, false}) {
        SCOPED_TRACE(planted ? "planted" : "random");
        const std::vector<test::DrawLine> lines = test::syntheticDraws(600, 17, planted);
        QTemporaryDir dir;
        Database db;
        ASSERT_EQ(db.open(dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Created);
        for (int i = 0; i < 300; ++i) {
            addIssue(db, lines[static_cast<std::size_t>(i)].issue.toUtf8().constData());
        }
        FormulaStore store(db);
        store.appendFormula(k1D, "L1A+NF+3", "百位码+年份+3", false); // keeps the planted digit
        store.appendFormula(k1D, "L1A+NF", "百位码+年份", true);      // kills a digit the pattern never draws
        test::FakeDialogs dialogs;
        FormulaList keep(store, dialogs);
        keep.loadFormulas(k1D, false);
        FormulaList kill(store, dialogs);
        kill.loadFormulas(k1D, true);
        const HistorySnapshot snap = test::snapshotOf(lines);
        PassSettings pass;
        pass.figures = {300, true, true};
        keep.statisticsPass(snap, pass);
        kill.statisticsPass(snap, pass);
        ASSERT_EQ(keep.rowCount(), 1);
        ASSERT_EQ(kill.rowCount(), 1);
        const ChanceFigures k = *keep.row(0).forward;
        const ChanceFigures x = *kill.row(0).forward;
        ASSERT_EQ(k.draws, 300);
        ASSERT_EQ(x.draws, 300);
        EXPECT_NEAR(k.baseline, 10.0, 1e-9);
        EXPECT_NEAR(x.baseline, 90.0, 1e-9);
        if (planted) {
            EXPECT_EQ(k.hits, 300);
            EXPECT_EQ(x.hits, 300);
            EXPECT_LT(significance(k).p, 1e-12);
            EXPECT_LT(significance(x).p, 1e-6);
        } else {
            // Within the 99 % range of Bin(300, p) around chance, and nothing significant.
            EXPECT_GT(k.hits, 15);
            EXPECT_LT(k.hits, 45);
            EXPECT_GT(x.hits, 255);
            EXPECT_LT(x.hits, 285);
            EXPECT_GT(significance(k).p, 0.01);
            EXPECT_GT(significance(x).p, 0.01);
        }
    }
}

} // namespace
