#include "cli/Arguments.h"

#include "cli/CliError.h"

namespace korvel::cli {

namespace {
bool isOption(const QString& arg)
{
    return arg.startsWith(QLatin1String("--")) && arg.size() > 2;
}
} // namespace

Arguments::Arguments(QString command, QStringList args) : m_command(std::move(command))
{
    const qsizetype end = args.indexOf(QStringLiteral("--"));
    if (end >= 0) {
        m_positionals = args.mid(end + 1);
        args = args.mid(0, end);
    }
    m_options = std::move(args);
}

bool Arguments::flag(const QString& name)
{
    bool found = false;
    for (qsizetype i = m_options.size() - 1; i >= 0; --i) {
        if (m_options[i] == name) {
            m_options.removeAt(i);
            found = true;
        } else if (m_options[i].startsWith(name + QLatin1Char('='))) {
            usageError(QStringLiteral("%1: %2 takes no value").arg(m_command, name));
        }
    }
    return found;
}

std::optional<QString> Arguments::takeValue(const QString& name)
{
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        const QString& arg = m_options[i];
        if (arg == name) {
            if (i + 1 >= m_options.size()) {
                usageError(QStringLiteral("%1: %2 needs a value").arg(m_command, name));
            }
            QString v = m_options[i + 1];
            m_options.remove(i, 2);
            return v;
        }
        if (arg.startsWith(name + QLatin1Char('='))) {
            QString v = arg.mid(name.size() + 1);
            m_options.removeAt(i);
            return v;
        }
    }
    return std::nullopt;
}

std::optional<QString> Arguments::value(const QString& name)
{
    std::optional<QString> v = takeValue(name);
    if (v && takeValue(name)) {
        usageError(QStringLiteral("%1: %2 is given twice").arg(m_command, name));
    }
    return v;
}

QStringList Arguments::values(const QString& name)
{
    QStringList all;
    while (std::optional<QString> v = takeValue(name)) {
        all << *v;
    }
    return all;
}

std::optional<QString> Arguments::optionalPositional()
{
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        if (!isOption(m_options[i])) {
            return m_options.takeAt(i);
        }
    }
    if (!m_positionals.isEmpty()) {
        return m_positionals.takeFirst();
    }
    return std::nullopt;
}

QString Arguments::positional(const QString& what)
{
    std::optional<QString> v = optionalPositional();
    if (!v) {
        usageError(QStringLiteral("%1: missing %2 (see %1 --help)").arg(m_command, what));
    }
    return *v;
}

void Arguments::finish() const
{
    for (const QString& arg : m_options) {
        if (isOption(arg)) {
            usageError(QStringLiteral("%1: unknown option %2 (see %1 --help)").arg(m_command, arg));
        }
    }
    const QStringList left = m_options + m_positionals;
    if (!left.isEmpty()) {
        usageError(QStringLiteral("%1: unexpected argument \"%2\" (see %1 --help)").arg(m_command, left.first()));
    }
}

} // namespace korvel::cli
