#include "gui/tally/TallyGrids.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <algorithm>

namespace korvel {

namespace {
constexpr int kTwipsPerPixel = 15;
} // namespace

int pixelsOfTwips(int twips)
{
    return twips / kTwipsPerPixel;
}

int fullWidth(const QTableView* grid)
{
    int width = 2 * grid->frameWidth() + grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
    for (int c = 0; grid->model() && c < grid->model()->columnCount(); ++c) {
        width += grid->columnWidth(c);
    }
    return width;
}

void setUpReadOnlyGrid(QTableView* grid)
{
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStretchLastSection(false);
}

void applyWidthsTwips(QTableView* grid, const std::vector<int>& twips)
{
    QAbstractItemModel* model = grid->model();
    if (!model) {
        return;
    }
    const QFontMetrics header(grid->horizontalHeader()->font());
    for (int c = 0; c < model->columnCount(); ++c) {
        const int fit = header.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString()) + 14;
        const int given = c < static_cast<int>(twips.size()) ? pixelsOfTwips(twips[static_cast<std::size_t>(c)]) : 0;
        grid->setColumnWidth(c, std::max(given, fit));
    }
}

void fitColumnsToTexts(QTableView* grid, int first, int last)
{
    QAbstractItemModel* model = grid->model();
    if (!model) {
        return;
    }
    const QFontMetrics cells(grid->font());
    const int rows = model->rowCount();
    for (int c = std::max(0, first); c <= std::min(last, model->columnCount() - 1); ++c) {
        QString longest;
        for (int r = 0; r < rows; ++r) {
            const QString text = model->index(r, c).data().toString();
            if (text.size() > longest.size()) {
                longest = text;
            }
        }
        const int fit =
            cells.horizontalAdvance(longest) + 2 * grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 10;
        if (grid->columnWidth(c) < fit) {
            grid->setColumnWidth(c, fit);
        }
    }
}

BusyCursor::BusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    QApplication::restoreOverrideCursor();
}

} // namespace korvel
