#pragma once

#include <QStringList>
#include <QTextStream>

namespace korvel::cli {

// korvel-cli without its process: the arguments after the program name, the result on `out` (text, or one
// JSON document with --json), messages, progress and errors on `err`. Returns the exit status (CliError.h).
// Needs a QCoreApplication.
int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err);

// The overview printed by "korvel-cli --help".
QString overviewHelp();

} // namespace korvel::cli
