#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Readable QStrings in the failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace korvel::test {

// One run of korvel-cli: its status and what it wrote.
struct CliRun {
    int code = -1;
    QString out;
    QString err;

    // stdout as the JSON document of a --json run (an empty object when it does not parse, with a failure).
    QJsonObject json() const;
    // The lines of stdout.
    QStringList lines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

// Commands run in-process on a data folder and a settings file of their own.
class CliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;

    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }
    QString settingsFile() const { return m_dir.filePath(QStringLiteral("3VER.ini")); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Runs korvel-cli with --data-dir and --settings of the test before `args`.
    CliRun cli(const QStringList& args) const;
    // The same with --json.
    CliRun cliJson(const QStringList& args) const;

    // Writes a file in the test's folder and returns its path.
    QString writeFile(const QString& name, const QByteArray& bytes) const;
    // Imports draws given as "issue date digits" lines (TAB separated in the file).
    void importDraws(const QStringList& lines);
    // Imports the first `count` draws of a shipped history file.
    void importRealDraws(const QString& file, int count);

    QTemporaryDir m_dir;
};

// The small history of the hand-computed cases: 百位 digits 1, 1, 7, 7, 7; 十位 2, 5, 8, 0, 4.
QStringList handDraws();

} // namespace korvel::test
