#pragma once

#include "cli/OptionTable.h"
#include "history/DrawSources.h"

#include <QString>

#include <optional>
#include <vector>

namespace korvel {
class Session;
}

namespace korvel::cli {

// --source official|chart|text and --url URL of `history update` and `history verify`.
struct SourceOptions {
    std::optional<SourceReader> reader;
    QString url;
};

std::vector<OptionDecl> sourceOptions();
SourceOptions sourceOptionsOf(const OptionValues& values);
// The sources of the run from the game's list in the settings (history/OnlineUpdate.h chooseSources); a
// usage error when none is left.
std::vector<DrawSource> chosenSources(const SourceOptions& options, Session& session, const QString& command);

extern const char* const kSourceOptionsHelp;

} // namespace korvel::cli
