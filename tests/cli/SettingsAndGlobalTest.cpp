#include "CliTestSupport.h"

#include "cli/Cli.h"
#include "cli/Command.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QSettings>

namespace korvel::test {
namespace {

using SettingsCommandsTest = CliTest;
using GlobalOptionsTest = CliTest;

QString getValue(const CliRun& run)
{
    return run.json().value(QStringLiteral("value")).toString();
}

TEST_F(SettingsCommandsTest, OptionsAreStoredAsTheWindowStoresThem)
{
    const struct {
        const char* key;
        QString value;
        const char* stored;
    } cases[] = {
        {"IniSetting/ZqlJq", QStringLiteral("off"), "False"},
        {"IniSetting/SyBq", QStringLiteral("yes"), "True"},
        {"IniSetting/JSQS", QStringLiteral("前500期"), "4"},
        {"IniSetting/JSQS", QStringLiteral("9"), "9"},
        {"IniSetting/GsZl", QStringLiteral("体彩排列3"), "3"},
        {"IniSetting/IniSerchDay", QStringLiteral("10"), "10"},
        {"SSSZ/1", QStringLiteral("250"), "250"},
    };
    for (const auto& c : cases) {
        const CliRun set = cliJson({QStringLiteral("settings"), QStringLiteral("set"), QLatin1String(c.key), c.value});
        ASSERT_EQ(set.code, 0) << c.key << ": " << set.err.toStdString();
        EXPECT_EQ(getValue(set), QLatin1String(c.stored)) << c.key;
        EXPECT_EQ(getValue(cliJson({QStringLiteral("settings"), QStringLiteral("get"), QLatin1String(c.key)})),
                  QLatin1String(c.stored))
            << c.key;
    }
    // The file is the one named by --settings, in the window's sections and keys.
    QSettings ini(settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("IniSetting/JSQS")).toString(), QStringLiteral("9"));
    EXPECT_EQ(ini.value(QStringLiteral("SSSZ/1")).toString(), QStringLiteral("250"));

    // Values no menu can choose are refused and nothing changes.
    for (const auto& [key, value] :
         std::initializer_list<std::pair<const char*, const char*>>{{"IniSetting/IniSerchDay", "11"},
                                                                    {"IniSetting/JSQS", "10"},
                                                                    {"IniSetting/GsZl", "7"},
                                                                    {"IniSetting/ZqlJq", "maybe"},
                                                                    {"IniSetting", "1"}}) {
        EXPECT_EQ(
            cli({QStringLiteral("settings"), QStringLiteral("set"), QLatin1String(key), QLatin1String(value)}).code, 2)
            << key << " " << value;
    }
    EXPECT_EQ(ini.value(QStringLiteral("IniSetting/IniSerchDay")).toString(), QStringLiteral("10"));
}

TEST_F(SettingsCommandsTest, ASettingsFileThatCannotBeWrittenIsAFailure)
{
    // The settings file would have to live inside a plain file.
    const QString blocker = writeFile(QStringLiteral("blocker"), "x");
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.code = korvel::cli::runCli({QStringLiteral("--settings"), blocker + QStringLiteral("/3VER.ini"),
                                    QStringLiteral("settings"), QStringLiteral("set"),
                                    QStringLiteral("IniSetting/JSQS"), QStringLiteral("2")},
                                   out, err);
    out.flush();
    err.flush();
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
}

TEST_F(SettingsCommandsTest, GetShowsDefaultsOfOptionsNotStored)
{
    const CliRun run = cliJson({QStringLiteral("settings"), QStringLiteral("get")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    QMap<QString, QString> values;
    for (const QJsonValue& v : run.json().value(QStringLiteral("settings")).toArray()) {
        const QJsonObject o = v.toObject();
        EXPECT_FALSE(o.value(QStringLiteral("stored")).toBool());
        values[o.value(QStringLiteral("key")).toString()] = o.value(QStringLiteral("value")).toString();
    }
    // A first start: 福彩3D, 前300期, weighted, exclude current, results at the next issue, best method.
    EXPECT_EQ(values.value(QStringLiteral("GsZl")), QStringLiteral("53"));
    EXPECT_EQ(values.value(QStringLiteral("JSQS")), QStringLiteral("3"));
    EXPECT_EQ(values.value(QStringLiteral("ZqlJq")), QStringLiteral("True"));
    EXPECT_EQ(values.value(QStringLiteral("SyBq")), QStringLiteral("True"));
    EXPECT_EQ(values.value(QStringLiteral("LsXs")), QStringLiteral("False"));
    EXPECT_EQ(values.value(QStringLiteral("JSFF")), QStringLiteral("False"));
    EXPECT_EQ(values.value(QStringLiteral("IniSerchDay")), QStringLiteral("3"));
    EXPECT_EQ(cli({QStringLiteral("settings"), QStringLiteral("get"), QStringLiteral("Foo/bar")}).code, 2);
    // Reading the settings opens no data folder.
    EXPECT_FALSE(QDir(dataDir()).exists());
}

TEST_F(GlobalOptionsTest, HelpOnEveryCommandAndClearRefusals)
{
    CliRun run = cli({QStringLiteral("--help")});
    EXPECT_EQ(run.code, 0);
    for (const auto& command : korvel::cli::allCommands()) {
        EXPECT_TRUE(run.out.contains(QStringLiteral("  ") + command->name())) << command->name().toStdString();
        const CliRun help = cli(command->name().split(QLatin1Char(' ')) + QStringList{QStringLiteral("--help")});
        EXPECT_EQ(help.code, 0) << command->name().toStdString();
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: korvel-cli ") + command->name()))
            << help.out.toStdString();
    }
    run = cli({QStringLiteral("history")});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.out.contains(QStringLiteral("history list")));
    EXPECT_EQ(cli({QStringLiteral("help"), QStringLiteral("stats")}).code, 0);
    EXPECT_EQ(cli({}).code, 2);

    run = cli({QStringLiteral("frobnicate")});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1);
    EXPECT_EQ(cli({QStringLiteral("--colour"), QStringLiteral("history"), QStringLiteral("list")}).code, 2);
    EXPECT_EQ(cli({QStringLiteral("history"), QStringLiteral("list"), QStringLiteral("extra")}).code, 2);
    EXPECT_EQ(cli({QStringLiteral("history"), QStringLiteral("list"), QStringLiteral("--last")}).code, 2);
}

TEST_F(GlobalOptionsTest, DataFolderAndDatabaseFailuresExitWithOne)
{
    // A data folder that is a file cannot be made.
    const QString file = writeFile(QStringLiteral("plain-file"), "x");
    CliRun run = [&] {
        CliRun r;
        QTextStream out(&r.out);
        QTextStream err(&r.err);
        r.code = korvel::cli::runCli({QStringLiteral("--data-dir"), file + QStringLiteral("/data"),
                                      QStringLiteral("--settings"), settingsFile(), QStringLiteral("history"),
                                      QStringLiteral("list")},
                                     out, err);
        return r;
    }();
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.isEmpty());

    // A formula.mdb that is not ours is left alone.
    QDir().mkpath(dataDir());
    const QByteArray foreign = "Standard Jet DB\0\0\0 not an SQLite file";
    writeFile(QStringLiteral("data/formula.mdb"), foreign);
    run = cli({QStringLiteral("history"), QStringLiteral("list")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.isEmpty());
    QFile f(dataDir() + QStringLiteral("/formula.mdb"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), foreign);
}

} // namespace
} // namespace korvel::test
