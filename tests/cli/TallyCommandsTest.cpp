#include "CliTestSupport.h"

#include <QFile>

#include <QJsonArray>

namespace korvel::test {
namespace {

// The hand history with two kill formulas of 百位单选 and every draw counted (see FormulaCommandsTest):
// 百位码 (rate 4/30) and 百位码+十位码 (rate 14/30). On the newest draw (745) they name 7 and 1; on 2020003
// (789) they name 7 and 5.
class TallyCommandsTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        importDraws(handDraws());
        ASSERT_EQ(cli({QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("IniSetting/JSQS"),
                       QStringLiteral("0")})
                      .code,
                  0);
        for (const char* text : {"[百位单选杀]百位码", "[百位单选杀]百位码+十位码"}) {
            ASSERT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QString::fromUtf8(text)}).code, 0);
        }
    }

    QJsonObject compute(const QStringList& args) const
    {
        const CliRun run = cliJson(QStringList{QStringLiteral("compute")} + args);
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        return run.json();
    }

    // "号码" of the rows of a page in list order, and their marks.
    static QStringList order(const QJsonObject& page)
    {
        QStringList out;
        for (const QJsonValue& v : page.value(QStringLiteral("rows")).toArray()) {
            const QJsonObject r = v.toObject();
            out << r.value(QStringLiteral("号码")).toString() + QLatin1Char(':') +
                       QString::number(r.value(QStringLiteral("ETrrcount")).toInt()) + QLatin1Char(':') +
                       r.value(QStringLiteral("保留/滤杀")).toString();
        }
        return out;
    }

    static QJsonObject page(const QJsonObject& result, int i)
    {
        return result.value(QStringLiteral("pages")).toArray().at(i).toObject();
    }
};

TEST_F(TallyCommandsTest, SelectedFormulasKillTheirDigitsOnTheNewestDraw)
{
    const QJsonObject r = compute(
        {QStringLiteral("--position"), QStringLiteral("百位"), QStringLiteral("--method"), QStringLiteral("selected")});
    EXPECT_EQ(r.value(QStringLiteral("caption")).toString(), QStringLiteral("计算2020006期结果排序"));
    EXPECT_EQ(r.value(QStringLiteral("referenceIssue")).toString(), QStringLiteral("2020005"));
    EXPECT_EQ(r.value(QStringLiteral("firstChoiceSum")).toInt(-1), 0);
    ASSERT_EQ(r.value(QStringLiteral("pages")).toArray().size(), 3);
    EXPECT_EQ(page(r, 0).value(QStringLiteral("tab")).toString(), QStringLiteral("个位"));
    const QJsonObject hundreds = page(r, 2);
    EXPECT_EQ(hundreds.value(QStringLiteral("tab")).toString(), QStringLiteral("百位"));
    EXPECT_EQ(order(hundreds), (QStringList{"0:0:保留", "2:0:保留", "3:0:保留", "4:0:保留", "5:0:保留", "6:0:保留",
                                            "8:0:保留", "9:0:保留", "1:1:滤杀", "7:1:滤杀"}));
    const QJsonArray row = hundreds.value(QStringLiteral("rows")).toArray();
    EXPECT_EQ(row.at(8).toObject().value(QStringLiteral("Errcount")).toInt(), 1);
    EXPECT_EQ(row.at(8).toObject().value(QStringLiteral("Trrcount")).toInt(), 0);
    EXPECT_EQ(row.at(8).toObject().value(QStringLiteral("num")).toInt(), 1);
    EXPECT_EQ(row.at(8).toObject().value(QStringLiteral("排序序号")).toString(), QStringLiteral("9"));
    const QJsonArray summary = hundreds.value(QStringLiteral("summary")).toArray();
    ASSERT_EQ(summary.size(), 2);
    EXPECT_EQ(summary[0].toObject().value(QStringLiteral("号码")).toString(), QStringLiteral("0 2 3 4 5 6 8 9 "));
    EXPECT_EQ(summary[1].toObject().value(QStringLiteral("杀留次数")).toString(), QStringLiteral("1"));
    EXPECT_EQ(summary[1].toObject().value(QStringLiteral("个数")).toString(), QStringLiteral("2"));
    EXPECT_EQ(summary[1].toObject().value(QStringLiteral("号码")).toString(), QStringLiteral("1 7 "));
    // The other positions' tables are empty: nothing killed there.
    EXPECT_EQ(order(page(r, 1)).first(), QStringLiteral("0:0:保留"));
}

TEST_F(TallyCommandsTest, VerifyModeTakesTheDrawBeforeTheIssue)
{
    const QJsonObject r = compute(
        {QStringLiteral("--method"), QStringLiteral("selected"), QStringLiteral("--issue"), QStringLiteral("2020004")});
    EXPECT_EQ(r.value(QStringLiteral("caption")).toString(), QStringLiteral("验证2020004期结果排序"));
    EXPECT_EQ(r.value(QStringLiteral("referenceIssue")).toString(), QStringLiteral("2020003"));
    const QStringList o = order(page(r, 2));
    EXPECT_EQ(o.mid(8), (QStringList{"5:1:滤杀", "7:1:滤杀"}));

    // The first draw has nothing before it: the window's message, one line, status 2.
    const CliRun first = cli({QStringLiteral("compute"), QStringLiteral("--issue"), QStringLiteral("2020001")});
    EXPECT_EQ(first.code, 2);
    EXPECT_TRUE(first.out.isEmpty());
    EXPECT_EQ(first.err.count(QLatin1Char('\n')), 1) << first.err.toStdString();
    EXPECT_EQ(cli({QStringLiteral("compute"), QStringLiteral("--issue"), QStringLiteral("2019001")}).code, 2);
}

TEST_F(TallyCommandsTest, BestMethodWalksTheSortOrderUpToTheLimit)
{
    // Kill with limit 9: one digit is enough; the better rate (百位码+十位码) comes first and names 1.
    QJsonObject r = compute({QStringLiteral("--method"), QStringLiteral("best"), QStringLiteral("--keep-limit"),
                             QStringLiteral("9"), QStringLiteral("--sort"), QStringLiteral("正确率")});
    EXPECT_EQ(r.value(QStringLiteral("keepLimit")).toInt(), 9);
    EXPECT_EQ(order(page(r, 2)).last(), QStringLiteral("1:1:滤杀"));
    EXPECT_TRUE(order(page(r, 2)).contains(QStringLiteral("7:0:保留")));
    // Ascending rate puts 百位码 first: 7.
    r = compute({QStringLiteral("--method"), QStringLiteral("best"), QStringLiteral("--keep-limit"),
                 QStringLiteral("9"), QStringLiteral("--sort"), QStringLiteral("最大连错,最大连对")});
    EXPECT_EQ(r.value(QStringLiteral("sort")).toString(), QStringLiteral("最大连错,最大连对,最后连对"));
    EXPECT_EQ(order(page(r, 2)).last(), QStringLiteral("7:1:滤杀")); // 最大连错 2 before 1 (descending)
    // The default limit 3 keeps counting until seven digits are covered: both formulas.
    r = compute({QStringLiteral("--method"), QStringLiteral("best")});
    EXPECT_EQ(order(page(r, 2)).mid(8), (QStringList{"1:1:滤杀", "7:1:滤杀"}));

    // A limit of 10 or more leaves nothing to kill: no formula is counted, every digit is kept.
    for (const char* limit : {"10", "11", "32767"}) {
        r = compute({QStringLiteral("--method"), QStringLiteral("best"), QStringLiteral("--keep-limit"),
                     QString::fromLatin1(limit)});
        EXPECT_EQ(r.value(QStringLiteral("keepLimit")).toInt(), QString::fromLatin1(limit).toInt());
        const QStringList digits = order(page(r, 2));
        ASSERT_EQ(digits.size(), 10) << limit;
        for (const QString& d : digits) {
            EXPECT_TRUE(d.endsWith(QStringLiteral(":0:保留"))) << limit << " " << d.toStdString();
        }
    }

    EXPECT_EQ(cli({QStringLiteral("compute"), QStringLiteral("--method"), QStringLiteral("selected"),
                   QStringLiteral("--keep-limit"), QStringLiteral("3")})
                  .code,
              2);
    EXPECT_EQ(cli({QStringLiteral("compute"), QStringLiteral("--sort"), QStringLiteral("颜色")}).code, 2);
    // The stored method is left as it was.
    EXPECT_EQ(cliJson({QStringLiteral("settings"), QStringLiteral("get"), QStringLiteral("IniSetting/JSFF")})
                  .json()
                  .value(QStringLiteral("value"))
                  .toString(),
              QStringLiteral("False"));
}

TEST_F(TallyCommandsTest, CategoriesGroupAndKeepRuns)
{
    // 大小: 1 is 小, 7 is 大, each killed once.
    QJsonObject r = compute(
        {QStringLiteral("--play"), QStringLiteral("大小"), QStringLiteral("--method"), QStringLiteral("selected")});
    EXPECT_FALSE(r.contains(QStringLiteral("firstChoiceSum")));
    EXPECT_EQ(order(page(r, 2)), (QStringList{"小:1:滤杀", "大:1:滤杀"}));
    // 通选 reads Gongshi3G, which is empty: one page, nothing killed.
    r = compute(
        {QStringLiteral("--play"), QStringLiteral("通选"), QStringLiteral("--method"), QStringLiteral("selected")});
    ASSERT_EQ(r.value(QStringLiteral("pages")).toArray().size(), 1);
    EXPECT_EQ(order(page(r, 0)).size(), 10);
    EXPECT_EQ(cli({QStringLiteral("compute"), QStringLiteral("--position"), QStringLiteral("1"),
                   QStringLiteral("--play"), QStringLiteral("通选")})
                  .code,
              2);

    // A keep formula naming 8 (百位码+1 on 745): the most-kept digit first, the others filtered.
    ASSERT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QStringLiteral("百位码+1=下期生 百位单选")}).code,
              0);
    r = compute(
        {QStringLiteral("--sense"), QStringLiteral("生"), QStringLiteral("--method"), QStringLiteral("selected")});
    const QStringList o = order(page(r, 2));
    EXPECT_EQ(o.first(), QStringLiteral("8:1:保留"));
    EXPECT_EQ(o.at(1), QStringLiteral("0:0:滤杀"));
}

TEST_F(TallyCommandsTest, RankingListsEveryFollowingDraw)
{
    // Rankings: on 2020001 the formulas name 1 and 3, on 2020002 1 and 6, on 2020003 7 and 5, on 2020004 7
    // twice. The drawn 百位 that follows: 1 (rank 9), 7 (rank 6), 7 (rank 10), 7 (rank 10, count 2).
    const CliRun refused = cli({QStringLiteral("ranking"), QStringLiteral("--kind"), QStringLiteral("3D"),
                                QStringLiteral("--sense"), QStringLiteral("kill")});
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("查询等待确认"))) << refused.err.toStdString();

    const CliRun run = cliJson({QStringLiteral("ranking"), QStringLiteral("--kind"), QStringLiteral("3D"),
                                QStringLiteral("--sense"), QStringLiteral("kill"), QStringLiteral("--yes")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject r = run.json();
    EXPECT_EQ(r.value(QStringLiteral("formulas")).toInt(), 2);
    const QJsonArray rows = r.value(QStringLiteral("rows")).toArray();
    ASSERT_EQ(rows.size(), 4);
    const struct {
        const char* issue;
        const char* rank;
        const char* err;
        const char* tiers;
        const char* tier;
        const char* tierSize;
    } expected[] = {{"2020002", "9", "1", "2", "2", "2"},
                    {"2020003", "6", "0", "2", "1", "8"},
                    {"2020004", "10", "1", "2", "2", "2"},
                    {"2020005", "10", "2", "2", "2", "1"}};
    for (int i = 0; i < 4; ++i) {
        const QJsonObject row = rows[i].toObject();
        const auto& e = expected[i];
        EXPECT_EQ(row.value(QStringLiteral("期号")).toString(), QLatin1String(e.issue));
        EXPECT_EQ(row.value(QStringLiteral("排位名次")).toString(), QLatin1String(e.rank)) << i;
        EXPECT_EQ(row.value(QStringLiteral("Err值")).toString(), QLatin1String(e.err)) << i;
        EXPECT_EQ(row.value(QStringLiteral("总位次")).toString(), QLatin1String(e.tiers)) << i;
        EXPECT_EQ(row.value(QStringLiteral("位次")).toString(), QLatin1String(e.tier)) << i;
        EXPECT_EQ(row.value(QStringLiteral("位码数")).toString(), QLatin1String(e.tierSize)) << i;
    }
    const QJsonObject first = rows[0].toObject();
    EXPECT_EQ(first.value(QStringLiteral("开奖结果")).toString(), QStringLiteral("1"));
    EXPECT_EQ(first.value(QStringLiteral("1排列")).toString(), QStringLiteral("0"));
    EXPECT_EQ(first.value(QStringLiteral("10排列")).toString(), QStringLiteral("3"));
    EXPECT_EQ(first.value(QStringLiteral("10Err值")).toString(), QStringLiteral("1"));
    // Err values 0..2 over all rows give the columns 0次, 1次, 2次.
    EXPECT_EQ(first.value(QStringLiteral("1次")).toString(), QStringLiteral("01 03 "));
    EXPECT_TRUE(first.contains(QStringLiteral("2次")));
    EXPECT_FALSE(first.contains(QStringLiteral("3次")));

    // The list's own choices from the same rankings: 十位 5 of 2020002 stands 4th behind 0, 2, 4; in 通选
    // 十位 judges 十位 and 个位 (5 and 6, ranks 4 and 5).
    const CliRun tens = cliJson({QStringLiteral("ranking"), QStringLiteral("--kind"), QStringLiteral("3D"),
                                 QStringLiteral("--sense"), QStringLiteral("kill"), QStringLiteral("--yes"),
                                 QStringLiteral("--position"), QStringLiteral("十位")});
    ASSERT_EQ(tens.code, 0) << tens.err.toStdString();
    const QJsonObject t = tens.json().value(QStringLiteral("rows")).toArray().first().toObject();
    EXPECT_EQ(t.value(QStringLiteral("开奖结果")).toString(), QStringLiteral("5"));
    EXPECT_EQ(t.value(QStringLiteral("排位名次")).toString(), QStringLiteral("4"));
    EXPECT_EQ(t.value(QStringLiteral("位码数")).toString(), QStringLiteral("8"));
    const CliRun group =
        cliJson({QStringLiteral("ranking"), QStringLiteral("--kind"), QStringLiteral("3D"), QStringLiteral("--sense"),
                 QStringLiteral("kill"), QStringLiteral("--yes"), QStringLiteral("--position"), QStringLiteral("2"),
                 QStringLiteral("--play"), QStringLiteral("通选")});
    ASSERT_EQ(group.code, 0) << group.err.toStdString();
    const QJsonObject g = group.json().value(QStringLiteral("rows")).toArray().first().toObject();
    EXPECT_EQ(g.value(QStringLiteral("开奖结果")).toString(), QStringLiteral("5 6 "));
    EXPECT_EQ(g.value(QStringLiteral("排位名次")).toString(), QStringLiteral("4 5 "));
    EXPECT_EQ(cli({QStringLiteral("ranking"), QStringLiteral("--kind"), QStringLiteral("3D"), QStringLiteral("--sense"),
                   QStringLiteral("kill"), QStringLiteral("--yes"), QStringLiteral("--position"), QStringLiteral("1"),
                   QStringLiteral("--play"), QStringLiteral("通选")})
                  .code,
              2);
}

TEST_F(TallyCommandsTest, StatsOptionsChangeThisPassOnly)
{
    // Plain rate over the last 4 draws of 百位码: 1 hit of 4.
    CliRun run = cliJson({QStringLiteral("stats"), QStringLiteral("--kind"), QStringLiteral("3D"),
                          QStringLiteral("--sense"), QStringLiteral("kill"), QStringLiteral("--plain")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    QJsonObject r = run.json();
    EXPECT_EQ(r.value(QStringLiteral("window")).toString(), QStringLiteral("前所有期"));
    EXPECT_EQ(r.value(QStringLiteral("draws")).toInt(), 4);
    QJsonObject f = r.value(QStringLiteral("formulas")).toArray().first().toObject();
    EXPECT_EQ(f.value(QStringLiteral("正确率")).toString(), QStringLiteral("25.0000% (1/4)"));
    // The weighted figures return with the stored setting; the pass wrote the plain figures meanwhile.
    run = cliJson({QStringLiteral("stats"), QStringLiteral("--kind"), QStringLiteral("3D"), QStringLiteral("--sense"),
                   QStringLiteral("kill")});
    f = run.json().value(QStringLiteral("formulas")).toArray().first().toObject();
    EXPECT_EQ(f.value(QStringLiteral("正确率（加权算法）")).toString(), QStringLiteral("13.3333% (4/30)"));

    // A window of 100 over 5 draws skips nothing: the first draw counts as a miss. Keeping the draw before
    // the window changes nothing here either.
    run = cliJson({QStringLiteral("stats"), QStringLiteral("--kind"), QStringLiteral("3D"), QStringLiteral("--sense"),
                   QStringLiteral("kill"), QStringLiteral("--window"), QStringLiteral("100"), QStringLiteral("--plain"),
                   QStringLiteral("--include-current")});
    f = run.json().value(QStringLiteral("formulas")).toArray().first().toObject();
    EXPECT_EQ(f.value(QStringLiteral("正确率")).toString(), QStringLiteral("20.0000% (1/5)"));
    EXPECT_EQ(cli({QStringLiteral("stats"), QStringLiteral("--kind"), QStringLiteral("3D"), QStringLiteral("--sense"),
                   QStringLiteral("kill"), QStringLiteral("--window"), QStringLiteral("150")})
                  .code,
              2);
    EXPECT_EQ(cli({QStringLiteral("stats"), QStringLiteral("--kind"), QStringLiteral("3D"), QStringLiteral("--sense"),
                   QStringLiteral("kill"), QStringLiteral("--plain"), QStringLiteral("--weighted")})
                  .code,
              2);
}

TEST_F(TallyCommandsTest, TheMethodOfARunIsNeverWritten)
{
    auto settingsBytes = [this] {
        QFile f(settingsFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no file)");
    };
    const QByteArray before = settingsBytes();
    EXPECT_EQ(cli({QStringLiteral("compute"), QStringLiteral("--method"), QStringLiteral("best")}).code, 0);
    EXPECT_EQ(cli({QStringLiteral("compute"), QStringLiteral("--method"), QStringLiteral("selected")}).code, 0);
    EXPECT_EQ(settingsBytes(), before);
}

} // namespace
} // namespace korvel::test
