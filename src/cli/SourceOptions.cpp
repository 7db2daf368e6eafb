#include "cli/SourceOptions.h"

#include "cli/CliError.h"
#include "history/OnlineUpdate.h"
#include "session/Session.h"
#include "settings/Options.h"

namespace korvel::cli {

const char* const kSourceOptionsHelp =
    "--source chooses the sources of one reader: official (the lotteries' own results JSON), chart (a\n"
    "results chart page) or text (a plain-text history file); without it every enabled source of the\n"
    "game's list (\"设置\" → \"在线更新设置\", sections DrawSources53 / DrawSources3 of the settings file) is\n"
    "tried in order. --url replaces the address of the first of them for this run (only that one is tried).\n";

std::vector<OptionDecl> sourceOptions()
{
    return {opt::text(QStringLiteral("--source")), opt::text(QStringLiteral("--url"))};
}

SourceOptions sourceOptionsOf(const OptionValues& values)
{
    SourceOptions o;
    if (const std::optional<QString> source = values.text(QStringLiteral("--source"))) {
        o.reader = drawsources::readerFromName(*source);
        if (!o.reader) {
            usageError(
                QStringLiteral("%1: \"%2\" is not a source (official, chart or text)").arg(values.command(), *source));
        }
    }
    if (const std::optional<QString> url = values.text(QStringLiteral("--url"))) {
        o.url = url->trimmed();
        if (o.url.isEmpty()) {
            usageError(QStringLiteral("%1: --url needs an address").arg(values.command()));
        }
    }
    return o;
}

std::vector<DrawSource> chosenSources(const SourceOptions& options, Session& session, const QString& command)
{
    const int game = session.options().game();
    QString error;
    std::vector<DrawSource> sources =
        chooseSources(drawsources::load(session.settings(), game), game, options.reader, options.url, &error);
    if (sources.empty()) {
        usageError(QStringLiteral("%1: %2").arg(command, error));
    }
    for (const DrawSource& s : sources) {
        if (const QString problem = drawsources::addressProblem(s); !problem.isEmpty() && !options.url.isEmpty()) {
            usageError(QStringLiteral("%1: --url %2: %3").arg(command, options.url, problem));
        }
    }
    return sources;
}

} // namespace korvel::cli
