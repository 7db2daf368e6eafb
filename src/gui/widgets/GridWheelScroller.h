#pragma once

#include <QAbstractItemView>
#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

namespace korvel {

// Mouse-wheel scrolling of a window's grids, one row per wheel event. The grid that holds the keyboard focus
// is the wheel's target wherever the pointer is over the window: a wheel event with a zero or negative
// delta moves its top row down by one, a positive delta up by one unless it is already at the top. The
// event is then consumed, so the usual three-line scroll does not add to it. Without a focused grid the
// window handles the wheel as usual.
//
// Lives as a child of the window it serves; grids are added with watch().
class GridWheelScroller : public QObject {
    Q_OBJECT
public:
    explicit GridWheelScroller(QWidget* window);
    ~GridWheelScroller() override;

    void watch(QAbstractItemView* grid);
    // The grid that currently receives the wheel, or null.
    QAbstractItemView* target() const { return m_target; }

    // One wheel step on a grid, as the event filter applies it.
    static void step(QAbstractItemView* grid, int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    QList<QPointer<QAbstractItemView>> m_grids;
    QPointer<QAbstractItemView> m_target;
};

} // namespace korvel
