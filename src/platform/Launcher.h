#pragma once

#include <QString>

namespace korvel {

// Hands a written file to the desktop: a text file to the text editor, a spreadsheet to the spreadsheet
// application, a folder to the file manager. Returns false when no application could be started for it,
// or when the desktop reports that none handles it.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual bool openTextFile(const QString& path) = 0;
    virtual bool showSpreadsheet(const QString& path) = 0;
    virtual bool openFolder(const QString& folder) = 0;
};

} // namespace korvel
