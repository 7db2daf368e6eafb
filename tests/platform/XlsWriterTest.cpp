#include "platform/XlsWriter.h"

#include "support/XlsReadBack.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtEndian>

#include <csignal>
#include <functional>
#include <iostream>
#include <limits>
#include <map>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::XlsReadBack;

constexpr int XlText = 1;
constexpr int XlNumber = 2;
constexpr int XlBlank = 6;

struct ReadCell {
    int type = 0;
    QJsonValue value;
};
using CellMap = std::map<std::pair<int, int>, ReadCell>;

CellMap cellsOf(const QJsonObject& book)
{
    CellMap cells;
    for (const QJsonValue& v : book[u"cells"].toArray()) {
        const QJsonArray c = v.toArray();
        cells[{c[0].toInt(), c[1].toInt()}] = {c[2].toInt(), c[3]};
    }
    return cells;
}

struct ReadStyle {
    int pattern = 0;
    QString fill;
    bool bold = false;
};

std::map<std::pair<int, int>, ReadStyle> stylesOf(const QJsonObject& book)
{
    std::map<std::pair<int, int>, ReadStyle> styles;
    for (const QJsonValue& v : book[u"styles"].toArray()) {
        const QJsonArray s = v.toArray();
        styles[{s[0].toInt(), s[1].toInt()}] = {s[2].toInt(), s[3].toString(), s[4].toBool()};
    }
    return styles;
}

QString hex(std::uint32_t rgb)
{
    return QStringLiteral("%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper();
}

// What a test wrote, to compare with what xlrd read.
struct Expected {
    std::map<std::pair<int, int>, QString> texts;
    std::map<std::pair<int, int>, double> numbers;

    void text(XlsWriter& w, int r, int c, const QString& s)
    {
        ASSERT_TRUE(w.setText(r, c, s)) << w.error().toStdString();
        numbers.erase({r, c});
        texts[{r, c}] = s;
    }
    void number(XlsWriter& w, int r, int c, double x)
    {
        ASSERT_TRUE(w.setNumber(r, c, x)) << w.error().toStdString();
        texts.erase({r, c});
        numbers[{r, c}] = x;
    }
};

class XlsWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_unavailable = XlsReadBack::unavailableReason();
    }

    bool xlrdMissing() const { return !m_unavailable.isEmpty(); }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Saves, reads back with xlrd and checks what every file must satisfy: one sheet of the given name, BIFF8,
    // UTF-16 code page, no complaints from xlrd or from the container check.
    QJsonObject saveAndRead(const XlsWriter& w, const QString& name = QStringLiteral("out.xls"))
    {
        QString error;
        EXPECT_TRUE(w.save(path(name), &error)) << error.toStdString();
        const QJsonObject book = XlsReadBack::workbook(path(name), &error);
        EXPECT_FALSE(book.isEmpty()) << error.toStdString();
        EXPECT_EQ(book[u"sheets"].toArray(), QJsonArray{w.sheetName()});
        EXPECT_EQ(book[u"biff_version"].toInt(), 80);
        EXPECT_EQ(book[u"codepage"].toInt(), 1200);
        EXPECT_EQ(book[u"warnings"].toArray(), QJsonArray{});
        EXPECT_EQ(book[u"container"][u"problems"].toArray(), QJsonArray{});
        return book;
    }

    static void expectCells(const QJsonObject& book, const Expected& expected)
    {
        const CellMap cells = cellsOf(book);
        EXPECT_EQ(cells.size(), expected.texts.size() + expected.numbers.size());
        for (const auto& [at, text] : expected.texts) {
            const auto found = cells.find(at);
            ASSERT_NE(found, cells.end()) << "no cell at " << at.first << "," << at.second;
            EXPECT_EQ(found->second.type, XlText) << at.first << "," << at.second;
            EXPECT_EQ(found->second.value.toString(), text) << at.first << "," << at.second;
        }
        for (const auto& [at, number] : expected.numbers) {
            const auto found = cells.find(at);
            ASSERT_NE(found, cells.end()) << "no cell at " << at.first << "," << at.second;
            EXPECT_EQ(found->second.type, XlNumber) << at.first << "," << at.second;
            EXPECT_EQ(found->second.value.toDouble(), number) << at.first << "," << at.second;
        }
    }

    QTemporaryDir m_dir;
    QString m_unavailable;
};

#define REQUIRE_XLRD()                                                                                                 \
    do {                                                                                                               \
        if (xlrdMissing()) {                                                                                           \
            GTEST_SKIP() << "reading back needs python3-xlrd: " << m_unavailable.toStdString();                        \
        }                                                                                                              \
    } while (false)

TEST_F(XlsWriterTest, TextAndNumberCellsReadBackWithTheirTypes)
{
    REQUIRE_XLRD();
    XlsWriter w;
    EXPECT_EQ(w.sheetName(), QStringLiteral("Sheet1"));
    Expected e;
    e.text(w, 0, 0, QStringLiteral(u"期号"));
    e.text(w, 0, 1, QStringLiteral(u"开奖结果"));
    e.text(w, 0, 2, QStringLiteral(u"杀留Err值（结果统计值）"));
    e.text(w, 1, 0, QStringLiteral("2007001"));
    e.text(w, 1, 1, QStringLiteral("replaced by a number"));
    e.number(w, 1, 1, 123);
    e.number(w, 1, 2, -1.5);
    e.text(w, 2, 0, QString());
    e.number(w, 2, 1, 0.1);
    e.number(w, 2, 2, 1e300);
    e.number(w, 2, 3, -0.0);
    e.text(w, 3, 0, QStringLiteral(u"[百位单选杀]百位码+十位码+3　　　　　　　　　　　连准：5期"));
    e.text(w, 3, 1, QStringLiteral(u"😀 𠀀"));         // outside the BMP: surrogate pairs
    e.text(w, 3, 2, QStringLiteral(u"Ünïcödé ×÷ ÿ")); // Latin-1 only: stored with 8-bit characters
    e.text(w, 5, 0, QStringLiteral(u"期号"));         // shared string used twice
    e.text(w, 5, 5, QString(XlsWriter::MaxTextLength, QChar(u'福')));
    e.text(w, 4, 4, QStringLiteral("line one\nline two"));

    const QJsonObject book = saveAndRead(w);
    EXPECT_EQ(book[u"nrows"].toInt(), 6);
    EXPECT_EQ(book[u"ncols"].toInt(), 6);
    expectCells(book, e);
    EXPECT_TRUE(stylesOf(book).empty());
}

TEST_F(XlsWriterTest, EmptyWorkbookAndFarthestCellAreValid)
{
    REQUIRE_XLRD();
    const QJsonObject empty = saveAndRead(XlsWriter(), QStringLiteral("empty.xls"));
    EXPECT_EQ(empty[u"nrows"].toInt(), 0);
    EXPECT_EQ(empty[u"ncols"].toInt(), 0);

    XlsWriter w;
    Expected e;
    e.number(w, XlsWriter::MaxRows - 1, XlsWriter::MaxColumns - 1, 7);
    e.text(w, XlsWriter::MaxRows - 1, 0, QStringLiteral("last row"));
    const QJsonObject book = saveAndRead(w, QStringLiteral("corner.xls"));
    EXPECT_EQ(book[u"nrows"].toInt(), 65536);
    EXPECT_EQ(book[u"ncols"].toInt(), 256);
    expectCells(book, e);
}

TEST_F(XlsWriterTest, SheetNameIsAParameter)
{
    REQUIRE_XLRD();
    XlsWriter w(QStringLiteral(u"历史开奖列表"));
    Expected e;
    e.text(w, 0, 0, QStringLiteral(u"期号"));
    expectCells(saveAndRead(w), e);

    for (const QString& bad : {QString(), QString(32, u'x'), QStringLiteral("a/b"), QStringLiteral("[1]"),
                               QStringLiteral("a:b"), QStringLiteral("'quoted'")}) {
        XlsWriter invalid(bad);
        EXPECT_FALSE(invalid.error().isEmpty()) << bad.toStdString();
        QString error;
        EXPECT_FALSE(invalid.save(path(QStringLiteral("bad.xls")), &error));
        EXPECT_EQ(error, invalid.error());
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("bad.xls"))));
    }
    EXPECT_TRUE(XlsWriter(QString(31, u'x')).error().isEmpty());
}

TEST_F(XlsWriterTest, FillColoursAndBoldReadBackThroughThePalette)
{
    REQUIRE_XLRD();
    XlsWriter w;
    Expected e;
    e.text(w, 0, 0, QStringLiteral(u"命中"));
    ASSERT_TRUE(w.setFill(0, 0, 0x0000FF)); // blue, a colour of the default palette
    e.number(w, 0, 1, 5);
    ASSERT_TRUE(w.setFill(0, 1, 0x00FF00)); // green
    ASSERT_TRUE(w.setFill(1, 0, 0x123456)); // not in the default palette, on a cell without a value
    e.text(w, 1, 1, QStringLiteral(u"粗体"));
    ASSERT_TRUE(w.setBold(1, 1));
    e.text(w, 1, 2, QStringLiteral(u"粗体加底色"));
    ASSERT_TRUE(w.setBold(1, 2));
    ASSERT_TRUE(w.setFill(1, 2, 0xFF8000));
    e.text(w, 2, 0, QStringLiteral("plain"));
    e.number(w, 2, 1, 1);
    ASSERT_TRUE(w.setFill(2, 1, 0x0000FF));
    e.number(w, 2, 1, 2); // a new value keeps the fill
    e.text(w, 2, 2, QStringLiteral("bold then not"));
    ASSERT_TRUE(w.setBold(2, 2));
    ASSERT_TRUE(w.setBold(2, 2, false));

    const QJsonObject book = saveAndRead(w);
    const CellMap cells = cellsOf(book);
    ASSERT_EQ(cells.count({1, 0}), 1U);
    EXPECT_EQ(cells.at({1, 0}).type, XlBlank);
    EXPECT_EQ(cells.size(), e.texts.size() + e.numbers.size() + 1);
    const auto styles = stylesOf(book);
    ASSERT_EQ(styles.size(), 6U);
    EXPECT_EQ(styles.at({0, 0}).pattern, 1);
    EXPECT_EQ(styles.at({0, 0}).fill, QStringLiteral("0000FF"));
    EXPECT_FALSE(styles.at({0, 0}).bold);
    EXPECT_EQ(styles.at({0, 1}).fill, QStringLiteral("00FF00"));
    EXPECT_EQ(styles.at({1, 0}).fill, QStringLiteral("123456"));
    EXPECT_TRUE(styles.at({1, 1}).bold);
    EXPECT_EQ(styles.at({1, 1}).pattern, 0);
    EXPECT_TRUE(styles.at({1, 2}).bold);
    EXPECT_EQ(styles.at({1, 2}).fill, QStringLiteral("FF8000"));
    EXPECT_EQ(styles.at({2, 1}).fill, QStringLiteral("0000FF"));
    EXPECT_EQ(styles.count({2, 0}), 0U);
    EXPECT_EQ(styles.count({2, 2}), 0U);
    EXPECT_EQ(cells.at({2, 1}).value.toDouble(), 2);
}

// The palette has 56 slots: colours of the default palette keep theirs, the others replace unused ones.
TEST_F(XlsWriterTest, FiftySixFillColoursFitAndAFiftySeventhIsRefused)
{
    REQUIRE_XLRD();
    std::vector<std::uint32_t> colours = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF,
                                          0xFFFF00, 0x333333, 0x969696, 0xC0C0C0, 0x993366};
    for (std::uint32_t i = 0; colours.size() < 56; ++i) {
        colours.push_back(0x010203 + i * 0x030507);
    }
    XlsWriter w;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        ASSERT_TRUE(w.setFill(int(i), 0, colours[i])) << w.error().toStdString();
        ASSERT_TRUE(w.setFill(int(i), 1, colours[i]));
    }
    const auto styles = stylesOf(saveAndRead(w));
    for (std::size_t i = 0; i < colours.size(); ++i) {
        for (int c : {0, 1}) {
            ASSERT_EQ(styles.count({int(i), c}), 1U);
            EXPECT_EQ(styles.at({int(i), c}).fill, hex(colours[i])) << i;
        }
    }

    EXPECT_FALSE(w.setFill(60, 0, 0xABCDEF));
    EXPECT_NE(w.error().indexOf(QStringLiteral("56")), -1) << w.error().toStdString();
    QString error;
    EXPECT_FALSE(w.save(path(QStringLiteral("too-many.xls")), &error));
    EXPECT_EQ(error, w.error());
}

TEST_F(XlsWriterTest, ColumnWidthsInCharacters)
{
    REQUIRE_XLRD();
    XlsWriter w;
    ASSERT_TRUE(w.setColumnWidth(0, 10));
    ASSERT_TRUE(w.setColumnWidth(3, 0.5));
    ASSERT_TRUE(w.setColumnWidth(255, 255));
    ASSERT_TRUE(w.setColumnWidth(4, 20));
    ASSERT_TRUE(w.setColumnWidth(4, 12.25)); // the later width wins
    ASSERT_TRUE(w.setText(0, 0, QStringLiteral("x")));
    const QJsonObject widths = saveAndRead(w)[u"column_widths"].toObject();
    EXPECT_EQ(widths.size(), 4);
    EXPECT_EQ(widths[u"0"].toInt(), 2560);
    EXPECT_EQ(widths[u"3"].toInt(), 128);
    EXPECT_EQ(widths[u"4"].toInt(), 3136);
    EXPECT_EQ(widths[u"255"].toInt(), 65280);

    for (auto [column, width] : std::vector<std::pair<int, double>>{
             {256, 5}, {-1, 5}, {1, 255.5}, {1, -1}, {1, std::numeric_limits<double>::quiet_NaN()}}) {
        XlsWriter bad;
        EXPECT_FALSE(bad.setColumnWidth(column, width)) << column << " " << width;
        EXPECT_FALSE(bad.error().isEmpty());
        EXPECT_FALSE(bad.save(path(QStringLiteral("bad.xls"))));
    }
}

// A cell the format cannot hold is refused at once and makes the save fail: an export of a grid too large
// for one sheet must never be reported as written while rows are missing.
TEST_F(XlsWriterTest, CellsBeyondTheFormatAreRefusedAndTheSaveFails)
{
    struct Case {
        const char* what;
        std::function<bool(XlsWriter&)> call;
        QString mentions;
    };
    const std::vector<Case> cases = {
        {"row 65537", [](XlsWriter& w) { return w.setText(65536, 0, QStringLiteral("x")); }, QStringLiteral("65536")},
        {"column 257", [](XlsWriter& w) { return w.setNumber(0, 256, 1); }, QStringLiteral("256")},
        {"negative row", [](XlsWriter& w) { return w.setFill(-1, 0, 0xFF0000); }, QStringLiteral("65536")},
        {"negative column", [](XlsWriter& w) { return w.setBold(0, -1); }, QStringLiteral("256")},
        {"text too long", [](XlsWriter& w) { return w.setText(0, 0, QString(XlsWriter::MaxTextLength + 1, u'a')); },
         QStringLiteral("32767")},
        {"not a number", [](XlsWriter& w) { return w.setNumber(0, 0, std::numeric_limits<double>::quiet_NaN()); },
         QString()},
        {"infinite", [](XlsWriter& w) { return w.setNumber(0, 0, std::numeric_limits<double>::infinity()); },
         QString()},
    };
    for (const Case& c : cases) {
        XlsWriter w;
        ASSERT_TRUE(w.setText(1, 1, QStringLiteral("kept")));
        EXPECT_TRUE(w.error().isEmpty());
        EXPECT_FALSE(c.call(w)) << c.what;
        EXPECT_FALSE(w.error().isEmpty()) << c.what;
        EXPECT_NE(w.error().indexOf(c.mentions), -1) << c.what << ": " << w.error().toStdString();
        EXPECT_TRUE(w.setText(2, 2, QStringLiteral("later calls still work")));
        QString error;
        const QString file = path(QStringLiteral("refused.xls"));
        EXPECT_FALSE(w.save(file, &error)) << c.what;
        EXPECT_EQ(error, w.error()) << c.what;
        EXPECT_FALSE(QFile::exists(file)) << c.what;
    }
}

// BIFF8 records hold at most 8224 bytes; the shared strings go on in CONTINUE records. Each filler string
// leaves k bytes in the first SST record (8 bytes of counts + 3 of header + its characters), then the next
// string must begin in a new record (k < 3, or k < 5 for a wide one) or be split into it (wide: at an even
// byte count, one byte left unused when k - 3 is odd).
TEST_F(XlsWriterTest, SharedStringsCrossRecordBoundariesAtEveryOffset)
{
    REQUIRE_XLRD();
    const QString wide = QString(3000, u'杀');
    const QString narrow = QString(9000, u'n');
    int file = 0;
    for (int k = 0; k <= 7; ++k) {
        for (const QString* next : {&wide, &narrow}) {
            XlsWriter w;
            Expected e;
            e.text(w, 0, 0, QString(8224 - 8 - 3 - k, u'f'));
            e.text(w, 1, 0, *next);
            e.text(w, 2, 0, QString());
            e.text(w, 3, 0, QStringLiteral(u"之后"));
            SCOPED_TRACE(testing::Message() << "k=" << k << (next == &wide ? " wide" : " narrow"));
            expectCells(saveAndRead(w, QStringLiteral("sst%1.xls").arg(file++)), e);
        }
    }
}

std::vector<std::pair<quint16, QByteArray>> records(const QByteArray& stream, qsizetype from, bool* ok)
{
    std::vector<std::pair<quint16, QByteArray>> out;
    *ok = false;
    for (qsizetype at = from; at + 4 <= stream.size();) {
        const quint16 id = qFromLittleEndian<quint16>(stream.constData() + at);
        const quint16 length = qFromLittleEndian<quint16>(stream.constData() + at + 2);
        if (length > 8224 || at + 4 + length > stream.size()) {
            return out;
        }
        out.emplace_back(id, stream.mid(at + 4, length));
        at += 4 + length;
        if (id == 0x000A) {
            *ok = true;
            return out;
        }
    }
    return out;
}

// 20 000 rows x 30 columns of unique texts (Chinese and ASCII) and numbers: about 10 MB, so the FAT needs
// more than the header's 109 slots and the shared strings fill hundreds of CONTINUE records.
TEST_F(XlsWriterTest, LargeSheetReadsBackCellForCell)
{
    constexpr int Rows = 20000;
    constexpr int Columns = 30;
    XlsWriter w;
    Expected e;
    for (int r = 0; r < Rows; ++r) {
        for (int c = 0; c < Columns; ++c) {
            switch (c % 3) {
            case 0:
                e.number(w, r, c, r * 1000.0 + c + 0.25);
                break;
            case 1:
                e.text(w, r, c, QStringLiteral(u"第%1期第%2列").arg(r).arg(c));
                break;
            default:
                e.text(w, r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
            }
        }
    }

    // The stream's own structure: globals, then the sheet at the offset BOUNDSHEET gives.
    const QByteArray stream = w.workbookStream();
    bool ok = false;
    const auto globals = records(stream, 0, &ok);
    ASSERT_TRUE(ok) << "globals do not end in EOF within record size limits";
    quint32 sheetOffset = 0;
    int continues = 0;
    for (const auto& [id, body] : globals) {
        if (id == 0x0085) {
            sheetOffset = qFromLittleEndian<quint32>(body.constData());
        }
        continues += id == 0x003C ? 1 : 0;
    }
    EXPECT_GT(continues, 100);
    const auto sheet = records(stream, sheetOffset, &ok);
    ASSERT_TRUE(ok) << "sheet does not end in EOF within record size limits";
    ASSERT_FALSE(sheet.empty());
    EXPECT_EQ(sheet.front().first, 0x0809);
    EXPECT_EQ(qFromLittleEndian<quint16>(sheet.front().second.constData() + 2), 0x0010);

    REQUIRE_XLRD();
    const QJsonObject book = saveAndRead(w, QStringLiteral("large.xls"));
    EXPECT_GT(QFileInfo(path(QStringLiteral("large.xls"))).size(), 8 * 1024 * 1024);
    EXPECT_GT(book[u"container"][u"fat_sectors"].toInt(), 109);
    EXPECT_GE(book[u"container"][u"difat_sectors"].toInt(), 1);
    EXPECT_EQ(book[u"nrows"].toInt(), Rows);
    EXPECT_EQ(book[u"ncols"].toInt(), Columns);
    expectCells(book, e);
}

TEST_F(XlsWriterTest, SaveReplacesAnExistingFileAndLeavesNoTemporaryFile)
{
    REQUIRE_XLRD();
    const QString target = path(QStringLiteral("gongshi.xls"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("not a workbook");
    }
    XlsWriter first;
    Expected e1;
    e1.text(first, 0, 0, QStringLiteral(u"第一次"));
    expectCells(saveAndRead(first, QStringLiteral("gongshi.xls")), e1);

    XlsWriter second;
    Expected e2;
    e2.number(second, 3, 3, 42);
    expectCells(saveAndRead(second, QStringLiteral("gongshi.xls")), e2);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("gongshi.xls")});
}

TEST_F(XlsWriterTest, SaveFailuresAreReportedWithTheirReason)
{
    XlsWriter w;
    ASSERT_TRUE(w.setText(0, 0, QStringLiteral(u"期号")));
    QString error;

    const QString missing = path(QStringLiteral("missing/out.xls"));
    EXPECT_FALSE(w.save(missing, &error));
    EXPECT_NE(error.indexOf(QStringLiteral(u"不存在")), -1) << error.toStdString();
    EXPECT_FALSE(QFile::exists(missing));

    {
        QFile plain(path(QStringLiteral("plain.txt")));
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    }
    error.clear();
    EXPECT_FALSE(w.save(path(QStringLiteral("plain.txt/out.xls")), &error));
    EXPECT_FALSE(error.isEmpty());

    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.xls")));
    error.clear();
    EXPECT_FALSE(w.save(path(QStringLiteral("folder.xls")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("folder.xls"))).isDir());

    error.clear();
    EXPECT_FALSE(w.save(QString(), &error));
    EXPECT_FALSE(error.isEmpty());

    // Permissions do not stop root, so this part only means something for an ordinary user.
    if (geteuid() != 0) {
        const QString locked = path(QStringLiteral("locked"));
        ASSERT_TRUE(QDir().mkdir(locked));
        ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        error.clear();
        EXPECT_FALSE(w.save(locked + QStringLiteral("/out.xls"), &error));
        EXPECT_FALSE(error.isEmpty());
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    } else {
        std::cout << "[   NOTE   ] running as root: the read-only folder case is not checked\n";
    }
}

// A write that fails halfway (the disk fills up) must not be reported as success and must leave the old file
// untouched. A file size limit on this process makes the write fail the way a full disk does: once for a
// workbook larger than the device's write buffer, once for a small one that only the final flush writes.
TEST_F(XlsWriterTest, WriteErrorKeepsTheOldFile)
{
    const QString target = path(QStringLiteral("lishi.xls"));
    const QByteArray oldContent("the previous export");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(oldContent);
    }
    rlimit original{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);

    for (auto [rows, limit] : std::vector<std::pair<int, rlim_t>>{{5000, 64 * 1024}, {1, 4096}}) {
        SCOPED_TRACE(testing::Message() << rows << " rows, limit " << limit);
        XlsWriter w;
        for (int r = 0; r < rows; ++r) {
            ASSERT_TRUE(w.setNumber(r, 0, r));
        }
        rlimit small = original;
        small.rlim_cur = limit;
        if (original.rlim_max != RLIM_INFINITY && original.rlim_max < limit) {
            GTEST_SKIP() << "the file size limit is already below " << limit;
        }
        auto* previous = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool saved = w.save(target, &error);
        setrlimit(RLIMIT_FSIZE, &original);
        std::signal(SIGXFSZ, previous);

        EXPECT_FALSE(saved);
        EXPECT_FALSE(error.isEmpty());
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), oldContent);
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("lishi.xls")});
    }
}

} // namespace
} // namespace korvel
