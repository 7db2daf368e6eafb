#include "gui/WindowFixture.h"

#include "gui/history/HistoryTransferCommands.h"
#include "gui/settings/SourceSettingsDialog.h"
#include "history/DrawSources.h"
#include "support/SourceSamples.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimeZone>
#include <QTimer>

namespace korvel::test {
namespace {

class SourceSettingsTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        ASSERT_TRUE(m_server.listen());
    }

    // The real 福彩3D draws of the `count` before the newest `drop`, as the history.
    void seedTail(int count, int drop)
    {
        std::vector<DrawLine> all = loadDraws(QStringLiteral("fc3d_draws.tsv"));
        std::vector<DrawLine> tail(all.end() - count - drop, all.end() - drop);
        Database db;
        ASSERT_NE(db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
        HistoryStore store(db);
        ASSERT_EQ(store.appendRows(newDraws(tail)), HistoryStore::AppendResult::Stored);
    }

    // The game's sources in the settings file, before the window opens.
    void storeSources(const std::vector<DrawSource>& sources, bool autoUpdate)
    {
        SettingsStore settings(m_dir.filePath(QStringLiteral("3VER.ini")));
        drawsources::save(settings, 53, sources);
        drawsources::setAutoUpdateOnStart(settings, autoUpdate);
    }

    DrawSource sample(SourceReader reader, const QString& name) const
    {
        DrawSource s;
        s.reader = reader;
        s.address = m_server.url(QStringLiteral("/samples/") + name);
        return s;
    }

    HistoryTransferCommands* transfer() const
    {
        return m_window->findChild<HistoryTransferCommands*>(QStringLiteral("historyTransferCommands"));
    }

    SourceServer m_server;
};

TEST_F(SourceSettingsTest, ThePageEditsTheOrderedListAndTestsASource)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("3VER.ini")));
    SourceSettingsDialog dialog(settings, 53);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTableWidget* table = dialog.table();
    // The defaults: the welfare lottery's own draw notices, enabled.
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 0)->checkState(), Qt::Checked);
    EXPECT_TRUE(table->item(0, 2)->text().startsWith(QStringLiteral("https://www.cwl.gov.cn/")));
    EXPECT_TRUE(dialog.headersEdit()->toPlainText().contains(QStringLiteral("Referer: https://www.cwl.gov.cn/")));
    EXPECT_FALSE(dialog.autoUpdateBox()->isChecked());
    saveShot(&dialog, QStringLiteral("source-settings-defaults"));

    // A chart source at the loopback sample, moved to the front.
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("addSourceButton")), Qt::LeftButton);
    ASSERT_EQ(table->rowCount(), 2);
    table->item(1, 2)->setText(m_server.url(QStringLiteral("/samples/fc3d-chart-gbk.html")));
    table->selectRow(1);
    dialog.headersEdit()->setPlainText(QStringLiteral("Accept-Language: zh-CN"));
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("moveSourceUpButton")), Qt::LeftButton);
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 2)->text(), m_server.url(QStringLiteral("/samples/fc3d-chart-gbk.html")));
    EXPECT_EQ(dialog.headersEdit()->toPlainText(), QStringLiteral("Accept-Language: zh-CN"));
    table->item(1, 0)->setCheckState(Qt::Unchecked);

    // "测试" reads the selected source's first page and tells what it found; the window keeps working.
    table->selectRow(0);
    QTest::mouseClick(dialog.testButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.testButton()->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.testButton()->isEnabled(); }, 10000));
    EXPECT_EQ(dialog.testResult()->text(), QStringLiteral("读到 6 期开奖号码，最新一期 2026253 034（2026-09-20）"));
    EXPECT_EQ(m_server.http().requests().back().header("Accept-Language"), "zh-CN");
    saveShot(&dialog, QStringLiteral("source-settings-tested"));

    // A failing source says why.
    table->item(0, 2)->setText(m_server.url(QStringLiteral("/samples/busy-page.html")));
    QTest::mouseClick(dialog.testButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.testButton()->isEnabled(); }, 10000));
    EXPECT_TRUE(dialog.testResult()->text().startsWith(QStringLiteral("测试失败：页面中没有开奖号码")))
        << dialog.testResult()->text().toStdString();
    saveShot(&dialog, QStringLiteral("source-settings-busy"));
    table->item(0, 2)->setText(m_server.url(QStringLiteral("/samples/fc3d-chart-gbk.html")));

    // 排列3 keeps its own list.
    dialog.findChild<QComboBox*>(QStringLiteral("sourceGameBox"))->setCurrentIndex(1);
    EXPECT_EQ(dialog.game(), 3);
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_TRUE(table->item(0, 2)->text().startsWith(QStringLiteral("https://webapi.sporttery.cn/")));
    dialog.findChild<QComboBox*>(QStringLiteral("sourceGameBox"))->setCurrentIndex(0);
    ASSERT_EQ(table->rowCount(), 2);

    dialog.autoUpdateBox()->setChecked(true);
    dialog.accept();
    const std::vector<DrawSource> stored = drawsources::load(settings, 53);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].reader, SourceReader::Chart);
    EXPECT_EQ(stored[0].address, m_server.url(QStringLiteral("/samples/fc3d-chart-gbk.html")));
    EXPECT_EQ(stored[0].headers, (RequestHeaders{{"Accept-Language", "zh-CN"}}));
    EXPECT_TRUE(stored[0].enabled);
    EXPECT_EQ(stored[1].reader, SourceReader::Official);
    EXPECT_FALSE(stored[1].enabled);
    EXPECT_TRUE(drawsources::autoUpdateOnStart(settings));
    // The untouched 排列3 list stays the program's defaults, unstored.
    EXPECT_FALSE(settings.contains(QStringLiteral("DrawSources3"), QStringLiteral("Count")));

    // An address that is no web address is refused with the row named.
    SourceSettingsDialog again(settings, 53);
    again.table()->item(0, 2)->setText(QStringLiteral("ftp://x"));
    again.accept();
    EXPECT_EQ(again.result(), 0);
    EXPECT_TRUE(
        again.findChild<QLabel*>(QStringLiteral("sourceProblem"))->text().contains(QStringLiteral("第 1 个来源")));
}

TEST_F(SourceSettingsTest, TheWindowsCommandsUpdateAndVerifyFromTheSources)
{
    seedTail(30, 6);
    storeSources({sample(SourceReader::Official, QStringLiteral("fc3d-notice.json"))}, false);
    openProgram();
    ASSERT_EQ(m_session->snapshot()->size(), 30);

    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("onlineUpdateButton")), Qt::LeftButton);
    ASSERT_EQ(m_session->snapshot()->size(), 36);
    EXPECT_EQ(m_session->nextIssue(), QStringLiteral("2026254"));
    EXPECT_TRUE(m_dialogs.messages().back().text.contains(QStringLiteral("新增 6 期开奖号码（2026248 至 2026253）")))
        << m_dialogs.messages().back().text.toStdString();

    triggerAction(QStringLiteral("actionVerifyHistory"));
    EXPECT_EQ(m_dialogs.messages().back().title, QStringLiteral("校验历史号码"));
    EXPECT_TRUE(m_dialogs.messages().back().text.contains(QStringLiteral("一致 6 期，不一致 0 期")))
        << m_dialogs.messages().back().text.toStdString();

    // The settings page opens from the menu.
    QTimer::singleShot(0, m_window, [this] {
        auto* dialog = m_window->findChild<SourceSettingsDialog*>(QStringLiteral("sourceSettingsDialog"));
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->table()->rowCount(), 1);
        saveShot(dialog, QStringLiteral("source-settings-in-window"));
        dialog->reject();
    });
    triggerAction(QStringLiteral("actionSourceSettings"));
}

TEST_F(SourceSettingsTest, TheUpdateAtStartRunsInTheBackgroundAndReportsInTheStatusBar)
{
    seedTail(30, 6);
    storeSources({sample(SourceReader::Official, QStringLiteral("fc3d-notice.json"))}, false);
    m_server.override = [](const TestHttpServer::Request& r) -> std::optional<TestHttpServer::Response> {
        if (!r.target.startsWith(QStringLiteral("/samples/fc3d-notice.json"))) {
            return std::nullopt;
        }
        TestHttpServer::Response slow;
        slow.contentType = "application/json";
        slow.body = sourceSample(QStringLiteral("fc3d-notice.json"));
        slow.delayMs = 1500;
        return slow;
    };
    openProgram();
    HistoryTransferCommands* commands = transfer();
    ASSERT_NE(commands, nullptr);
    // Off by default: nothing started on opening.
    EXPECT_FALSE(commands->updateRunning());
    EXPECT_TRUE(m_server.http().requests().isEmpty());
    EXPECT_FALSE(commands->startAutoUpdate(QDateTime(QDate(2026, 9, 21), QTime(22, 0), QTimeZone(8 * 3600))));

    drawsources::setAutoUpdateOnStart(*m_settings, true);
    // Before 21:15 of the day after the newest stored draw (2026-09-14) nothing is due.
    EXPECT_FALSE(commands->startAutoUpdate(QDateTime(QDate(2026, 9, 14), QTime(23, 0), QTimeZone(8 * 3600))));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(commands->startAutoUpdate(QDateTime(QDate(2026, 9, 21), QTime(22, 0), QTimeZone(8 * 3600))));
    EXPECT_LT(clock.elapsed(), 500); // the window does not wait for the network
    QLabel* notice = commands->autoUpdateNotice();
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), QStringLiteral("正在后台更新历史号码……"));
    // The window answers while the server takes its time.
    QTest::qWait(300);
    EXPECT_TRUE(commands->updateRunning());
    EXPECT_EQ(m_session->snapshot()->size(), 30);
    saveShot(m_window, QStringLiteral("auto-update-running"));

    EXPECT_TRUE(QTest::qWaitFor([&] { return !commands->updateRunning(); }, 10000));
    EXPECT_EQ(notice->text(), QStringLiteral("历史号码已更新：新增 6 期（2026248 至 2026253）"));
    EXPECT_EQ(m_session->snapshot()->size(), 36);
    EXPECT_EQ(m_session->nextIssue(), QStringLiteral("2026254"));
    EXPECT_TRUE(m_dialogs.messages().empty()); // no box in the user's face
    saveShot(m_window, QStringLiteral("auto-update-done"));
}

TEST_F(SourceSettingsTest, WithTheOptionOnTheWindowUpdatesByItselfWhenADrawIsDue)
{
    // The history ends in 2004 and today is later: a draw is due. The source cannot continue 2004003, so
    // the update fails, and says so in the status bar only.
    seed(3);
    storeSources({sample(SourceReader::Official, QStringLiteral("fc3d-notice.json"))}, true);
    openProgram();
    HistoryTransferCommands* commands = transfer();
    ASSERT_NE(commands, nullptr);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !m_server.http().requests().isEmpty() && !commands->updateRunning(); }, 10000));
    EXPECT_EQ(commands->autoUpdateNotice()->text(), QStringLiteral("历史号码更新失败：缺少 2004004 期"));
    EXPECT_EQ(m_session->snapshot()->size(), 3);
    EXPECT_TRUE(m_dialogs.messages().empty());
}

} // namespace
} // namespace korvel::test
