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

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::FakeDialogs;

const FormulaKind k2D{2, Play::Single};
const FormulaKind k3D{3, Play::Single};
const FormulaKind k3G{3, Play::Group};

// Three draws 123, 456, 789, started on 百位单选 杀.
class TypedFormulaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        {
            Database db;
            ASSERT_EQ(db.open(m_dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Created);
            HistoryStore store(db);
            ASSERT_EQ(store.appendRows(test::newDraws(test::threeDraws())), HistoryStore::AppendResult::Stored);
        }
        m_session.start(m_dir.path());
        m_session.choices().setPosition(3);
        m_session.choices().setPlayChoice(Session::PlayChoice::Single);
        m_session.choices().setKill(true);
        m_dialogs.clear();
    }

    const FormulaList& list() const { return m_session.formulas(); }
    int stored(const FormulaKind& kind) { return m_session.formulaStore().count(kind); }

    QTemporaryDir m_dir;
    SettingsStore m_settings{m_dir.filePath("3VER.ini")};
    FakeDialogs m_dialogs;
    test::RecordingLauncher m_launcher;
    Session m_session{m_settings, m_dialogs, m_launcher};
};

} // namespace

TEST_F(TypedFormulaTest, EquationFormSwitchesToItsKindAndShowsTheFormulaSelectedWithItsFigures)
{
    int kindChanges = 0;
    QObject::connect(&m_session, &Session::kindChanged, [&] { ++kindChanges; });
    ASSERT_TRUE(m_session.addTypedFormula(QStringLiteral("百位码+十位码+3=下期杀 十位单选")));
    EXPECT_TRUE(m_dialogs.calls().empty());
    EXPECT_EQ(m_session.choices().kind(), k2D);
    EXPECT_TRUE(m_session.choices().kill());
    EXPECT_EQ(kindChanges, 1);
    ASSERT_EQ(list().rowCount(), 1);
    EXPECT_EQ(list().kind(), k2D);
    EXPECT_TRUE(list().rowSelected(0));
    EXPECT_EQ(list().cellText(0, FormulaList::ColFormula, true), QStringLiteral("百位码+十位码+3=下期杀 十位单选"));
    EXPECT_EQ(list().cellText(0, FormulaList::ColFormula, false), QStringLiteral("L1A+L2A+3"));
    // Window 300 holds all three draws, the first as a miss; 6 vs tens 5 and 12 vs tens 8 are kill hits.
    EXPECT_EQ(list().cellText(0, FormulaList::ColRate, true), QStringLiteral("92.8571% (13/14)"));
    // 7 + 8 + 3 = 18.
    EXPECT_EQ(list().cellText(0, FormulaList::ColNextValue, true), QStringLiteral("8"));
    // The figures are stored with the formula.
    EXPECT_NEAR(m_session.formulaStore().list(k2D, true).at(0).stats.rate, 92.8571f, 1e-3f);
}

TEST_F(TypedFormulaTest, TheLineSetsSenseAndPlayAndTheBracketFormKeepsTheCurrentSense)
{
    ASSERT_TRUE(m_session.addTypedFormula(QStringLiteral("百位码+十位码+3=下期生 百位通选")));
    EXPECT_EQ(m_session.choices().kind(), k3G);
    EXPECT_FALSE(m_session.choices().kill());
    EXPECT_EQ(m_session.choices().playChoice(), Session::PlayChoice::Group);
    EXPECT_EQ(list().rowCount(), 1);

    ASSERT_TRUE(m_session.addTypedFormula(QStringLiteral("[十位单选杀]百位码+十位码+3")));
    EXPECT_EQ(m_session.choices().kind(), k2D);
    EXPECT_FALSE(m_session.choices().kill()); // the 杀 inside the brackets is not read
    EXPECT_EQ(m_session.choices().playChoice(), Session::PlayChoice::Single);
    ASSERT_EQ(list().rowCount(), 1);
    EXPECT_FALSE(list().row(0).formula.kill);
    EXPECT_EQ(stored(k3G), 1);
    EXPECT_EQ(stored(k2D), 1);
}

TEST_F(TypedFormulaTest, RefusedLinesAreToldAndStoreNothing)
{
    struct Case {
        const char* line;
        const char* title; // empty: nothing is shown
        const char* textPart;
        const char* notShown = ""; // an internal code the player never typed
    };
    const Case cases[] = {
        {"", "添加公式失败", "请在左边文本框输入需要添加的公式"},
        {"   ", "无法识别公式", "公式文本文件中含有无法识别公式，无法添加到软件"},
        {"百位码+3=下期杀 个位通选", "", ""},
        // The engine does not know 跨度合 (LTW): the message names it as typed, not by its code.
        {"跨度合+1=下期杀 十位单选", "添加公式失败", "「跨度合」", "LTW"},
        // A misspelt word: 百位 is translated, 吗 is not; the player reads what was typed.
        {"百位吗+3=下期杀 十位单选", "添加公式失败", "无法识别「百位吗」", "L1"},
        {"[十位单选杀]十位码*3百位码", "添加公式失败", "无法识别「3百位码」", "L1A"},
        {"百位码+*3=下期杀 十位单选", "添加公式失败", "无法计算"},
        {"=下期杀 十位单选", "添加公式失败", "公式表达式为空"},
    };
    for (const Case& c : cases) {
        m_dialogs.clear();
        EXPECT_FALSE(m_session.addTypedFormula(QString::fromUtf8(c.line))) << c.line;
        if (*c.title) {
            ASSERT_EQ(m_dialogs.messages().size(), 1u) << c.line;
            EXPECT_EQ(m_dialogs.messages()[0].title, QString::fromUtf8(c.title)) << c.line;
            EXPECT_TRUE(m_dialogs.messages()[0].text.contains(QString::fromUtf8(c.textPart)))
                << c.line << ": " << m_dialogs.messages()[0].text.toStdString();
            if (*c.notShown) {
                EXPECT_FALSE(m_dialogs.messages()[0].text.contains(QString::fromUtf8(c.notShown)))
                    << c.line << ": " << m_dialogs.messages()[0].text.toStdString();
            }
            EXPECT_EQ(m_dialogs.messages()[0].buttons, Dialogs::Buttons::Ok);
        } else {
            EXPECT_TRUE(m_dialogs.calls().empty()) << c.line;
        }
        // Nothing stored and the window stays where it was.
        EXPECT_EQ(m_session.choices().kind(), k3D) << c.line;
        for (const FormulaKind& k : kAllKinds) {
            EXPECT_EQ(stored(k), 0) << c.line;
        }
    }
}

TEST_F(TypedFormulaTest, ListCommandsAndThePerDrawSwitchRerunTheStatistics)
{
    ASSERT_TRUE(m_session.addTypedFormula(QStringLiteral("百位码=下期杀 百位单选")));
    ASSERT_TRUE(m_session.addTypedFormula(QStringLiteral("十位码=下期杀 百位单选")));
    ASSERT_EQ(list().rowCount(), 2);
    EXPECT_FALSE(list().hasPerDraw());
    m_session.setPerDrawDisplay(true);
    ASSERT_TRUE(list().hasPerDraw());
    EXPECT_EQ(list().perDrawRowCount(), 3);

    // Deleting the first formula re-runs the pass: the remaining one has figures and its per-draw column.
    m_session.formulas().deleteFormulaAt(0);
    ASSERT_EQ(list().rowCount(), 1);
    EXPECT_EQ(list().row(0).formula.idx, 1);
    EXPECT_EQ(list().row(0).formula.stats.total, 14);
    ASSERT_TRUE(list().hasPerDraw());
    EXPECT_EQ(list().perDraw(0).valueAt(1), 2); // tens digit of the first draw, shown at the second
    m_session.setPerDrawDisplay(false);
    EXPECT_FALSE(list().hasPerDraw());
}

} // namespace korvel
