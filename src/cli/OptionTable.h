#pragma once

#include "formula/FormulaKind.h"
#include "session/Session.h"

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <optional>
#include <vector>

namespace korvel::cli {

// What an option reads from the command line.
enum class OptionType {
    Flag,     // given or not; "--all=x" is refused
    Text,     // one value as typed
    Texts,    // a value that may be given again and again, every one in order
    Integer,  // a whole number in [min, max]
    Unsigned, // a whole number from 0 to 2^64 - 1
    Words,    // one of a few words (each with its synonyms): the index of the word
    Kind,     // Choices.h parseKind
    Sense,    // parseSense: 1 kill, 0 keep
    Position, // parsePosition
    Play,     // parsePlayChoice
    Window,   // parseWindowIndex
};

// One option of a command. The messages name it by its label: the option ("--last: ..."), the command and
// the option ("history list --last: ..."), or a label of its own ("bets --bet: ...", the same in every
// command that shares the option).
struct OptionDecl {
    QString name;
    OptionType type = OptionType::Text;
    bool commandInLabel = false;
    QString label;                  // when set, the label whatever the command
    qint64 min = 0, max = 0;        // Integer
    std::vector<QStringList> words; // Words: the first of each is the one the refusal names
    QString valueWord;              // Integer: a word taken for `wordValue` ("all")
    qint64 wordValue = 0;
    // The refusal of a value that does not read: %1 the label, %2 the value, %3 the command. Empty: the
    // type's own ("LABEL: "VALUE" is not a whole number from MIN to MAX", "is not A, B or C", ...).
    QString refusal;
    // When set, the option must be given; the message after "COMMAND: ".
    QString needed;

    OptionDecl& withCommand()
    {
        commandInLabel = true;
        return *this;
    }
    OptionDecl& labelled(const QString& text)
    {
        label = text;
        return *this;
    }
    OptionDecl& refusing(const QString& format)
    {
        refusal = format;
        return *this;
    }
    OptionDecl& required(const QString& message)
    {
        needed = message;
        return *this;
    }
    OptionDecl& orWord(const QString& word, qint64 value)
    {
        valueWord = word;
        wordValue = value;
        return *this;
    }
};

// The declarations: opt::integer("--last", 0, INT_MAX), opt::words("--mode", {{"next", ...}, {"verify", ...}}).
namespace opt {
OptionDecl flag(const QString& name);
OptionDecl text(const QString& name);
OptionDecl texts(const QString& name);
OptionDecl integer(const QString& name, qint64 min, qint64 max);
OptionDecl unsignedNumber(const QString& name);
OptionDecl words(const QString& name, std::vector<QStringList> words);
// --kind and --sense name the command in their messages; required() without a message of its own gives
// "--kind KIND is needed (1D, 2D, 3D, 2G, 3G)" and "--sense SENSE is needed (kill or keep)".
OptionDecl kind();
OptionDecl requiredKind();
OptionDecl sense();
OptionDecl requiredSense();
OptionDecl position();
OptionDecl play();
OptionDecl window();
} // namespace opt

// A positional argument: FILE, ISSUE; `rest` takes every one left ("formula add" TEXT...).
struct PositionalDecl {
    QString name;
    bool required = true;
    bool rest = false;
};

namespace opt {
PositionalDecl positional(const QString& name);
PositionalDecl optionalPositional(const QString& name);
PositionalDecl rest(const QString& name);
} // namespace opt

class OptionValues;

// What read() found for one option.
struct OptionValue {
    bool flag = false;
    std::optional<QString> text;
    QStringList texts;
    std::optional<qint64> number; // Integer, Words, Sense, Position, Window
    std::optional<quint64> unsignedNumber;
    std::optional<FormulaKind> kind;
    std::optional<Session::PlayChoice> play;
};

// The options and positional arguments of a command. read() takes every option (a missing value, an
// option given twice and a flag given a value are refused at once; --kind and --sense are read and
// checked as they are taken, so that their refusal comes first), then the positional arguments, refuses
// whatever is left (an unknown option, an extra argument) and then reads the values in the order of the
// table. Every refusal is a usage error (exit status 2).
class OptionTable {
public:
    OptionTable(std::initializer_list<OptionDecl> options, std::initializer_list<PositionalDecl> positionals = {});

    // The table with the options of a shared group after its own (search, bet, walk-forward options).
    OptionTable with(const std::vector<OptionDecl>& more) const;

    OptionValues read(const QString& command, const QStringList& argv) const;

    const std::vector<OptionDecl>& options() const { return m_options; }

private:
    std::vector<OptionDecl> m_options;
    std::vector<PositionalDecl> m_positionals;
};

// What read() found. Asking for a name the table does not declare, or with the wrong type, is a fault of
// the program (std::logic_error).
class OptionValues {
public:
    const QString& command() const { return m_command; }

    bool flag(const QString& name) const;
    bool given(const QString& name) const;
    // The value as typed (of any option but a flag and a repeated one).
    std::optional<QString> text(const QString& name) const;
    QStringList texts(const QString& name) const;
    std::optional<int> integer(const QString& name) const;
    std::optional<quint64> unsignedNumber(const QString& name) const;
    std::optional<int> word(const QString& name) const;
    std::optional<FormulaKind> kind(const QString& name = QStringLiteral("--kind")) const;
    std::optional<bool> sense(const QString& name = QStringLiteral("--sense")) const;
    std::optional<int> position(const QString& name = QStringLiteral("--position")) const;
    std::optional<Session::PlayChoice> play(const QString& name = QStringLiteral("--play")) const;
    std::optional<int> window(const QString& name = QStringLiteral("--window")) const;

    // An optional positional argument.
    std::optional<QString> positional(const QString& name) const;
    // A positional argument the command needs here: "COMMAND: missing NAME (see COMMAND --help)" when absent.
    QString neededPositional(const QString& name) const;
    // Every argument of a `rest` positional.
    QStringList rest(const QString& name) const;

private:
    friend class OptionTable;

    using Value = OptionValue;

    const Value& value(const QString& name, std::initializer_list<OptionType> types) const;

    QString m_command;
    std::vector<OptionDecl> m_decls;
    std::vector<Value> m_values;
    std::vector<PositionalDecl> m_positionalDecls;
    std::vector<QStringList> m_positionals;
};

} // namespace korvel::cli
