#include "CliTestSupport.h"

#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>

namespace korvel::test {
namespace {

class FormulaCommandsTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        importDraws(handDraws());
        // Every draw counted: the window starts at the second draw.
        ASSERT_EQ(cli({QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("IniSetting/JSQS"),
                       QStringLiteral("0")})
                      .code,
                  0);
    }

    CliRun add(const QString& text) const { return cliJson({QStringLiteral("formula"), QStringLiteral("add"), text}); }

    QJsonArray list(const QString& kind, const QString& sense) const
    {
        const CliRun run = cliJson({QStringLiteral("formula"), QStringLiteral("list"), QStringLiteral("--kind"), kind,
                                    QStringLiteral("--sense"), sense});
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        return run.json().value(QStringLiteral("formulas")).toArray();
    }
};

TEST_F(FormulaCommandsTest, TypedFormulasShowTheirHandComputedFigures)
{
    // 百位 1, 1, 7, 7, 7. 百位码 kills the digit it shows on the next draw: miss, hit, miss, miss; with the
    // weights 1, 4, 9, 16 the rate is 4/30. 百位码+十位码 predicts 3, 6, 15, 7 for 百位 1, 7, 7, 7: hit, hit,
    // hit, miss = 14/30.
    CliRun run = add(QStringLiteral("[百位单选杀]百位码"));
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    QJsonObject row = run.json();
    EXPECT_EQ(row.value(QStringLiteral("kind")).toString(), QStringLiteral("3D"));
    EXPECT_EQ(row.value(QStringLiteral("idx")).toInt(), 1);
    EXPECT_EQ(row.value(QStringLiteral("gongshi")).toString(), QStringLiteral("L1A"));
    EXPECT_EQ(row.value(QStringLiteral("正确率（加权算法）")).toString(), QStringLiteral("13.3333% (4/30)"));

    ASSERT_EQ(add(QStringLiteral("百位码+十位码=下期杀 百位单选")).code, 0);
    const QJsonArray rows = list(QStringLiteral("百位单选"), QStringLiteral("杀"));
    ASSERT_EQ(rows.size(), 2);
    const struct {
        const char* rate;
        const char* errCon;
        const char* trueCon;
        const char* errLst;
        const char* trueLst;
        const char* next;
    } expected[] = {{"13.3333% (4/30)", "2", "1", "2", "0", "7"}, {"46.6667% (14/30)", "1", "3", "1", "0", "1"}};
    for (int i = 0; i < 2; ++i) {
        const QJsonObject r = rows[i].toObject();
        const auto& e = expected[i];
        EXPECT_EQ(r.value(QStringLiteral("序号")).toString(), QString::number(i + 1));
        EXPECT_EQ(r.value(QStringLiteral("正确率（加权算法）")).toString(), QLatin1String(e.rate)) << i;
        EXPECT_EQ(r.value(QStringLiteral("最大连错")).toString(), QLatin1String(e.errCon)) << i;
        EXPECT_EQ(r.value(QStringLiteral("最大连对")).toString(), QLatin1String(e.trueCon)) << i;
        EXPECT_EQ(r.value(QStringLiteral("最后连错")).toString(), QLatin1String(e.errLst)) << i;
        EXPECT_EQ(r.value(QStringLiteral("最后连对")).toString(), QLatin1String(e.trueLst)) << i;
        EXPECT_EQ(r.value(QStringLiteral("计算值")).toString(), QLatin1String(e.next)) << i;
        EXPECT_EQ(r.value(QStringLiteral("种类")).toString(), QStringLiteral("百位单选"));
        EXPECT_EQ(r.value(QStringLiteral("生杀")).toString(), QStringLiteral("杀"));
        EXPECT_EQ(r.value(QStringLiteral("idx")).toInt(), i + 1);
    }

    // The text form: the window's headers, the Chinese or the English text in column 公式.
    const QStringList text =
        cli({QStringLiteral("formula"), QStringLiteral("list"), QStringLiteral("--kind"), QStringLiteral("3D"),
             QStringLiteral("--sense"), QStringLiteral("kill"), QStringLiteral("--english")})
            .lines();
    ASSERT_EQ(text.size(), 6);
    EXPECT_EQ(text[3],
              QStringLiteral(
                  "序号\t公式\t种类\t生杀\t计算值\t正确率（加权算法）\t最大连错\t最大连对\t最后连错\t最后连对\tidx\t"
                  "随机基准\t超出基准\t显著性\t入库后"));
    // Then the chance figures: four named digits at 0.9; three plain hits of four, P(X >= 3) = 0.9477; no
    // draw came after the formula was added.
    EXPECT_EQ(text[5],
              QStringLiteral("2\tL1A+L2A\t百位单选\t杀\t1\t46.6667% (14/30)\t1\t3\t1\t0\t2\t90.0000%\t-43.3333\t"
                             "0.9477\t—"));

    // The sense comes from the equation form; the lists of the two senses are apart.
    run = add(QStringLiteral("百位码+1=下期生 百位单选"));
    ASSERT_EQ(run.code, 0);
    EXPECT_EQ(run.json().value(QStringLiteral("sense")).toString(), QStringLiteral("keep"));
    EXPECT_EQ(list(QStringLiteral("3D"), QStringLiteral("keep")).size(), 1);
    EXPECT_EQ(list(QStringLiteral("3D"), QStringLiteral("kill")).size(), 2);
}

TEST_F(FormulaCommandsTest, RefusedFormulasAreNotStored)
{
    const struct {
        QString text;
        int code;
    } cases[] = {
        {QStringLiteral("[百位单选杀]百位码+XYZ"), 2}, // not computable: the window's message
        {QStringLiteral("[个位通选杀]百位码+5"), 2},   // 个位通选 has no table
        {QStringLiteral(" "), 2},                      // empty
    };
    for (const auto& c : cases) {
        const CliRun run = add(c.text);
        EXPECT_EQ(run.code, c.code) << c.text.toStdString();
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    }
    for (const char* kind : {"1D", "2D", "3D", "2G", "3G"}) {
        EXPECT_TRUE(list(QLatin1String(kind), QStringLiteral("kill")).isEmpty()) << kind;
    }
    EXPECT_EQ(cli({QStringLiteral("formula"), QStringLiteral("list"), QStringLiteral("--kind"), QStringLiteral("4G"),
                   QStringLiteral("--sense"), QStringLiteral("kill")})
                  .code,
              2);
    EXPECT_EQ(cli({QStringLiteral("formula"), QStringLiteral("list"), QStringLiteral("--kind"), QStringLiteral("3D"),
                   QStringLiteral("--sense"), QStringLiteral("maybe")})
                  .code,
              2);
    EXPECT_EQ(
        cli({QStringLiteral("formula"), QStringLiteral("list"), QStringLiteral("--kind"), QStringLiteral("3D")}).code,
        2);
}

// Issue 24 item 18, the report's reproduction: a line of 30 000 "(", L1A, 30 000 ")" crashed the import
// after storing it, and from then on every command on the data folder crashed while loading the formulas.
TEST_F(FormulaCommandsTest, AFormulaTooLargeForTheEngineIsRefusedAndAStoredOneNeverStopsAStart)
{
    const QString deep =
        QStringLiteral("(").repeated(30000) + QStringLiteral("L1A") + QStringLiteral(")").repeated(30000);
    const QString line = deep + QStringLiteral("=下期杀 百位单选");
    CliRun run = cliJson({QStringLiteral("formula"), QStringLiteral("import"),
                          writeFile(QStringLiteral("deep.txt"), (line + QStringLiteral("\r\n")).toUtf8())});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json().value(QStringLiteral("stored")).toInt(), 0);
    EXPECT_EQ(run.json().value(QStringLiteral("unrecognised")).toInt(), 1);
    run = add(line);
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("公式太长（60012 个字符）"))) << run.err.left(300).toStdString();
    EXPECT_LT(run.err.size(), 400);
    run = add(QStringLiteral("(").repeated(4000) + QStringLiteral("百位码") + QStringLiteral(")").repeated(4000) +
              QStringLiteral("=下期杀 百位单选"));
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("嵌套太深"))) << run.err.left(300).toStdString();
    for (const char* kind : {"1D", "2D", "3D", "2G", "3G"}) {
        EXPECT_TRUE(list(QLatin1String(kind), QStringLiteral("kill")).isEmpty()) << kind;
    }

    // What an earlier version stored: the formula in every table, so that the list finds it whatever kind the
    // window shows.
    {
        Database db;
        ASSERT_NE(db.open(QDir(dataDir()).filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
        FormulaStore store(db);
        for (const FormulaKind& k : kAllKinds) {
            store.appendFormula(k, QStringLiteral("L1A+1"), QStringLiteral("百位码+1"), true);
            store.appendFormula(k, deep, line, true);
        }
    }
    run = cli({QStringLiteral("history"), QStringLiteral("list")});
    EXPECT_EQ(run.code, 0) << run.err.left(300).toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("公式无法计算"))) << run.err.left(300).toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("第 2 条"))) << run.err.left(300).toStdString();
    EXPECT_TRUE(run.lines().contains(QStringLiteral("draws: 5"))) << run.out.toStdString();
    const QJsonArray rows = list(QStringLiteral("3D"), QStringLiteral("kill"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].toObject().value(QStringLiteral("idx")).toInt(), 2);
    run = cliJson({QStringLiteral("formula"), QStringLiteral("delete"), QStringLiteral("--kind"), QStringLiteral("3D"),
                   QStringLiteral("--idx"), QStringLiteral("2")});
    EXPECT_EQ(run.code, 0) << run.err.left(300).toStdString();
    EXPECT_EQ(list(QStringLiteral("3D"), QStringLiteral("kill")).size(), 1);
    run = cli({QStringLiteral("formula"), QStringLiteral("clear"), QStringLiteral("--yes")});
    EXPECT_EQ(run.code, 0) << run.err.left(300).toStdString();
    for (const char* kind : {"1D", "2D", "3D", "2G", "3G"}) {
        EXPECT_TRUE(list(QLatin1String(kind), QStringLiteral("kill")).isEmpty()) << kind;
    }
}

TEST_F(FormulaCommandsTest, DeleteRenumbersAndClearNeedsYes)
{
    for (const char* text : {"[百位单选杀]百位码", "[百位单选杀]十位码", "[百位单选杀]个位码"}) {
        ASSERT_EQ(add(QString::fromUtf8(text)).code, 0);
    }
    CliRun run = cliJson({QStringLiteral("formula"), QStringLiteral("delete"), QStringLiteral("--kind"),
                          QStringLiteral("3D"), QStringLiteral("--idx"), QStringLiteral("2")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json().value(QStringLiteral("gongshi")).toString(), QStringLiteral("L2A"));
    QJsonArray rows = list(QStringLiteral("3D"), QStringLiteral("kill"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].toObject().value(QStringLiteral("gongshi")).toString(), QStringLiteral("L3A"));
    EXPECT_EQ(rows[1].toObject().value(QStringLiteral("idx")).toInt(), 2);
    EXPECT_EQ(cli({QStringLiteral("formula"), QStringLiteral("delete"), QStringLiteral("--kind"), QStringLiteral("3D"),
                   QStringLiteral("--idx"), QStringLiteral("3")})
                  .code,
              2);

    // Without --yes the question is answered no and named in the one error line.
    run = cli({QStringLiteral("formula"), QStringLiteral("clear")});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("清空所有公式"))) << run.err.toStdString();
    EXPECT_EQ(list(QStringLiteral("3D"), QStringLiteral("kill")).size(), 2);
    run = cli({QStringLiteral("formula"), QStringLiteral("clear"), QStringLiteral("--yes")});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(list(QStringLiteral("3D"), QStringLiteral("kill")).isEmpty());
}

TEST_F(FormulaCommandsTest, APartialImportPrintsHowManyWereLeftOutAndEndsInTwo)
{
    {
        // 百位单选 one place short of full.
        Database db;
        ASSERT_NE(db.open(QDir(dataDir()).filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
        FormulaStore store(db);
        std::vector<Formula> many(FormulaStore::kMaxFormulas - 1);
        for (std::size_t i = 0; i < many.size(); ++i) {
            many[i].expressionText = QStringLiteral("L1A+%1").arg(i);
            many[i].displayText = QStringLiteral("[百位单选杀]百位码+%1").arg(i);
        }
        ASSERT_EQ(store.appendFormulas(FormulaKind{3, Play::Single}, many).size(), many.size());
    }
    const QString file = writeFile(QStringLiteral("over.txt"), QStringLiteral("[百位单选杀]跨度\r\n"
                                                                              "[百位单选杀]和数\r\n"
                                                                              "[十位单选杀]和数\r\n"
                                                                              "[百位单选杀]十位码\r\n")
                                                                   .toUtf8());
    CliRun run = cli({QStringLiteral("formula"), QStringLiteral("import"), file});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.out.contains(QStringLiteral("2 条公式没有保存：每类公式最多 32767 条。"))) << run.out.toStdString();
    EXPECT_TRUE(run.lines().contains(QStringLiteral("stored: 2"))) << run.out.toStdString();

    // The same file again: nothing fits in 百位单选 now, and JSON says so too.
    run = cliJson({QStringLiteral("formula"), QStringLiteral("import"), file});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.json().value(QStringLiteral("stored")).toInt(), 1);
    EXPECT_EQ(run.json().value(QStringLiteral("notStored")).toInt(), 3);
    {
        Database db;
        ASSERT_NE(db.open(QDir(dataDir()).filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
        EXPECT_EQ(FormulaStore(db).count(FormulaKind{3, Play::Single}), FormulaStore::kMaxFormulas);
    }
    const QJsonArray tens = list(QStringLiteral("2D"), QStringLiteral("kill"));
    ASSERT_EQ(tens.size(), 2);
    EXPECT_EQ(tens[1].toObject().value(QStringLiteral("gongshi")).toString(), QStringLiteral("LH"));
}

TEST_F(FormulaCommandsTest, ImportAndExportOfFormulaTextFiles)
{
    const QString file = writeFile(QStringLiteral("formulas.txt"), QStringLiteral("[百位单选杀]百位码\r\n"
                                                                                  "十位码+个位码=下期杀 十位通选\r\n"
                                                                                  "[百位单选杀]百位码+@@\r\n"
                                                                                  "\r\n")
                                                                       .toUtf8());
    CliRun run = cliJson({QStringLiteral("formula"), QStringLiteral("import"), file});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    QJsonObject r = run.json();
    EXPECT_EQ(r.value(QStringLiteral("stored")).toInt(), 2);
    EXPECT_EQ(r.value(QStringLiteral("unrecognised")).toInt(), 1);
    EXPECT_EQ(
        r.value(QStringLiteral("unrecognisedLines")).toArray().first().toObject().value(QStringLiteral("line")).toInt(),
        3);
    EXPECT_EQ(list(QStringLiteral("2G"), QStringLiteral("kill")).size(), 1);
    EXPECT_EQ(cli({QStringLiteral("formula"), QStringLiteral("import"), path(QStringLiteral("none.txt"))}).code, 2);
    EXPECT_EQ(cli({QStringLiteral("formula"), QStringLiteral("import"),
                   writeFile(QStringLiteral("formulas.csv"), "[百位单选杀]百位码\r\n")})
                  .code,
              2);

    // The list's formulas with their current hit runs (百位码 ended on misses: 0), GBK, under the window's
    // name: the next issue, the kind and the sense.
    run = cliJson({QStringLiteral("formula"), QStringLiteral("export"), QStringLiteral("--kind"), QStringLiteral("3D"),
                   QStringLiteral("--sense"), QStringLiteral("kill")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QString written = run.json().value(QStringLiteral("files")).toArray().first().toString();
    EXPECT_EQ(written, dataDir() + QStringLiteral("/2020006期3D彩百位单选杀公式.txt"));
    QFile f(written);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const std::optional<QString> text = textcodec::decodeGbk(f.readAll());
    ASSERT_TRUE(text.has_value());
    EXPECT_TRUE(text->contains(QStringLiteral("[百位单选杀]百位码") + QString(11, QChar(0x3000)) +
                               QStringLiteral("连准：0期\r\n")))
        << text->toStdString();

    run = cliJson({QStringLiteral("formula"), QStringLiteral("export"), QStringLiteral("--all")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json().value(QStringLiteral("formulas")).toInt(), 2);
    EXPECT_EQ(
        cli({QStringLiteral("formula"), QStringLiteral("export"), QStringLiteral("--kind"), QStringLiteral("3D")}).code,
        2);
}

} // namespace
} // namespace korvel::test
