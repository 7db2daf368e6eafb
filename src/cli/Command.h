#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace korvel::cli {

class CliContext;

// One command of korvel-cli ("history list", "stats", ...). run() reads the command's own arguments (the
// words after its name), does the work through the core, fills the context's document and returns the
// exit status; a refusal is thrown as CliError.
class Command {
public:
    virtual ~Command() = default;

    // The words that call it: "history list", "stats".
    virtual QString name() const = 0;
    // One line for the command list.
    virtual QString summary() const = 0;
    // The synopsis and the options, for "--help".
    virtual QString help() const = 0;
    virtual int run(const QStringList& args, CliContext& context) = 0;
};

// Every command, in the order of the help.
std::vector<std::unique_ptr<Command>> allCommands();

} // namespace korvel::cli
