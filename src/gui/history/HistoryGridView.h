#pragma once

#include <QTableView>

class QAction;
class QMenu;

namespace korvel {

class HistoryGridModel;

// The history grid: the draws in issue order over a HistoryGridModel, with the context menu "历史管理"
// (export of the list, and three deletion commands). Every mouse release on a row, and a right click,
// reports that row's issue as the selected issue. The actions are the window's to connect.
class HistoryGridView : public QTableView {
    Q_OBJECT
public:
    explicit HistoryGridView(HistoryGridModel* model, QWidget* parent = nullptr);

    QMenu* contextMenu() const { return m_menu; }
    QAction* exportListAction() const { return m_exportList; }
    QAction* deleteAllAction() const { return m_deleteAll; }
    QAction* deleteToChosenAction() const { return m_deleteToChosen; }
    QAction* deleteLastCountAction() const { return m_deleteLastCount; }

    // With 30 rows or more, scrolls so that the newest row is the top row as far as the grid can scroll
    // (a grid never scrolls past its end, so the newest rows fill its bottom).
    void scrollToNewest();
    // Widths of the four draw columns and the formula columns, from their sizes in the classic layout.
    void applyColumnWidths();

signals:
    void issueClicked(const QString& issue);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void rememberRowAt(const QPoint& pos);

    HistoryGridModel* m_model;
    QMenu* m_menu;
    QAction* m_exportList;
    QAction* m_deleteAll;
    QAction* m_deleteToChosen;
    QAction* m_deleteLastCount;
    bool m_scrollPending = false;
};

} // namespace korvel
