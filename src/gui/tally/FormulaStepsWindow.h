#pragma once

#include "tally/FormulaSteps.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <memory>

class QPushButton;
class QTableView;

namespace korvel {

class Dialogs;
class Launcher;

// The computation steps of one formula as a table: "期号", "当期号码", the formula's Chinese text,
// "计算值(算下期)", one row per draw, oldest first. Texts are built once; data() only indexes them.
class FormulaStepsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FormulaStepsModel(QObject* parent = nullptr);

    void setSteps(std::shared_ptr<const FormulaSteps> steps);
    const FormulaSteps* steps() const { return m_steps.get(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const FormulaSteps> m_steps;
    std::vector<QString> m_values; // "计算值(算下期)" per row
};

// "公式计算步骤" (`frmGsbz`), opened by "查询该公式历史计算式(&U)": the formula's computation on every draw
// and "导出数据(&E)", which writes LSJS.xls and shows it (an explicit command, so that a click on the grid
// only moves about it). The newest draw is scrolled into view. The dialogs and launcher must outlive it.
class FormulaStepsWindow : public QWidget {
    Q_OBJECT
public:
    FormulaStepsWindow(Dialogs& dialogs, Launcher& launcher, QString folder, QWidget* parent = nullptr);

    void setSteps(std::shared_ptr<const FormulaSteps> steps);
    // Brings the newest draw into view (again once the window is shown).
    void scrollToNewest();

    QTableView* grid() const { return m_grid; }
    FormulaStepsModel* model() const { return m_model; }
    QPushButton* exportButton() const { return m_export; }
    void exportSteps();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Dialogs& m_dialogs;
    Launcher& m_launcher;
    QString m_folder;
    FormulaStepsModel* m_model;
    QTableView* m_grid;
    QPushButton* m_export;
};

} // namespace korvel
