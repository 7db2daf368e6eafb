#pragma once

#include "gui/verify/FormulaWindowFixture.h"

#include "gui/tally/TallyCommands.h"
#include "gui/tally/TallyResultWindow.h"
#include "support/XlsReadBack.h"

#include <QAbstractItemModelTester>
#include <QDialog>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace korvel::test {

// The main window as the program assembles it (every command attached), and the ways a user reaches
// the tally windows: the choice panel, "计算公式(&C)", the modal dialogs on the way, the grids of the windows
// that open. Every model of a window is watched by a model tester.
class TallyWindowFixture : public FormulaWindowFixture {
protected:
    void TearDown() override
    {
        m_testers.clear();
        FormulaWindowFixture::TearDown();
    }

    void openTallyWindow(int draws = 5, QSize size = QSize(1180, 520))
    {
        seed(draws);
        m_wiring = Wiring::Program;
        openWindow(size);
        m_commands = &m_assembly->tally();
    }

    void watch(QAbstractItemModel* model)
    {
        ASSERT_NE(model, nullptr);
        m_testers.push_back(
            std::make_unique<QAbstractItemModelTester>(model, QAbstractItemModelTester::FailureReportingMode::Warning));
    }

    // A click on a radio button of the choice panel.
    void choose(const QString& name)
    {
        QRadioButton* radio = child<QRadioButton>(name);
        ASSERT_NE(radio, nullptr);
        ASSERT_TRUE(radio->isEnabled()) << name.toStdString();
        // On the indicator: a radio button's hit area is its indicator and caption, not its whole width.
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(radio->height() / 2, radio->height() / 2));
        QCoreApplication::processEvents();
        ASSERT_TRUE(radio->isChecked()) << name.toStdString();
    }

    // Types an issue into the verify box (which chooses "验证历史结果").
    void typeVerifyIssue(const QString& issue)
    {
        QLineEdit* edit = child<QLineEdit>(QStringLiteral("verifyIssueEdit"));
        edit->setFocus();
        QCoreApplication::processEvents();
        edit->selectAll();
        QTest::keyClicks(edit, issue);
        ASSERT_EQ(m_session->choices().verifyIssue(), issue);
    }

    // Runs `answer` on the modal dialog `name` once it is up; a dialog that never comes up fails the test.
    void whenDialogOpens(const QString& name, std::function<void(QDialog*)> answer)
    {
        QTimer::singleShot(0, m_window, [this, name, answer] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != name) {
                ADD_FAILURE() << "the dialog " << name.toStdString() << " is not open";
                if (dialog) {
                    dialog->reject();
                }
                return;
            }
            answer(dialog);
        });
    }

    // "公式排序设置" answered with the limit typed and "确定(&O)".
    void answerSortDialog(const QString& limit)
    {
        whenDialogOpens(QStringLiteral("sortSettingsDialog"), [limit](QDialog* dialog) {
            auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("sortLimitBox"));
            box->selectAll();
            QTest::keyClicks(box, limit);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("sortOkButton")), Qt::LeftButton);
        });
    }

    void pressCompute()
    {
        QTest::mouseClick(child<QPushButton>(QStringLiteral("computeButton")), Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    TallyResultWindow* resultWindow(ResultView view)
    {
        TallyResultWindow* w = m_commands->resultWindow(view);
        if (w) {
            for (int p = 0; p < w->pageCount(); ++p) {
                if (!m_watched.contains(w->listGrid(p)->model())) {
                    m_watched << w->listGrid(p)->model() << w->summaryGrid(p)->model();
                    watch(w->listGrid(p)->model());
                    watch(w->summaryGrid(p)->model());
                }
            }
        }
        return w;
    }

    // The texts of a grid's column, top to bottom.
    static QStringList gridColumn(const QTableView* grid, int column)
    {
        QStringList out;
        const QAbstractItemModel* m = grid->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            out << m->index(r, column).data().toString();
        }
        return out;
    }
    // Rows of a grid, each as its cells joined by "|".
    static QStringList gridRows(const QTableView* grid)
    {
        QStringList out;
        const QAbstractItemModel* m = grid->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(); ++c) {
                cells << m->index(r, c).data().toString();
            }
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    static QStringList gridHeaders(const QTableView* grid)
    {
        QStringList out;
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            out << grid->model()->headerData(c, Qt::Horizontal).toString();
        }
        return out;
    }
    static QColor textColour(const QTableView* grid, int row, int column)
    {
        return grid->model()->index(row, column).data(Qt::ForegroundRole).value<QBrush>().color();
    }

    // A double-click on a cell of a grid as the window system delivers it: press, release, press, double
    // click, release (QTest's double click alone is only the double-click event).
    static void doubleClick(QTableView* grid, int row, int column)
    {
        const QModelIndex index = grid->model()->index(row, column);
        grid->scrollTo(index);
        const QPoint at = grid->visualRect(index).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
    }

    // The cells of an .xls as xlrd (an implementation of the format independent of ours) reads them:
    // (row, column) -> the text, or the number written as text.
    static QMap<QPair<int, int>, QString> sheetCells(const QString& path)
    {
        QMap<QPair<int, int>, QString> out;
        QString error;
        const QJsonObject book = XlsReadBack::workbook(path, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_EQ(book.value(QStringLiteral("sheets")).toArray().first().toString(), "Sheet1");
        for (const QJsonValue& v : book.value(QStringLiteral("cells")).toArray()) {
            const QJsonArray c = v.toArray();
            const QJsonValue value = c.at(3);
            out.insert({c.at(0).toInt(), c.at(1).toInt()},
                       value.isDouble() ? QString::number(value.toDouble()) : value.toString());
        }
        return out;
    }

    static QColor green() { return QColor(0, 255, 0); }
    // "滤杀" text: the green mark's hue, dark enough to read on white.
    static QColor filteredText() { return QColor(0, 128, 0); }
    static QColor black() { return QColor(0, 0, 0); }

    TallyCommands* m_commands = nullptr;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> m_testers;
    QList<const QAbstractItemModel*> m_watched;
};

} // namespace korvel::test
