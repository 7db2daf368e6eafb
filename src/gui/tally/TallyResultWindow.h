#pragma once

#include "tally/TallyResult.h"

#include <QString>
#include <QWidget>

#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QVBoxLayout;

namespace korvel {

class Database;
class Dialogs;
class GridWheelScroller;
class Launcher;

// The result windows of "计算公式(&C)": `frmErrarr` (the group tally, one list of ten digits),
// `frmErrarrLei` (one tab per position 1..p, with the first-choice sum) and `frmErrarrLeiDS` (one tab per
// position, two categories each). Every page shows the ranked list under "该类公式计算综合结果" and the value
// summary under "公式总计算结果情况统计"; a double-click on a list, or on its header, re-sorts that page by the
// column clicked. "导出列表(&E)" writes ErrarrLei.xls and shows it; "详细结果列表(&D)", shown only when the
// run says so, emits detailListRequested() for the owner to open the detailed list.
//
// The window holds widgets; the pages are its TallyResult's, which keeps the reverse flags for as long as
// the window lives (a new load keeps them). The database (may be null), dialogs and launcher must outlive
// the window.
class TallyResultWindow : public QWidget {
    Q_OBJECT
public:
    TallyResultWindow(ResultView view, Database* db, Dialogs& dialogs, Launcher& launcher, QString folder,
                      QWidget* parent = nullptr);
    ~TallyResultWindow() override;

    // The object name of the window of a view: "frmErrarr", "frmErrarrLei", "frmErrarrLeiDS".
    static QString objectNameOf(ResultView view);

    ResultView view() const { return m_view; }
    // The run's load: the tally into the pages, the caption, the detail command's visibility, the sum.
    void load(const TallySet& tally, const TallyResult::Setup& setup);
    TallyResult& result() { return m_result; }
    const TallyResult& result() const { return m_result; }

    int pageCount() const { return static_cast<int>(m_pages.size()); }
    QTableView* listGrid(int page) const;
    QTableView* summaryGrid(int page) const;
    // The tabs of the per-position views; null for `frmErrarr`.
    QTabWidget* tabs() const { return m_tabs; }
    QPushButton* exportButton() const { return m_export; }
    QPushButton* detailButton() const { return m_detail; }
    // `frmErrarrLei` only (null otherwise): the label "…位首选和值：" and the box with the sum.
    QLabel* firstChoiceLabel() const { return m_sumLabel; }
    QLineEdit* firstChoiceBox() const { return m_sumBox; }

    // "导出列表(&E)".
    void exportList();

signals:
    void detailListRequested();

private:
    struct Page {
        QWidget* widget = nullptr;
        QTableView* list = nullptr;
        QTableView* summary = nullptr;
    };
    void rebuildPages();
    Page buildPage(int index);
    void applyWidths();
    void showWriteError();

    ResultView m_view;
    TallyResult m_result;
    Dialogs& m_dialogs;
    Launcher& m_launcher;
    QString m_folder;
    QVBoxLayout* m_pageSlot = nullptr;
    QTabWidget* m_tabs = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_detail = nullptr;
    QLabel* m_sumLabel = nullptr;
    QLineEdit* m_sumBox = nullptr;
    GridWheelScroller* m_wheel = nullptr;
    std::vector<Page> m_pages;
};

} // namespace korvel
