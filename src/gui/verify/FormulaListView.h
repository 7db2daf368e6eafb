#pragma once

#include <QStringList>
#include <QTableView>

class QAction;
class QFontMetrics;
class QMenu;

namespace korvel {

class FormulaList;
class FormulaListModel;

// The formula grid of the main window over a FormulaListModel: the eleven columns at their classic widths
// (idx hidden), a left click on a formula's text inverts its selection, a click on a 计算值 cell marks the
// rows of the same value, and a right click on a row opens the menu "管理" for that row. After every
// rebuild a list of 30 rows or more is scrolled so that its last row is the top row.
//
// The four delete items run the list's commands (which ask their own questions); the export and the
// history query stay disabled until the tally commands attach to them. The model's display order (the
// double-click re-sort) maps the rows a user clicks to the list's rows. The owner connects the window's
// busy pointer.
class FormulaListView : public QTableView {
    Q_OBJECT
public:
    explicit FormulaListView(FormulaListModel* model, QWidget* parent = nullptr);

    QMenu* contextMenu() const { return m_menu; }
    QAction* exportAction() const { return m_export; }
    QAction* historyQueryAction() const { return m_historyQuery; }
    // List row (0-based) the menu was last opened on, or -1.
    int menuRow() const { return m_menuRow; }

    // Opens the menu for a row as a right click on it does (for the keyboard's menu key as well). The row is
    // the display row; menuRow() is the list row shown there.
    void openMenuForRow(int row, const QPoint& globalPos);
    // The classic widths (twips / 15 pixels) at least, widened to the header and to the widest cell of each
    // column; the formula text column takes the width left over. Runs after every change of the figures.
    void applyColumnWidths();
    // The width that shows every column, the formula text at its classic width, with a vertical scroll bar.
    // In less, the formula text gives way (down to a few words), the figures never.
    int fullWidth() const;
    void scrollAfterFill();
    // The pixel width of the widest of `texts` as drawn with `cells` (never less than any one of them).
    static int widestWidth(const QFontMetrics& cells, const QStringList& texts);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void cellClicked(const QModelIndex& index);
    void stretchFormulaColumn();
    // Pixel width of the widest text of a figure column.
    int widestText(const QFontMetrics& cells, int column) const;
    FormulaList& list() const;

    FormulaListModel* m_model;
    QMenu* m_menu;
    QAction* m_export;
    QAction* m_historyQuery;
    QAction* m_deleteOne;
    QAction* m_deleteSelected;
    QAction* m_deleteLast;
    QAction* m_deleteUnselected;
    int m_menuRow = -1;
    bool m_scrollPending = false;
    int m_formulaWanted = 0; // the formula text column's width where there is room
    int m_formulaLeast = 0;  // and where there is not
};

} // namespace korvel
