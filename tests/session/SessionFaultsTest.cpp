#include "session/Session.h"

#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "support/FakeDialogs.h"
#include "support/HistoryRows.h"
#include "support/RecordingLauncher.h"
#include "verify/FormulaList.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::FakeDialogs;

const FormulaKind k3D{3, Play::Single};

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

// Sessions on one data folder, each started as the window or the command line starts it.
class SessionFaultsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString dbPath() const { return m_dir.filePath(QStringLiteral("formula.mdb")); }

    // Draws and two 百位单选 kill formulas whose figures were never written.
    void seed(int draws)
    {
        Database db;
        ASSERT_EQ(db.open(dbPath(), drawTableSchema()), Database::OpenResult::Created);
        HistoryStore store(db);
        ASSERT_EQ(store.appendRows(test::newDraws(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), draws))),
                  HistoryStore::AppendResult::Stored);
        FormulaStore formulas(db);
        formulas.appendFormula(k3D, QStringLiteral("L1A+3"), QStringLiteral("[百位单选杀]百位码+3"), true);
        formulas.appendFormula(k3D, QStringLiteral("L2A+L3A"), QStringLiteral("[百位单选杀]十位码+个位码"), true);
    }

    std::unique_ptr<Session> startSession()
    {
        auto s = std::make_unique<Session>(m_settings, m_dialogs, m_launcher);
        s->start(m_dir.path(), QDate(2026, 9, 22));
        return s;
    }

    std::vector<Formula> stored() const
    {
        Database db;
        EXPECT_EQ(db.open(dbPath(), drawTableSchema()), Database::OpenResult::Opened);
        return FormulaStore(db).list(k3D, true);
    }

    QTemporaryDir m_dir;
    SettingsStore m_settings{m_dir.filePath(QStringLiteral("3VER.ini"))};
    FakeDialogs m_dialogs;
    test::RecordingLauncher m_launcher;
};

TEST_F(SessionFaultsTest, DeletingEveryDrawShowsTheListAsAFreshStartWouldAtOnce)
{
    seed(400);
    auto session = startSession();
    ASSERT_EQ(session->choices().kind(), k3D);
    ASSERT_EQ(session->formulas().rowCount(), 2);
    const QString withDraws = session->formulas().cellText(0, FormulaList::ColRate, true);
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    ASSERT_TRUE(session->deleteAllDraws());
    QStringList shown;
    for (int c = 0; c < FormulaList::ColumnCount; ++c) {
        shown << session->formulas().cellText(0, c, true);
    }
    session.reset();

    // A session started on the emptied folder shows what the list must show now.
    auto fresh = startSession();
    QStringList expected;
    for (int c = 0; c < FormulaList::ColumnCount; ++c) {
        expected << fresh->formulas().cellText(0, c, true);
    }
    EXPECT_EQ(shown, expected);
    EXPECT_NE(shown[FormulaList::ColRate], withDraws);
}

TEST_F(SessionFaultsTest, StartUpWritesNothingAndTheNextPassWritesTheFigures)
{
    seed(400);
    const QByteArray before = fileHash(dbPath());
    auto session = startSession();
    EXPECT_TRUE(session->databaseOpen());
    ASSERT_EQ(session->formulas().rowCount(), 2);
    const FormulaStats shown = session->formulas().row(1).formula.stats;
    EXPECT_GT(shown.rate, 0.0f);
    EXPECT_EQ(fileHash(dbPath()), before);
    EXPECT_TRUE(m_dialogs.calls().empty());

    // A command's pass over the same figures stores what the start-up pass left in memory.
    session->refreshAll();
    session.reset();
    const std::vector<Formula> rows = stored();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].stats.rate, shown.rate);
    EXPECT_EQ(rows[1].stats.trueCon, shown.trueCon);
    EXPECT_EQ(rows[1].stats.errLst, shown.errLst);
}

TEST_F(SessionFaultsTest, ADamagedFileIsToldAsCriticalAndNeverWritten)
{
    seed(2000);
    int page = 0;
    int pageSize = 0;
    {
        SQLite::Database db(dbPath().toStdString(), SQLite::OPEN_READONLY);
        page = db.execAndGet("SELECT rootpage FROM sqlite_master WHERE name = 'Lishi'").getInt();
        pageSize = db.execAndGet("PRAGMA page_size").getInt();
    }
    {
        QFile f(dbPath());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(qint64(page) * pageSize - 64));
        ASSERT_EQ(f.write(QByteArray(64, '\xFF')), 64);
    }
    const QByteArray before = fileHash(dbPath());
    auto session = startSession();
    EXPECT_FALSE(session->databaseOpen());
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].icon, Dialogs::Icon::Critical);
    EXPECT_TRUE(m_dialogs.messages()[0].text.contains(QStringLiteral("已损坏")));

    // Nothing a player does afterwards reaches the file.
    session->setNextIssue(QStringLiteral("2026254"));
    EXPECT_EQ(session->enterDraw(QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")), EntryResult::Failed);
    EXPECT_FALSE(session->addTypedFormula(QStringLiteral("百位码+5=下期杀 百位单选")));
    session.reset();
    EXPECT_EQ(fileHash(dbPath()), before);
}

TEST_F(SessionFaultsTest, ADrawTableThatCannotBeReadIsNotTakenForAnEmptyHistory)
{
    seed(40);
    {
        SQLite::Database db(dbPath().toStdString(), SQLite::OPEN_READWRITE);
        db.exec("ALTER TABLE Lishi RENAME COLUMN L3A TO Ge");
    }
    const QByteArray before = fileHash(dbPath());
    auto session = startSession();
    EXPECT_FALSE(session->databaseOpen());
    EXPECT_TRUE(session->snapshot()->empty());
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].icon, Dialogs::Icon::Critical);
    EXPECT_TRUE(m_dialogs.messages()[0].text.contains(QStringLiteral("Lishi")));
    EXPECT_TRUE(m_dialogs.messages()[0].text.contains(QDir::toNativeSeparators(dbPath())));

    // Were it taken for empty, this draw would be stored as the first one, computed from nothing.
    session->setNextIssue(QStringLiteral("2004041"));
    EXPECT_EQ(session->enterDraw(QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")), EntryResult::Failed);
    EXPECT_FALSE(session->addTypedFormula(QStringLiteral("百位码+5=下期杀 百位单选")));
    session.reset();
    EXPECT_EQ(fileHash(dbPath()), before);
}

} // namespace
} // namespace korvel
