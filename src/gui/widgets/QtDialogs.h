#pragma once

#include "platform/Dialogs.h"

#include <QPointer>
#include <QWidget>

namespace korvel {

// The desktop answer to Dialogs: Qt's standard message box, input box and file dialogs, modal over the
// program's active window (else the parent window). The parent is set once the main window exists; until then
// a box without an active window is free-standing.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}

    void setParent(QWidget* parent) { m_parent = parent; }

    Answer message(const QString& title, const QString& text, Buttons buttons = Buttons::Ok,
                   Icon icon = Icon::Information) override;
    std::optional<QString> input(const QString& title, const QString& prompt, const QString& defaultText = {}) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter) override;
    QString saveFile(const QString& title, const QString& suggestedPath, const QString& filter) override;

    // The window a box is modal over: the active window of the program, else the parent given.
    QWidget* boxParent() const;

private:
    QPointer<QWidget> m_parent;
};

} // namespace korvel
