#include "history/HistoryExport.h"

#include "support/FileSizeLimit.h"
#include "support/HistoryRows.h"
#include "support/RecordingLauncher.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(HistoryExport, WritesOneCrLfLinePerDrawAndOpensTheFile)
{
    QTemporaryDir dir;
    test::RecordingLauncher launcher;
    const HistorySnapshot history =
        test::snapshotOf(test::draws({{"2007001", "2007-01-01", "583"}, {"2007002", "2007-01-02", "012"}}));
    const HistoryExportResult r = exportHistoryText(history, dir.path(), "2007002", launcher);
    EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    EXPECT_EQ(r.path, dir.filePath("更新至2007002期历史号码.txt"));
    EXPECT_EQ(readAll(r.path), QByteArray("2007001 583\r\n2007002 012\r\n"));
    EXPECT_EQ(launcher.textFiles, QStringList{r.path});
}

TEST(HistoryExport, EmptyHistoryGivesAnEmptyFileAndReplacesAnOldOne)
{
    QTemporaryDir dir;
    test::RecordingLauncher launcher;
    const QString path = dir.filePath("更新至2007001期历史号码.txt");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents\r\n");
    }
    const HistoryExportResult r = exportHistoryText(HistorySnapshot{}, dir.path(), "2007001", launcher);
    EXPECT_EQ(r.path, path);
    EXPECT_EQ(readAll(path), QByteArray());
}

TEST(HistoryExport, IssueTextsAreWrittenAsGbk)
{
    const HistorySnapshot history = test::snapshotOf(test::draws({{"2007期1", "2007-01-01", "583"}}));
    // 期 is C6 DA in GBK.
    EXPECT_EQ(historyExportBytes(history), QByteArray("2007\xC6\xDA"
                                                      "1 583\r\n"));
}

TEST(HistoryExport, VerifyIssueThatIsNoFileNameWritesNothing)
{
    QTemporaryDir dir;
    test::RecordingLauncher launcher;
    const HistorySnapshot history = test::snapshotOf(test::draws({{"2007001", "2007-01-01", "583"}}));
    const HistoryExportResult r = exportHistoryText(history, dir.path(), "../../x", launcher);
    EXPECT_TRUE(r.path.isEmpty());
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_TRUE(launcher.textFiles.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(HistoryExport, AFullDiskIsAnErrorNamingTheFileAndKeepsTheOldOne)
{
    QTemporaryDir dir;
    test::RecordingLauncher launcher;
    const HistorySnapshot history = test::snapshotOf(test::draws({{"2007001", "2007-01-01", "583"}}));
    const QString path = dir.filePath("更新至2007001期历史号码.txt");
    ASSERT_FALSE(exportHistoryText(history, dir.path(), "2007001", launcher).path.isEmpty());
    const QByteArray before = readAll(path);
    HistoryExportResult r;
    {
        const test::FileSizeLimit full(0);
        r = exportHistoryText(test::snapshotOf(test::draws({{"2007002", "2007-01-02", "012"}})), dir.path(), "2007001",
                              launcher);
    }
    EXPECT_TRUE(r.path.isEmpty());
    EXPECT_TRUE(r.error.contains(QStringLiteral("更新至2007001期历史号码.txt"))) << r.error.toStdString();
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(launcher.textFiles.size(), 1);
}

TEST(HistoryExport, AnEditorThatDoesNotStartIsReported)
{
    QTemporaryDir dir;
    test::RecordingLauncher launcher;
    launcher.result = false;
    const HistoryExportResult r = exportHistoryText(HistorySnapshot{}, dir.path(), "2007001", launcher);
    EXPECT_FALSE(r.path.isEmpty());
    EXPECT_FALSE(r.opened);
    EXPECT_FALSE(r.error.isEmpty());
}

} // namespace
} // namespace korvel
