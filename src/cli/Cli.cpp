#include "cli/Cli.h"

#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Command.h"
#include "session/StartupCheck.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <exception>

namespace korvel::cli {

namespace {

const QString kProgram = QStringLiteral("korvel-cli");

struct Parsed {
    GlobalOptions options;
    bool help = false;
    bool version = false;
    QStringList rest; // the command words and its arguments
};

Parsed parseGlobals(const QStringList& arguments)
{
    Parsed p;
    qsizetype i = 0;
    const auto valueOf = [&](const QString& name) -> std::optional<QString> {
        const QString& arg = arguments[i];
        if (arg == name) {
            if (i + 1 >= arguments.size()) {
                usageError(QStringLiteral("%1 needs a value").arg(name));
            }
            return arguments[++i];
        }
        if (arg.startsWith(name + QLatin1Char('='))) {
            return arg.mid(name.size() + 1);
        }
        return std::nullopt;
    };
    for (; i < arguments.size() && arguments[i].startsWith(QLatin1String("--")); ++i) {
        const QString& arg = arguments[i];
        if (auto dir = valueOf(QStringLiteral("--data-dir"))) {
            p.options.dataDir = *dir;
        } else if (auto file = valueOf(QStringLiteral("--settings"))) {
            p.options.settingsFile = *file;
        } else if (arg == QLatin1String("--json")) {
            p.options.json = true;
        } else if (arg == QLatin1String("--yes")) {
            p.options.yes = true;
        } else if (arg == QLatin1String("--help")) {
            p.help = true;
        } else if (arg == QLatin1String("--version")) {
            p.version = true;
        } else {
            usageError(QStringLiteral("unknown option %1 (see %2 --help)").arg(arg, kProgram));
        }
    }
    p.rest = arguments.mid(i);
    // --json and --yes are taken after the command too: no command has options of these names.
    for (const QString& global : {QStringLiteral("--json"), QStringLiteral("--yes")}) {
        const qsizetype end = p.rest.indexOf(QStringLiteral("--"));
        for (qsizetype k = (end < 0 ? p.rest.size() : end) - 1; k >= 0; --k) {
            if (p.rest[k] == global) {
                p.rest.removeAt(k);
                (global == QLatin1String("--json") ? p.options.json : p.options.yes) = true;
            }
        }
    }
    return p;
}

// The command whose name the arguments start with (the longest name wins: "search scheme" before "search").
Command* findCommand(const std::vector<std::unique_ptr<Command>>& commands, const QStringList& rest, int* words)
{
    Command* best = nullptr;
    int bestWords = 0;
    for (const auto& c : commands) {
        const QStringList name = c->name().split(QLatin1Char(' '));
        if (name.size() > rest.size() || name.size() <= bestWords) {
            continue;
        }
        if (rest.mid(0, name.size()) == name) {
            best = c.get();
            bestWords = static_cast<int>(name.size());
        }
    }
    *words = bestWords;
    return best;
}

QString commandList(const std::vector<std::unique_ptr<Command>>& commands, const QString& group)
{
    QString text;
    for (const auto& c : commands) {
        if (group.isEmpty() || c->name().section(QLatin1Char(' '), 0, 0) == group) {
            text += QStringLiteral("  %1%2\n").arg(c->name(), -18).arg(c->summary());
        }
    }
    return text;
}

void writeDocument(CliContext& context)
{
    Document& doc = context.document();
    if (!context.launcher().files().isEmpty()) {
        doc.set(QStringLiteral("files"), QJsonArray::fromStringList(context.launcher().files()),
                QStringLiteral("file"));
    }
    if (context.json()) {
        doc.writeJson(context.out());
    } else {
        doc.writeText(context.out());
    }
    context.out().flush();
}

} // namespace

QString overviewHelp()
{
    return QStringLiteral(
               "Usage: korvel-cli [--data-dir DIR] [--settings FILE] [--json] [--yes] COMMAND [ARGUMENTS]\n"
               "\n"
               "Korvel on the command line: the same data folder, settings and answers as the window.\n"
               "\n"
               "Global options:\n"
               "  --data-dir DIR    the data folder (formula.mdb, exports); else $KORVEL_DATA_DIR, else the\n"
               "                    per-user folder\n"
               "  --settings FILE   the settings file (INI) to use instead of the window's\n"
               "  --json            print the result as one JSON document (UTF-8)\n"
               "  --yes             answer yes to the questions a command asks\n"
               "  --help            this text; COMMAND --help describes a command\n"
               "  --version         the program's version\n"
               "\n"
               "Commands:\n") +
           commandList(allCommands(), {}) +
           QStringLiteral("\nExit status: 0 done, 1 the data folder or the database failed, 2 a bad argument, a "
                          "missing file, an unknown issue, a refused question, a partial import or a file with "
                          "nothing to import, 3 no source gave the draws (history update/verify), 4 a source "
                          "disagrees with the stored history.\n");
}

int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    const auto commands = allCommands();
    Parsed parsed;
    try {
        parsed = parseGlobals(arguments);
    } catch (const CliError& e) {
        err << kProgram << ": " << e.message() << '\n';
        err.flush();
        return e.code();
    }
    if (parsed.version) {
        out << versionLine(kProgram) << '\n';
        out.flush();
        return kExitOk;
    }
    if (parsed.rest.isEmpty() || parsed.rest.first() == QLatin1String("help")) {
        if (parsed.rest.size() >= 2) {
            parsed.rest = parsed.rest.mid(1);
            parsed.rest << QStringLiteral("--help");
        } else {
            out << overviewHelp();
            out.flush();
            return parsed.rest.isEmpty() && !parsed.help ? kExitUsage : kExitOk;
        }
    }

    int words = 0;
    Command* command = findCommand(commands, parsed.rest, &words);
    const QStringList args = parsed.rest.mid(words);
    if (!command) {
        const QString group = parsed.rest.first();
        const QString list = commandList(commands, group);
        if (list.isEmpty()) {
            err << kProgram << ": unknown command \"" << group << "\" (see " << kProgram << " --help)\n";
            err.flush();
            return kExitUsage;
        }
        out << "Commands of " << group << ":\n" << list;
        out.flush();
        return parsed.rest.contains(QStringLiteral("--help")) ? kExitOk : kExitUsage;
    }
    const qsizetype end = args.indexOf(QStringLiteral("--"));
    if (parsed.help || args.mid(0, end < 0 ? args.size() : end).contains(QStringLiteral("--help"))) {
        out << command->help();
        out.flush();
        return kExitOk;
    }

    CliContext context(parsed.options, out, err);
    try {
        // A command that returns has finished its result: it is printed whatever the status (a partial import
        // ends in 2); a thrown refusal prints none.
        const int status = command->run(args, context);
        writeDocument(context);
        if (context.out().status() != QTextStream::Ok) {
            // stdout on a full disk (or a closed pipe): the result was lost, which is no success.
            err << kProgram << ": the result could not be written to standard output\n";
            err.flush();
            return kExitFailure;
        }
        return status;
    } catch (const CliError& e) {
        if (!e.message().isEmpty()) {
            err << kProgram << ": " << e.message() << '\n';
        }
        err.flush();
        return e.code();
    } catch (const std::exception& e) {
        err << kProgram << ": " << QString::fromUtf8(e.what()) << '\n';
        err.flush();
        return kExitFailure;
    }
}

} // namespace korvel::cli
