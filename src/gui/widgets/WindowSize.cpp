#include "gui/widgets/WindowSize.h"

#include "platform/SettingsStore.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

#include <algorithm>

namespace korvel {

namespace {
const QString kSection = QStringLiteral("WindowSize");

QString sizeText(QSize size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

QSize sizeOfText(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    bool w = false;
    bool h = false;
    const QSize size = parts.size() == 2 ? QSize(parts[0].toInt(&w), parts[1].toInt(&h)) : QSize();
    return w && h && size.width() > 0 && size.height() > 0 ? size : QSize();
}
} // namespace

WindowSize::WindowSize(QWidget* window, SettingsStore& store, QString key)
    : QObject(window), m_window(window), m_store(store), m_key(std::move(key))
{
    window->installEventFilter(this);
}

WindowSize* WindowSize::keep(QWidget* window, SettingsStore& store, QString key)
{
    if (key.isEmpty()) {
        key = window->objectName();
    }
    return new WindowSize(window, store, std::move(key));
}

QSize WindowSize::fitted(QSize wanted, const QRect& available)
{
    const QSize room = (available.size() - frameAllowance()).expandedTo(QSize(1, 1));
    return wanted.boundedTo(room);
}

bool WindowSize::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Show:
            if (!m_placed) {
                m_placed = true;
                place();
            }
            break;
        case QEvent::Hide:
        case QEvent::Close:
            if (m_placed) {
                store();
            }
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowSize::place()
{
    const QScreen* screen = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    const QSize stored = sizeOfText(m_store.value(kSection, m_key));
    const QSize size =
        fitted((stored.isValid() ? stored : m_window->size()).expandedTo(m_window->minimumSize()), available);
    if (size != m_window->size()) {
        m_window->resize(size);
    }
    // Inside the area, title bar included (a window larger than the area keeps its top left corner in it).
    const QSize frame = frameAllowance();
    const int maxX = std::max(available.left(), available.right() + 1 - size.width() - frame.width());
    const int maxY = std::max(available.top(), available.bottom() + 1 - size.height() - frame.height());
    const QPoint at(std::clamp(m_window->x(), available.left(), maxX),
                    std::clamp(m_window->y(), available.top(), maxY));
    if (at != m_window->pos()) {
        m_window->move(at);
    }
}

void WindowSize::store()
{
    m_store.setValue(kSection, m_key, sizeText(m_window->size()));
}

} // namespace korvel
