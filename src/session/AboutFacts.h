#pragma once

#include <QString>

namespace korvel {

class Session;

// What "关于" shows: the program's version, where its data lives, how much it holds, and the versions of
// the libraries it runs on (the ones loaded, which may be newer than those it was built with).
struct AboutFacts {
    QString version;      // "0.2.0"
    QString dataFolder;   // native separators
    QString databasePath; // formula.mdb in the data folder
    int draws = 0;
    int formulas = 0; // over all five tables
    QString qtVersion;
    QString sqliteVersion;

    static AboutFacts of(Session& session);
    QString text() const; // the lines of the box
};

} // namespace korvel
