#include "cli/CliDialogs.h"

#include <QRegularExpression>

namespace korvel::cli {

QString CliDialogs::line(const QString& title, const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    QString flat = text.trimmed();
    flat.replace(breaks, QStringLiteral(" "));
    return title.isEmpty() ? flat : title + QStringLiteral(": ") + flat;
}

Dialogs::Answer CliDialogs::message(const QString& title, const QString& text, Buttons buttons, Icon icon)
{
    if (buttons == Buttons::Ok) {
        ++m_messages;
        m_lastIcon = icon;
        m_err << line(title, text) << '\n';
        m_err.flush();
        return Answer::Ok;
    }
    const bool yesNo = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
    if (m_yes) {
        m_err << line(title, text) << QStringLiteral(" [answered yes]") << '\n';
        m_err.flush();
        return yesNo ? Answer::Yes : Answer::Ok;
    }
    ++m_refused;
    m_lastRefused = line(title, text);
    return yesNo ? Answer::No : Answer::Cancel;
}

std::optional<QString> CliDialogs::input(const QString&, const QString&, const QString&)
{
    if (m_inputs.empty()) {
        return std::nullopt;
    }
    QString answer = m_inputs.front();
    m_inputs.pop_front();
    return answer;
}

QString CliDialogs::openFile(const QString&, const QString&, const QString&)
{
    if (m_files.empty()) {
        return {};
    }
    QString path = m_files.front();
    m_files.pop_front();
    return path;
}

QString CliDialogs::saveFile(const QString& title, const QString& suggestedPath, const QString& filter)
{
    return openFile(title, suggestedPath, filter);
}

} // namespace korvel::cli
