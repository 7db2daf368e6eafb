#pragma once

#include "history/SnapshotPtr.h"

#include <QWidget>

class QTableView;

namespace korvel {

class ParameterReferenceModel;

// The window "参数对照": every parameter of the newest draw with its label. Modeless; a click on a cell puts
// the cell's text on the clipboard as plain text. The grid scrolls one row per wheel event while it has the
// focus, like the main window's grids.
class ParameterReferenceView : public QWidget {
    Q_OBJECT
public:
    explicit ParameterReferenceView(QWidget* parent = nullptr);

    void setSnapshot(SnapshotPtr snapshot);

    QTableView* grid() const { return m_grid; }
    ParameterReferenceModel* model() const { return m_model; }

private:
    void copyCell(const QModelIndex& index);

    ParameterReferenceModel* m_model;
    QTableView* m_grid;
};

} // namespace korvel
