#pragma once

#include "formula/FormulaKind.h"
#include "tally/RankingList.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QWidget>

#include <memory>

class QButtonGroup;
class QPushButton;
class QRadioButton;
class QTableView;

namespace korvel {

class RankChartView;

class Dialogs;
class Launcher;

// "历史开奖列表" as a table: the 27 fixed columns and one column per Err value, the rank-digit cells of the
// drawn digits on blue. Reads the RankingList it is given; data() only formats a number or indexes a row.
class RankingListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RankingListModel(QObject* parent = nullptr);

    void setList(RankingList list);
    const RankingList& list() const { return m_list; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    RankingList m_list;
    QStringList m_headers;
    QBrush m_drawn;
    QBrush m_onDrawn;
};

// "历史开奖列表" (`frmLslb`): for every draw after the first, its digits beside the ranking the selected
// formulas gave on the draw before. The window's own position ("个位", "十位", "百位") and play ("单选",
// "通选") choices start as the main window's; "查询该位该类对应号历史排序结果" lists the ranking store again
// for them without computing anything. "查询结果导出(&O)" writes Print.xls, a double-click on the list
// Jieguo.xls, each then shown. Under the list the rank chart counts the ranks of the drawn digits for the
// same choices ("导出图片" writes it as PNG). The dialogs and launcher must outlive the window.
class RankingListWindow : public QWidget {
    Q_OBJECT
public:
    RankingListWindow(Dialogs& dialogs, Launcher& launcher, QString folder, QWidget* parent = nullptr);

    // A new run's store, listed for the position and play given (the main window's).
    void setStore(std::shared_ptr<const RankingStore> store, int position, Play play);
    const RankingStore* store() const { return m_store.get(); }

    int position() const;
    Play play() const;
    void choose(int position, Play play);
    // "查询该位该类对应号历史排序结果".
    void query();
    // Brings the newest draw into view (again once the window is shown).
    void scrollToNewest();
    void exportQuery();
    void exportOnDoubleClick();
    QString exportChartPicture();

    QTableView* grid() const { return m_grid; }
    RankingListModel* model() const { return m_model; }
    QRadioButton* positionOption(int position) const;
    QRadioButton* playOption(Play play) const;
    QPushButton* queryButton() const { return m_query; }
    QPushButton* exportButton() const { return m_export; }
    RankChartView* rankChart() const { return m_chart; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void positionChosen(int position);

    Dialogs& m_dialogs;
    Launcher& m_launcher;
    QString m_folder;
    std::shared_ptr<const RankingStore> m_store;
    RankingListModel* m_model;
    QTableView* m_grid;
    QButtonGroup* m_positions;
    QButtonGroup* m_plays;
    QPushButton* m_query;
    QPushButton* m_export;
    RankChartView* m_chart;
    QPushButton* m_chartPicture;
};

} // namespace korvel
