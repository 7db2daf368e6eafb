#include "search/FoundFormulaExport.h"
#include "formula/FormulaTextExport.h"

#include "platform/TextCodec.h"
#include "support/RecordingLauncher.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

const QString kMarkerDashes = QString(26, QChar(0x2014));

QStringList readBack(const QString& path, QByteArray* raw = nullptr)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    if (raw) {
        *raw = bytes;
    }
    const auto text = textcodec::decodeGbk(bytes);
    EXPECT_TRUE(text.has_value());
    QStringList lines = text.value_or(QString()).split(QStringLiteral("\r\n"));
    EXPECT_TRUE(lines.last().isEmpty()); // every line ends with CR LF
    lines.removeLast();
    return lines;
}

TEST(FoundFormulaExportTest, EmptyListGivesTheHeaderAndOneMarker)
{
    const QStringList lines = foundFormulaExportLines({});
    ASSERT_EQ(lines.size(), 5);
    // Line 1 is empty, as in the formula export: both files share the four header lines.
    EXPECT_TRUE(lines[0].isEmpty());
    EXPECT_EQ(lines.mid(0, 4), formulaExportHeader());
    EXPECT_TRUE(lines[1].startsWith(QString(10, QLatin1Char(' '))));
    EXPECT_FALSE(lines[1].startsWith(QString(11, QLatin1Char(' '))));
    EXPECT_TRUE(lines[2].startsWith(QString(10, QLatin1Char(' '))));
    EXPECT_TRUE(lines[3].isEmpty());
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("0") + kMarkerDashes));
    EXPECT_GT(lines[4].size(), 1 + 26); // a credit follows the dashes
}

TEST(FoundFormulaExportTest, MarkersAfterEveryFiftiethLineAndAtTheEnd)
{
    QStringList results;
    for (int i = 1; i <= 120; ++i) {
        results << QStringLiteral("[个位单选杀]百位码+和数+%1").arg(i);
    }
    QTemporaryDir dir;
    test::RecordingLauncher launcher;
    const ExportOutcome out = exportFoundFormulas(dir.path(), QStringLiteral("2018155"), results, launcher);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(out.path, dir.filePath(QStringLiteral("2018155期3D彩公式.txt")));
    EXPECT_EQ(launcher.textFiles, QStringList{out.path});

    QByteArray raw;
    const QStringList lines = readBack(out.path, &raw);
    EXPECT_FALSE(raw.contains("\n\n"));
    EXPECT_EQ(raw.count('\n'), raw.count("\r\n"));
    ASSERT_EQ(lines.size(), 4 + 120 + 3);
    EXPECT_EQ(lines[4], results[0]);
    EXPECT_EQ(lines[4 + 49], results[49]);
    EXPECT_TRUE(lines[4 + 50].startsWith(QStringLiteral("50") + kMarkerDashes));
    EXPECT_EQ(lines[4 + 51], results[50]);
    EXPECT_TRUE(lines[4 + 101].startsWith(QStringLiteral("100") + kMarkerDashes));
    EXPECT_EQ(lines[4 + 102], results[100]);
    EXPECT_EQ(lines[lines.size() - 2], results[119]);
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("120") + kMarkerDashes));

    // Exporting again for the same issue replaces the file.
    ASSERT_TRUE(exportFoundFormulas(dir.path(), QStringLiteral("2018155"), results.mid(0, 2), launcher).ok);
    EXPECT_EQ(readBack(out.path).size(), 4 + 2 + 1);
    EXPECT_EQ(launcher.textFiles.size(), 2);
}

TEST(FoundFormulaExportTest, FailuresAreReported)
{
    QTemporaryDir dir;
    test::RecordingLauncher launcher;
    // A folder that does not exist: nothing written, nothing opened.
    ExportOutcome out =
        exportFoundFormulas(dir.filePath(QStringLiteral("missing")), QStringLiteral("2018001"), {}, launcher);
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.error.isEmpty());
    EXPECT_TRUE(launcher.textFiles.isEmpty());
    // The editor cannot be started: the file is there, and the user is told.
    launcher.result = false;
    out = exportFoundFormulas(dir.path(), QStringLiteral("2018001"), {QStringLiteral("x")}, launcher);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(QFile::exists(out.path));
    // A text GBK cannot hold.
    launcher.result = true;
    out = exportFoundFormulas(dir.path(), QStringLiteral("2018002"), {QStringLiteral("😀")}, launcher);
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(QFile::exists(out.path));
}

} // namespace
} // namespace korvel
