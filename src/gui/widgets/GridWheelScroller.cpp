#include "gui/widgets/GridWheelScroller.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

namespace korvel {

GridWheelScroller::GridWheelScroller(QWidget* window) : QObject(window), m_window(window)
{
    // Wheel events go to the widget under the pointer, not to the focused one; only an application-wide
    // filter sees them all.
    qApp->installEventFilter(this);
}

GridWheelScroller::~GridWheelScroller()
{
    qApp->removeEventFilter(this);
}

void GridWheelScroller::watch(QAbstractItemView* grid)
{
    grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_grids.append(grid);
    if (grid->hasFocus()) {
        m_target = grid;
    }
}

void GridWheelScroller::step(QAbstractItemView* grid, int delta)
{
    // In per-item mode the vertical scroll bar's value is the top visible row; the bar clamps a value past
    // its end, so a step down at the bottom leaves the grid where it is.
    QScrollBar* bar = grid->verticalScrollBar();
    if (delta <= 0) {
        bar->setValue(bar->value() + 1);
    } else if (bar->value() > 0) {
        bar->setValue(bar->value() - 1);
    }
}

bool GridWheelScroller::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        for (const auto& grid : std::as_const(m_grids)) {
            if (grid == watched) {
                m_target = grid;
            }
        }
        break;
    case QEvent::FocusOut:
        if (watched == m_target) {
            m_target = nullptr;
        }
        break;
    case QEvent::Wheel: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!m_target || !widget || widget->window() != m_window) {
            break;
        }
        const QPoint angle = static_cast<QWheelEvent*>(event)->angleDelta();
        if (angle.y() == 0 && angle.x() != 0) {
            break; // a sideways wheel scrolls the columns as usual
        }
        step(m_target, angle.y());
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace korvel
