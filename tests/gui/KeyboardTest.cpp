#include "gui/search/SearchWindowFixture.h"

#include "formula/FormulaStore.h"
#include "gui/ChartCommands.h"
#include "gui/history/HistoryGridView.h"
#include "gui/settings/SettingsMenu.h"
#include "gui/tally/TallyCommands.h"
#include "gui/verify/FormulaListModel.h"
#include "gui/verify/FormulaListView.h"
#include "gui/verify/HitChartWindow.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QKeySequence>
#include <QMenu>
#include <QRegularExpression>

#include <map>

namespace korvel::test {
namespace {

// A caption that shows a letter in parentheses, "(N)" or "（N）", as its accelerator.
QChar shownAccelerator(const QString& caption)
{
    static const QRegularExpression shown(QStringLiteral("[(（]&?([A-Za-z])[)）]"));
    const QRegularExpressionMatch m = shown.match(caption);
    return m.hasMatch() ? m.captured(1).at(0).toUpper() : QChar();
}

// Every caption that shows an accelerator carries it (an "&" before the letter), and no two captions of
// one window or menu share a letter.
void expectWorkingAndUnique(const QStringList& captions, const QString& scope)
{
    std::map<QChar, QString> taken;
    for (const QString& caption : captions) {
        const QChar shown = shownAccelerator(caption);
        const QKeySequence key = QKeySequence::mnemonic(caption);
        if (!shown.isNull()) {
            EXPECT_FALSE(key.isEmpty()) << scope.toStdString() << ": \"" << caption.toStdString()
                                        << "\" shows an accelerator that does nothing";
        }
        if (key.isEmpty()) {
            continue;
        }
        const QChar letter = key.toString().back().toUpper();
        const auto [it, added] = taken.emplace(letter, caption);
        EXPECT_TRUE(added) << scope.toStdString() << ": \"" << caption.toStdString() << "\" and \""
                           << it->second.toStdString() << "\" share Alt+" << QString(letter).toStdString();
    }
}

QStringList buttonCaptions(QWidget* window)
{
    QStringList out;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (b->window() == window && !b->isHidden()) {
            out << b->text();
        }
    }
    for (QGroupBox* box : window->findChildren<QGroupBox*>()) {
        if (box->window() == window) {
            out << box->title();
        }
    }
    return out;
}

QStringList actionCaptions(const QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions()) {
        if (a->isVisible() && !a->isSeparator()) {
            out << a->text();
        }
    }
    return out;
}

class KeyboardTest : public SearchWindowTest {};

TEST_F(KeyboardTest, EveryAcceleratorOfTheMainWindowAndItsMenusIsRealAndUnique)
{
    seed(40);
    openProgram();
    expectWorkingAndUnique(buttonCaptions(m_window), QStringLiteral("main window"));
    expectWorkingAndUnique(actionCaptions(m_window->formulaGrid()->contextMenu()), QStringLiteral("管理"));
    expectWorkingAndUnique(actionCaptions(m_window->historyGrid()->contextMenu()), QStringLiteral("历史管理"));
    expectWorkingAndUnique(actionCaptions(m_window->settingsMenu()), QStringLiteral("设置"));
    // The two commands that had none have one now.
    EXPECT_FALSE(QKeySequence::mnemonic(child<QPushButton>(QStringLiteral("backtestButton"))->text()).isEmpty());
    QAction* hitChart = m_window->findChild<QAction*>(QStringLiteral("actionHitChart"));
    ASSERT_NE(hitChart, nullptr);
    EXPECT_FALSE(QKeySequence::mnemonic(hitChart->text()).isEmpty());
}

TEST_F(KeyboardTest, AltAndTheShownLetterRunTheCommand)
{
    seed(40);
    openProgram();
    // Alt+N: "读取公式文本(N)" asks for a file (cancelled here).
    m_dialogs.answerFile(QString());
    QTest::keyClick(m_window, Qt::Key_N, Qt::AltModifier);
    // A mnemonic clicks the button after its short press animation.
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_dialogs.calls().empty(); }, 3000));
    EXPECT_EQ(m_dialogs.calls().back().kind, FakeDialogs::Kind::OpenFile);

    // Alt+ the letter of 方法回测 opens the backtest window.
    const QKeySequence backtest = QKeySequence::mnemonic(child<QPushButton>(QStringLiteral("backtestButton"))->text());
    ASSERT_FALSE(backtest.isEmpty());
    QTest::keySequence(m_window, backtest);
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return m_window->findChild<QWidget*>(QStringLiteral("backtestWindow")) != nullptr; }, 3000));
}

TEST_F(KeyboardTest, TheHitChartLetterInTheOpenFormulaMenuOpensTheChart)
{
    seed(40);
    openProgram();
    ASSERT_GT(m_session->formulaStore().appendFormula(FormulaKind{3, Play::Single}, QStringLiteral("L1A+1"),
                                                      QStringLiteral("百位码+1=下期杀 百位单选"), true),
              0);
    m_session->refreshAll();
    QCoreApplication::processEvents();
    FormulaListView* grid = m_window->formulaGrid();
    ASSERT_EQ(m_window->formulaModel()->rowCount(), 1); // the list of the window's kind, 百位单选
    grid->openMenuForRow(0, grid->viewport()->mapToGlobal(QPoint(10, 10)));
    QMenu* menu = grid->contextMenu();
    ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000));
    const QString letter =
        QKeySequence::mnemonic(m_window->findChild<QAction*>(QStringLiteral("actionHitChart"))->text())
            .toString()
            .right(1);
    QTest::keyClick(menu, letter.toLower().at(0).toLatin1());
    QTest::qWait(20);
    ChartCommands* charts = m_window->findChild<ChartCommands*>(QStringLiteral("chartCommands"));
    ASSERT_NE(charts, nullptr);
    ASSERT_NE(charts->hitChartWindow(), nullptr);
    EXPECT_TRUE(charts->hitChartWindow()->isVisible());
}

TEST_F(KeyboardTest, TheSearchWindowOrdersThePositionsAsTheMainWindowAndHasUniqueAccelerators)
{
    seed(40);
    open();
    // Main window: 个位, 十位, 百位 from the left.
    const auto leftOf = [](QWidget* a, QWidget* b) {
        return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
    };
    auto* units = child<QRadioButton>(QStringLiteral("positionUnits"));
    auto* tens = child<QRadioButton>(QStringLiteral("positionTens"));
    auto* hundreds = child<QRadioButton>(QStringLiteral("positionHundreds"));
    ASSERT_TRUE(leftOf(units, tens) || units->y() < tens->y());
    ASSERT_TRUE(leftOf(tens, hundreds) || tens->y() < hundreds->y());

    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    SearchSettingsPanel* settings = w->settingsPanel();
    EXPECT_TRUE(leftOf(settings->positionButton(1), settings->positionButton(2)));
    EXPECT_TRUE(leftOf(settings->positionButton(2), settings->positionButton(3)));
    EXPECT_EQ(settings->positionButton(1)->text(), "个位");
    EXPECT_EQ(settings->positionButton(3)->text(), "百位");
    expectWorkingAndUnique(buttonCaptions(w), QStringLiteral("search window"));
    w->close();
}

} // namespace
} // namespace korvel::test
