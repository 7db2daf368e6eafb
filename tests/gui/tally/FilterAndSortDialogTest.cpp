#include "gui/verify/FormulaWindowFixture.h"

#include "gui/tally/FormulaFilterDialog.h"
#include "gui/tally/SortSettingsDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

namespace korvel::test {
namespace {

// Five real draws: 百位 0 5 9 7 9. Three kill formulas of 百位单选 over the window of all five draws
// (weights 1 4 9 16 25, total 55; the first draw is a miss):
//   百位码+2  predicts 2 7 1 9  -> miss hit hit hit miss: 29/55 = 52.7273%, runs 1/3, last 1/0
//   3         never meets 百位  -> miss hit hit hit hit : 54/55 = 98.1818%, runs 1/4, last 0/4
//   9         meets 9 twice     -> miss hit miss hit miss: 20/55 = 36.3636%, runs 1/1, last 1/0
class FilterAndSortDialogTest : public FormulaWindowFixture {
protected:
    void SetUp() override
    {
        FormulaWindowFixture::SetUp();
        seed(5);
        openWindow();
        storeFormulas(FormulaKind{3, Play::Single},
                      {{"L1A+2", "百位码+2=下期杀 百位单选"}, {"3", "3=下期杀 百位单选"}, {"9", "9=下期杀 百位单选"}});
        ASSERT_EQ(cell(0, FormulaList::ColRate), "52.7273% (29/55)");
        ASSERT_EQ(cell(1, FormulaList::ColRate), "98.1818% (54/55)");
        ASSERT_EQ(cell(2, FormulaList::ColRate), "36.3636% (20/55)");
    }

    FormulaFilterDialog* openFilter()
    {
        QTest::mouseClick(child<QPushButton>(QStringLiteral("filterSettingsButton")), Qt::LeftButton);
        FormulaFilterDialog* dialog = m_window->filterDialog();
        EXPECT_TRUE(dialog->isVisible());
        activate(dialog);
        return dialog;
    }

    QStringList boxes(const FormulaFilterDialog* dialog) const
    {
        QStringList out;
        for (int i = 0; i < FormulaFilter::kBoxCount; ++i) {
            out << dialog->box(i)->text();
        }
        return out;
    }

    static void activate(QWidget* dialog)
    {
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    }

    static void retype(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }
};

TEST_F(FilterAndSortDialogTest, TheFilterDialogShowsTheRangesOfTheSelectionAndNarrowsIt)
{
    FormulaFilterDialog* dialog = openFilter();
    EXPECT_EQ(dialog->windowTitle(), "公式过滤设置窗口");
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->findChild<QGroupBox*>(QStringLiteral("filterFrame"))->title(), "公式参数");
    QStringList labels;
    for (const QLabel* l : dialog->findChildren<QLabel*>()) {
        labels << l->text();
    }
    for (const char* name : {"正确率", "最大连错", "最大连对", "最后连错", "最后连对"}) {
        EXPECT_TRUE(labels.contains(QString::fromUtf8(name))) << name;
    }
    EXPECT_EQ(labels.count(QStringLiteral("到")), 5);
    EXPECT_EQ(dialog->okButton()->text(), "确定(&K)");

    // Minimum in the lower box, maximum in the upper one, per statistic in the order of the rows.
    EXPECT_EQ(boxes(dialog), (QStringList{"36.36364", "98.18182", "1", "1", "1", "4", "0", "1", "0", "4"}));

    // The pre-filled ranges keep every selected formula.
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "公式过滤结果");
    EXPECT_EQ(m_dialogs.messages()[0].text, "过滤后公式剩余3条");
    EXPECT_EQ(list().selectedCount(), 3);

    // A rate of 40 to 100 drops the formula of 36.3636%; its number turns grey.
    dialog = openFilter();
    retype(dialog->box(0), QStringLiteral("40"));
    retype(dialog->box(1), QStringLiteral("100"));
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    EXPECT_EQ(m_dialogs.messages().back().text, "过滤后公式剩余2条");
    EXPECT_EQ(background(2, FormulaList::ColNumber), buttonFace());
    EXPECT_EQ(background(0, FormulaList::ColNumber), blue());

    // Opened again, it spans only the two selected formulas; a current hit run of at least 1 leaves one.
    dialog = openFilter();
    EXPECT_EQ(boxes(dialog), (QStringList{"52.72727", "98.18182", "1", "1", "3", "4", "0", "1", "0", "4"}));
    retype(dialog->box(8), QStringLiteral("1"));
    QTest::keyClick(dialog->box(8), Qt::Key_Return); // the default button
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(m_dialogs.messages().back().text, "过滤后公式剩余1条");
    EXPECT_TRUE(list().isSelected(2));
    EXPECT_FALSE(list().isSelected(1));

    // The filter never selects: widened ranges leave the unselected as they are.
    dialog = openFilter();
    retype(dialog->box(0), QStringLiteral("0"));
    retype(dialog->box(8), QStringLiteral("0"));
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    EXPECT_EQ(m_dialogs.messages().back().text, "过滤后公式剩余1条");
}

TEST_F(FilterAndSortDialogTest, EnteringAFilterBoxSelectsItsWholeText)
{
    FormulaFilterDialog* dialog = openFilter();
    QLineEdit* box = dialog->box(3);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    EXPECT_TRUE(QTest::qWaitFor([box] { return !box->text().isEmpty() && box->selectedText() == box->text(); }, 1000));
    dialog->reject();
}

TEST_F(FilterAndSortDialogTest, TheSortDialogKeepsItsChoicesResetsTheLimitAndStoresOnlyOnConfirm)
{
    SortSettingsDialog* dialog = m_window->sortSettingsDialog();
    dialog->show();
    activate(dialog);
    EXPECT_EQ(dialog->windowTitle(), "公式排序设置");
    EXPECT_TRUE(dialog->isModal());
    const QStringList groups = {"第一排序", "第二排序", "第三排序"};
    const QStringList options = {"正确率", "最大连错", "最大连对", "最后连错", "最后连对"};
    for (int g = 0; g < 3; ++g) {
        EXPECT_EQ(dialog->findChild<QGroupBox*>(QStringLiteral("sortGroup%1").arg(g + 1))->title(), groups[g]);
        for (int o = 0; o < 5; ++o) {
            EXPECT_EQ(dialog->option(g, o)->text(), options[o]);
        }
    }
    // Defaults: 正确率, 最大连对, 最后连对; the limit box shows 3.
    EXPECT_TRUE(dialog->option(0, 0)->isChecked());
    EXPECT_TRUE(dialog->option(1, 2)->isChecked());
    EXPECT_TRUE(dialog->option(2, 4)->isChecked());
    EXPECT_EQ(dialog->limitBox()->text(), "3");
    EXPECT_EQ(dialog->okButton()->text(), "确定(&O)");
    EXPECT_FALSE(m_session->sortSettings().confirmed);

    // 最后连错 first, limit 5, confirmed: every key descending.
    dialog->option(0, 3)->click();
    dialog->limitBox()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([dialog] { return dialog->limitBox()->selectedText() == "3"; }, 1000));
    QTest::keyClicks(dialog->limitBox(), QStringLiteral("5")); // the whole text was selected on entry
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const SortSettings& s = m_session->sortSettings();
    EXPECT_TRUE(s.confirmed);
    EXPECT_EQ(s.sortKeys, (std::array<QString, 3>{"intGsErrLst", "intGsTrueCon", "intGsTrueLst"}));
    EXPECT_EQ(s.sortDescending, (std::array<bool, 3>{true, true, true}));
    EXPECT_EQ(s.keepLimit, 5);

    // Shown again: the choice stays, the limit box reads 3; closing another way stores nothing.
    dialog->show();
    EXPECT_TRUE(dialog->option(0, 3)->isChecked());
    EXPECT_EQ(dialog->limitBox()->text(), "3");
    dialog->option(1, 0)->click();
    dialog->limitBox()->setText(QStringLiteral("8"));
    dialog->reject();
    EXPECT_EQ(m_session->sortSettings().keepLimit, 5);
    EXPECT_EQ(m_session->sortSettings().sortKeys[1], "intGsTrueCon");
}

} // namespace
} // namespace korvel::test
