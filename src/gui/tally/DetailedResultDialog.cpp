#include "gui/tally/DetailedResultDialog.h"

#include "gui/widgets/GridWheelScroller.h"
#include "gui/tally/TallyGrids.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace korvel {

DetailedResultModel::DetailedResultModel(DetailedResultList list, QObject* parent)
    : QAbstractTableModel(parent), m_list(std::move(list)), m_headers(DetailedResultList::headers())
{
}

int DetailedResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_list.rows.size());
}

int DetailedResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant DetailedResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return m_list.rows[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
    }
    if (role == Qt::TextAlignmentRole) {
        return index.column() == 1 || index.column() == 5 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                                          : QVariant(Qt::AlignCenter);
    }
    return {};
}

QVariant DetailedResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size()) {
        return m_headers[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

DetailedResultDialog::DetailedResultDialog(DetailedResultList list, Dialogs& dialogs, Launcher& launcher,
                                           QString folder, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs), m_launcher(launcher), m_folder(std::move(folder)),
      m_model(new DetailedResultModel(std::move(list), this)), m_grid(new QTableView(this)),
      m_export(new QPushButton(QStringLiteral("导出数据(&E)"), this))
{
    setObjectName(QStringLiteral("frmXxlb"));
    setWindowTitle(DetailedResultList::title());
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    m_grid->setObjectName(QStringLiteral("detailGrid"));
    m_grid->setModel(m_model);
    setUpReadOnlyGrid(m_grid);
    applyWidthsTwips(m_grid, DetailedResultList::columnWidthsTwips());
    // The kind and rate texts run wider in CJK fonts than the classic widths allow.
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const int given = m_grid->columnWidth(c);
        m_grid->resizeColumnToContents(c);
        m_grid->setColumnWidth(c, std::max(given, m_grid->columnWidth(c)));
    }
    layout->addWidget(m_grid, 1);

    m_export->setObjectName(QStringLiteral("exportDetailButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_export);
    layout->addLayout(buttons);
    connect(m_export, &QPushButton::clicked, this,
            [this] { m_model->list().exportList(m_folder, m_dialogs, m_launcher); });

    (new GridWheelScroller(this))->watch(m_grid);
    resize(fullWidth(m_grid) + 24, 480);
}

} // namespace korvel
