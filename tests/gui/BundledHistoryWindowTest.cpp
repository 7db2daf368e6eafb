#include "WindowFixture.h"

#include "gui/AboutDialog.h"
#include "history/BundledHistory.h"
#include "gui/history/EntryLine.h"
#include "gui/history/HistoryGridModel.h"
#include "gui/history/HistoryGridView.h"
#include "gui/widgets/QtDialogs.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace korvel::test {
namespace {

const QString kData = QStringLiteral(KORVEL_TEST_DATA);

class BundledHistoryWindowTest : public WindowFixture {
protected:
    // Runs `check` on the modal box that `trigger` opens, then closes it.
    static void onModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& check)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
            QWidget* box = QApplication::activeModalWidget();
            check(box);
            seen = true;
            box->close();
        });
        trigger();
        EXPECT_TRUE(seen);
    }

    int historyRows() const { return m_window->historyModel()->rowCount(); }
};

TEST_F(BundledHistoryWindowTest, FirstStartOffersTheBundledHistoryAndYesFillsTheGrid)
{
    m_bundledFolders = {kData};
    m_dialogs.answerMessage(Dialogs::Answer::Yes);
    open(QDate(2026, 9, 21));
    ASSERT_TRUE(QTest::qWaitFor([&] { return historyRows() == 7760; }, 20000)) << historyRows();
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages().front().text,
              QStringLiteral("历史号码为空，是否导入随程序提供的 7760 期历史号码（至 2026253 期）？"));
    EXPECT_EQ(m_session->nextIssue(), QStringLiteral("2026254"));
    // Not asked again once the history holds draws.
    QTest::qWait(50);
    EXPECT_EQ(m_dialogs.messages().size(), 1u);
}

TEST_F(BundledHistoryWindowTest, NoLeavesTheGridEmptyAndIsAskedOnce)
{
    m_bundledFolders = {kData};
    m_dialogs.answerMessage(Dialogs::Answer::No);
    open();
    QTest::qWait(50);
    EXPECT_EQ(historyRows(), 0);
    EXPECT_EQ(m_dialogs.messages().size(), 1u);
    // Another refresh of the empty history (a deletion command) asks nothing more.
    triggerAction(QStringLiteral("actionRestoreDefaults"));
    m_session->refreshAll();
    QTest::qWait(50);
    EXPECT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_TRUE(m_dialogs.allAnswered());
}

TEST_F(BundledHistoryWindowTest, SettingsItemAddsTheNewerDrawsAndAboutTellsTheFigures)
{
    seed(100);
    m_bundledFolders = {kData};
    m_dialogs.setStrict(true);
    open();
    EXPECT_TRUE(m_dialogs.calls().empty()); // a stored history is not asked about
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    triggerAction(QStringLiteral("actionImportBundledHistory"));
    EXPECT_EQ(historyRows(), 7760);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_TRUE(m_dialogs.messages().front().text.contains(QStringLiteral("新增 7660 期")))
        << m_dialogs.messages().front().text.toStdString();

    ASSERT_TRUE(m_session->addTypedFormula(QStringLiteral("百位码+十位码+3=下期杀 十位单选")));
    onModal([&] { triggerAction(QStringLiteral("actionAbout")); },
            [&](QWidget* box) {
                auto* about = qobject_cast<AboutDialog*>(box);
                ASSERT_NE(about, nullptr);
                EXPECT_EQ(about->windowTitle(), QStringLiteral("关于"));
                const QString facts = about->factsLabel()->text();
                EXPECT_TRUE(facts.contains(QStringLiteral("历史号码：7760 期"))) << facts.toStdString();
                EXPECT_TRUE(facts.contains(QStringLiteral("公式：1 条"))) << facts.toStdString();
                EXPECT_TRUE(facts.contains(QDir::toNativeSeparators(m_dir.filePath(QStringLiteral("formula.mdb")))));
                EXPECT_TRUE(facts.contains(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())));
                EXPECT_TRUE(facts.contains(QStringLiteral("SQLite 3.")));
                about->openFolderButton()->click();
                EXPECT_EQ(m_launcher.folders, QStringList{m_dir.path()});
                // No file manager: the user is told, the box stays.
                m_launcher.result = false;
                m_dialogs.answerMessage(Dialogs::Answer::Ok);
                about->openFolderButton()->click();
                EXPECT_TRUE(m_dialogs.messages().back().text.contains(QStringLiteral("没有可以打开文件夹")));
            });
}

// Pictures for a person to look at (and docs/main-window.png): the first-start question as the desktop
// shows it, the about box, and the main window on the bundled history. Only when KORVEL_SHOTS_DIR is set.
TEST_F(BundledHistoryWindowTest, Shots)
{
    if (shotsFolder().isEmpty()) {
        GTEST_SKIP() << "KORVEL_SHOTS_DIR is not set";
    }
    m_bundledFolders = {kData};
    m_dialogs.answerMessage(Dialogs::Answer::Yes);
    // The window as the program assembles it, so that the picture is the program's.
    openProgram(QDate(2026, 9, 21), QSize(1280, 760));
    ASSERT_TRUE(QTest::qWaitFor([&] { return historyRows() == 7760; }, 20000));

    QtDialogs desktop(m_window);
    const BundledHistory bundled = loadBundledHistory(m_session->options().game(), m_bundledFolders);
    onModal(
        [&] {
            desktop.message(bundledImportTitle(), bundledOfferText(bundled), Dialogs::Buttons::YesNo,
                            Dialogs::Icon::Question);
        },
        [&](QWidget* box) { saveShot(box, QStringLiteral("first-start-question")); });

    for (const char* formula : {"百位码+十位码+3=下期杀 百位单选", "百位码*2+个位码=下期杀 百位单选",
                                "和数+跨度+7=下期杀 百位单选", "十位码+个位码+本期号=下期杀 百位单选"}) {
        ASSERT_TRUE(m_session->addTypedFormula(QString::fromUtf8(formula))) << formula;
    }
    m_window->resize(1280, 760);
    QCoreApplication::processEvents();
    m_window->historyGrid()->scrollToNewest();
    saveShot(m_window, QStringLiteral("main-window"));
    onModal([&] { triggerAction(QStringLiteral("actionAbout")); },
            [&](QWidget* box) { saveShot(box, QStringLiteral("about")); });
}

} // namespace
} // namespace korvel::test
