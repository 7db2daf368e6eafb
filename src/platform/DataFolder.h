#pragma once

#include <QString>
#include <QStringList>

namespace korvel {

// The folder that holds `formula.mdb`, the exports and the formula text folder. Chosen as: the command
// line's "--data-dir DIR" (or "--data-dir=DIR"), else $KORVEL_DATA_DIR, else the per-user data folder of
// application "3VER" (on Linux ~/.local/share/3VER). resolve() only decides; ensureExists() creates it.
class DataFolder {
public:
    enum class Source { Argument, Environment, Default };

    static DataFolder resolve(const QStringList& arguments);
    // The per-user folder used when neither the argument nor the variable is given.
    static QString defaultPath();

    const QString& path() const { return m_path; }
    Source source() const { return m_source; }
    QString filePath(const QString& fileName) const;
    QString databasePath() const { return filePath(QStringLiteral("formula.mdb")); }

    // Creates the folder (and its parents) when missing. False with the reason in *error on failure.
    bool ensureExists(QString* error = nullptr) const;

private:
    QString m_path;
    Source m_source = Source::Default;
};

} // namespace korvel
