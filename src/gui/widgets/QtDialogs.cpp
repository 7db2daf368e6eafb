#include "gui/widgets/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace korvel {

namespace {

QMessageBox::Icon toQt(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::None:
        return QMessageBox::NoIcon;
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Critical:
        return QMessageBox::Critical;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(Dialogs::Buttons buttons)
{
    switch (buttons) {
    case Dialogs::Buttons::Ok:
        return QMessageBox::Ok;
    case Dialogs::Buttons::OkCancel:
    case Dialogs::Buttons::CancelOk:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Dialogs::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Dialogs::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// The program speaks Chinese throughout, also on a desktop whose Qt has no Chinese translation installed.
void labelButtons(QMessageBox& box)
{
    const std::pair<QMessageBox::StandardButton, const char*> captions[] = {{QMessageBox::Ok, "确定"},
                                                                            {QMessageBox::Cancel, "取消"},
                                                                            {QMessageBox::Yes, "是(&Y)"},
                                                                            {QMessageBox::No, "否(&N)"}};
    for (const auto& [which, caption] : captions) {
        if (QAbstractButton* b = box.button(which)) {
            b->setText(QString::fromUtf8(caption));
        }
    }
}

// Beside its title a window's title bar carries the icon and the window buttons; a box narrower than the
// title plus these cuts its title off (a short text such as "过滤后公式剩余3条" gives a narrow box).
constexpr int kTitleBarRoom = 160;

void fitTitle(QMessageBox& box)
{
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int wanted = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarRoom;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        // QMessageBox sizes itself from its layout; a spacer across the bottom row sets the least width.
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
}

} // namespace

Dialogs::Answer QtDialogs::message(const QString& title, const QString& text, Buttons buttons, Icon icon)
{
    QMessageBox box(toQt(icon), title, text, toQt(buttons), boxParent());
    labelButtons(box);
    fitTitle(box);
    if (buttons == Buttons::CancelOk) {
        box.setDefaultButton(QMessageBox::Cancel);
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Escape or the close button: the gentlest answer the box offers.
        return buttons == Buttons::YesNo ? Answer::No : (buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel);
    }
}

std::optional<QString> QtDialogs::input(const QString& title, const QString& prompt, const QString& defaultText)
{
    QInputDialog box(boxParent());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    box.setOkButtonText(QStringLiteral("确定"));
    box.setCancelButtonText(QStringLiteral("取消"));
    if (box.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return box.textValue();
}

QString QtDialogs::openFile(const QString& title, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(boxParent(), title, folder, filter);
}

QString QtDialogs::saveFile(const QString& title, const QString& suggestedPath, const QString& filter)
{
    return QFileDialog::getSaveFileName(boxParent(), title, suggestedPath, filter);
}

QWidget* QtDialogs::boxParent() const
{
    // A box over the window the user works in (a chart, a result window) returns the focus there when it
    // closes; over the main window, it would bring the main window in front of that window.
    QWidget* active = QApplication::activeWindow();
    if (active && active->isVisible() && !active->isMinimized()) {
        return active;
    }
    return m_parent;
}

} // namespace korvel
