#include "cli/OptionTable.h"

#include "cli/Arguments.h"
#include "cli/Choices.h"
#include "cli/CliError.h"

#include <stdexcept>

namespace korvel::cli {

namespace opt {

namespace {
OptionDecl of(const QString& name, OptionType type)
{
    OptionDecl s;
    s.name = name;
    s.type = type;
    return s;
}
} // namespace

OptionDecl flag(const QString& name)
{
    return of(name, OptionType::Flag);
}

OptionDecl text(const QString& name)
{
    return of(name, OptionType::Text);
}

OptionDecl texts(const QString& name)
{
    return of(name, OptionType::Texts);
}

OptionDecl integer(const QString& name, qint64 min, qint64 max)
{
    OptionDecl s = of(name, OptionType::Integer);
    s.min = min;
    s.max = max;
    return s;
}

OptionDecl unsignedNumber(const QString& name)
{
    return of(name, OptionType::Unsigned);
}

OptionDecl words(const QString& name, std::vector<QStringList> words)
{
    OptionDecl s = of(name, OptionType::Words);
    s.words = std::move(words);
    return s;
}

OptionDecl kind()
{
    return of(QStringLiteral("--kind"), OptionType::Kind).withCommand();
}

OptionDecl requiredKind()
{
    return kind().required(QStringLiteral("--kind KIND is needed (1D, 2D, 3D, 2G, 3G)"));
}

OptionDecl sense()
{
    return of(QStringLiteral("--sense"), OptionType::Sense).withCommand();
}

OptionDecl requiredSense()
{
    return sense().required(QStringLiteral("--sense SENSE is needed (kill or keep)"));
}

OptionDecl position()
{
    return of(QStringLiteral("--position"), OptionType::Position);
}

OptionDecl play()
{
    return of(QStringLiteral("--play"), OptionType::Play);
}

OptionDecl window()
{
    return of(QStringLiteral("--window"), OptionType::Window);
}

PositionalDecl positional(const QString& name)
{
    return {name, true, false};
}

PositionalDecl optionalPositional(const QString& name)
{
    return {name, false, false};
}

PositionalDecl rest(const QString& name)
{
    return {name, true, true};
}

} // namespace opt

namespace {

QString labelOf(const OptionDecl& decl, const QString& command)
{
    if (!decl.label.isEmpty()) {
        return decl.label;
    }
    return decl.commandInLabel ? command + QLatin1Char(' ') + decl.name : decl.name;
}

[[noreturn]] void refuse(const OptionDecl& decl, const QString& command, const QString& text, const QString& own)
{
    const QString format = decl.refusal.isEmpty() ? QStringLiteral("%1: \"%2\" ") + own : decl.refusal;
    // Arguments one at a time: a value holding "%1" must stay as typed.
    QString message = format;
    message.replace(QLatin1String("%1"), labelOf(decl, command));
    message.replace(QLatin1String("%3"), command);
    message.replace(QLatin1String("%2"), text);
    usageError(message);
}

// "A or B", "A, B or C": the first word of each choice.
QString wordList(const std::vector<QStringList>& words)
{
    QString list;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) {
            list += i + 1 == words.size() ? QStringLiteral(" or ") : QStringLiteral(", ");
        }
        list += words[i].first();
    }
    return list;
}

bool isEarly(const OptionDecl& decl)
{
    return decl.type == OptionType::Kind || decl.type == OptionType::Sense;
}

} // namespace

OptionTable::OptionTable(std::initializer_list<OptionDecl> options, std::initializer_list<PositionalDecl> positionals)
    : m_options(options), m_positionals(positionals)
{
}

OptionTable OptionTable::with(const std::vector<OptionDecl>& more) const
{
    OptionTable t = *this;
    t.m_options.insert(t.m_options.end(), more.begin(), more.end());
    return t;
}

namespace {

// The value of an option given (or, when it is needed, its absence refused).
void convert(const OptionDecl& decl, const QString& command, OptionValue& value)
{
    if (!value.text) {
        if (!decl.needed.isEmpty()) {
            usageError(QStringLiteral("%1: %2").arg(command, decl.needed));
        }
        return;
    }
    const QString& text = *value.text;
    const QString label = labelOf(decl, command);
    switch (decl.type) {
    case OptionType::Flag:
    case OptionType::Text:
    case OptionType::Texts:
        break;
    case OptionType::Integer: {
        if (!decl.valueWord.isEmpty() && text == decl.valueWord) {
            value.number = decl.wordValue;
            break;
        }
        bool ok = false;
        const qlonglong n = text.trimmed().toLongLong(&ok);
        if (!ok || n < decl.min || n > decl.max) {
            refuse(decl, command, text,
                   QStringLiteral("is not a whole number from %1 to %2").arg(decl.min).arg(decl.max));
        }
        value.number = n;
        break;
    }
    case OptionType::Unsigned: {
        bool ok = false;
        const qulonglong n = text.trimmed().toULongLong(&ok);
        if (!ok) {
            refuse(decl, command, text, QStringLiteral("is not a whole number from 0 to 18446744073709551615"));
        }
        value.unsignedNumber = n;
        break;
    }
    case OptionType::Words:
        for (std::size_t w = 0; w < decl.words.size(); ++w) {
            if (decl.words[w].contains(text)) {
                value.number = static_cast<qint64>(w);
            }
        }
        if (!value.number) {
            refuse(decl, command, text, QStringLiteral("is not ") + wordList(decl.words));
        }
        break;
    case OptionType::Kind:
        value.kind = parseKind(label, text);
        break;
    case OptionType::Sense:
        value.number = parseSense(label, text) ? 1 : 0;
        break;
    case OptionType::Position:
        value.number = parsePosition(label, text);
        break;
    case OptionType::Play:
        value.play = parsePlayChoice(label, text);
        break;
    case OptionType::Window:
        value.number = parseWindowIndex(label, text);
        break;
    }
}

// The positional arguments, in the order of the table (before the arguments left are refused).
QStringList takePositional(const PositionalDecl& p, Arguments& args)
{
    QStringList taken;
    if (p.required) {
        taken << args.positional(p.name);
    }
    if (p.rest || !p.required) {
        while (const std::optional<QString> more = args.optionalPositional()) {
            taken << *more;
            if (!p.rest) {
                break;
            }
        }
    }
    return taken;
}

} // namespace

OptionValues OptionTable::read(const QString& command, const QStringList& argv) const
{
    OptionValues v;
    v.m_command = command;
    v.m_decls = m_options;
    v.m_values.resize(m_options.size());
    v.m_positionalDecls = m_positionals;
    Arguments args(command, argv);
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const OptionDecl& decl = m_options[i];
        OptionValue& value = v.m_values[i];
        if (decl.type == OptionType::Flag) {
            value.flag = args.flag(decl.name);
        } else if (decl.type == OptionType::Texts) {
            value.texts = args.values(decl.name);
        } else {
            value.text = args.value(decl.name);
            if (isEarly(decl)) {
                convert(decl, command, value);
            }
        }
    }
    for (const PositionalDecl& p : m_positionals) {
        v.m_positionals.push_back(takePositional(p, args));
    }
    args.finish();
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        if (!isEarly(m_options[i])) {
            convert(m_options[i], command, v.m_values[i]);
        }
    }
    return v;
}

const OptionValues::Value& OptionValues::value(const QString& name, std::initializer_list<OptionType> types) const
{
    for (std::size_t i = 0; i < m_decls.size(); ++i) {
        if (m_decls[i].name == name) {
            if (types.size() == 0) {
                return m_values[i]; // any type
            }
            for (OptionType t : types) {
                if (m_decls[i].type == t) {
                    return m_values[i];
                }
            }
            throw std::logic_error("option " + name.toStdString() + " is read as another type");
        }
    }
    throw std::logic_error("option " + name.toStdString() + " is not in the table of " + m_command.toStdString());
}

bool OptionValues::flag(const QString& name) const
{
    return value(name, {OptionType::Flag}).flag;
}

bool OptionValues::given(const QString& name) const
{
    const Value& v = value(name, {});
    return v.flag || v.text || !v.texts.isEmpty();
}

std::optional<QString> OptionValues::text(const QString& name) const
{
    return value(name,
                 {OptionType::Text, OptionType::Integer, OptionType::Unsigned, OptionType::Words, OptionType::Kind,
                  OptionType::Sense, OptionType::Position, OptionType::Play, OptionType::Window})
        .text;
}

QStringList OptionValues::texts(const QString& name) const
{
    return value(name, {OptionType::Texts}).texts;
}

std::optional<int> OptionValues::integer(const QString& name) const
{
    const std::optional<qint64> n = value(name, {OptionType::Integer}).number;
    return n ? std::optional<int>(static_cast<int>(*n)) : std::nullopt;
}

std::optional<quint64> OptionValues::unsignedNumber(const QString& name) const
{
    return value(name, {OptionType::Unsigned}).unsignedNumber;
}

std::optional<int> OptionValues::word(const QString& name) const
{
    const std::optional<qint64> n = value(name, {OptionType::Words}).number;
    return n ? std::optional<int>(static_cast<int>(*n)) : std::nullopt;
}

std::optional<FormulaKind> OptionValues::kind(const QString& name) const
{
    return value(name, {OptionType::Kind}).kind;
}

std::optional<bool> OptionValues::sense(const QString& name) const
{
    const std::optional<qint64> n = value(name, {OptionType::Sense}).number;
    return n ? std::optional<bool>(*n != 0) : std::nullopt;
}

std::optional<int> OptionValues::position(const QString& name) const
{
    const std::optional<qint64> n = value(name, {OptionType::Position}).number;
    return n ? std::optional<int>(static_cast<int>(*n)) : std::nullopt;
}

std::optional<Session::PlayChoice> OptionValues::play(const QString& name) const
{
    return value(name, {OptionType::Play}).play;
}

std::optional<int> OptionValues::window(const QString& name) const
{
    const std::optional<qint64> n = value(name, {OptionType::Window}).number;
    return n ? std::optional<int>(static_cast<int>(*n)) : std::nullopt;
}

std::optional<QString> OptionValues::positional(const QString& name) const
{
    const QStringList all = rest(name);
    return all.isEmpty() ? std::nullopt : std::optional<QString>(all.first());
}

QString OptionValues::neededPositional(const QString& name) const
{
    const std::optional<QString> v = positional(name);
    if (!v) {
        usageError(QStringLiteral("%1: missing %2 (see %1 --help)").arg(m_command, name));
    }
    return *v;
}

QStringList OptionValues::rest(const QString& name) const
{
    for (std::size_t i = 0; i < m_positionalDecls.size(); ++i) {
        if (m_positionalDecls[i].name == name) {
            return m_positionals[i];
        }
    }
    throw std::logic_error("argument " + name.toStdString() + " is not in the table of " + m_command.toStdString());
}

} // namespace korvel::cli
