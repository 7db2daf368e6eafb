#include "session/Session.h"

#include "history/BundledHistory.h"
#include "history/DrawTableSchema.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "settings/Options.h"
#include "support/FakeDialogs.h"
#include "support/RecordingLauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::FakeDialogs;

const QString kData = QStringLiteral(KORVEL_TEST_DATA);

// The first-start offer of the bundled history and "导入内置历史", on a session over a temporary folder.
class SessionBundledTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    void start(const QStringList& bundled = {kData})
    {
        m_session->setBundledFolders(bundled);
        QObject::connect(m_session.get(), &Session::statisticsPassStarted, [this] { ++m_passes; });
        m_session->start(m_dir.filePath(QStringLiteral("data")), QDate(2026, 9, 21));
        m_dialogs.clear();
        m_passes = 0;
    }

    // The same file through the draw file import, into a database of its own.
    SnapshotPtr importedReference(const QString& file)
    {
        m_refDb = std::make_unique<Database>();
        EXPECT_NE(m_refDb->open(m_dir.filePath(QStringLiteral("reference.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
        m_refStore = std::make_unique<HistoryStore>(*m_refDb);
        m_refStore->reload();
        QFile f(QDir(kData).filePath(file));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(importDrawText(*m_refDb, *m_refStore, QString::fromUtf8(f.readAll())).ok);
        return m_refStore->snapshot();
    }

    static void expectSameDraws(const HistorySnapshot& got, const HistorySnapshot& want)
    {
        ASSERT_EQ(got.size(), want.size());
        for (int i = 0; i < got.size(); ++i) {
            ASSERT_EQ(got.issue(i), want.issue(i)) << "row " << i;
            ASSERT_EQ(got.row(i), want.row(i)) << want.issue(i).toStdString();
        }
    }

    QTemporaryDir m_dir;
    SettingsStore m_settings{m_dir.filePath(QStringLiteral("3VER.ini"))};
    FakeDialogs m_dialogs;
    test::RecordingLauncher m_launcher;
    std::unique_ptr<Session> m_session = std::make_unique<Session>(m_settings, m_dialogs, m_launcher);
    std::unique_ptr<Database> m_refDb;
    std::unique_ptr<HistoryStore> m_refStore;
    int m_passes = 0;
};

TEST_F(SessionBundledTest, AcceptedOfferStoresEveryDrawAsAnImportOfTheFileWouldThenRefreshes)
{
    start();
    m_dialogs.answerMessage(Dialogs::Answer::Yes);
    EXPECT_TRUE(m_session->offerBundledHistory());

    ASSERT_EQ(m_dialogs.calls().size(), 1u);
    const FakeDialogs::Call& q = m_dialogs.calls().front();
    EXPECT_EQ(q.title, QStringLiteral("导入内置历史"));
    EXPECT_EQ(q.text, QStringLiteral("历史号码为空，是否导入随程序提供的 7760 期历史号码（至 2026253 期）？"));
    EXPECT_EQ(q.buttons, Dialogs::Buttons::YesNo);
    EXPECT_EQ(q.icon, Dialogs::Icon::Question);

    expectSameDraws(*m_session->snapshot(), *importedReference(QStringLiteral("fc3d_draws.tsv")));
    // As after any import: the next issue follows the newest draw, and the statistics pass ran.
    EXPECT_EQ(m_session->nextIssue(), QStringLiteral("2026254"));
    EXPECT_EQ(m_session->choices().verifyIssue(), QStringLiteral("2026253"));
    EXPECT_GE(m_passes, 1);
    // A restart on the stored history asks nothing.
    m_session = std::make_unique<Session>(m_settings, m_dialogs, m_launcher);
    start();
    EXPECT_FALSE(m_session->offerBundledHistory());
    EXPECT_TRUE(m_dialogs.calls().empty());
    EXPECT_EQ(m_session->snapshot()->size(), 7760);
}

TEST_F(SessionBundledTest, TheGameChoosesTheFileAndItsYearForm)
{
    m_settings.setValue(QStringLiteral("IniSetting"), QStringLiteral("GsZl"), QStringLiteral("3"));
    start();
    m_dialogs.answerMessage(Dialogs::Answer::Yes);
    EXPECT_TRUE(m_session->offerBundledHistory());
    ASSERT_FALSE(m_dialogs.calls().empty());
    EXPECT_TRUE(m_dialogs.calls().front().text.contains(QStringLiteral("7721 期历史号码（至 2026246 期）")));
    expectSameDraws(*m_session->snapshot(), *importedReference(QStringLiteral("pl3_draws.tsv")));
    EXPECT_EQ(m_session->snapshot()->issue(0), QStringLiteral("04001"));
    EXPECT_EQ(m_session->nextIssue(), QStringLiteral("26247"));
}

TEST_F(SessionBundledTest, DeclinedOfferStoresNothingAndIsNotRepeatedUntilTheHistoryIsEmptyAgain)
{
    start();
    m_dialogs.answerMessage(Dialogs::Answer::No);
    EXPECT_FALSE(m_session->offerBundledHistory());
    EXPECT_EQ(m_dialogs.calls().size(), 1u);
    EXPECT_TRUE(m_session->snapshot()->empty());
    EXPECT_EQ(m_passes, 0);

    // Asked again in the same session: no question.
    EXPECT_FALSE(m_session->offerBundledHistory());
    EXPECT_EQ(m_dialogs.calls().size(), 1u);

    // A typed draw, then "删除所有历史": the history is empty once more, and the offer comes back.
    m_session->setNextIssue(QStringLiteral("2026001"));
    ASSERT_EQ(m_session->enterDraw(QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")), EntryResult::Stored);
    EXPECT_FALSE(m_session->offerBundledHistory()); // not empty: not asked
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    ASSERT_TRUE(m_session->deleteAllDraws());
    const std::size_t before = m_dialogs.calls().size();
    m_dialogs.answerMessage(Dialogs::Answer::No);
    EXPECT_FALSE(m_session->offerBundledHistory());
    EXPECT_EQ(m_dialogs.calls().size(), before + 1);
}

TEST_F(SessionBundledTest, ADatabaseWithDrawsIsNeverAsked)
{
    {
        Database db;
        ASSERT_TRUE(QDir().mkpath(m_dir.filePath(QStringLiteral("data"))));
        ASSERT_EQ(db.open(m_dir.filePath(QStringLiteral("data/formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Created);
        HistoryStore store(db);
        ASSERT_EQ(store.appendDraw(QStringLiteral("2026100"), {5, 8, 3}, QStringLiteral("2026-04-10")),
                  HistoryStore::AppendResult::Stored);
    }
    m_dialogs.setStrict(true);
    start();
    EXPECT_FALSE(m_session->offerBundledHistory());
    EXPECT_TRUE(m_dialogs.calls().empty());
    EXPECT_EQ(m_session->snapshot()->size(), 1);
}

TEST_F(SessionBundledTest, ADamagedOrMissingBundledFileIsToldOnceAndNothingIsStored)
{
    QFile good(QDir(kData).filePath(QStringLiteral("fc3d_draws.tsv")));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    QByteArray bytes = good.readAll();
    bytes.replace("2010100\t", "2010x00\t");
    const QString folder = m_dir.filePath(QStringLiteral("damaged"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile damaged(QDir(folder).filePath(QStringLiteral("fc3d_draws.tsv")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(bytes);
    damaged.close();

    start({folder});
    // No question: one warning that names the file and the line, and says nothing was imported.
    EXPECT_FALSE(m_session->offerBundledHistory());
    ASSERT_EQ(m_dialogs.calls().size(), 1u);
    const FakeDialogs::Call& told = m_dialogs.calls().front();
    EXPECT_EQ(told.buttons, Dialogs::Buttons::Ok);
    EXPECT_EQ(told.icon, Dialogs::Icon::Warning);
    EXPECT_TRUE(told.text.contains(QStringLiteral("已损坏"))) << told.text.toStdString();
    EXPECT_TRUE(told.text.contains(QStringLiteral("没有导入任何号码"))) << told.text.toStdString();
    EXPECT_TRUE(m_session->snapshot()->empty());
    EXPECT_FALSE(m_session->offerBundledHistory()); // told once
    EXPECT_EQ(m_dialogs.calls().size(), 1u);

    // "导入内置历史" on the same file: the same refusal, nothing stored.
    const DrawFileReport r = m_session->importBundledHistory(Options::kGameFc3d);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(m_dialogs.calls().size(), 2u);
    EXPECT_TRUE(m_session->snapshot()->empty());

    // No folder holds the other game's file.
    const DrawFileReport missing = m_session->importBundledHistory(Options::kGamePl3);
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(m_dialogs.calls().back().text.contains(QStringLiteral("找不到"))) << missing.error.toStdString();
}

TEST_F(SessionBundledTest, ImportOnDemandAddsOnlyTheDrawsAfterTheNewestStoredOne)
{
    start();
    // The user typed the real draw 2026252 first (after an empty history): the import adds only 2026253.
    m_session->setNextIssue(QStringLiteral("2026252"));
    m_session->setEntryDate(QStringLiteral("2026-09-19"));
    ASSERT_EQ(m_session->enterDraw(QStringLiteral("0"), QStringLiteral("9"), QStringLiteral("2")), EntryResult::Stored);
    m_passes = 0;
    const DrawFileReport r = m_session->importBundledHistory(Options::kGameFc3d);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.added, 1);
    ASSERT_EQ(m_session->snapshot()->size(), 2);
    EXPECT_EQ(m_session->snapshot()->issue(1), QStringLiteral("2026253"));
    EXPECT_EQ(m_session->nextIssue(), QStringLiteral("2026254"));
    EXPECT_GE(m_passes, 1);
    EXPECT_EQ(m_dialogs.calls().back().icon, Dialogs::Icon::Information);
    EXPECT_TRUE(m_dialogs.calls().back().text.contains(QStringLiteral("新增 1 期（2026253 至 2026253），跳过 0 期")))
        << m_dialogs.calls().back().text.toStdString();
}

} // namespace
} // namespace korvel
