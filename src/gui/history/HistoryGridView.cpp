#include "gui/history/HistoryGridView.h"

#include "gui/history/HistoryGridModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>

namespace korvel {

namespace {
constexpr int twips(int t)
{
    return t / 15;
}
constexpr int kScrollRows = 30;
} // namespace

HistoryGridView::HistoryGridView(HistoryGridModel* model, QWidget* parent)
    : QTableView(parent), m_model(model), m_menu(new QMenu(QStringLiteral("历史管理"), this))
{
    setObjectName(QStringLiteral("historyGrid"));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);

    m_menu->setObjectName(QStringLiteral("historyMenu"));
    m_exportList = m_menu->addAction(QStringLiteral("导出历史号码(&O)"));
    m_exportList->setObjectName(QStringLiteral("actionExportHistoryList"));
    m_deleteAll = m_menu->addAction(QStringLiteral("删除所有历史(&A）"));
    m_deleteAll->setObjectName(QStringLiteral("actionDeleteAllHistory"));
    m_deleteToChosen = m_menu->addAction(QStringLiteral("删除到选定期(&D)"));
    m_deleteToChosen->setObjectName(QStringLiteral("actionDeleteToChosenIssue"));
    m_deleteLastCount = m_menu->addAction(QStringLiteral("删除最后指定数量期历史(&E)"));
    m_deleteLastCount->setObjectName(QStringLiteral("actionDeleteLastCount"));

    connect(m_model, &QAbstractItemModel::modelReset, this, &HistoryGridView::applyColumnWidths);
    connect(m_model, &QAbstractItemModel::columnsInserted, this, &HistoryGridView::applyColumnWidths);
    applyColumnWidths();
}

void HistoryGridView::applyColumnWidths()
{
    setColumnWidth(HistoryGridModel::IssueColumn,
                   std::max(twips(1500), fontMetrics().horizontalAdvance(QStringLiteral("20070010")) + 8));
    for (int c = HistoryGridModel::HundredsColumn; c <= HistoryGridModel::UnitsColumn; ++c) {
        setColumnWidth(c, std::max(twips(600), fontMetrics().horizontalAdvance(QStringLiteral("百位")) + 10));
    }
    for (int c = HistoryGridModel::FirstExtraColumn; c < m_model->columnCount(); ++c) {
        setColumnWidth(c, twips(760));
    }
}

void HistoryGridView::scrollToNewest()
{
    if (!isVisible()) {
        // Before the first show the grid has no height to scroll against; do it once it is shown.
        m_scrollPending = true;
        return;
    }
    m_scrollPending = false;
    const int rows = m_model->rowCount();
    if (rows >= kScrollRows) {
        // Rows just inserted are laid out lazily; the scroll range must include them first.
        executeDelayedItemsLayout();
        updateGeometries();
        scrollTo(m_model->index(rows - 1, 0), QAbstractItemView::PositionAtTop);
    }
}

void HistoryGridView::showEvent(QShowEvent* event)
{
    QTableView::showEvent(event);
    if (m_scrollPending) {
        // The layout gives the grid its final height after the show; scroll once that is done.
        QMetaObject::invokeMethod(this, &HistoryGridView::scrollToNewest, Qt::QueuedConnection);
    }
}

void HistoryGridView::rememberRowAt(const QPoint& pos)
{
    const QModelIndex index = indexAt(pos);
    if (index.isValid()) {
        emit issueClicked(m_model->issueAt(index.row()));
    }
}

void HistoryGridView::mouseReleaseEvent(QMouseEvent* event)
{
    rememberRowAt(event->position().toPoint());
    QTableView::mouseReleaseEvent(event);
}

void HistoryGridView::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu opens on the press, so the row under the pointer is remembered here too: "删除到选定期"
    // then proposes the row the user right-clicked.
    rememberRowAt(event->pos());
    m_menu->popup(event->globalPos());
}

} // namespace korvel
