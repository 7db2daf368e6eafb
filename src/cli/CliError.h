#pragma once

#include <QString>

namespace korvel::cli {

// Exit statuses of korvel-cli.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,  // the data folder or the database failed
    kExitUsage = 2,    // a bad argument, a missing file, an unknown issue, a refused confirmation
    kExitSource = 3,   // history update/verify: no source gave the draws (errors, timeouts, a hole)
    kExitConflict = 4, // history update/verify: a source disagrees with the stored history
};

// Thrown by a command to end with a status. The message is printed as one line on stderr; an empty
// message means that the reason has already been told (a message of the core through the dialogs).
class CliError {
public:
    CliError(int code, QString message) : m_code(code), m_message(std::move(message)) {}

    int code() const { return m_code; }
    const QString& message() const { return m_message; }

private:
    int m_code;
    QString m_message;
};

[[noreturn]] inline void usageError(const QString& message)
{
    throw CliError(kExitUsage, message);
}

[[noreturn]] inline void failure(const QString& message)
{
    throw CliError(kExitFailure, message);
}

} // namespace korvel::cli
