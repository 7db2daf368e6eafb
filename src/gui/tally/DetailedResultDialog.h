#pragma once

#include "tally/FormulaDetail.h"

#include <QAbstractTableModel>
#include <QDialog>

class QPushButton;
class QTableView;

namespace korvel {

class Dialogs;
class Launcher;

// The rows of "详细结果列表" as a table: "序号", "公式", "类型", "生杀", "结果", "号码".
class DetailedResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DetailedResultModel(DetailedResultList list, QObject* parent = nullptr);

    const DetailedResultList& list() const { return m_list; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    DetailedResultList m_list;
    QStringList m_headers;
};

// "详细结果列表" (`frmXxlb`): the selected formulas of the last group tally with the values they gave, and
// "导出数据(&E)", which writes gongshi.xls and shows it. Opened modally by the result window. The dialogs and
// launcher must outlive it.
class DetailedResultDialog : public QDialog {
    Q_OBJECT
public:
    DetailedResultDialog(DetailedResultList list, Dialogs& dialogs, Launcher& launcher, QString folder,
                         QWidget* parent = nullptr);

    QTableView* grid() const { return m_grid; }
    DetailedResultModel* model() const { return m_model; }
    QPushButton* exportButton() const { return m_export; }

private:
    Dialogs& m_dialogs;
    Launcher& m_launcher;
    QString m_folder;
    DetailedResultModel* m_model;
    QTableView* m_grid;
    QPushButton* m_export;
};

} // namespace korvel
