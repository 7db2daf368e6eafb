#include "CliTestSupport.h"

#include "cli/Cli.h"
#include "support/TestData.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

namespace korvel::test {

QJsonObject CliRun::json() const
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(out.toUtf8(), &error);
    EXPECT_TRUE(doc.isObject()) << "not a JSON object: " << error.errorString().toStdString() << "\n"
                                << out.toStdString();
    return doc.object();
}

void CliTest::SetUpTestSuite()
{
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "korvel_cli_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
}

void CliTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
}

CliRun CliTest::cli(const QStringList& args) const
{
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.code = cli::runCli(
        QStringList{QStringLiteral("--data-dir"), dataDir(), QStringLiteral("--settings"), settingsFile()} + args, out,
        err);
    out.flush();
    err.flush();
    return run;
}

CliRun CliTest::cliJson(const QStringList& args) const
{
    return cli(QStringList{QStringLiteral("--json")} + args);
}

QString CliTest::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString p = path(name);
    QFile f(p);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return p;
}

void CliTest::importDraws(const QStringList& lines)
{
    QStringList tsv;
    for (const QString& l : lines) {
        tsv << l.split(QLatin1Char(' ')).join(QLatin1Char('\t'));
    }
    const CliRun run = cli({QStringLiteral("history"), QStringLiteral("import"),
                            writeFile(QStringLiteral("draws.tsv"), tsv.join(QLatin1Char('\n')).toUtf8())});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
}

void CliTest::importRealDraws(const QString& file, int count)
{
    QStringList lines;
    for (const DrawLine& d : loadDraws(file, count)) {
        lines << d.issue + QLatin1Char(' ') + d.date + QLatin1Char(' ') + d.digits;
    }
    importDraws(lines);
}

QStringList handDraws()
{
    return {QStringLiteral("2020001 2020-01-01 123"), QStringLiteral("2020002 2020-01-02 156"),
            QStringLiteral("2020003 2020-01-03 789"), QStringLiteral("2020004 2020-01-04 701"),
            QStringLiteral("2020005 2020-01-05 745")};
}

} // namespace korvel::test
