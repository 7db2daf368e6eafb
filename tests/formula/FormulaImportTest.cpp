#include "formula/FormulaImport.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaTextExport.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "platform/TextCodec.h"
#include "support/FakeDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/TestData.h"
#include "verify/FormulaList.h"
#include "verify/FormulaListExport.h"

#include <gtest/gtest.h>

#include <SQLiteCpp/Transaction.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <map>
#include <ostream>

namespace korvel {
namespace {

using test::FakeDialogs;
using test::RecordingLauncher;

const FormulaKind k1D{1, Play::Single};
const FormulaKind k2D{2, Play::Single};
const FormulaKind k3D{3, Play::Single};
const FormulaKind k2G{2, Play::Group};
const FormulaKind k3G{3, Play::Group};

struct Row {
    int idx;
    QString expressionText;
    QString displayText;
    bool kill;
    friend bool operator==(const Row&, const Row&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Row& r)
    {
        return os << r.idx << " " << r.expressionText.toStdString() << " | " << r.displayText.toStdString() << " | "
                  << (r.kill ? "杀" : "生");
    }
};

class FormulaFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_NE(m_db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
    }

    // Fills a table to one place short of the limit: "<code>+i" shown as "<shown>+i", i from 0, kill.
    void fillToOneShort(const FormulaKind& kind, const QString& code, const QString& shown)
    {
        std::vector<Formula> many(FormulaStore::kMaxFormulas - 1);
        for (std::size_t i = 0; i < many.size(); ++i) {
            many[i].expressionText = QStringLiteral("%1+%2").arg(code).arg(i);
            many[i].displayText = QStringLiteral("%1+%2").arg(shown).arg(i);
            many[i].kill = true;
        }
        ASSERT_EQ(m_store.appendFormulas(kind, many).size(), many.size());
    }

    std::vector<Row> table(const FormulaKind& kind) const
    {
        std::vector<Row> rows;
        for (const Formula& f : m_store.listAll(kind)) {
            rows.push_back({f.idx, f.expressionText, f.displayText, f.kill});
        }
        return rows;
    }

    std::map<QString, std::vector<Row>> allTables() const
    {
        std::map<QString, std::vector<Row>> out;
        for (const FormulaKind& k : kAllKinds) {
            out[k.tableName()] = table(k);
        }
        return out;
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    QByteArray readFile(const QString& path) const
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }

    // Imports the file; `question` answers the closing question when one is expected.
    FormulaImportResult importFile(const QString& path, const FormulaKind& listed = k1D, bool kill = true,
                                   std::optional<Dialogs::Answer> question = std::nullopt)
    {
        m_dialogs.answerFile(path);
        if (question) {
            m_dialogs.answerMessage(*question);
        }
        return ImportFormulaFile(m_db, m_store, m_dialogs, m_launcher, m_dir.path(), listed, kill,
                                 [this](const FormulaImportResult&) { ++m_refreshes; });
    }

    QTemporaryDir m_dir;
    Database m_db;
    FormulaStore m_store{m_db};
    FakeDialogs m_dialogs;
    RecordingLauncher m_launcher;
    int m_refreshes = 0;
};

// A file as users keep them: both forms, record parts, headers, separators, blank lines, lines too short
// to take apart, a kind without a table, untranslated words and full-width symbols.
const QStringList kMixedFile = {
    QString(),                                                                    // 1 blank
    QStringLiteral("          本公式由软件搜索得到"),                             // 2 header
    QStringLiteral("[百位单选杀]百位码+十位码+3　　　　　　　　　　　连准：5期"), // 3
    QStringLiteral("百位码+十位码+3=下期生 十位单选"),                            // 4 sense becomes 生
    QStringLiteral("[十位单选杀]和数+跨度"),                                      // 5 bracket: current sense 生
    QStringLiteral("————————————50　本软件公式"),                                 // 6 separator
    QStringLiteral("   "),                                                        // 7 blanks
    QStringLiteral("百位码+3=下期杀 个位通选"),                                   // 8 no table; sense 杀
    QStringLiteral("下期杀 百位单选"),                                            // 9 "下期" first: too short
    QStringLiteral("=下期杀 百位单选"),                                           // 10 empty expression
    QStringLiteral("abc"),                                                        // 11 too short
    QStringLiteral("[百位通选]百位码+本期号合　连准：0期"),                       // 12
    QStringLiteral("[个位单选]个位码＋3"),                                        // 13 full-width plus
    QStringLiteral("[十位单选]十位码+未知词"),                                    // 14 untranslated word
    QStringLiteral("[百位单选]百位码\\2"),                                        // 15 "\" is not in the alphabet
    QStringLiteral("[十位通选]十位码+1"),                                         // 16
    QStringLiteral("十位码-个位码=下期杀 十位通选"),                              // 17
    QStringLiteral("[百位单选]百位码*2+个位码 MOD 3"),                            // 18
    QStringLiteral("[个位单选]L3A+L2B+7"),                                        // 19 codes typed directly
    QStringLiteral("[百位单选杀]百位码+十位码+3"),                                // 20 duplicate of 3
    QStringLiteral("[百位单选]百位码+1"),                                         // 21 its rebuild drops 20
    QStringLiteral("[个位单选]L3A+L2B+7"),                                        // 22 listed kind: no rebuild
};

TEST(FormulaLines, EachLineIsCutTrimmedParsedAndChecked)
{
    using O = FormulaTextLine::Outcome;
    FormulaKind kind = k1D;
    bool kill = true;
    std::vector<FormulaTextLine> read;
    for (const QString& line : kMixedFile) {
        read.push_back(readFormulaLine(line, kind, kill));
    }
    const std::vector<O> outcomes = {
        O::Blank,        O::Unrecognised, O::Recognised,   O::Recognised, O::Recognised, O::Unrecognised,
        O::Blank,        O::Unrecognised, O::Skipped,      O::Skipped,    O::Skipped,    O::Recognised,
        O::Unrecognised, O::Unrecognised, O::Unrecognised, O::Recognised, O::Recognised, O::Recognised,
        O::Recognised,   O::Recognised,   O::Recognised,   O::Recognised};
    ASSERT_EQ(read.size(), outcomes.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].outcome, outcomes[i]) << "line " << i + 1;
    }
    // The record part is cut off and the full-width blanks before it trimmed.
    EXPECT_EQ(read[2].displayText, QStringLiteral("[百位单选杀]百位码+十位码+3"));
    EXPECT_EQ(read[2].expressionText, QStringLiteral("L1A+L2A+3"));
    EXPECT_EQ(read[2].kind, k3D);
    EXPECT_TRUE(read[2].kill);
    EXPECT_EQ(read[3].kind, k2D);
    EXPECT_FALSE(read[3].kill);
    // The bracket form takes the sense the equation line before it left.
    EXPECT_EQ(read[4].expressionText, QStringLiteral("LH+LT"));
    EXPECT_FALSE(read[4].kill);
    EXPECT_EQ(read[11].expressionText, QStringLiteral("L1A+QHW"));
    EXPECT_EQ(read[11].kind, k3G);
    EXPECT_TRUE(read[11].kill);
    EXPECT_EQ(read[16].kind, k2G);
    EXPECT_EQ(read[16].expressionText, QStringLiteral("L2A-L3A"));
    // Report texts: the translated expression, or the whole text for the kind without a table.
    EXPECT_EQ(read[1].reportText, QStringLiteral("件搜索得到"));
    EXPECT_EQ(read[5].reportText, QStringLiteral("———————50　本软件公式"));
    EXPECT_EQ(read[7].reportText, QStringLiteral("百位码+3=下期杀 个位通选"));
    EXPECT_EQ(read[12].reportText, QStringLiteral("L3A＋3"));
    EXPECT_EQ(read[13].reportText, QStringLiteral("L2A+未知词"));
    EXPECT_EQ(read[14].reportText, QStringLiteral("L1A\\2"));

    EXPECT_TRUE(isRecognisedExpression(QStringLiteral("L1A*(L2B+3)-LH/2 MOD 7")));
    EXPECT_TRUE(isRecognisedExpression(QStringLiteral("`{[")));
    EXPECT_FALSE(isRecognisedExpression(QStringLiteral("[L1A]")));
    EXPECT_FALSE(isRecognisedExpression(QStringLiteral("L1A.5")));
    EXPECT_FALSE(isRecognisedExpression(QStringLiteral("L1A　+1")));

    EXPECT_EQ(formulaTextLines(QStringLiteral("a\r\nb\nc\rd\r\n")), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(formulaTextLines(QStringLiteral("a\r\n\r\nb")), (QStringList{"a", "", "b"}));
}

TEST_F(FormulaFiles, MixedGbkFileLandsInItsTablesAndReportsTheRest)
{
    // Two equal formulas already in 十位单选: the first 十位单选 line rebuilds the table first.
    m_store.appendFormula(k2D, QStringLiteral("L1A+1"), QStringLiteral("百位码+1=下期杀 十位单选"), true);
    m_store.appendFormula(k2D, QStringLiteral("L1A+1"), QStringLiteral("百位码+1=下期杀 十位单选"), true);
    const QString path = writeFile(QStringLiteral("mixed.txt"), *textcodec::gbkLines(kMixedFile));

    const FormulaImportResult r = importFile(path, k1D, true, Dialogs::Answer::Ok); // "是否查看这些公式？"
    ASSERT_EQ(r.status, FormulaImportResult::Status::Imported) << r.error.toStdString();
    EXPECT_EQ(r.stored, 11);
    EXPECT_EQ(r.unrecognised.size(), 6u);
    EXPECT_EQ(r.skipped, 3);
    EXPECT_EQ(r.blank, 2);
    EXPECT_TRUE(r.finalKill);
    EXPECT_EQ(m_refreshes, 1);

    EXPECT_EQ(table(k3D), (std::vector<Row>{
                              {1, "L1A+L2A+3", "[百位单选杀]百位码+十位码+3", true},
                              {2, "L1A*2+L3A MOD 3", "[百位单选]百位码*2+个位码 MOD 3", true},
                              {3, "L1A+1", "[百位单选]百位码+1", true},
                          }));
    EXPECT_EQ(table(k2D), (std::vector<Row>{
                              {1, "L1A+1", "百位码+1=下期杀 十位单选", true},
                              {2, "L1A+L2A+3", "百位码+十位码+3=下期生 十位单选", false},
                              {3, "LH+LT", "[十位单选杀]和数+跨度", false},
                          }));
    EXPECT_EQ(table(k3G), (std::vector<Row>{{1, "L1A+QHW", "[百位通选]百位码+本期号合", true}}));
    EXPECT_EQ(table(k2G), (std::vector<Row>{
                              {1, "L2A+1", "[十位通选]十位码+1", true},
                              {2, "L2A-L3A", "十位码-个位码=下期杀 十位通选", true},
                          }));
    // The listed kind is appended to without a rebuild: its duplicate stays.
    EXPECT_EQ(table(k1D), (std::vector<Row>{
                              {1, "L3A+L2B+7", "[个位单选]L3A+L2B+7", true},
                              {2, "L3A+L2B+7", "[个位单选]L3A+L2B+7", true},
                          }));

    // `无法识别公式.txt`: GBK, CR LF, one line per unrecognised line; offered and opened.
    const QString report = QDir(m_dir.path()).filePath(QStringLiteral("无法识别公式.txt"));
    EXPECT_EQ(r.reportPath, report);
    EXPECT_EQ(readFile(report),
              *textcodec::gbkLines({QStringLiteral("件搜索得到"), QStringLiteral("———————50　本软件公式"),
                                    QStringLiteral("百位码+3=下期杀 个位通选"), QStringLiteral("L3A＋3"),
                                    QStringLiteral("L2A+未知词"), QStringLiteral("L1A\\2")}));
    const auto calls = m_dialogs.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, FakeDialogs::Kind::OpenFile);
    EXPECT_EQ(calls[0].text, QDir(m_dir.path()).filePath(QStringLiteral("公式文本")));
    EXPECT_EQ(calls[0].defaultText, QStringLiteral("Text(*.txt)"));
    EXPECT_EQ(calls[1].title, QStringLiteral("无法识别公式"));
    EXPECT_EQ(calls[1].text, QStringLiteral("公式文本文件中含有无法识别公式，是否查看这些公式？"));
    EXPECT_EQ(calls[1].buttons, Dialogs::Buttons::OkCancel);
    EXPECT_EQ(m_launcher.textFiles, QStringList{report});

    // The next import without unrecognised lines empties the report and asks nothing.
    const QString clean =
        writeFile(QStringLiteral("clean.txt"), *textcodec::gbkLines({QStringLiteral("[百位单选]跨度+1")}));
    m_dialogs.clear();
    const FormulaImportResult again = importFile(clean, k3D);
    EXPECT_EQ(again.stored, 1);
    EXPECT_TRUE(readFile(report).isEmpty());
    EXPECT_EQ(m_dialogs.calls().size(), 1u);
    EXPECT_EQ(m_launcher.textFiles.size(), 1);
}

// Issue 24 item 18: the import stored a line of 30 000 nested parentheses, which from then on crashed every
// start. A line longer than any formula, or an expression nested deeper than the engine takes, is reported
// with the reason and never stored.
TEST_F(FormulaFiles, FormulasTooLargeForTheEngineAreReportedAndNeverStored)
{
    const QString tail = QStringLiteral("=下期杀 百位单选");
    const QString report60012 = QStringLiteral("(").repeated(30000) + QStringLiteral("L1A") +
                                QStringLiteral(")").repeated(30000) + tail; // the report's line
    const QString deep = QStringLiteral("(").repeated(4000) + QStringLiteral("百位码") +
                         QStringLiteral(")").repeated(4000) + tail; // 8 012 characters, 4 000 levels
    const QString path = writeFile(
        QStringLiteral("large.txt"),
        (QStringList{report60012, deep, QStringLiteral("[百位单选]百位码+1")}.join("\r\n") + QStringLiteral("\r\n"))
            .toUtf8());
    const FormulaImportResult r = importFile(path, k1D, true, Dialogs::Answer::Cancel);
    ASSERT_EQ(r.status, FormulaImportResult::Status::Imported) << r.error.toStdString();
    EXPECT_EQ(r.stored, 1);
    ASSERT_EQ(r.unrecognised.size(), 2u);
    EXPECT_EQ(r.unrecognised[0].number, 1);
    EXPECT_TRUE(r.unrecognised[0].reportText.endsWith(
        QStringLiteral("（公式太长（60012 个字符），一条公式最多 10000 个字符）")))
        << r.unrecognised[0].reportText.toStdString();
    EXPECT_TRUE(r.unrecognised[0].reportText.startsWith(QStringLiteral("(((((")));
    EXPECT_LT(r.unrecognised[0].reportText.size(), 200);
    EXPECT_EQ(r.unrecognised[1].number, 2);
    EXPECT_TRUE(
        r.unrecognised[1].reportText.endsWith(QStringLiteral("（公式嵌套太深：括号、函数和正负号最多嵌套 100 层）")))
        << r.unrecognised[1].reportText.toStdString();
    EXPECT_EQ(table(k3D), (std::vector<Row>{{1, "L1A+1", "[百位单选]百位码+1", true}}));

    // What is stored loads and computes.
    FakeDialogs listDialogs;
    FormulaList list(m_store, listDialogs);
    list.loadFormulas(k3D, true);
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_TRUE(list.row(0).evaluable);
    EXPECT_TRUE(listDialogs.calls().empty());
}

TEST_F(FormulaFiles, Utf8FilesReadAsUtf8AndBrokenFilesImportNothing)
{
    const QStringList lines = {QStringLiteral("[百位单选杀]百位码+十位码+3　连准：5期"),
                               QStringLiteral("和数+本期号合+2=下期杀 个位单选")};
    const QByteArray utf8 = (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    for (const QByteArray& bytes : {utf8, QByteArray("\xEF\xBB\xBF") + utf8}) {
        SCOPED_TRACE(bytes.startsWith("\xEF") ? "UTF-8 with BOM" : "UTF-8");
        m_store.clearAll();
        const FormulaImportResult r = importFile(writeFile(QStringLiteral("utf8.txt"), bytes));
        EXPECT_EQ(r.stored, 2);
        EXPECT_EQ(table(k3D), (std::vector<Row>{{1, "L1A+L2A+3", "[百位单选杀]百位码+十位码+3", true}}));
        EXPECT_EQ(table(k1D), (std::vector<Row>{{1, "LH+QHW+2", "和数+本期号合+2=下期杀 个位单选", true}}));
    }

    const auto before = allTables();
    const QByteArray gbk = *textcodec::gbkLines(lines);
    const struct {
        const char* name;
        QByteArray bytes;
    } broken[] = {
        {"binary data", QByteArray("\x00\x01\x02[百位单选]", 12)},
        {"cut off inside a GBK character", gbk + QByteArray("\xB0")},
        {"neither GBK nor UTF-8", QByteArray("[\x80\xFF\xFE]\r\n")},
    };
    for (const auto& b : broken) {
        SCOPED_TRACE(b.name);
        m_dialogs.clear();
        const FormulaImportResult r = importFile(writeFile(QStringLiteral("broken.txt"), b.bytes));
        EXPECT_EQ(r.status, FormulaImportResult::Status::UnreadableFile);
        ASSERT_EQ(m_dialogs.messages().size(), 1u);
        EXPECT_TRUE(m_dialogs.messages()[0].text.contains(QStringLiteral("没有读入任何公式")));
        EXPECT_EQ(allTables(), before);
    }

    // Not a ".txt" file, or no file chosen: nothing at all.
    m_dialogs.clear();
    EXPECT_EQ(importFile(writeFile(QStringLiteral("list.csv"), gbk)).status, FormulaImportResult::Status::NotChosen);
    EXPECT_EQ(importFile(QString()).status, FormulaImportResult::Status::NotChosen);
    EXPECT_EQ(m_dialogs.messages().size(), 0u);
    EXPECT_EQ(m_refreshes, 2);
    EXPECT_EQ(allTables(), before);
}

TEST_F(FormulaFiles, AFailingTableRollsBackTheWholeImport)
{
    m_store.appendFormula(k3D, QStringLiteral("L1A"), QStringLiteral("[百位单选]百位码"), true);
    const auto before = allTables();
    m_db.sql().exec("DROP TABLE Gongshi3G");
    const QString path = writeFile(QStringLiteral("f.txt"), *textcodec::gbkLines({
                                                                QStringLiteral("[百位单选]和数"),
                                                                QStringLiteral("[十位单选]跨度"),
                                                                QStringLiteral("[百位通选]和数"),
                                                            }));
    const FormulaImportResult r = importFile(path);
    EXPECT_EQ(r.status, FormulaImportResult::Status::StoreFailed);
    EXPECT_EQ(m_refreshes, 0);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].icon, Dialogs::Icon::Critical);
    EXPECT_EQ(table(k3D), before.at(QStringLiteral("Gongshi3D")));
    EXPECT_TRUE(table(k2D).empty());
    // The connection is usable afterwards: no transaction was left open.
    EXPECT_EQ(m_store.appendFormula(k2D, QStringLiteral("LT"), QStringLiteral("[十位单选]跨度"), true), 1);
}

TEST_F(FormulaFiles, LongFilesGiveTheTablesOfARebuildBeforeEveryLine)
{
    // Lines of three kinds with repeats, near and far apart, into tables that already hold repeats.
    QStringList lines;
    const QString kinds[] = {QStringLiteral("[十位单选]"), QStringLiteral("[百位通选]"), QStringLiteral("[个位单选]")};
    for (int i = 0; i < 300; ++i) {
        lines << kinds[(i * 7) % 3] + QStringLiteral("百位码+%1").arg((i * 13) % 40);
    }
    m_store.appendFormula(k2D, QStringLiteral("L1A+1"), QStringLiteral("[十位单选]百位码+1"), true);
    m_store.appendFormula(k2D, QStringLiteral("L1A+1"), QStringLiteral("[十位单选]百位码+1"), true);
    const FormulaImportResult r = importFormulaLines(m_db, m_store, lines, k1D, true, FormulaImportMode::File);
    ASSERT_EQ(r.status, FormulaImportResult::Status::Imported);

    // The rule taken literally on a second database: a full rebuild before every line of another kind.
    QTemporaryDir other;
    Database db;
    ASSERT_EQ(db.open(other.filePath(QStringLiteral("formula.mdb")), drawTableSchema()), Database::OpenResult::Created);
    FormulaStore store(db);
    store.appendFormula(k2D, QStringLiteral("L1A+1"), QStringLiteral("[十位单选]百位码+1"), true);
    store.appendFormula(k2D, QStringLiteral("L1A+1"), QStringLiteral("[十位单选]百位码+1"), true);
    FormulaKind kind = k1D;
    bool kill = true;
    std::optional<FormulaKind> last;
    SQLite::Transaction tx(db.sql()); // the store's writes join it; one commit keeps the test quick
    for (const QString& line : lines) {
        const FormulaTextLine read = readFormulaLine(line, kind, kill);
        ASSERT_EQ(read.outcome, FormulaTextLine::Outcome::Recognised);
        if (read.kind != k1D) {
            store.rebuild(read.kind);
        }
        store.appendFormula(read.kind, read.expressionText, read.displayText, read.kill);
        last = read.kind;
    }
    store.renumber(*last);
    tx.commit();
    for (const FormulaKind& k : kAllKinds) {
        std::vector<Row> want;
        for (const Formula& f : store.listAll(k)) {
            want.push_back({f.idx, f.expressionText, f.displayText, f.kill});
        }
        EXPECT_EQ(table(k), want) << k.label().toStdString();
    }
    EXPECT_LT(table(k2D).size(), 100u); // the repeats really were removed
}

// A small history whose hit runs are known by hand: 百位 digits 0 1 2 5 3 4 6 7 8 9.
HistorySnapshot handHistory()
{
    std::vector<test::DrawLine> lines;
    const char* hundreds = "0125346789";
    for (int i = 0; i < 10; ++i) {
        lines.push_back({QStringLiteral("20070%1").arg(i + 1, 2, 10, QLatin1Char('0')),
                         QStringLiteral("2007-01-%1").arg(i + 1, 2, 10, QLatin1Char('0')),
                         QString(QLatin1Char(hundreds[i])) + QStringLiteral("00")});
    }
    return test::snapshotOf(lines);
}

TEST_F(FormulaFiles, ExportWritesTheLineFormatWithRunsAndSeparators)
{
    // Kill 5 on 百位 misses at the draw with 百位 5 (row 3) and hits the six after it; kill 3 misses at
    // row 4 and hits the five after it.
    m_store.appendFormula(k3D, QStringLiteral("L1A*0+5"), QStringLiteral("[百位单选杀]百位码*0+5"), true);
    m_store.appendFormula(k3D, QStringLiteral("L1A*0+3"), QStringLiteral("百位码*0+3=下期杀 百位单选"), true);
    m_store.appendFormula(k3D, QStringLiteral("L1A"), QStringLiteral("[百位单选生]百位码"), false); // other sense
    // 118 more formulas over the other kinds, so that separators follow lines 50 and 100.
    std::vector<Formula> units, tensGroup;
    for (int i = 0; i < 118; ++i) {
        const bool group = i % 2 != 0;
        const QString word = group ? QStringLiteral("[十位通选]") : QStringLiteral("[个位单选]");
        Formula f;
        f.expressionText = QStringLiteral("L1A+%1").arg(i);
        f.displayText = word + QStringLiteral("百位码+%1").arg(i);
        (group ? tensGroup : units).push_back(f);
    }
    m_store.appendFormulas(k1D, units);
    m_store.appendFormulas(k2G, tensGroup);
    const HistorySnapshot history = handHistory();
    const FigureSettings settings{300, true, true};

    const TextExportResult r = ExportAllKindsText(m_store, m_dialogs, m_launcher, history, settings, true,
                                                  QStringLiteral("2007011"), m_dir.path());
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.path, QDir(m_dir.path()).filePath(QStringLiteral("2007011期3D彩公式.txt")));
    EXPECT_EQ(r.formulas, 120);
    EXPECT_EQ(r.lastKind, k2G);
    EXPECT_EQ(m_launcher.textFiles, QStringList{r.path});

    const QByteArray bytes = readFile(r.path);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_TRUE(bytes.contains("\xC1\xAC\xD7\xBC")); // 连准 in GBK
    const QStringList lines = formulaTextLines(*textcodec::decodeGbk(bytes));
    ASSERT_EQ(lines.size(), 4 + 120 + 2);
    EXPECT_EQ(lines[0], QString());
    EXPECT_TRUE(lines[1].startsWith(QString(10, QLatin1Char(' ')) + QStringLiteral("K")));
    EXPECT_TRUE(lines[2].startsWith(QString(10, QLatin1Char(' '))));
    EXPECT_EQ(lines[3], QString());
    // 百位单选 first; the 生 formula is not part of a 杀 export.
    EXPECT_EQ(lines[4], QStringLiteral("[百位单选杀]百位码*0+5　　　　　　　　　　　连准：6期"));
    EXPECT_EQ(lines[5], QStringLiteral("百位码*0+3=下期杀 百位单选　　　　　　　　　　　连准：5期"));
    // Then 十位单选 (empty), 个位单选, 百位通选 (empty), 十位通选.
    EXPECT_TRUE(lines[6].startsWith(QStringLiteral("[个位单选]百位码+0　")));
    EXPECT_TRUE(lines[54].startsWith(QString(12, QChar(0x2014)) + QStringLiteral("50")));
    EXPECT_TRUE(lines[105].startsWith(QString(12, QChar(0x2014)) + QStringLiteral("100")));
    EXPECT_TRUE(lines[125].startsWith(QStringLiteral("[十位通选]百位码+117　")));

    // The current kind from the list's own figures.
    FormulaList list(m_store, m_dialogs);
    list.loadFormulas(k3D, true);
    list.statisticsPass(history, PassSettings{settings, false, DisplayColumn::NextIssue});
    const TextExportResult kind = ExportKindText(list, m_dialogs, m_launcher, QStringLiteral("2007011"), m_dir.path());
    ASSERT_TRUE(kind.ok());
    EXPECT_EQ(QFileInfo(kind.path).fileName(), QStringLiteral("2007011期3D彩百位单选杀公式.txt"));
    EXPECT_EQ(formulaTextLines(*textcodec::decodeGbk(readFile(kind.path))).mid(4),
              (QStringList{QStringLiteral("[百位单选杀]百位码*0+5　　　　　　　　　　　连准：6期"),
                           QStringLiteral("百位码*0+3=下期杀 百位单选　　　　　　　　　　　连准：5期")}));

    EXPECT_EQ(kindExportFileName(QStringLiteral("2007/002"), k2G, false),
              QStringLiteral("2007_002期3D彩十位通选生公式.txt"));
}

TEST_F(FormulaFiles, ExportedTextReadsBackIntoTheSameTables)
{
    // Formulas of every kind in both forms, kill sense, with words of every family; more than 50 so that
    // separator lines are part of the file.
    const QStringList expressions = {QStringLiteral("百位码+十位码+3"),       QStringLiteral("和数+本期号合+2"),
                                     QStringLiteral("除5余0+百位5余"),        QStringLiteral("十位大小*个位单双-跨度"),
                                     QStringLiteral("(个位邻号差+日期合)/2"), QStringLiteral("年份合+月份+上期号合")};
    for (const FormulaKind& kind : kAllKinds) {
        std::vector<Formula> formulas;
        for (int i = 0; i < 12; ++i) {
            const QString expr = expressions[i % expressions.size()] + QStringLiteral("+%1").arg(i);
            const QString cn = i % 2 ? QStringLiteral("[%1杀]%2").arg(kind.label(), expr)
                                     : QStringLiteral("%1=下期杀 %2").arg(expr, kind.label());
            const FormulaTextLine read = [&] {
                FormulaKind k = kind;
                bool kill = true;
                return readFormulaLine(cn, k, kill);
            }();
            ASSERT_EQ(read.outcome, FormulaTextLine::Outcome::Recognised) << cn.toStdString();
            Formula f;
            f.expressionText = read.expressionText;
            f.displayText = cn;
            formulas.push_back(f);
        }
        m_store.appendFormulas(kind, formulas);
    }
    const auto exported = allTables();
    const TextExportResult r = ExportAllKindsText(m_store, m_dialogs, m_launcher, handHistory(), FigureSettings{}, true,
                                                  QStringLiteral("2007011"), m_dir.path());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.formulas, 60);

    // Into an empty database through the file import, the file's GBK bytes as written.
    QTemporaryDir other;
    Database db;
    ASSERT_EQ(db.open(other.filePath(QStringLiteral("formula.mdb")), drawTableSchema()), Database::OpenResult::Created);
    FormulaStore store(db);
    FakeDialogs dialogs;
    dialogs.answerFile(r.path);
    dialogs.answerMessage(Dialogs::Answer::Cancel); // the header and separator lines are unrecognised
    RecordingLauncher launcher;
    const FormulaImportResult back = ImportFormulaFile(db, store, dialogs, launcher, other.path(), k3D, true, nullptr);
    EXPECT_EQ(back.stored, 60);
    EXPECT_EQ(back.unrecognised.size(), 3u); // two header lines and the separator after line 50
    EXPECT_TRUE(launcher.textFiles.isEmpty());
    for (const FormulaKind& kind : kAllKinds) {
        std::vector<Row> rows;
        for (const Formula& f : store.listAll(kind)) {
            rows.push_back({f.idx, f.expressionText, f.displayText, f.kill});
        }
        EXPECT_EQ(rows, exported.at(kind.tableName())) << kind.label().toStdString();
    }
}

TEST_F(FormulaFiles, AFullTableTakesNoMoreAndTheImportSaysHowManyWereLeftOut)
{
    fillToOneShort(k1D, QStringLiteral("L1A"), QStringLiteral("[个位单选]百位码"));
    // One place left in 个位单选; 十位单选 is empty and takes its line.
    const QStringList lines = {QStringLiteral("[个位单选]十位码+1"), QStringLiteral("[个位单选]十位码+2"),
                               QStringLiteral("[十位单选]十位码+3"), QStringLiteral("[个位单选]十位码+4")};
    const FormulaImportResult r = importFile(writeFile(QStringLiteral("full.txt"), *textcodec::gbkLines(lines)));
    ASSERT_EQ(r.status, FormulaImportResult::Status::Imported);
    EXPECT_EQ(r.stored, 2);
    EXPECT_EQ(r.notStored, 2);
    EXPECT_EQ(m_store.count(k1D), FormulaStore::kMaxFormulas);
    EXPECT_EQ(m_store.count(k2D), 1);
    const auto full = m_store.listAll(k1D);
    EXPECT_EQ(full.back().idx, 32767);
    EXPECT_EQ(full.back().displayText, QStringLiteral("[个位单选]十位码+1")); // the first line took the place
    // The window says how many were left out.
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].text, QStringLiteral("2 条公式没有保存：每类公式最多 32767 条。"));
    EXPECT_EQ(m_dialogs.messages()[0].icon, Dialogs::Icon::Warning);
}

TEST_F(FormulaFiles, LinesPastAFullTableCountAsNotStoredWhileOtherTablesReadOn)
{
    fillToOneShort(k1D, QStringLiteral("L3A"), QStringLiteral("[个位单选]个位码"));
    // The first line fills 个位单选; what follows for it is not stored, readable or not, while the lines
    // of 十位单选 are still read, stored and reported as ever.
    const QStringList lines = {QStringLiteral("[个位单选]十位码+1"),   QStringLiteral("[个位单选]十位码+2"),
                               QStringLiteral("[个位单选]没有这个词"), QStringLiteral("[十位单选]没有这个词"),
                               QStringLiteral("[十位单选]百位码+3"),   QStringLiteral("[个位单选]跨度")};
    const FormulaImportResult r = importFormulaLines(m_db, m_store, lines, k1D, true, FormulaImportMode::File);
    ASSERT_EQ(r.status, FormulaImportResult::Status::Imported);
    EXPECT_EQ(r.stored, 2);
    EXPECT_EQ(r.notStored, 3);
    ASSERT_EQ(r.unrecognised.size(), 1u);
    EXPECT_EQ(r.unrecognised[0].number, 4);
    EXPECT_EQ(table(k1D).back(), (Row{32767, "L2A+1", "[个位单选]十位码+1", true}));
    EXPECT_EQ(table(k2D), (std::vector<Row>{{1, "L1A+3", "[十位单选]百位码+3", true}}));
}

TEST_F(FormulaFiles, ARepeatDroppedByTheNextRebuildFreesItsPlaceInAFullTable)
{
    // 十位单选 is not the listed kind: each of its lines finds the table rebuilt, which drops the repeat
    // appended just before, so the line after a repeat still fits in the last place.
    fillToOneShort(k2D, QStringLiteral("L2A"), QStringLiteral("[十位单选]十位码"));
    const QStringList lines = {QStringLiteral("[十位单选]十位码+0"), QStringLiteral("[十位单选]跨度"),
                               QStringLiteral("[十位单选]和数")};
    const FormulaImportResult r = importFormulaLines(m_db, m_store, lines, k1D, true, FormulaImportMode::File);
    ASSERT_EQ(r.status, FormulaImportResult::Status::Imported);
    EXPECT_EQ(r.stored, 2);
    EXPECT_EQ(r.notStored, 1);
    const auto rows = table(k2D);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(FormulaStore::kMaxFormulas));
    EXPECT_EQ(rows.back(), (Row{32767, "LT", "[十位单选]跨度", true}));
    EXPECT_EQ(rows[rows.size() - 2].expressionText, QStringLiteral("L2A+32765"));
}

} // namespace
} // namespace korvel
