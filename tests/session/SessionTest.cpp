#include "session/Session.h"

#include "history/DrawTableSchema.h"
#include "history/HistoryStore.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "settings/Options.h"
#include "support/FakeDialogs.h"
#include "support/HistoryRows.h"
#include "support/RecordingLauncher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::FakeDialogs;

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString dbPath() const { return m_dir.filePath("formula.mdb"); }

    void seedFile(const std::vector<test::DrawLine>& lines)
    {
        Database db;
        ASSERT_EQ(db.open(dbPath(), drawTableSchema()), Database::OpenResult::Created);
        HistoryStore store(db);
        ASSERT_EQ(store.appendRows(test::newDraws(lines)), HistoryStore::AppendResult::Stored);
    }

    // Counts the session's signals from now on.
    void watch()
    {
        QObject::connect(m_session.get(), &Session::historyChanged, [this] { ++m_historyChanges; });
        QObject::connect(m_session.get(), &Session::optionsChanged, [this] { ++m_optionChanges; });
        QObject::connect(m_session.get(), &Session::kindChanged, [this] { ++m_kindChanges; });
    }

    void start(QDate today = QDate(2012, 5, 31))
    {
        watch();
        m_session->start(m_dir.path(), today);
    }

    QTemporaryDir m_dir;
    SettingsStore m_settings{m_dir.filePath("3VER.ini")};
    FakeDialogs m_dialogs;
    test::RecordingLauncher m_launcher;
    std::unique_ptr<Session> m_session = std::make_unique<Session>(m_settings, m_dialogs, m_launcher);
    int m_historyChanges = 0;
    int m_optionChanges = 0;
    int m_kindChanges = 0;
};

TEST_F(SessionTest, FirstStartCreatesTheDatabaseAndShowsAnEmptyHistory)
{
    start();
    EXPECT_TRUE(m_session->started());
    EXPECT_TRUE(m_session->databaseOpen());
    EXPECT_TRUE(QFile::exists(dbPath()));
    EXPECT_TRUE(m_session->snapshot()->empty());
    EXPECT_EQ(m_session->entryDate(), "2012-05-31");
    // Nothing stored: the issue fields keep their initial texts.
    EXPECT_EQ(m_session->nextIssue(), "");
    EXPECT_EQ(m_session->choices().verifyIssue(), "2007001");
    EXPECT_EQ(m_settings.value("IniSetting", "GsZl"), "53");
    EXPECT_EQ(m_historyChanges, 1);
    EXPECT_GE(m_optionChanges, 1);
    EXPECT_TRUE(m_dialogs.calls().empty());
}

TEST_F(SessionTest, AMissingDataFolderIsCreated)
{
    const QString folder = m_dir.filePath("new/data");
    m_session->start(folder, QDate(2012, 5, 31));
    EXPECT_TRUE(m_session->databaseOpen());
    EXPECT_TRUE(QFile::exists(folder + "/formula.mdb"));
}

TEST_F(SessionTest, AFileThatIsNotOursIsToldAndLeftUntouched)
{
    const QByteArray garbage("Standard Jet DB\0\x01\x02\x03 not a database of ours", 48);
    {
        QFile f(dbPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    start();
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].icon, Dialogs::Icon::Warning);
    EXPECT_FALSE(m_session->databaseOpen());
    EXPECT_TRUE(m_session->snapshot()->empty());

    // Still usable, and still nothing is written into that file.
    m_session->setNextIssue("2012001");
    EXPECT_EQ(m_session->enterDraw("1", "2", "3"), EntryResult::Failed);
    EXPECT_FALSE(m_session->deleteLastDraw());
    QFile f(dbPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), garbage);
}

TEST_F(SessionTest, StartsOnTheWholeRealHistory)
{
    const auto lines = test::loadDraws("fc3d_draws.tsv");
    ASSERT_GE(lines.size(), 7760u);
    seedFile(lines);
    QElapsedTimer clock;
    clock.start();
    start();
    EXPECT_LT(clock.elapsed(), 1000);
    const SnapshotPtr s = m_session->snapshot();
    ASSERT_EQ(s->size(), static_cast<int>(lines.size()));
    EXPECT_EQ(s->issue(0), "2004001");
    EXPECT_EQ(m_session->choices().verifyIssue(), lines.back().issue);
    // The last stored draw is 2026253 (2026-09-20, 034).
    EXPECT_EQ(m_session->nextIssue(), "2026254");
    EXPECT_EQ(s->value(s->size() - 1, Param::L2A), 3);
}

TEST_F(SessionTest, TypedDrawAdvancesIssueAndDate)
{
    seedFile(test::draws({{"2012136", "2012-05-30", "111"}}));
    start(QDate(2012, 5, 31));
    ASSERT_EQ(m_session->nextIssue(), "2012137");
    m_historyChanges = 0;
    EXPECT_EQ(m_session->enterDraw("3", "5", "8"), EntryResult::Stored);
    const SnapshotPtr s = m_session->snapshot();
    ASSERT_EQ(s->size(), 2);
    EXPECT_EQ(s->issue(1), "2012137");
    EXPECT_EQ(s->value(1, Param::L1A), 3);
    EXPECT_EQ(s->value(1, Param::L3A), 8);
    EXPECT_EQ(s->value(1, Param::RQ), 31);
    // 111 before 358: no digit repeats.
    EXPECT_EQ(s->value(1, Param::LY), 0);
    EXPECT_EQ(m_session->nextIssue(), "2012138");
    EXPECT_EQ(m_session->choices().verifyIssue(), "2012137");
    EXPECT_EQ(m_session->entryDate(), "2012-06-01");
    EXPECT_EQ(m_historyChanges, 1);

    // Typed again over an existing issue: refused, told, and the date stays.
    m_session->setNextIssue("2012137");
    EXPECT_EQ(m_session->enterDraw("9", "9", "9"), EntryResult::Duplicate);
    EXPECT_EQ(m_session->snapshot()->size(), 2);
    EXPECT_EQ(m_session->entryDate(), "2012-06-01");
    EXPECT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_historyChanges, 1);
}

TEST_F(SessionTest, DeletionsStepTheNextIssueBack)
{
    seedFile(test::loadDraws("pl3_draws.tsv", 20));
    m_settings.setInt("IniSetting", "GsZl", 3);
    start();
    EXPECT_EQ(m_session->nextIssue(), "04021");
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    ASSERT_TRUE(m_session->deleteLastDraw());
    EXPECT_EQ(m_session->nextIssue(), "04020");
    EXPECT_EQ(m_session->choices().verifyIssue(), "04019");

    m_session->setSelectedIssue("04011");
    m_dialogs.answerInput("04005");
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    ASSERT_TRUE(m_session->deleteToChosenIssue());
    EXPECT_EQ(m_dialogs.inputs().back().defaultText, "04010");
    EXPECT_EQ(m_session->snapshot()->size(), 5);
    EXPECT_EQ(m_session->nextIssue(), "04006");

    m_dialogs.answerInput("2");
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    ASSERT_TRUE(m_session->deleteLastCount());
    EXPECT_EQ(m_session->nextIssue(), "04004");

    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    ASSERT_TRUE(m_session->deleteAllDraws());
    EXPECT_TRUE(m_session->snapshot()->empty());
    // With nothing stored the fields keep what they showed.
    EXPECT_EQ(m_session->nextIssue(), "04004");
    EXPECT_TRUE(m_dialogs.allAnswered());
}

TEST_F(SessionTest, ExportNamesTheFileAfterTheVerifyIssue)
{
    seedFile(test::draws({{"2007001", "2007-01-01", "583"}}));
    start();
    const QString path = m_session->exportHistoryText();
    EXPECT_EQ(path, m_dir.filePath("更新至2007001期历史号码.txt"));
    EXPECT_EQ(m_launcher.textFiles, QStringList{path});
}

TEST_F(SessionTest, ChoicePanelSwitchesKinds)
{
    start();
    m_kindChanges = 0;
    m_session->choices().setPosition(2);
    m_session->choices().setPlayChoice(Session::PlayChoice::Group);
    EXPECT_EQ(m_session->currentTable(), "Gongshi2G");
    EXPECT_EQ(m_session->kindLabel(), "十位通选");
    EXPECT_FALSE(m_session->singlePlay());

    // 个位 has no group play.
    m_session->choices().setPosition(1);
    EXPECT_EQ(m_session->currentTable(), "Gongshi1D");
    EXPECT_FALSE(m_session->choices().groupPlayAvailable());
    m_session->choices().setPlayChoice(Session::PlayChoice::Group);
    EXPECT_EQ(m_session->currentTable(), "Gongshi1D");

    // The category plays keep the table.
    m_session->choices().setPosition(3);
    m_session->choices().setPlayChoice(Session::PlayChoice::BigSmall);
    EXPECT_TRUE(m_session->choices().categoryMode());
    EXPECT_TRUE(m_session->choices().categoryBigSmall());
    EXPECT_EQ(m_session->currentTable(), "Gongshi3D");
    m_session->choices().setPlayChoice(Session::PlayChoice::Single);
    EXPECT_FALSE(m_session->choices().categoryMode());
    EXPECT_GE(m_kindChanges, 6);
}

TEST_F(SessionTest, WindowChoiceIsStored)
{
    start();
    m_session->chooseWindow(7);
    EXPECT_EQ(m_session->options().windowSize(), 1000);
    EXPECT_EQ(m_settings.value("IniSetting", "JSQS"), "7");
    m_dialogs.answerInput("4");
    m_session->askSearchYears();
    EXPECT_EQ(m_settings.value("IniSetting", "IniSerchDay"), "4");
}

TEST_F(SessionTest, ArmedRefreshRunsOnceFromTheEventLoop)
{
    int argc = 1;
    char name[] = "korvel_core_tests";
    char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    start();
    // A draw written behind the session's back (as the online update does) shows after the refresh.
    {
        Database other;
        ASSERT_EQ(other.open(dbPath(), drawTableSchema()), Database::OpenResult::Opened);
        HistoryStore store(other);
        ASSERT_EQ(store.appendDraw("2012150", {1, 2, 3}, "2012-05-31"), HistoryStore::AppendResult::Stored);
    }
    m_historyChanges = 0;
    m_session->armRefreshTimer();
    EXPECT_TRUE(m_session->refreshTimerArmed());
    QElapsedTimer clock;
    clock.start();
    while (m_historyChanges == 0 && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    EXPECT_EQ(m_historyChanges, 1);
    EXPECT_FALSE(m_session->refreshTimerArmed());
    EXPECT_EQ(m_session->snapshot()->size(), 1);
    EXPECT_EQ(m_session->nextIssue(), "2012151");
}

} // namespace
} // namespace korvel
