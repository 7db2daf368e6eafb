#include "search/SearchSession.h"

#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "search/SearchHost.h"
#include "support/FakeDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/TestData.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

class FakeHost : public SearchHost {
public:
    explicit FakeHost(const QString& folder) : m_folder(folder), m_settings(folder + QStringLiteral("/3VER.ini"))
    {
        m_db.open(folder + QStringLiteral("/formula.mdb"), drawTableSchema());
        static const SnapshotPtr history = std::make_shared<HistorySnapshot>(
            test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 1200)));
        snapshotPtr = history;
    }

    SettingsStore& settings() override { return m_settings; }
    Dialogs& dialogs() override { return fakeDialogs; }
    Launcher& launcher() override { return recordingLauncher; }
    Database& database() override { return m_db; }
    FormulaStore& formulaStore() override { return store; }
    SnapshotPtr snapshot() const override { return snapshotPtr; }
    FigureSettings figureSettings() const override { return figures; }
    QString dataFolder() const override { return m_folder; }
    QString nextIssue() const override { return QStringLiteral("2008001"); }
    void setSelected(const std::vector<int>& idxs, bool selected) override
    {
        for (int i : idxs) {
            flags[i] = selected;
        }
    }
    void refreshAfterSave() override { ++refreshes; }

    QString m_folder;
    SettingsStore m_settings;
    Database m_db;
    FormulaStore store{m_db};
    test::FakeDialogs fakeDialogs;
    test::RecordingLauncher recordingLauncher;
    SnapshotPtr snapshotPtr;
    FigureSettings figures{300, true, true};
    std::map<int, bool> flags;
    int refreshes = 0;
};

class SearchSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        session.setSeed(99);
        session.open();
    }

    // Thresholds most candidates of kind 1 meet (kill, window 300).
    void looseThresholds()
    {
        const std::array<QString, kThresholdSlots> t = {"0",     "100", "0",     "32768", "0",
                                                        "32768", "0",   "32768", "0",     "32768"};
        for (int i = 0; i < kThresholdSlots; ++i) {
            session.setThresholdField(i, t[static_cast<std::size_t>(i)]);
        }
    }

    QTemporaryDir dir;
    FakeHost host{dir.path()};
    SearchSession session{host, 2};
};

TEST_F(SearchSessionTest, OpensOnTheDefaults)
{
    EXPECT_EQ(session.kindNumber(), 1);
    EXPECT_TRUE(session.kill());
    EXPECT_FALSE(session.groupPlayAvailable());
    EXPECT_EQ(session.thresholdFields(),
              (std::array<QString, kThresholdSlots>{"94.6", "100", "0", "2", "48", "32768", "0", "0", "32", "32768"}));
    EXPECT_EQ(session.operandCount(), 8);
    EXPECT_EQ(session.constantMode(), ConstantMode::Specified);
    EXPECT_EQ(session.constantText(), QStringLiteral("0"));
    EXPECT_EQ(session.displayForm(), DisplayForm::Bracket);
    EXPECT_FALSE(session.autoStop());
    EXPECT_EQ(session.autoStopText(), QStringLiteral("50"));
    EXPECT_EQ(session.scheme().quotas, (std::array<QString, 6>{}));
    EXPECT_EQ(session.scheme().mode, QuotaMode::Hold);
    EXPECT_TRUE(session.scheme().autoAppend);
    session.loadScheme();
    EXPECT_EQ(session.scheme().quotas, (std::array<QString, 6>{"100", "100", "100", "0", "100", "100"}));
    EXPECT_EQ(session.totalHeldText(), QStringLiteral("500"));

    // 百位 通选 is kind 6; choosing 个位 forces 单选 again; 通选 is refused at 个位.
    session.setPosition(3);
    session.setPlay(Play::Group);
    EXPECT_EQ(session.kindNumber(), 6);
    EXPECT_EQ(session.thresholdFields()[0], QStringLiteral("80"));
    session.setPosition(1);
    EXPECT_EQ(session.kindNumber(), 1);
    session.setPlay(Play::Group);
    EXPECT_EQ(session.kindNumber(), 1);
    session.setKill(false);
    EXPECT_EQ(session.thresholdFields()[0], QStringLiteral("12"));
}

TEST_F(SearchSessionTest, ManualSearchStopsAtTheAutomaticCountAndSaves)
{
    looseThresholds();
    session.setAutoStop(true);
    session.setAutoStopText(QStringLiteral("3"));
    ASSERT_TRUE(session.startManual());
    SearchProgress p = session.waitForRun(60000);
    EXPECT_FALSE(p.running);
    EXPECT_EQ(p.reason, StopReason::AutoStop);
    EXPECT_EQ(p.found, 3);
    EXPECT_EQ(p.verified, 3); // every candidate qualifies with these bounds
    EXPECT_TRUE(p.candidateText.startsWith(QStringLiteral("[个位单选杀]")));
    EXPECT_EQ(p.statTexts[1], QString::number(p.stats.errCon));
    EXPECT_EQ(p.statTexts[4], QString::number(p.stats.trueLst));

    // Earlier unsaved results count: a count of 5 stops after two more.
    session.setAutoStopText(QStringLiteral("5"));
    ASSERT_TRUE(session.startManual());
    p = session.waitForRun(60000);
    EXPECT_EQ(p.found, 5);
    EXPECT_EQ(p.verified, 2); // the count restarts with every start
    EXPECT_EQ(session.resultLines().size(), 5);

    ASSERT_TRUE(session.appendToDatabase());
    EXPECT_EQ(host.store.count(FormulaKind{1, Play::Single}), 5);
    EXPECT_EQ(host.refreshes, 1);
    ASSERT_FALSE(host.fakeDialogs.messages().empty());
    EXPECT_EQ(host.fakeDialogs.messages().back().text,
              QStringLiteral("公式追加完毕！\n新增 5 条公式，0 条已在公式库中。"));
    EXPECT_EQ(host.fakeDialogs.messages().back().title, QStringLiteral("追加公式"));
    p = session.poll();
    EXPECT_EQ(p.found, 0);       // the arrays are consumed
    EXPECT_EQ(p.resultLines, 5); // the visible list stays
    EXPECT_EQ(session.existingCounts()[0], 5);

    // Export of the visible list.
    ASSERT_TRUE(session.exportText());
    EXPECT_EQ(host.recordingLauncher.textFiles, QStringList{dir.filePath(QStringLiteral("2008001期3D彩公式.txt"))});
}

TEST_F(SearchSessionTest, ThePollThatFirstSeesARunStoppedHasHandledItsEnd)
{
    // Runs that end within microseconds, polled as a window polls: the end may come between the poll's
    // look at the job and its look at the runner. Whichever poll first reads "not running" must already
    // have handled the end (its reason, its figures), or a window would stop polling before the message.
    looseThresholds();
    session.setAutoStop(true);
    for (int run = 0; run < 200; ++run) {
        session.setAutoStopText(QString::number(run + 1));
        ASSERT_TRUE(session.startManual());
        SearchProgress p = session.poll();
        while (p.running) {
            p = session.poll();
        }
        ASSERT_EQ(p.reason, StopReason::AutoStop) << "run " << run;
        ASSERT_EQ(p.found, run + 1) << "run " << run;
    }
}

TEST_F(SearchSessionTest, SchemeInHoldModeWithEveryKindFullSavesWithoutSearching)
{
    for (const FormulaKind& k : kAllKinds) {
        for (int i = 0; i < 3; ++i) {
            host.store.appendFormula(k, QStringLiteral("L1A+%1").arg(i), QStringLiteral("t%1").arg(i), true);
        }
    }
    session.scheme().quotas = {"3", "2", "0", "0", "1", "3"};
    ASSERT_TRUE(session.startScheme());
    const SearchProgress p = session.waitForRun(60000);
    EXPECT_EQ(p.reason, StopReason::SchemeDone);
    EXPECT_EQ(p.verified, 0);
    EXPECT_EQ(p.schemeKind, 7);
    EXPECT_EQ(p.marks, (std::array<SchemeWalk::Mark, 6>{SchemeWalk::Mark::Done, SchemeWalk::Mark::Done,
                                                        SchemeWalk::Mark::Done, SchemeWalk::Mark::None,
                                                        SchemeWalk::Mark::Done, SchemeWalk::Mark::Done}));
    // The automatic append ran on nothing: the tables are as they were, the message was shown.
    ASSERT_FALSE(host.fakeDialogs.messages().empty());
    EXPECT_EQ(host.fakeDialogs.messages().back().text, QStringLiteral("公式追加完毕！"));
    EXPECT_EQ(host.store.count(FormulaKind{3, Play::Group}), 3);
    EXPECT_TRUE(session.schemeFlag());
    EXPECT_FALSE(session.continueScheme()); // finished: nothing to continue
}

TEST_F(SearchSessionTest, SchemeFindsItsTargetsAndReplaces)
{
    host.store.appendFormula(FormulaKind{2, Play::Single}, "L1A+1", "stays", true);
    session.scheme().setMode(QuotaMode::Add); // replace at the end
    session.scheme().quotas = {"2", "", "1", "0", "abc", "1"};
    // Loose thresholds for the kinds the scheme searches, kept in the table.
    for (int kind : {1, 3, 6}) {
        if (kind == 6) {
            session.setPosition(3);
            session.setPlay(Play::Group);
        } else {
            session.setPlay(Play::Single);
            session.setPosition(kind);
        }
        looseThresholds();
        session.saveKindSettings();
    }
    ASSERT_TRUE(session.startScheme());
    const SearchProgress p = session.waitForRun(60000);
    EXPECT_EQ(p.reason, StopReason::SchemeDone);
    EXPECT_EQ(p.acceptedPerKind, (std::array<int, 6>{2, 0, 1, 0, 0, 1}));
    // 2 + 1 + 1 formulas written into the three tables it replaced, none a repeat.
    EXPECT_EQ(host.fakeDialogs.messages().back().text, QStringLiteral("公式更新完毕！\n写入 4 条公式，0 条重复。"));
    EXPECT_EQ(host.store.count(FormulaKind{1, Play::Single}), 2);
    EXPECT_EQ(host.store.count(FormulaKind{2, Play::Single}), 1); // untouched by the replace
    EXPECT_EQ(host.store.count(FormulaKind{3, Play::Group}), 1);
    EXPECT_EQ(session.poll().found, 0);
}

TEST_F(SearchSessionTest, TuningAllKindsStoresOnlyItsSenseAndACancelStoresNothing)
{
    session.setKill(false);
    session.setTuningSamples(20);
    // Cancelled at the question: nothing happens.
    host.fakeDialogs.answerMessage(Dialogs::Answer::Cancel);
    EXPECT_FALSE(session.tuneAllKinds());
    EXPECT_TRUE(host.settings().sections().isEmpty());

    // Started, then cancelled: still nothing stored.
    host.fakeDialogs.answerMessage(Dialogs::Answer::Ok);
    host.figures.windowDraws = 0; // slower samples, so that the cancel comes first
    ASSERT_TRUE(session.tuneAllKinds());
    session.cancelTuning();
    session.poll();
    EXPECT_TRUE(host.settings().sections().isEmpty());

    host.figures.windowDraws = 300;
    host.fakeDialogs.answerMessage(Dialogs::Answer::Ok);
    ASSERT_EQ(host.fakeDialogs.calls().size(), 2u);
    EXPECT_EQ(host.fakeDialogs.calls()[0].title, QStringLiteral("更新参数默认设置"));
    EXPECT_EQ(host.fakeDialogs.calls()[0].icon, Dialogs::Icon::Question);
    ASSERT_TRUE(session.tuneAllKinds());
    const SearchProgress p = session.waitForRun(60000);
    EXPECT_EQ(p.reason, StopReason::TuningDone);
    EXPECT_EQ(p.verified, 20); // the last kind's samples
    // Sections "0".."5" hold the thresholds (kind number - 1); "1".."6" also hold the operand counts.
    for (const QString section : {"0", "1", "2", "4", "5"}) {
        QStringList keys = host.settings().keys(section);
        keys.removeAll(QStringLiteral("text2"));
        EXPECT_EQ(keys.size(), 10) << section.toStdString();
        for (const QString& k : keys) {
            EXPECT_GE(k.toInt(), 10) << section.toStdString(); // 生 keys only
        }
    }
    EXPECT_EQ(host.settings().keys(QStringLiteral("3")), QStringList{QStringLiteral("text2")}); // kind 4: none
    for (const QString section : {"1", "2", "3", "5", "6"}) {
        EXPECT_EQ(host.settings().value(section, QStringLiteral("text2")), QStringLiteral("8"));
    }
    EXPECT_FALSE(host.settings().contains(QStringLiteral("4"), QStringLiteral("text2")));
    // Slot 8 of a keep tuning is at least 1; the untouched slots keep their defaults.
    EXPECT_GE(host.settings().value(QStringLiteral("0"), QStringLiteral("18")).toInt(), 1);
    EXPECT_EQ(host.settings().value(QStringLiteral("0"), QStringLiteral("11")), QStringLiteral("100"));
    EXPECT_EQ(session.kindNumber(), 6);
}

TEST_F(SearchSessionTest, CurrentKindTuningFillsTheFieldsWithoutStoring)
{
    session.setTuningSamples(20);
    ASSERT_TRUE(session.tuneCurrentKind());
    const SearchProgress p = session.waitForRun(60000);
    EXPECT_EQ(p.verified, 20);
    EXPECT_EQ(p.reason, StopReason::TuningDone);
    EXPECT_TRUE(host.settings().sections().isEmpty());
    EXPECT_EQ(session.thresholdFields()[1], QStringLiteral("100")); // untouched slots stay
    EXPECT_NE(session.thresholdFields()[0], QStringLiteral("94.6"));
}

TEST_F(SearchSessionTest, RefusesWhatItCannotDo)
{
    session.setConstantText(QStringLiteral("40000"));
    EXPECT_FALSE(session.startManual());
    EXPECT_EQ(host.fakeDialogs.messages().size(), 1u);
    session.setConstantText(QStringLiteral("x"));
    host.snapshotPtr = std::make_shared<HistorySnapshot>();
    EXPECT_FALSE(session.startManual());
    EXPECT_EQ(host.fakeDialogs.messages().size(), 2u);
}

} // namespace
} // namespace korvel
