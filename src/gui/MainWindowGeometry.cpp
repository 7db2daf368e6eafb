// The main window's size and the division of its width: the opening size on a first start, the size and
// splitter restored on later ones, and the history pane's width with and without the formula columns.
#include "gui/MainWindow.h"

#include "gui/history/HistoryGridModel.h"
#include "gui/history/HistoryGridView.h"
#include "gui/verify/FormulaDrawColumns.h"
#include "gui/verify/FormulaListView.h"
#include "platform/SettingsStore.h"
#include "session/Session.h"
#include "verify/FormulaList.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLayout>
#include <QScreen>
#include <QSplitter>
#include <QStyle>

#include <algorithm>

namespace korvel {

namespace {
// Where the window keeps its geometry in the settings store (application "3VER").
const QString kWindowSection = QStringLiteral("MainWindow");
const QString kGeometryKey = QStringLiteral("geometry");
const QString kSplitterKey = QStringLiteral("splitter");
constexpr int kOpeningHeight = 700;
constexpr int kSlack = 8; // rounding of the layouts
} // namespace

void MainWindow::showFormulaColumns()
{
    const FormulaList& list = m_session.formulas();
    const int wanted = list.hasPerDraw() ? list.rowCount() : 0;
    const int shown = m_drawColumns ? m_drawColumns->columnCount() : 0;
    if (wanted == shown) {
        if (shown > 0) {
            m_historyModel->refreshExtraColumns();
        }
        return;
    }
    m_drawColumns = wanted > 0 ? std::make_shared<FormulaDrawColumns>(list) : nullptr;
    m_historyModel->setExtraColumns(m_drawColumns);
    // With formula columns the grid shares the width with the formula list (as the user last divided it),
    // else it fits the draws.
    if (wanted > 0) {
        m_historyGrid->setMinimumWidth(m_historyWidth);
        m_historyGrid->setMaximumWidth(QWIDGETSIZE_MAX);
        // The splitter reads the pane's new limits only once its layout has taken them.
        m_splitter->widget(0)->layout()->activate();
        if (m_splitterState.isEmpty() || !m_splitter->restoreState(m_splitterState)) {
            const int total = m_splitter->width();
            m_splitter->setSizes({total / 2, total - total / 2});
        }
    } else {
        if (shown > 0) {
            m_splitterState = m_splitter->saveState();
        }
        m_historyGrid->setFixedWidth(m_historyWidth);
        // The pane gives back the width the formula columns took: the formula list has it again.
        QWidget* pane = m_splitter->widget(0);
        pane->layout()->activate();
        const int total = m_splitter->width() - m_splitter->handleWidth();
        const int narrow = std::max(pane->minimumSizeHint().width(), m_historyWidth);
        m_splitter->setSizes({narrow, std::max(0, total - narrow)});
    }
    m_splitter->setStretchFactor(0, wanted > 0 ? 1 : 0);
    // The horizontal scroll bar of the formula columns comes and goes: the newest draw stays in view above it.
    QMetaObject::invokeMethod(m_historyGrid, &HistoryGridView::scrollToNewest, Qt::QueuedConnection);
}

QSize MainWindow::openingSize(const QRect& available) const
{
    // Every column of the formula list beside the draws and the commands, as far as the screen allows.
    const QMargins margins = centralWidget()->layout()->contentsMargins();
    const int gap = m_body->spacing() >= 0
                        ? m_body->spacing()
                        : style()->layoutSpacing(QSizePolicy::DefaultType, QSizePolicy::DefaultType, Qt::Horizontal);
    QWidget* commands = m_body->itemAt(1)->widget();
    const int width = margins.left() + margins.right() + m_splitter->widget(0)->sizeHint().width() +
                      m_splitter->handleWidth() + m_formulaGrid->fullWidth() + gap +
                      (commands ? commands->sizeHint().width() : 0) + kSlack;
    // Room for the window frame and title bar, which the available area does not count.
    const QSize room = available.size() - QSize(16, 40);
    // The figures of a real list are wider than those of the empty list measured here, and the formula text
    // takes whatever is left: a large screen is used to nine tenths of its width and height.
    const QSize ample(room.width() * 9 / 10, room.height() * 9 / 10);
    return QSize(width, kOpeningHeight).expandedTo(ample).boundedTo(room);
}

void MainWindow::restoreWindowState()
{
    const SettingsStore& store = m_session.settings();
    const QByteArray geometry = QByteArray::fromBase64(store.value(kWindowSection, kGeometryKey).toLatin1());
    m_splitterState = QByteArray::fromBase64(store.value(kWindowSection, kSplitterKey).toLatin1());
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        resize(openingSize(screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768)));
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The size, place and division of the window come back at the next start.
    SettingsStore& store = m_session.settings();
    if (m_drawColumns) {
        m_splitterState = m_splitter->saveState();
    }
    store.setValue(kWindowSection, kGeometryKey, QString::fromLatin1(saveGeometry().toBase64()));
    if (!m_splitterState.isEmpty()) {
        store.setValue(kWindowSection, kSplitterKey, QString::fromLatin1(m_splitterState.toBase64()));
    }
    QMainWindow::closeEvent(event);
}

} // namespace korvel
