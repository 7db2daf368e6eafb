#include "SearchWindowFixture.h"

#include "formula/FormulaStore.h"
#include "gui/search/SchemePanel.h"
#include "gui/search/TuningPanel.h"
#include "gui/verify/FormulaListModel.h"
#include "gui/widgets/ExportNotice.h"
#include "gui/widgets/GridWheelScroller.h"
#include "search/SearchSession.h"
#include "verify/FormulaList.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>

#include <SQLiteCpp/Transaction.h>

#include <set>

namespace korvel::test {
namespace {

TEST_F(SearchWindowTest, OpensModallyOnTheStoredThresholdsAndTheDefaults)
{
    seed(320);
    open();
    // Stored values win over the defaults: kind 1 杀 slot 0, kind 2 operand count.
    m_settings->setValue(QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("91.5"));
    m_settings->setValue(QStringLiteral("2"), QStringLiteral("text2"), QStringLiteral("5"));
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("公式搜索设置以及搜索结果"));
    EXPECT_EQ(w->windowModality(), Qt::ApplicationModal);
    SearchSettingsPanel* settings = w->settingsPanel();

    // 个位 单选 杀, 通选 not available at 个位.
    EXPECT_TRUE(settings->positionButton(1)->isChecked());
    EXPECT_TRUE(settings->singleButton()->isChecked());
    EXPECT_FALSE(settings->groupButton()->isEnabled());
    EXPECT_TRUE(settings->killButton()->isChecked());
    std::array<QString, kThresholdSlots> expected = kKillDefaults;
    expected[0] = "91.5";
    EXPECT_EQ(shownThresholds(w), expected);
    EXPECT_EQ(settings->operandSlider()->value(), 8);
    EXPECT_EQ(in<QLineEdit>(w, QStringLiteral("operandCountField"))->text(), "8");
    EXPECT_TRUE(in<QRadioButton>(w, QStringLiteral("constantSpecified"))->isChecked());
    EXPECT_EQ(in<QLineEdit>(w, QStringLiteral("constantField"))->text(), "0");
    EXPECT_TRUE(in<QRadioButton>(w, QStringLiteral("formBracket"))->isChecked());
    EXPECT_FALSE(in<QCheckBox>(w, QStringLiteral("autoStopCheck"))->isChecked());
    EXPECT_EQ(settings->autoStopField()->text(), "50");
    EXPECT_EQ(verifiedShown(w), 0);
    EXPECT_EQ(foundShown(w), 0);

    // The scheme opens with empty quotas, 保有 and the append box.
    SchemePanel* scheme = w->schemePanel();
    for (int kind = 1; kind <= 6; ++kind) {
        EXPECT_TRUE(scheme->quotaField(kind)->text().isEmpty()) << kind;
    }
    EXPECT_FALSE(scheme->quotaField(4)->isEnabled());
    EXPECT_TRUE(in<QRadioButton>(w, QStringLiteral("quotaHold"))->isChecked());
    EXPECT_TRUE(in<QCheckBox>(w, QStringLiteral("autoAppendCheck"))->isChecked());
    EXPECT_FALSE(in<QCheckBox>(w, QStringLiteral("autoReplaceCheck"))->isChecked());

    // 十位 shows kind 2: defaults and its stored operand count; 通选 is offered again.
    click(settings->positionButton(2));
    EXPECT_EQ(shownThresholds(w), kKillDefaults);
    EXPECT_EQ(settings->operandSlider()->value(), 5);
    EXPECT_TRUE(settings->groupButton()->isEnabled());
    // 百位 通选 is kind 6; 生 shows its keep defaults.
    click(settings->positionButton(3));
    click(settings->groupButton());
    EXPECT_EQ(settings->thresholdField(0)->text(), "80");
    EXPECT_EQ(settings->thresholdField(3)->text(), "3");
    click(settings->keepButton());
    EXPECT_EQ(shownThresholds(w),
              (std::array<QString, kThresholdSlots>{"34", "100", "0", "12", "4", "32768", "0", "0", "2", "32768"}));
    // Back to 个位: 单选 is forced and 通选 disabled.
    click(settings->positionButton(1));
    EXPECT_TRUE(settings->singleButton()->isChecked());
    EXPECT_FALSE(settings->groupButton()->isEnabled());
    EXPECT_EQ(settings->thresholdField(0)->text(), "12");

    // The sample slider of the tuning runs 20..1000 from 20.
    QSlider* samples = w->tuningPanel()->sampleSlider();
    EXPECT_EQ(samples->minimum(), 20);
    EXPECT_EQ(samples->maximum(), 1000);
    EXPECT_EQ(samples->value(), 20);
    EXPECT_EQ(samples->singleStep(), 20);
    EXPECT_EQ(samples->pageStep(), 100);
    samples->setValue(300);
    EXPECT_EQ(in<QLineEdit>(w, QStringLiteral("tuningSamplesField"))->text(), "300");
    EXPECT_EQ(w->search().tuningSamples(), 300);
}

TEST_F(SearchWindowTest, ShowsTheSpaceAndTriesASmallOneToItsEnd)
{
    seed(320);
    open();
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    SearchSettingsPanel* settings = w->settingsPanel();
    EXPECT_EQ(settings->spaceSizeField()->text(), "43595145594"); // eight operands: C(84, 8)
    settings->operandSlider()->setValue(2);
    EXPECT_EQ(settings->spaceSizeField()->text(), "3003");
    click(in<QRadioButton>(w, QStringLiteral("constantRandom")));
    EXPECT_EQ(settings->spaceSizeField()->text(), "30030"); // every constant 0-9
    click(in<QRadioButton>(w, QStringLiteral("constantSpecified")));
    EXPECT_FALSE(settings->earlierDrawsCheck()->isChecked()); // off by default
    click(settings->earlierDrawsCheck());
    EXPECT_EQ(settings->spaceSizeField()->text(), "26796"); // 3 * 77 operands with 上期, 上上期: C(232, 2)
    EXPECT_EQ(m_settings->value(QStringLiteral("SSSZ"), QStringLiteral("QNQS")), "2");
    click(settings->earlierDrawsCheck());
    EXPECT_EQ(m_settings->value(QStringLiteral("SSSZ"), QStringLiteral("QNQS")), "0");

    // Nothing qualifies: the search tries all 3 003 candidates, says so and stops.
    typeThresholds(w, {"101", "100", "0", "32768", "0", "32768", "0", "32768", "0", "32768"});
    click(in<QPushButton>(w, QStringLiteral("startSearchButton")));
    ASSERT_TRUE(waitForRunEnd(w));
    EXPECT_EQ(verifiedShown(w), 3003);
    EXPECT_EQ(in<QLineEdit>(w, QStringLiteral("spaceProgressField"))->text(), "已检索 100.00% (3003 / 3003)");
    ASSERT_FALSE(m_dialogs.calls().empty());
    EXPECT_EQ(m_dialogs.calls().back().text, QStringLiteral("已检索全部 3003 个候选公式，合格 0 条"));
}

TEST_F(SearchWindowTest, SaveButtonsWriteTheStoreAndLoadBringsTheQuotasBack)
{
    seed(320);
    open();
    // Existing formulas of kind 1: 130 of them, more than the quota.
    {
        SQLite::Transaction transaction(m_session->database().sql());
        for (int i = 0; i < 130; ++i) {
            m_session->formulaStore().appendFormula(FormulaKind{1, Play::Single}, QStringLiteral("L1A+%1").arg(i),
                                                    QStringLiteral("f%1").arg(i), true);
        }
        transaction.commit();
    }
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    SearchSettingsPanel* settings = w->settingsPanel();
    SchemePanel* scheme = w->schemePanel();
    EXPECT_EQ(scheme->existingLabel(1)->text(), "130");
    EXPECT_EQ(scheme->existingLabel(2)->text(), "0");

    // Kind 5 生: keys "10".."19" of section "4"; its 杀 keys stay unwritten.
    click(settings->positionButton(2));
    click(settings->groupButton());
    click(settings->keepButton());
    typeThresholds(w, {"30", "99", "1", "15", "3", "400", "0", "5", "2", "300"});
    settings->operandSlider()->setValue(6);
    click(in<QPushButton>(w, QStringLiteral("saveKindSettingsButton")));
    EXPECT_EQ(m_settings->value("4", "10"), "30");
    EXPECT_EQ(m_settings->value("4", "11"), "99");
    EXPECT_EQ(m_settings->value("4", "17"), "5");
    EXPECT_EQ(m_settings->value("4", "19"), "300");
    for (int slot = 0; slot < 10; ++slot) {
        EXPECT_FALSE(m_settings->contains("4", QString::number(slot))) << slot;
    }
    EXPECT_EQ(m_settings->value("5", "text2"), "6");
    // A field that is not a number is stored as 0; the saved table is what the kind shows next time.
    type(settings->thresholdField(2), QStringLiteral("abc"));
    click(in<QPushButton>(w, QStringLiteral("saveKindSettingsButton")));
    EXPECT_EQ(m_settings->value("4", "12"), "0");
    click(settings->killButton());
    EXPECT_EQ(settings->thresholdField(0)->text(), "86");
    click(settings->keepButton());
    EXPECT_EQ(settings->thresholdField(0)->text(), "30");
    EXPECT_EQ(settings->thresholdField(2)->text(), "0");

    // "调用设置" on a fresh store: 100 everywhere but 通选个位; with 130 formulas of kind 1 it needs nothing,
    // so the total held is 4 x 100 needed + 130 existing.
    click(in<QPushButton>(w, QStringLiteral("loadSchemeButton")));
    for (int kind : {1, 2, 3, 5, 6}) {
        EXPECT_EQ(scheme->quotaField(kind)->text(), "100") << kind;
    }
    EXPECT_EQ(scheme->quotaField(4)->text(), "0");
    EXPECT_EQ(scheme->totalHeldLabel()->text(), "530");
    // 新增 counts every quota and clears the append box: 500.
    click(in<QRadioButton>(w, QStringLiteral("quotaAdd")));
    EXPECT_TRUE(in<QCheckBox>(w, QStringLiteral("autoReplaceCheck"))->isChecked());
    EXPECT_FALSE(in<QCheckBox>(w, QStringLiteral("autoAppendCheck"))->isChecked());
    EXPECT_EQ(scheme->totalHeldLabel()->text(), "500");
    type(scheme->quotaField(3), QStringLiteral("40"));
    EXPECT_EQ(scheme->totalHeldLabel()->text(), "440");
    // Checking append clears replace and adds the existing total.
    click(in<QCheckBox>(w, QStringLiteral("autoAppendCheck")));
    EXPECT_FALSE(in<QCheckBox>(w, QStringLiteral("autoReplaceCheck"))->isChecked());
    EXPECT_EQ(scheme->totalHeldLabel()->text(), "570");

    // "保存设置" writes the current sense's keys (生: 11..16); "调用设置" reads them back.
    click(in<QPushButton>(w, QStringLiteral("saveSchemeButton")));
    EXPECT_EQ(m_settings->value("SSSZ", "13"), "40");
    EXPECT_EQ(m_settings->value("SSSZ", "11"), "100");
    EXPECT_FALSE(m_settings->contains("SSSZ", "3"));
    type(scheme->quotaField(3), QStringLiteral("7"));
    click(in<QPushButton>(w, QStringLiteral("loadSchemeButton")));
    EXPECT_EQ(scheme->quotaField(3)->text(), "40");
}

TEST_F(SearchWindowTest, ManualSearchRunsPausesAtOnceAndAppendsIntoTheTables)
{
    seed(400);
    open();
    m_session->choices().setPosition(1); // the main window lists 个位单选 杀
    ASSERT_EQ(m_window->formulaModel()->rowCount(), 0);
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    // Bounds few candidates meet, so that the search is still running when paused: a kill rate of at least
    // 96% over the window with at most one miss in a row.
    typeThresholds(w, {"96", "100", "0", "1", "0", "32768", "0", "32768", "0", "32768"});
    type(in<QLineEdit>(w, QStringLiteral("constantField")), QStringLiteral("3"));

    auto* start = in<QPushButton>(w, QStringLiteral("startSearchButton"));
    auto* pause = in<QPushButton>(w, QStringLiteral("pauseSearchButton"));
    EXPECT_FALSE(pause->isEnabled());
    click(start);
    ASSERT_TRUE(w->search().running());
    EXPECT_TRUE(w->polling());
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(pause->isEnabled());
    // The counters move while the window handles events; some formulas qualify.
    ASSERT_TRUE(QTest::qWaitFor([&] { return foundShown(w) >= 3; }, 30000));
    const QString candidate = in<QLineEdit>(w, QStringLiteral("candidateField"))->text();
    EXPECT_TRUE(candidate.startsWith(QStringLiteral("[个位单选杀]"))) << candidate.toStdString();
    EXPECT_TRUE(candidate.endsWith(QStringLiteral("+3"))) << candidate.toStdString();
    EXPECT_GT(verifiedShown(w), foundShown(w));
    EXPECT_FALSE(in<QLineEdit>(w, QStringLiteral("stat0"))->text().isEmpty());

    click(pause);
    EXPECT_FALSE(w->search().running());
    EXPECT_FALSE(w->polling());
    const int verified = verifiedShown(w);
    const int found = foundShown(w);
    QTest::qWait(3 * SearchWindow::kPollIntervalMs);
    EXPECT_EQ(verifiedShown(w), verified);
    EXPECT_EQ(w->search().poll().verified, verified);
    ASSERT_EQ(w->resultList()->count(), found);
    // Results that came in over several polls: the list still follows the newest one.
    QListWidget* list = w->resultList();
    EXPECT_TRUE(list->viewport()->rect().intersects(list->visualItemRect(list->item(found - 1))));
    ASSERT_LT(found, kMaxFound);
    std::set<QString> distinct;
    for (const FoundFormula& f : w->search().foundFormulas()) {
        EXPECT_TRUE(f.expressionText.endsWith(QStringLiteral("+3")));
        EXPECT_EQ(f.expressionText.count(QLatin1Char('+')), 8); // 8 operands and the constant
        distinct.insert(f.displayText);
    }
    for (int i = 0; i < found; ++i) {
        EXPECT_TRUE(w->resultList()->item(i)->text().startsWith(QStringLiteral("[个位单选杀]")));
    }

    // Append: the message, the table, and the main window's list of 个位单选 杀 refreshed.
    m_dialogs.clear();
    click(in<QPushButton>(w, QStringLiteral("appendButton")));
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    // The empty table took every distinct formula; a formula found twice counts as there.
    EXPECT_EQ(m_dialogs.messages()[0].text, QStringLiteral("公式追加完毕！\n新增 %1 条公式，%2 条已在公式库中。")
                                                .arg(distinct.size())
                                                .arg(found - static_cast<int>(distinct.size())));
    EXPECT_EQ(m_dialogs.messages()[0].title, QStringLiteral("追加公式"));
    const FormulaKind units{1, Play::Single};
    EXPECT_EQ(m_session->formulaStore().count(units), static_cast<int>(distinct.size()));
    EXPECT_EQ(m_session->formulas().rowCount(), static_cast<int>(distinct.size()));
    EXPECT_EQ(m_window->formulaModel()->rowCount(), static_cast<int>(distinct.size()));
    for (int r = 0; r < m_session->formulas().rowCount(); ++r) {
        EXPECT_EQ(m_session->formulas().row(r).formula.idx, r + 1);
        EXPECT_TRUE(distinct.count(m_session->formulas().row(r).formula.displayText));
    }
    // The arrays are consumed, the visible list stays, the count beside the kind follows the table.
    EXPECT_EQ(foundShown(w), 0);
    EXPECT_EQ(w->resultList()->count(), found);
    EXPECT_EQ(w->schemePanel()->existingLabel(1)->text(), QString::number(distinct.size()));

    // Appending the same formulas again (a second save of nothing) leaves the table as it was.
    click(in<QPushButton>(w, QStringLiteral("appendButton")));
    EXPECT_EQ(m_session->formulaStore().count(units), static_cast<int>(distinct.size()));

    // "公式中文导出" writes the list and hands the file to the editor.
    click(in<QPushButton>(w, QStringLiteral("exportButton")));
    ASSERT_EQ(m_launcher.textFiles.size(), 1);
    EXPECT_EQ(m_launcher.textFiles[0], m_dir.filePath(m_session->nextIssue() + QStringLiteral("期3D彩公式.txt")));
    EXPECT_TRUE(QFile::exists(m_launcher.textFiles[0]));
    // The window says where (the main window's status line is behind it).
    EXPECT_EQ(in<ExportNotice>(w, QStringLiteral("exportNotice"))->text(),
              QStringLiteral("文件已写入：") + QDir::toNativeSeparators(m_launcher.textFiles[0]));

    // Closing discards the results: a new window starts empty.
    w->close();
    QTRY_VERIFY(m_window->searchWindow() == nullptr);
    w = openSearch();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->resultList()->count(), 0);
    EXPECT_EQ(verifiedShown(w), 0);
}

TEST_F(SearchWindowTest, UpdateReplacesOnlyTheSearchedKindInTheChosenForm)
{
    seed(400);
    open();
    m_session->choices().setPosition(1);
    const FormulaKind units{1, Play::Single};
    const FormulaKind tens{2, Play::Single};
    m_session->formulaStore().appendFormula(units, QStringLiteral("L1A+1"), QStringLiteral("old"), true);
    m_session->formulaStore().appendFormula(tens, QStringLiteral("L2A+1"), QStringLiteral("stays"), true);
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->schemePanel()->existingLabel(1)->text(), "1");
    typeThresholds(w, {"0", "100", "0", "32768", "0", "32768", "0", "32768", "0", "32768"});
    click(in<QRadioButton>(w, QStringLiteral("formEquation")));
    click(in<QRadioButton>(w, QStringLiteral("constantRandom")));
    w->settingsPanel()->operandSlider()->setValue(3);
    click(in<QCheckBox>(w, QStringLiteral("autoStopCheck")));
    type(w->settingsPanel()->autoStopField(), QStringLiteral("4"));
    click(in<QPushButton>(w, QStringLiteral("startSearchButton")));
    ASSERT_TRUE(waitForRunEnd(w));
    EXPECT_EQ(foundShown(w), 4);

    m_dialogs.clear();
    click(in<QPushButton>(w, QStringLiteral("updateButton")));
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    // The four found formulas replace the table; none of them repeats another.
    EXPECT_EQ(m_dialogs.messages()[0].text, QStringLiteral("公式更新完毕！\n写入 4 条公式，0 条重复。"));
    EXPECT_EQ(m_dialogs.messages()[0].title, QStringLiteral("更新公式"));
    const std::vector<Formula> saved = m_session->formulaStore().list(units, true);
    ASSERT_EQ(saved.size(), 4u); // the old formula is gone
    for (const Formula& f : saved) {
        EXPECT_TRUE(f.displayText.endsWith(QStringLiteral("=下期杀个位单选"))) << f.displayText.toStdString();
        EXPECT_EQ(f.expressionText.count(QLatin1Char('+')), 3); // three operands and the constant
        const QChar constant = f.expressionText.back();
        EXPECT_TRUE(constant.isDigit()) << f.expressionText.toStdString();
        EXPECT_TRUE(f.displayText.contains(QStringLiteral("+%1=").arg(constant))) << f.displayText.toStdString();
        EXPECT_TRUE(f.kill);
    }
    EXPECT_EQ(m_session->formulaStore().count(tens), 1);
    EXPECT_EQ(m_window->formulaModel()->rowCount(), 4);
    EXPECT_EQ(w->schemePanel()->existingLabel(1)->text(), "4");
    EXPECT_EQ(w->schemePanel()->existingLabel(2)->text(), "1");
}

TEST_F(SearchWindowTest, AtTheCapTheCounterReadsTheCapBeforeTheMessageAndClosingAsksBeforeDiscarding)
{
    seed(60);
    open();
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    // Every candidate qualifies, so the manual search runs into the limit of unsaved results.
    // Three operands: 79 079 distinct candidates, more than the limit (two would hold only 3 003).
    typeThresholds(w, {"0", "100", "0", "32768", "0", "32768", "0", "32768", "0", "32768"});
    w->settingsPanel()->operandSlider()->setValue(3);
    QStringList counterAtMessage;
    m_dialogs.onMessage(
        [&](const FakeDialogs::Call&) { counterAtMessage << in<QLineEdit>(w, QStringLiteral("foundField"))->text(); });
    click(in<QPushButton>(w, QStringLiteral("startSearchButton")));
    ASSERT_TRUE(waitForRunEnd(w));
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_TRUE(m_dialogs.messages()[0].text.contains(QString::number(kMaxFound)))
        << m_dialogs.messages()[0].text.toStdString();
    EXPECT_EQ(counterAtMessage, QStringList{QString::number(kMaxFound)});
    EXPECT_EQ(foundShown(w), kMaxFound);

    // Closing with the results unsaved asks; No keeps the window and its results.
    m_dialogs.clear();
    m_dialogs.answerMessage(Dialogs::Answer::No);
    w->close();
    QCoreApplication::processEvents();
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].text, QStringLiteral("搜索结果尚未保存，是否关闭？"));
    EXPECT_EQ(m_dialogs.messages()[0].buttons, Dialogs::Buttons::YesNo);
    EXPECT_EQ(m_dialogs.messages()[0].icon, Dialogs::Icon::Question);
    ASSERT_EQ(m_window->searchWindow(), w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->resultList()->count(), kMaxFound);
    // Esc asks as well; Yes discards them with the window.
    m_dialogs.answerMessage(Dialogs::Answer::Yes);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(m_dialogs.messages().size(), 2u);
    QTRY_VERIFY(m_window->searchWindow() == nullptr);
    m_dialogs.onMessage({});
}

TEST_F(SearchWindowTest, SchemeWalksTheKindsMarksThemAndAppendsAtTheEnd)
{
    seed(400);
    // Loose bounds for every kind of the kill sense, as stored settings: every candidate qualifies.
    open();
    for (const QString section : {"0", "1", "2", "4", "5"}) {
        for (int slot = 0; slot < 10; ++slot) {
            m_settings->setValue(section, QString::number(slot), slot % 2 == 0 ? "0" : "32768");
        }
    }
    m_session->formulaStore().appendFormula(FormulaKind{2, Play::Single}, QStringLiteral("L1A+1"),
                                            QStringLiteral("[十位单选杀]百位码+1"), true);
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    SchemePanel* scheme = w->schemePanel();
    // 保有 with append: kind 2 holds one formula already, so it needs only one more.
    for (int kind : {1, 2, 3, 5, 6}) {
        type(scheme->quotaField(kind), QStringLiteral("2"));
    }
    const QColor plain = scheme->kindLabel(1)->palette().color(QPalette::WindowText);
    m_dialogs.clear();
    click(scheme->startButton());
    ASSERT_TRUE(waitForRunEnd(w));
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    // Two of each of the five kinds, one of which 十位单选 held before: nine new.
    EXPECT_EQ(m_dialogs.messages()[0].text, QStringLiteral("公式追加完毕！\n新增 9 条公式，0 条已在公式库中。"));
    EXPECT_EQ(m_session->formulaStore().count(FormulaKind{1, Play::Single}), 2);
    EXPECT_EQ(m_session->formulaStore().count(FormulaKind{2, Play::Single}), 2);
    EXPECT_EQ(m_session->formulaStore().count(FormulaKind{3, Play::Single}), 2);
    EXPECT_EQ(m_session->formulaStore().count(FormulaKind{2, Play::Group}), 2);
    EXPECT_EQ(m_session->formulaStore().count(FormulaKind{3, Play::Group}), 2);
    EXPECT_EQ(w->resultList()->count(), 9);
    EXPECT_EQ(m_session->choices().kind(), (FormulaKind{3, Play::Single})); // what the main window shows
    EXPECT_EQ(m_window->formulaModel()->rowCount(), 2);
    for (int kind : {1, 2, 3, 5, 6}) {
        EXPECT_EQ(scheme->kindLabel(kind)->palette().color(QPalette::WindowText), QColor(0, 0, 255)) << kind;
        EXPECT_EQ(scheme->existingLabel(kind)->text(), "2") << kind;
    }
    EXPECT_EQ(scheme->kindLabel(4)->palette().color(QPalette::WindowText), plain);
    EXPECT_FALSE(scheme->continueButton()->isEnabled()); // finished: nothing to continue
    EXPECT_TRUE(scheme->startButton()->isEnabled());
    EXPECT_TRUE(w->settingsPanel()->positionButton(1)->isEnabled());
}

TEST_F(SearchWindowTest, SchemePausesWithTheCurrentKindRedAndContinues)
{
    seed(400);
    open();
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    SchemePanel* scheme = w->schemePanel();
    // The defaults of kind 1 are strict: the scheme stays on kind 1 long enough to be paused there.
    type(scheme->quotaField(1), QStringLiteral("30000"));
    click(scheme->startButton());
    ASSERT_TRUE(w->search().running());
    EXPECT_FALSE(w->settingsPanel()->positionButton(2)->isEnabled()); // the scheme chooses the kinds
    EXPECT_EQ(w->settingsPanel()->autoStopField()->text(), "30000");  // the target stands in the count field
    click(scheme->pauseButton());
    EXPECT_FALSE(w->search().running());
    EXPECT_EQ(scheme->kindLabel(1)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(scheme->continueButton()->isEnabled());
    EXPECT_TRUE(w->settingsPanel()->positionButton(2)->isEnabled());
    const int verified = verifiedShown(w);
    click(scheme->continueButton());
    ASSERT_TRUE(w->search().running());
    ASSERT_TRUE(QTest::qWaitFor([&] { return verifiedShown(w) > verified; }, 10000));
    click(scheme->pauseButton());
    EXPECT_FALSE(w->search().running());
}

TEST_F(SearchWindowTest, TuningFillsTheFieldsAndTheAllKindsTuningStoresItsSense)
{
    seed(400);
    open();
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    TuningPanel* tuning = w->tuningPanel();
    click(tuning->currentKindButton());
    ASSERT_TRUE(waitForRunEnd(w));
    EXPECT_EQ(verifiedShown(w), 20);
    EXPECT_EQ(tuning->progressBar()->value(), tuning->progressBar()->maximum());
    // The five tuned slots; the others keep the defaults. A last-hit bound is at least 1.
    EXPECT_NE(w->settingsPanel()->thresholdField(0)->text(), "94.6");
    EXPECT_EQ(w->settingsPanel()->thresholdField(1)->text(), "100");
    EXPECT_EQ(w->settingsPanel()->thresholdField(5)->text(), "32768");
    EXPECT_GE(w->settingsPanel()->thresholdField(8)->text().toInt(), 1);
    EXPECT_FALSE(m_settings->contains("0", "0")); // the current-kind tuning stores nothing

    // The all-kinds tuning asks first; Cancel does nothing.
    m_dialogs.clear();
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    click(tuning->allKindsButton());
    EXPECT_FALSE(w->polling());
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, QStringLiteral("更新参数默认设置"));
    EXPECT_FALSE(m_settings->contains("0", "0"));
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    click(tuning->allKindsButton());
    ASSERT_TRUE(waitForRunEnd(w));
    // 杀: keys "0".."9" of the five kinds' sections, none of the 生 keys.
    for (const QString section : {"0", "1", "2", "4", "5"}) {
        for (int slot = 0; slot < 10; ++slot) {
            EXPECT_TRUE(m_settings->contains(section, QString::number(slot))) << section.toStdString() << slot;
            EXPECT_FALSE(m_settings->contains(section, QString::number(slot + 10))) << section.toStdString();
        }
    }
    EXPECT_FALSE(m_settings->contains("3", "0"));
    EXPECT_FALSE(tuning->cancelButton()->isEnabled());
    // The window ends on the last kind tuned, showing its stored thresholds.
    EXPECT_TRUE(w->settingsPanel()->positionButton(3)->isChecked());
    EXPECT_TRUE(w->settingsPanel()->groupButton()->isChecked());
    EXPECT_FLOAT_EQ(w->settingsPanel()->thresholdField(0)->text().toFloat(), m_settings->value("5", "0").toFloat());
    EXPECT_EQ(w->settingsPanel()->thresholdField(3)->text(), m_settings->value("5", "3"));
}

TEST_F(SearchWindowTest, WheelMovesTheFocusedResultListOneLine)
{
    seed(400);
    open();
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    typeThresholds(w, {"0", "100", "0", "32768", "0", "32768", "0", "32768", "0", "32768"});
    click(in<QCheckBox>(w, QStringLiteral("autoStopCheck")));
    type(w->settingsPanel()->autoStopField(), QStringLiteral("200"));
    click(in<QPushButton>(w, QStringLiteral("startSearchButton")));
    ASSERT_TRUE(waitForRunEnd(w));
    QListWidget* list = w->resultList();
    ASSERT_EQ(list->count(), 200); // stopped at the automatic count
    // The list follows the newest results.
    EXPECT_TRUE(list->viewport()->rect().intersects(list->visualItemRect(list->item(199))));
    list->scrollToTop();
    list->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->wheelScroller()->target() == list; }, 2000));
    const QPointF at(list->width() / 2.0, list->height() / 2.0);
    QWheelEvent down(at, list->mapToGlobal(at), QPoint(), QPoint(0, -360), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(list->viewport(), &down);
    EXPECT_EQ(list->verticalScrollBar()->value(), 1);
    QWheelEvent up(at, list->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                   false);
    QApplication::sendEvent(list->viewport(), &up);
    QApplication::sendEvent(list->viewport(), &up);
    EXPECT_EQ(list->verticalScrollBar()->value(), 0);
}

} // namespace
} // namespace korvel::test
