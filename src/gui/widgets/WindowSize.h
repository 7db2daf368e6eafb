#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace korvel {

class SettingsStore;

// Keeps a top-level window inside the screen it opens on and brings back the size the user gave it. When
// the window is first shown it takes the size stored under its key (section "WindowSize"), else the size it
// chose itself, either bounded to the screen's available area and moved into it; when it is hidden or
// closed its size is stored. Lives as a child of the window; the store must outlive it.
class WindowSize : public QObject {
    Q_OBJECT
public:
    // Attaches to `window` under `key` (the window's objectName when empty).
    static WindowSize* keep(QWidget* window, SettingsStore& store, QString key = {});

    // The largest size not above `wanted` whose window, frame and title bar included, fits `available`.
    static QSize fitted(QSize wanted, const QRect& available);
    // Room the frame and title bar of a window take beyond its client area.
    static QSize frameAllowance() { return {16, 40}; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowSize(QWidget* window, SettingsStore& store, QString key);
    void place();
    void store();

    QWidget* m_window;
    SettingsStore& m_store;
    QString m_key;
    bool m_placed = false;
};

} // namespace korvel
