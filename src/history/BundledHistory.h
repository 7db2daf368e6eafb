#pragma once

#include "history/DrawFileImport.h"

#include <QString>
#include <QStringList>

namespace korvel {

class Database;
class HistoryStore;

// The draw histories shipped with the program, one file per game: "fc3d_draws.tsv" (福彩3D, from 2004001)
// and "pl3_draws.tsv" (体彩排列3, from 04001), lines of issue, date and digits separated by TABs, public
// results. They are looked for in the running program's own folder (the build tree, where the build
// copies them next to korvel and korvel-cli) and then in ../share/korvel beside it (an installed tree:
// PREFIX/bin/korvel reads PREFIX/share/korvel/).

QString bundledHistoryFileName(int game); // by `GsZl`: 3 is 体彩排列3, anything else 福彩3D
// The folders above, for the running program.
QStringList bundledHistoryFolders();

// A bundled file, read and checked whole before anything is stored from it.
struct BundledHistory {
    int game = 0;      // `GsZl` of the file
    QString path;      // the file found (empty when none was)
    QString text;      // its decoded text
    int draws = 0;     // lines of draws
    QString lastIssue; // its newest issue, year in four digits ("2026253")
    QString error;     // why it cannot be used (missing, unreadable, damaged); empty when it can

    bool usable() const { return error.isEmpty(); }
};

// The first file of the game found in folders. A file that is not text, holds no draw, has a line that
// cannot be read, or lists issues out of order or twice is damaged: error says where.
BundledHistory loadBundledHistory(int game, const QStringList& folders);

// Stores the draws of a usable bundled file that are newer than the newest stored one, through the draw
// file import (the same parameters as any import of that file), in one transaction or not at all.
DrawFileReport importBundledDraws(Database& db, HistoryStore& store, const BundledHistory& bundled);

QString bundledImportTitle(); // "导入内置历史"
// "历史号码为空，是否导入随程序提供的 N 期历史号码（至 YYYYNNN 期）？"
QString bundledOfferText(const BundledHistory& bundled);

} // namespace korvel
