#include "gui/tally/FormulaStepsWindow.h"

#include "gui/widgets/GridWheelScroller.h"
#include "gui/tally/TallyGrids.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace korvel {

FormulaStepsModel::FormulaStepsModel(QObject* parent) : QAbstractTableModel(parent) {}

void FormulaStepsModel::setSteps(std::shared_ptr<const FormulaSteps> steps)
{
    beginResetModel();
    m_steps = std::move(steps);
    m_values.clear();
    if (m_steps) {
        m_values.reserve(static_cast<std::size_t>(m_steps->rowCount()));
        for (int r = 0; r < m_steps->rowCount(); ++r) {
            m_values.push_back(m_steps->cellText(r, 3));
        }
    }
    endResetModel();
}

int FormulaStepsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_steps ? 0 : m_steps->rowCount();
}

int FormulaStepsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant FormulaStepsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        const FormulaStepRow& row = m_steps->row(index.row());
        switch (index.column()) {
        case 0:
            return row.issue;
        case 1:
            return row.digits;
        case 2:
            return row.steps;
        default:
            return m_values[static_cast<std::size_t>(index.row())];
        }
    }
    if (role == Qt::TextAlignmentRole) {
        return index.column() == 2 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant(Qt::AlignCenter);
    }
    return {};
}

QVariant FormulaStepsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && m_steps && section >= 0 &&
        section < m_steps->headers().size()) {
        return m_steps->headers()[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

FormulaStepsWindow::FormulaStepsWindow(Dialogs& dialogs, Launcher& launcher, QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs), m_launcher(launcher), m_folder(std::move(folder)),
      m_model(new FormulaStepsModel(this)), m_grid(new QTableView(this)),
      m_export(new QPushButton(QStringLiteral("导出数据(&E)"), this))
{
    setObjectName(QStringLiteral("frmGsbz"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(FormulaSteps::title());

    auto* layout = new QVBoxLayout(this);
    m_grid->setObjectName(QStringLiteral("stepsGrid"));
    m_grid->setModel(m_model);
    setUpReadOnlyGrid(m_grid);
    layout->addWidget(m_grid, 1);
    m_export->setObjectName(QStringLiteral("exportStepsButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_export);
    layout->addLayout(buttons);
    connect(m_export, &QPushButton::clicked, this, &FormulaStepsWindow::exportSteps);
    (new GridWheelScroller(this))->watch(m_grid);
    resize(1000, 560);
}

void FormulaStepsWindow::setSteps(std::shared_ptr<const FormulaSteps> steps)
{
    m_model->setSteps(std::move(steps));
    applyWidthsTwips(m_grid, FormulaSteps::columnWidthsTwips());
    if (!isVisible()) {
        resize(fullWidth(m_grid) + 24, height());
    }
    scrollToNewest();
}

void FormulaStepsWindow::scrollToNewest()
{
    if (m_model->rowCount() > 0) {
        m_grid->scrollTo(m_model->index(m_model->rowCount() - 1, 0));
    }
}

void FormulaStepsWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Before the first show the grid has no height to scroll against.
    QMetaObject::invokeMethod(this, &FormulaStepsWindow::scrollToNewest, Qt::QueuedConnection);
}

void FormulaStepsWindow::exportSteps()
{
    if (const FormulaSteps* steps = m_model->steps()) {
        steps->exportSteps(m_folder, m_dialogs, m_launcher);
    }
}

} // namespace korvel
