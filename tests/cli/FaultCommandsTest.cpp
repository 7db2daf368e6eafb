#include "CliTestSupport.h"

#include "cli/Cli.h"
#include "support/FileSizeLimit.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <sys/stat.h>

namespace korvel::test {
namespace {

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

bool isCharacterDevice(const char* path)
{
    struct stat st {};
    return stat(path, &st) == 0 && S_ISCHR(st.st_mode);
}

class FaultCommandsTest : public CliTest {
protected:
    QString database() const { return QDir(dataDir()).filePath(QStringLiteral("formula.mdb")); }

    // Overwrites the last 64 bytes of the draw table's root page: the child page numbers of its cells.
    void damageDrawTable() const
    {
        int page = 0;
        int pageSize = 0;
        {
            SQLite::Database db(database().toStdString(), SQLite::OPEN_READONLY);
            page = db.execAndGet("SELECT rootpage FROM sqlite_master WHERE name = 'Lishi'").getInt();
            pageSize = db.execAndGet("PRAGMA page_size").getInt();
        }
        QFile f(database());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(qint64(page) * pageSize - 64));
        ASSERT_EQ(f.write(QByteArray(64, '\xFF')), 64);
    }

    QStringList zeroByteFiles() const
    {
        QStringList out;
        for (const QFileInfo& info : QDir(dataDir()).entryInfoList(QDir::Files | QDir::Hidden)) {
            if (info.size() == 0) {
                out << info.fileName();
            }
        }
        return out;
    }
};

TEST_F(FaultCommandsTest, ADamagedDatabaseIsAFailureAndIsNeverWrittenTo)
{
    importRealDraws(QStringLiteral("fc3d_draws.tsv"), 2000);
    damageDrawTable();
    const QByteArray before = fileHash(database());

    const CliRun list = cli({QStringLiteral("history"), QStringLiteral("list")});
    EXPECT_EQ(list.code, 1);
    EXPECT_TRUE(list.err.contains(QStringLiteral("已损坏"))) << list.err.toStdString();
    EXPECT_FALSE(list.out.contains(QStringLiteral("draws")));
    EXPECT_EQ(cli({QStringLiteral("history"), QStringLiteral("add"), QStringLiteral("2010001"),
                   QStringLiteral("2010-01-01"), QStringLiteral("123")})
                  .code,
              1);
    EXPECT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QStringLiteral("百位码+3=下期杀 百位单选")}).code,
              1);
    EXPECT_EQ(fileHash(database()), before);
}

TEST_F(FaultCommandsTest, ADrawTableWithOtherColumnsIsAFailureAndIsNeverWrittenTo)
{
    importDraws(handDraws());
    {
        SQLite::Database db(database().toStdString(), SQLite::OPEN_READWRITE);
        db.exec("ALTER TABLE Lishi RENAME COLUMN L2A TO Shi");
    }
    const QByteArray before = fileHash(database());
    const CliRun list = cli({QStringLiteral("history"), QStringLiteral("list")});
    EXPECT_EQ(list.code, 1);
    EXPECT_TRUE(list.err.contains(QStringLiteral("Lishi"))) << list.err.toStdString();
    EXPECT_TRUE(list.err.contains(QStringLiteral("L2A"))) << list.err.toStdString();
    EXPECT_EQ(cli({QStringLiteral("history"), QStringLiteral("add"), QStringLiteral("2010001"),
                   QStringLiteral("2010-01-01"), QStringLiteral("123")})
                  .code,
              1);
    EXPECT_EQ(fileHash(database()), before);
}

TEST_F(FaultCommandsTest, OnAFullDiskWritesFailWithStatusOneOrTwoAndReadsStillWork)
{
    importDraws(handDraws());
    ASSERT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QStringLiteral("百位码+3=下期杀 百位单选")}).code,
              0);
    const QByteArray before = fileHash(database());
    const test::FileSizeLimit full(0);

    // Reading commands write nothing at start, so they work, and no message claims anything of the data.
    const CliRun list = cli({QStringLiteral("history"), QStringLiteral("list")});
    EXPECT_EQ(list.code, 0) << list.err.toStdString();
    EXPECT_TRUE(list.err.isEmpty()) << list.err.toStdString();
    const CliRun stats = cli({QStringLiteral("stats"), QStringLiteral("--kind"), QStringLiteral("3D"),
                              QStringLiteral("--sense"), QStringLiteral("kill")});
    EXPECT_EQ(stats.code, 0) << stats.err.toStdString();
    EXPECT_FALSE(stats.err.contains(QStringLiteral("保持原样"))) << stats.err.toStdString();

    // A deletion the database cannot write is a database failure.
    const CliRun deletion =
        cli({QStringLiteral("history"), QStringLiteral("delete"), QStringLiteral("--last"), QStringLiteral("1")});
    EXPECT_EQ(deletion.code, 1) << deletion.err.toStdString();
    EXPECT_TRUE(deletion.err.contains(QStringLiteral("未作改动"))) << deletion.err.toStdString();
    EXPECT_EQ(cli({QStringLiteral("history"), QStringLiteral("add"), QStringLiteral("2020006"),
                   QStringLiteral("2020-01-06"), QStringLiteral("123")})
                  .code,
              1);
    EXPECT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QStringLiteral("十位码+3=下期杀 百位单选")}).code,
              1);

    // A text file that cannot be written is an error naming it, and no empty file is left.
    const CliRun exportFormulas =
        cli({QStringLiteral("formula"), QStringLiteral("export"), QStringLiteral("--kind"), QStringLiteral("3D"),
             QStringLiteral("--sense"), QStringLiteral("kill"), path(QStringLiteral("copy.txt"))});
    EXPECT_NE(exportFormulas.code, 0);
    EXPECT_TRUE(exportFormulas.err.contains(QStringLiteral("公式.txt"))) << exportFormulas.err.toStdString();
    const CliRun exportHistory = cli({QStringLiteral("history"), QStringLiteral("export")});
    EXPECT_NE(exportHistory.code, 0);
    EXPECT_TRUE(exportHistory.err.contains(QStringLiteral("历史号码.txt"))) << exportHistory.err.toStdString();
    EXPECT_EQ(zeroByteFiles(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("copy.txt"))));
    EXPECT_EQ(fileHash(database()), before);
}

TEST_F(FaultCommandsTest, ExportsToAFullDeviceFailAndLeaveTheDevice)
{
    if (!isCharacterDevice("/dev/full")) {
        GTEST_SKIP() << "no /dev/full device here";
    }
    importDraws(handDraws());
    ASSERT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QStringLiteral("百位码+3=下期杀 百位单选")}).code,
              0);
    const CliRun history = cli({QStringLiteral("history"), QStringLiteral("export"), QStringLiteral("/dev/full")});
    EXPECT_NE(history.code, 0);
    EXPECT_TRUE(history.err.contains(QStringLiteral("/dev/full"))) << history.err.toStdString();
    const CliRun formulas = cli(
        {QStringLiteral("formula"), QStringLiteral("export"), QStringLiteral("--all"), QStringLiteral("/dev/full")});
    EXPECT_NE(formulas.code, 0);
    EXPECT_TRUE(isCharacterDevice("/dev/full"));
}

TEST_F(FaultCommandsTest, ResultsThatDoNotReachStandardOutputAreAFailure)
{
    if (!isCharacterDevice("/dev/full")) {
        GTEST_SKIP() << "no /dev/full device here";
    }
    importDraws(handDraws());
    QFile device(QStringLiteral("/dev/full"));
    ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    QTextStream out(&device);
    QString errText;
    QTextStream err(&errText);
    const int code = cli::runCli({QStringLiteral("--data-dir"), dataDir(), QStringLiteral("--settings"), settingsFile(),
                                  QStringLiteral("history"), QStringLiteral("list")},
                                 out, err);
    err.flush();
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(errText.contains(QStringLiteral("standard output"))) << errText.toStdString();
}

TEST_F(FaultCommandsTest, FoundFormulasThatCannotBeSavedAreKeptInAFileNamedInTheMessage)
{
    importRealDraws(QStringLiteral("fc3d_draws.tsv"), 400);
    {
        SQLite::Database db(database().toStdString(), SQLite::OPEN_READWRITE);
        db.exec("CREATE TRIGGER full BEFORE INSERT ON Gongshi3D BEGIN SELECT RAISE(ABORT, 'database or disk is "
                "full'); END");
    }
    const CliRun run =
        cliJson({QStringLiteral("search"), QStringLiteral("--kind"), QStringLiteral("百位单选"),
                 QStringLiteral("--sense"), QStringLiteral("杀"), QStringLiteral("--count"), QStringLiteral("5"),
                 QStringLiteral("--seed"), QStringLiteral("42"), QStringLiteral("--operands"), QStringLiteral("2"),
                 QStringLiteral("--constant"), QStringLiteral("3"), QStringLiteral("--thresholds"),
                 QStringLiteral("80,100"), QStringLiteral("--save"), QStringLiteral("append")});
    EXPECT_EQ(run.code, 1) << run.err.toStdString();
    const QStringList kept = QDir(dataDir()).entryList({QStringLiteral("未保存的搜索公式_*.txt")}, QDir::Files);
    ASSERT_EQ(kept.size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(kept[0])) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("5 条公式"))) << run.err.toStdString();

    // The file reads back as five formulas once the table takes them again.
    {
        SQLite::Database db(database().toStdString(), SQLite::OPEN_READWRITE);
        db.exec("DROP TRIGGER full");
    }
    const CliRun back =
        cliJson({QStringLiteral("formula"), QStringLiteral("import"), QDir(dataDir()).filePath(kept[0])});
    EXPECT_EQ(back.code, 0) << back.err.toStdString();
    EXPECT_EQ(back.json().value(QStringLiteral("stored")).toInt(), 5) << back.out.toStdString();
}

} // namespace
} // namespace korvel::test
