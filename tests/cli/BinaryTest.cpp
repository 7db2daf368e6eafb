#include "CliTestSupport.h"

#include "support/TestData.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <csignal>

namespace korvel::test {
namespace {

struct ProcessRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// korvel-cli as a separate process, as a script runs it.
class BinaryTest : public CliTest {
protected:
    ProcessRun run(const QStringList& args) const
    {
        QProcess p;
        p.start(QStringLiteral(KORVEL_CLI_BINARY),
                QStringList{QStringLiteral("--data-dir"), dataDir(), QStringLiteral("--settings"), settingsFile()} +
                    args);
        ProcessRun r;
        if (!p.waitForStarted(10000)) {
            ADD_FAILURE() << "korvel-cli did not start";
            return r;
        }
        p.closeWriteChannel();
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "korvel-cli did not finish";
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }

    static QJsonObject parse(const ProcessRun& r)
    {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
        EXPECT_TRUE(doc.isObject()) << error.errorString().toStdString() << "\n" << r.out.toStdString();
        return doc.object();
    }
};

TEST_F(BinaryTest, ScriptedSessionWithJsonOutput)
{
    QByteArray tsv;
    for (const DrawLine& d : loadDraws(QStringLiteral("pl3_draws.tsv"), 600)) {
        tsv += (d.issue + QLatin1Char('\t') + d.date + QLatin1Char('\t') + d.digits + QLatin1Char('\n')).toUtf8();
    }
    ProcessRun r = run({QStringLiteral("--json"), QStringLiteral("history"), QStringLiteral("import"),
                        writeFile(QStringLiteral("pl3.tsv"), tsv)});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(parse(r).value(QStringLiteral("added")).toInt(), 600);

    r = run({QStringLiteral("formula"), QStringLiteral("add"), QStringLiteral("百位码+十位码+3=下期杀 十位单选")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // Text output is UTF-8 with the window's captions.
    EXPECT_TRUE(QString::fromUtf8(r.out).contains(QStringLiteral("种类: 十位单选"))) << r.out.toStdString();

    r = run({QStringLiteral("--json"), QStringLiteral("stats"), QStringLiteral("--kind"), QStringLiteral("十位单选"),
             QStringLiteral("--sense"), QStringLiteral("杀"), QStringLiteral("--window"), QStringLiteral("100"),
             QStringLiteral("--plain")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject stats = parse(r);
    EXPECT_EQ(stats.value(QStringLiteral("draws")).toInt(), 100);
    const QJsonObject row = stats.value(QStringLiteral("formulas")).toArray().first().toObject();
    EXPECT_EQ(row.value(QStringLiteral("gongshiCN")).toString(), QStringLiteral("百位码+十位码+3=下期杀 十位单选"));
    EXPECT_TRUE(row.value(QStringLiteral("正确率")).toString().endsWith(QStringLiteral("/100)")));

    r = run({QStringLiteral("--json"), QStringLiteral("search"), QStringLiteral("--kind"), QStringLiteral("1D"),
             QStringLiteral("--sense"), QStringLiteral("kill"), QStringLiteral("--candidates"), QStringLiteral("50000"),
             QStringLiteral("--seed"), QStringLiteral("3")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject search = parse(r);
    EXPECT_EQ(search.value(QStringLiteral("verified")).toInt(), 50000);
    EXPECT_GT(search.value(QStringLiteral("candidatesPerSecond")).toDouble(), 0.0);
    EXPECT_EQ(search.value(QStringLiteral("seed")).toString(), QStringLiteral("3"));
}

TEST_F(BinaryTest, ErrorsLeaveStdoutEmptyAndExitWithTheirStatus)
{
    ProcessRun r = run({QStringLiteral("--json"), QStringLiteral("params"), QStringLiteral("2020001")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("korvel-cli: params: unknown issue 2020001"));

    r = run({QStringLiteral("history"), QStringLiteral("import"), path(QStringLiteral("missing.tsv"))});
    EXPECT_EQ(r.code, 2);

    writeFile(QStringLiteral("blocker"), "not a folder");
    QProcess p;
    p.start(QStringLiteral(KORVEL_CLI_BINARY),
            {QStringLiteral("--data-dir"), path(QStringLiteral("blocker/data")), QStringLiteral("--settings"),
             settingsFile(), QStringLiteral("history"), QStringLiteral("list")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
}

// The build puts the bundled histories next to korvel-cli, where it looks for them first.
TEST_F(BinaryTest, BundledHistoryImportAndVersion)
{
    ProcessRun r = run({QStringLiteral("--version")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("korvel-cli ")) << r.out.toStdString();

    r = run({QStringLiteral("--json"), QStringLiteral("history"), QStringLiteral("import"), QStringLiteral("--bundled"),
             QStringLiteral("--game"), QStringLiteral("排列3")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject pl3 = parse(r);
    EXPECT_EQ(pl3.value(QStringLiteral("added")).toInt(), 7721);
    EXPECT_EQ(pl3.value(QStringLiteral("lastIssue")).toString(), QStringLiteral("26246"));

    // The game of the settings is still 福彩3D, and --game was only for that run: the 福彩3D file follows
    // the newest stored draw (26246 reads as 2026246), so its last seven draws are added.
    r = run(
        {QStringLiteral("--json"), QStringLiteral("history"), QStringLiteral("import"), QStringLiteral("--bundled")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(parse(r).value(QStringLiteral("added")).toInt(), 7);

    // --game without --bundled, and a game that is not one, are usage errors.
    r = run({QStringLiteral("history"), QStringLiteral("import"), QStringLiteral("--game"), QStringLiteral("排列3"),
             QStringLiteral("x.tsv")});
    EXPECT_EQ(r.code, 2);
    r = run({QStringLiteral("history"), QStringLiteral("import"), QStringLiteral("--bundled"), QStringLiteral("--game"),
             QStringLiteral("双色球")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.isEmpty());
}

// However a search ends, the options given for the run (--operands, --constant, --thresholds, --form) are
// not written: the settings file is byte for byte what it was.
TEST_F(BinaryTest, AnInterruptedSearchLeavesTheSettingsFileAsItWas)
{
    QByteArray tsv;
    for (const DrawLine& d : loadDraws(QStringLiteral("fc3d_draws.tsv"), 400)) {
        tsv += (d.issue + QLatin1Char('\t') + d.date + QLatin1Char('\t') + d.digits + QLatin1Char('\n')).toUtf8();
    }
    ASSERT_EQ(run({QStringLiteral("history"), QStringLiteral("import"), writeFile(QStringLiteral("d.tsv"), tsv)}).code,
              0);
    ASSERT_EQ(
        run({QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("IniSetting/JSQS"), QStringLiteral("5")})
            .code,
        0);
    auto settingsBytes = [this] {
        QFile f(settingsFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no file)");
    };
    const QByteArray before = settingsBytes();

    for (const int signal : {SIGINT, SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        QProcess p;
        p.start(QStringLiteral(KORVEL_CLI_BINARY), {QStringLiteral("--data-dir"), dataDir(),
                                                    QStringLiteral("--settings"), settingsFile(),
                                                    QStringLiteral("search"),     QStringLiteral("--kind"),
                                                    QStringLiteral("1D"),         QStringLiteral("--sense"),
                                                    QStringLiteral("kill"),       QStringLiteral("--candidates"),
                                                    QStringLiteral("2000000000"), QStringLiteral("--threads"),
                                                    QStringLiteral("1"),          QStringLiteral("--operands"),
                                                    QStringLiteral("8"),          QStringLiteral("--constant"),
                                                    QStringLiteral("7"),          QStringLiteral("--thresholds"),
                                                    QStringLiteral("99.9,100"),   QStringLiteral("--form"),
                                                    QStringLiteral("equation")});
        ASSERT_TRUE(p.waitForStarted(10000));
        // The first progress line: the search is running with the run's options in place (eight operands:
        // a space that is sampled, so that the run lasts until it is interrupted).
        QByteArray err;
        while (!err.contains("verified") && p.state() == QProcess::Running) {
            p.waitForReadyRead(1000);
            err += p.readAllStandardError();
        }
        ASSERT_TRUE(err.contains("verified")) << err.toStdString();
        ::kill(static_cast<pid_t>(p.processId()), signal);
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            FAIL() << "korvel-cli did not end";
        }
        EXPECT_EQ(settingsBytes(), before);
    }
}

} // namespace
} // namespace korvel::test
