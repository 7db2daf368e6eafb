#pragma once

#include "gui/WindowFixture.h"

#include "formula/FormulaStore.h"
#include "gui/history/HistoryGridModel.h"
#include "gui/verify/FormulaListModel.h"
#include "gui/verify/FormulaListView.h"
#include "verify/FormulaList.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <memory>
#include <vector>

namespace korvel::test {

// The main window with its formula list, and the ways a user reaches it: typing a formula, clicking and
// right-clicking list cells. Model testers watch the formula list and the history grid in every test.
class FormulaWindowFixture : public WindowFixture {
protected:
    void openWindow(QSize size = QSize(1180, 520))
    {
        open(QDate(2012, 5, 31), size);
        m_listTester = std::make_unique<QAbstractItemModelTester>(
            m_window->formulaModel(), QAbstractItemModelTester::FailureReportingMode::Warning);
        m_historyTester = std::make_unique<QAbstractItemModelTester>(
            m_window->historyModel(), QAbstractItemModelTester::FailureReportingMode::Warning);
    }

    void TearDown() override
    {
        m_listTester.reset();
        m_historyTester.reset();
        EXPECT_TRUE(m_dialogs.allAnswered()) << m_dialogs.pending() << " scripted answers left";
        WindowFixture::TearDown();
    }

    QLineEdit* input() const { return child<QLineEdit>(QStringLiteral("formulaInput")); }
    FormulaListView* grid() const { return m_window->formulaGrid(); }
    FormulaListModel* model() const { return m_window->formulaModel(); }
    FormulaList& list() const { return m_session->formulas(); }

    // Types the line into the input box, as an input method commits Chinese text, and presses
    // "添加所输公式(&A)".
    void typeFormula(const QString& line)
    {
        input()->setFocus();
        input()->selectAll();
        QInputMethodEvent commit;
        commit.setCommitString(line);
        QApplication::sendEvent(input(), &commit);
        ASSERT_EQ(input()->text(), line);
        QTest::mouseClick(child<QPushButton>(QStringLiteral("addFormulaButton")), Qt::LeftButton);
    }

    // Stores formulas of one kind straight into the table (as an import would) and refreshes the window.
    struct Stored {
        QString expressionText;
        QString displayText;
        bool kill = true;
    };
    void storeFormulas(const FormulaKind& kind, const std::vector<Stored>& formulas)
    {
        for (const Stored& f : formulas) {
            ASSERT_GT(m_session->formulaStore().appendFormula(kind, f.expressionText, f.displayText, f.kill), 0);
        }
        m_session->refreshAll();
        QCoreApplication::processEvents();
    }

    QString cell(int row, int column) const { return model()->index(row, column).data().toString(); }
    QColor background(int row, int column) const
    {
        return model()->index(row, column).data(Qt::BackgroundRole).value<QBrush>().color();
    }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r) {
            out << cell(r, c);
        }
        return out;
    }

    void clickCell(int row, int column)
    {
        const QModelIndex index = model()->index(row, column);
        grid()->scrollTo(index);
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualRect(index).center());
    }

    // A right click on a row opens "管理" for it.
    QMenu* rightClick(int row)
    {
        const QModelIndex index = model()->index(row, FormulaList::ColFormula);
        grid()->scrollTo(index);
        const QPoint at = grid()->visualRect(index).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid()->viewport(), &event);
        return grid()->contextMenu();
    }

    // Chooses an item of the open menu "管理" and closes it, as a click on the item does.
    void chooseMenuItem(const QString& name)
    {
        QMenu* menu = grid()->contextMenu();
        EXPECT_TRUE(menu->isVisible()) << "the menu is not open";
        menu->hide();
        triggerAction(name);
        QCoreApplication::processEvents();
    }

    static QColor blue() { return QColor(0, 0, 255); }
    static QColor green() { return QColor(0, 255, 0); }
    static QColor white() { return QColor(255, 255, 255); }
    static QColor buttonFace() { return QGuiApplication::palette().button().color(); }

    std::unique_ptr<QAbstractItemModelTester> m_listTester;
    std::unique_ptr<QAbstractItemModelTester> m_historyTester;
};

} // namespace korvel::test
