#include "gui/history/ParameterReferenceView.h"

#include "gui/history/ParameterReferenceModel.h"
#include "gui/widgets/GridWheelScroller.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

namespace korvel {

namespace {
// The label column is 2000 twips wide, widened when the labels need more room in the font at hand.
constexpr int kLabelColumnPixels = 2000 / 15;
} // namespace

ParameterReferenceView::ParameterReferenceView(QWidget* parent)
    : QWidget(parent, Qt::Window), m_model(new ParameterReferenceModel(this)), m_grid(new QTableView(this))
{
    setObjectName(QStringLiteral("parameterReferenceView"));
    setWindowTitle(QStringLiteral("参数对照"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_grid->setObjectName(QStringLiteral("referenceGrid"));
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->resizeColumnToContents(0);
    m_grid->setColumnWidth(0, std::max(kLabelColumnPixels, m_grid->columnWidth(0) + 8));
    for (int c = 1; c < ParameterReferenceModel::kColumns; ++c) {
        m_grid->setColumnWidth(c, 60);
    }
    connect(m_grid, &QTableView::clicked, this, &ParameterReferenceView::copyCell);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid);

    auto* wheel = new GridWheelScroller(this);
    wheel->watch(m_grid);

    int width = 2 * m_grid->frameWidth();
    for (int c = 0; c < ParameterReferenceModel::kColumns; ++c) {
        width += m_grid->columnWidth(c);
    }
    resize(width + m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4, 640);
}

void ParameterReferenceView::setSnapshot(SnapshotPtr snapshot)
{
    m_model->setSnapshot(std::move(snapshot));
}

void ParameterReferenceView::copyCell(const QModelIndex& index)
{
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(index.data().toString());
}

} // namespace korvel
