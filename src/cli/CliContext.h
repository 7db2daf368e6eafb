#pragma once

#include "cli/CliDialogs.h"
#include "cli/CliLauncher.h"
#include "cli/Document.h"

#include <QString>
#include <QTextStream>

#include <memory>

namespace korvel {
class Session;
class SettingsStore;
} // namespace korvel

namespace korvel::cli {

// The options given before the command.
struct GlobalOptions {
    QString dataDir;      // --data-dir DIR (empty: $KORVEL_DATA_DIR, else the per-user folder)
    QString settingsFile; // --settings FILE (empty: the per-user settings of the window)
    bool json = false;    // --json
    bool yes = false;     // --yes: questions are answered yes
};

// What a command works with: the output streams, the document it fills, and, made when first asked for,
// the settings store and the session on the data folder (started as the window starts). The session is
// destroyed before the store, dialogs and launcher it uses.
class CliContext {
public:
    CliContext(GlobalOptions options, QTextStream& out, QTextStream& err);
    ~CliContext();
    CliContext(const CliContext&) = delete;
    CliContext& operator=(const CliContext&) = delete;

    const GlobalOptions& options() const { return m_options; }
    bool json() const { return m_options.json; }
    bool yes() const { return m_options.yes; }
    QTextStream& out() { return m_out; }
    QTextStream& err() { return m_err; }
    Document& document() { return m_document; }

    SettingsStore& settings();
    CliDialogs& dialogs() { return m_dialogs; }
    CliLauncher& launcher() { return m_launcher; }
    // The started session. Throws a failure (status 1) when the data folder cannot be made or the database
    // cannot be opened.
    Session& session();

    // A line of progress or a note on stderr (never on stdout, which carries the result).
    void note(const QString& line);

private:
    GlobalOptions m_options;
    QTextStream& m_out;
    QTextStream& m_err;
    Document m_document;
    std::unique_ptr<SettingsStore> m_settings;
    CliDialogs m_dialogs;
    CliLauncher m_launcher;
    std::unique_ptr<Session> m_session; // declared last: destroyed first
};

} // namespace korvel::cli
