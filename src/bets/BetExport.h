#pragma once

#include "bets/BetList.h"
#include "platform/SheetGrid.h"

#include <QString>

namespace korvel {

class Dialogs;
class Launcher;

// The file names the bet list is written under, in the data folder.
QString betTextFileName();  // "投注单.txt"
QString betSheetFileName(); // "投注单.xls"

// "导出文本": one bet a line ("123", "组六 1 2 3"), GBK with CR LF like the other text files, written in one
// step and opened in the text editor. The path written, or empty with the reason in *error (nothing was
// written then).
QString exportBetText(const BetList& list, const QString& folder, Launcher& launcher, QString* error);

// The list as a sheet: "号码", "和值", "跨度", "形态" and a last line with the count, the cost and the
// expected return.
SheetGrid betSheet(const BetList& list, const PrizeTable& prizes);
// "导出Excel": the sheet as 投注单.xls, shown.
SheetShown exportBetSheet(const BetList& list, const PrizeTable& prizes, const QString& folder, Dialogs& dialogs,
                          Launcher& launcher);

// The list as the clipboard and the print preview take it: the bets, then "共N注 M元".
QString betListText(const BetList& list, const PrizeTable& prizes);

} // namespace korvel
