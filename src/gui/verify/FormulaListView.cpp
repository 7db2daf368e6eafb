#include "gui/verify/FormulaListView.h"

#include "gui/verify/FormulaListModel.h"
#include "verify/FormulaList.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QSet>
#include <QStyle>

#include <algorithm>

namespace korvel {

namespace {
constexpr int kTwipsPerPixel = 15; // at 96 dpi
constexpr int kPadding = 12;       // cell margins and the grid line
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
    // Two-line headers leave the narrow figure columns as wide as their figures.
    horizontalHeader()->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    horizontalHeader()->setMinimumHeight(2 * horizontalHeader()->fontMetrics().height() + 8);

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
    m_deleteLast = add(QStringLiteral("删除最后公式(&L)"), QStringLiteral("actionDeleteLastFormula"));
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
        applyColumnWidths();
        scrollAfterFill();
    });
    // New figures (not a change of the selection marks in 序号) may need wider columns.
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex&, const QModelIndex& last) {
        if (last.column() > FormulaList::ColNumber) {
            applyColumnWidths();
        }
    });
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, &FormulaListView::applyColumnWidths);
    applyColumnWidths();
}

FormulaList& FormulaListView::list() const
{
    return m_model->list();
}

void FormulaListView::applyColumnWidths()
{
    const QFontMetrics header(horizontalHeader()->font());
    const QFontMetrics cells(fontMetrics());
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const int twips = c < FormulaList::ColumnCount ? FormulaList::columnWidthTwips(c) : -1;
        if (twips == 0) {
            setColumnHidden(c, true);
            continue;
        }
        // Headers wrap onto two lines, so a column needs the wider half of its header; the classic widths
        // were made for a narrower font and for short totals, so the cells decide: never cut one.
        const QString title = m_model->headerData(c, Qt::Horizontal).toString();
        const qsizetype half = (title.size() + 1) / 2;
        int width =
            std::max(header.horizontalAdvance(title.left(half)), header.horizontalAdvance(title.mid(half))) + kPadding;
        if (c == FormulaList::ColFormula) {
            // The formula text keeps its classic width where the window allows, else it gives way first.
            m_formulaWanted = std::max(width, twips / kTwipsPerPixel);
            m_formulaLeast = std::max(width, cells.horizontalAdvance(QStringLiteral("百位码+十位码")) + kPadding);
            continue;
        }
        width = std::max(width, widestText(cells, c) + kPadding);
        if (columnWidth(c) != width) {
            setColumnWidth(c, width);
        }
    }
    stretchFormulaColumn();
}

int FormulaListView::widestText(const QFontMetrics& cells, int column) const
{
    const int rows = m_model->rowCount();
    if (column == FormulaList::ColNumber) {
        return widestWidth(cells, {QString::number(rows)});
    }
    QStringList texts;
    texts.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        texts << m_model->index(r, column).data().toString();
    }
    return widestWidth(cells, texts);
}

int FormulaListView::widestWidth(const QFontMetrics& cells, const QStringList& texts)
{
    // Measured, not counted: "+" is wider than "-" and "1" may be narrower than "0". Texts that differ only in
    // their digits are measured once, with every digit as the font's widest.
    QChar digit = QLatin1Char('0');
    for (char d = '1'; d <= '9'; ++d) {
        if (cells.horizontalAdvance(QLatin1Char(d)) > cells.horizontalAdvance(digit)) {
            digit = QLatin1Char(d);
        }
    }
    QSet<QString> shapes;
    int widest = 0;
    for (QString shape : texts) {
        for (QChar& ch : shape) {
            if (ch.isDigit()) {
                ch = digit;
            }
        }
        if (!shapes.contains(shape)) {
            widest = std::max(widest, cells.horizontalAdvance(shape));
            shapes.insert(std::move(shape));
        }
    }
    return widest;
}

int FormulaListView::fullWidth() const
{
    int width = 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        if (!isColumnHidden(c)) {
            width += c == FormulaList::ColFormula ? m_formulaWanted : columnWidth(c);
        }
    }
    return width;
}

void FormulaListView::stretchFormulaColumn()
{
    // The formula text takes the width the figures leave, at least its classic width: a maximised window
    // gives the room to the formulas.
    int others = 0;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        if (c != FormulaList::ColFormula && !isColumnHidden(c)) {
            others += columnWidth(c);
        }
    }
    const int width = std::max(m_formulaLeast, viewport()->width() - others);
    if (columnWidth(FormulaList::ColFormula) != width) {
        setColumnWidth(FormulaList::ColFormula, width);
    }
}

void FormulaListView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    stretchFormulaColumn();
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
