#pragma once

#include <QString>

#include <optional>

namespace korvel {

// Every confirmation, message, input box and file choice of the system goes through this interface, with
// the exact title, text, buttons and icon the user is to see. The GUI implements it with Qt's standard
// dialogs; tests answer through a scripted fake. Core code never shows a widget itself.
class Dialogs {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    // CancelOk: 确定 and 取消 with 取消 the default (Enter cancels), for a question whose yes loses data.
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, CancelOk };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Dialogs() = default;

    virtual Answer message(const QString& title, const QString& text, Buttons buttons = Buttons::Ok,
                           Icon icon = Icon::Information) = 0;
    // The answer typed, or nullopt when the box was cancelled.
    virtual std::optional<QString> input(const QString& title, const QString& prompt,
                                         const QString& defaultText = {}) = 0;
    // A chosen existing file, or empty when cancelled. filter is in Qt's form, e.g. "Text(*.txt)".
    virtual QString openFile(const QString& title, const QString& folder, const QString& filter) = 0;
    // A chosen file to write, or empty when cancelled.
    virtual QString saveFile(const QString& title, const QString& suggestedPath, const QString& filter) = 0;

    // Convenience for the common OK/Cancel question.
    bool confirm(const QString& title, const QString& text)
    {
        return message(title, text, Buttons::OkCancel, Icon::Question) == Answer::Ok;
    }
    // The same for a question whose yes cannot be undone: 取消 is the default button.
    bool confirmDestructive(const QString& title, const QString& text)
    {
        return message(title, text, Buttons::CancelOk, Icon::Question) == Answer::Ok;
    }
};

} // namespace korvel
