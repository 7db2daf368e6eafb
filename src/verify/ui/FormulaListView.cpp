#include "verify/ui/FormulaListView.h"

#include "verify/FormulaList.h"
#include "verify/ui/FormulaListModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

#include <algorithm>

namespace korvel {

namespace {
constexpr int kTwipsPerPixel = 15; // at 96 dpi
} // namespace

FormulaListView::FormulaListView(FormulaListModel* model, QWidget* parent)
    : QTableView(parent), m_model(model), m_menu(new QMenu(QStringLiteral("管理"), this))
{
    setObjectName(QStringLiteral("formulaGrid"));
    setModel(m_model);
    // The formula selection is the blue 序号, not Qt's row highlight, which would hide the cell colours.
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(false);
    setToolTip(FormulaListModel::listToolTip());
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);

    m_menu->setObjectName(QStringLiteral("formulaMenu"));
    const auto add = [this](const QString& caption, const QString& name) {
        QAction* a = m_menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    m_export = add(QStringLiteral("导出到EXCEL表格(&E)"), QStringLiteral("actionExportFormulaList"));
    m_historyQuery = add(QStringLiteral("查询该公式历史计算式(&U)"), QStringLiteral("actionFormulaHistoryQuery"));
    m_deleteOne = add(QStringLiteral("删除该公式(&D)"), QStringLiteral("actionDeleteFormula"));
    m_deleteSelected = add(QStringLiteral("删除选中所有公式(&C)"), QStringLiteral("actionDeleteSelectedFormulas"));
    m_deleteLast = add(QStringLiteral("删除最后公式(&E)"), QStringLiteral("actionDeleteLastFormula"));
    m_deleteUnselected = add(QStringLiteral("删除未选中公式(&X)"), QStringLiteral("actionDeleteUnselectedFormulas"));
    // The spreadsheet export and the history query come with their features.
    m_export->setEnabled(false);
    m_historyQuery->setEnabled(false);

    connect(m_deleteOne, &QAction::triggered, this, [this] { list().deleteFormulaAt(m_menuRow); });
    connect(m_deleteLast, &QAction::triggered, this, [this] { list().deleteLastFormulaAt(m_menuRow); });
    connect(m_deleteSelected, &QAction::triggered, this, [this] { list().deleteSelected(); });
    connect(m_deleteUnselected, &QAction::triggered, this, [this] { list().deleteUnselected(); });
    connect(this, &QAbstractItemView::clicked, this, &FormulaListView::cellClicked);

    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_menuRow = -1;
        scrollAfterFill();
    });
    applyColumnWidths();
}

FormulaList& FormulaListView::list() const
{
    return m_model->list();
}

void FormulaListView::applyColumnWidths()
{
    const QFontMetrics header(horizontalHeader()->font());
    for (int c = 0; c < FormulaList::ColumnCount; ++c) {
        const int twips = FormulaList::columnWidthTwips(c);
        if (twips == 0) {
            setColumnHidden(c, true);
            continue;
        }
        // The classic font was narrower than most CJK fonts: never cut off a header or the widest text the
        // narrow columns hold (a kind label, "无法计算").
        int fit = header.horizontalAdvance(FormulaList::columnHeader(c, true)) + 10;
        if (c == FormulaList::ColKind || c == FormulaList::ColNextValue) {
            fit = std::max(fit, fontMetrics().horizontalAdvance(QStringLiteral("百位单选")) + 10);
        }
        setColumnWidth(c, std::max(twips / kTwipsPerPixel, fit));
    }
}

void FormulaListView::scrollAfterFill()
{
    if (!isVisible()) {
        // Without a height there is nothing to scroll against yet; do it once shown.
        m_scrollPending = true;
        return;
    }
    m_scrollPending = false;
    const int top = list().topRowAfterFill();
    if (top >= 0 && top < m_model->rowCount()) {
        executeDelayedItemsLayout();
        updateGeometries();
        scrollTo(m_model->index(top, FormulaList::ColNumber), QAbstractItemView::PositionAtTop);
    }
}

void FormulaListView::showEvent(QShowEvent* event)
{
    QTableView::showEvent(event);
    if (m_scrollPending) {
        QMetaObject::invokeMethod(this, &FormulaListView::scrollAfterFill, Qt::QueuedConnection);
    }
}

void FormulaListView::cellClicked(const QModelIndex& index)
{
    if (!index.isValid()) {
        return;
    }
    const int row = m_model->listRow(index.row());
    if (index.column() == FormulaList::ColFormula) {
        list().toggleRow(row);
    } else if (index.column() == FormulaList::ColNextValue) {
        list().markNextValue(row);
    }
}

void FormulaListView::openMenuForRow(int row, const QPoint& globalPos)
{
    if (row < 0 || row >= m_model->rowCount()) {
        return;
    }
    m_menuRow = m_model->listRow(row);
    m_menu->popup(globalPos);
}

void FormulaListView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid()) {
        openMenuForRow(index.row(), event->globalPos());
    } else if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid()) {
        openMenuForRow(currentIndex().row(), viewport()->mapToGlobal(visualRect(currentIndex()).center()));
    }
}

} // namespace korvel
