#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korvel::cli {

// The arguments of one command. Options are taken by name ("--last N", "--last=N", flags "--all"), then
// the positional arguments in order; finish() refuses whatever is left (an unknown option, an extra
// argument). Everything after "--" is positional. Every refusal throws a usage error naming the command.
class Arguments {
public:
    Arguments(QString command, QStringList args);

    const QString& command() const { return m_command; }

    bool flag(const QString& name);
    // The value of an option given once; a usage error when it is given without a value or twice.
    std::optional<QString> value(const QString& name);
    // Every value of an option that may be repeated, in order.
    QStringList values(const QString& name);

    // The next positional argument; a usage error naming `what` when there is none.
    QString positional(const QString& what);
    std::optional<QString> optionalPositional();

    // Throws on any argument not taken.
    void finish() const;

private:
    std::optional<QString> takeValue(const QString& name);

    QString m_command;
    QStringList m_options;     // before "--"
    QStringList m_positionals; // after "--"
};

} // namespace korvel::cli
