#include "CliTestSupport.h"

#include "cli/Interrupt.h"

#include <QJsonArray>
#include <QSettings>

namespace korvel::test {
namespace {

class SearchCommandsTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        importRealDraws(QStringLiteral("fc3d_draws.tsv"), 1500);
    }

    QJsonObject search(const QStringList& args) const
    {
        const CliRun run = cliJson(QStringList{QStringLiteral("search")} + args);
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        return run.json();
    }

    QStringList listed(const QString& kind) const
    {
        QStringList out;
        const CliRun run = cliJson({QStringLiteral("formula"), QStringLiteral("list"), QStringLiteral("--kind"), kind,
                                    QStringLiteral("--sense"), QStringLiteral("kill")});
        for (const QJsonValue& v : run.json().value(QStringLiteral("formulas")).toArray()) {
            out << v.toObject().value(QStringLiteral("gongshiCN")).toString();
        }
        return out;
    }

    static QStringList texts(const QJsonObject& result)
    {
        QStringList out;
        for (const QJsonValue& v : result.value(QStringLiteral("formulas")).toArray()) {
            out << v.toObject().value(QStringLiteral("gongshiCN")).toString();
        }
        return out;
    }
};

TEST_F(SearchCommandsTest, ManualSearchStopsAtTheCountAndAppends)
{
    const QJsonObject r =
        search({QStringLiteral("--kind"), QStringLiteral("百位单选"), QStringLiteral("--sense"), QStringLiteral("杀"),
                QStringLiteral("--count"), QStringLiteral("4"), QStringLiteral("--seed"), QStringLiteral("42"),
                QStringLiteral("--operands"), QStringLiteral("3"), QStringLiteral("--constant"), QStringLiteral("5"),
                QStringLiteral("--form"), QStringLiteral("equation"), QStringLiteral("--thresholds"),
                QStringLiteral("90,100"), QStringLiteral("--save"), QStringLiteral("append")});
    EXPECT_EQ(r.value(QStringLiteral("stoppedBy")).toString(), QStringLiteral("count"));
    EXPECT_EQ(r.value(QStringLiteral("saved")).toString(), QStringLiteral("append"));
    EXPECT_EQ(r.value(QStringLiteral("operands")).toInt(), 3);
    const QJsonArray t = r.value(QStringLiteral("thresholds")).toArray();
    EXPECT_EQ(t.at(0).toString(), QStringLiteral("90"));
    EXPECT_EQ(t.at(2).toString(), QStringLiteral("0")); // the stored 百位单选 杀 fields after the two given
    EXPECT_EQ(t.at(4).toString(), QStringLiteral("48"));
    const QStringList found = texts(r);
    ASSERT_EQ(found.size(), 4);
    for (const QString& f : found) {
        // Three operands, the tail constant 5, the equation form.
        EXPECT_EQ(f.count(QLatin1Char('+')), 3) << f.toStdString();
        EXPECT_TRUE(f.endsWith(QStringLiteral("+5=下期杀百位单选"))) << f.toStdString();
    }
    for (const QJsonValue& v : r.value(QStringLiteral("formulas")).toArray()) {
        EXPECT_EQ(v.toObject().value(QStringLiteral("kind")).toString(), QStringLiteral("3D"));
    }
    EXPECT_EQ(listed(QStringLiteral("3D")), found);
    // The operand count of the option was for this run only.
    QSettings ini(settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("3/text2"), QStringLiteral("8")).toString(), QStringLiteral("8"));

    // The same seed finds the same formulas again.
    const QJsonObject again =
        search({QStringLiteral("--kind"), QStringLiteral("3D"), QStringLiteral("--sense"), QStringLiteral("kill"),
                QStringLiteral("--count"), QStringLiteral("4"), QStringLiteral("--seed"), QStringLiteral("42"),
                QStringLiteral("--operands"), QStringLiteral("3"), QStringLiteral("--constant"), QStringLiteral("5"),
                QStringLiteral("--form"), QStringLiteral("equation"), QStringLiteral("--thresholds"),
                QStringLiteral("90,100")});
    EXPECT_EQ(texts(again), found);
}

TEST_F(SearchCommandsTest, SchemeWalksTheKindsAndSavesAtTheEnd)
{
    const CliRun run =
        cliJson({QStringLiteral("search"), QStringLiteral("scheme"), QStringLiteral("--mode"), QStringLiteral("add"),
                 QStringLiteral("--quota"), QStringLiteral("1D=2"), QStringLiteral("--quota"), QStringLiteral("2D=0"),
                 QStringLiteral("--quota"), QStringLiteral("3D=0"), QStringLiteral("--quota"), QStringLiteral("2G=1"),
                 QStringLiteral("--quota"), QStringLiteral("3G=0"), QStringLiteral("--seed"), QStringLiteral("9")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject r = run.json();
    EXPECT_EQ(r.value(QStringLiteral("stoppedBy")).toString(), QStringLiteral("scheme done"));
    // 新增 saves by replacing the tables it reached.
    EXPECT_EQ(r.value(QStringLiteral("saved")).toString(), QStringLiteral("replace"));
    QStringList kinds;
    for (const QJsonValue& v : r.value(QStringLiteral("formulas")).toArray()) {
        kinds << v.toObject().value(QStringLiteral("kind")).toString();
    }
    EXPECT_EQ(kinds, (QStringList{"1D", "1D", "2G"}));
    EXPECT_EQ(listed(QStringLiteral("1D")).size(), 2);
    EXPECT_EQ(listed(QStringLiteral("2G")).size(), 1);
    EXPECT_TRUE(listed(QStringLiteral("2D")).isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("公式更新完毕！"))) << run.err.toStdString();
}

TEST_F(SearchCommandsTest, TuningMovesTheFieldsAndSavesOnlyWhenAsked)
{
    const QStringList tune = {QStringLiteral("tune"),    QStringLiteral("--kind"), QStringLiteral("2D"),
                              QStringLiteral("--sense"), QStringLiteral("kill"),   QStringLiteral("--samples"),
                              QStringLiteral("40"),      QStringLiteral("--seed"), QStringLiteral("1")};
    CliRun run = cliJson(tune);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonArray fields = run.json()
                                  .value(QStringLiteral("kinds"))
                                  .toArray()
                                  .first()
                                  .toObject()
                                  .value(QStringLiteral("thresholds"))
                                  .toArray();
    ASSERT_EQ(fields.size(), 10);
    // The tuning writes slots 0, 3, 4, 7, 8; the others keep the defaults of 十位单选 杀.
    EXPECT_EQ(fields.at(1).toString(), QStringLiteral("100"));
    EXPECT_EQ(fields.at(5).toString(), QStringLiteral("32768"));
    EXPECT_NE(fields.at(0).toString(), QStringLiteral("94.6"));
    QSettings ini(settingsFile(), QSettings::IniFormat);
    EXPECT_FALSE(ini.contains(QStringLiteral("1/0")));

    run = cliJson(tune + QStringList{QStringLiteral("--save")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    ini.sync();
    EXPECT_EQ(ini.value(QStringLiteral("1/0")).toString(), fields.at(0).toString());

    EXPECT_EQ(cli({QStringLiteral("tune"), QStringLiteral("--kind"), QStringLiteral("all"), QStringLiteral("--sense"),
                   QStringLiteral("kill"), QStringLiteral("--samples"), QStringLiteral("20")})
                  .code,
              2);
    EXPECT_EQ(cli({QStringLiteral("tune"), QStringLiteral("--kind"), QStringLiteral("2D"), QStringLiteral("--sense"),
                   QStringLiteral("kill"), QStringLiteral("--samples"), QStringLiteral("5")})
                  .code,
              2);
}

TEST_F(SearchCommandsTest, CtrlCStopsTheSearchAndPrintsWhatItHas)
{
    korvel::cli::requestInterrupt();
    const QJsonObject r = search({QStringLiteral("--kind"), QStringLiteral("1D"), QStringLiteral("--sense"),
                                  QStringLiteral("kill"), QStringLiteral("--candidates"), QStringLiteral("2000000000"),
                                  QStringLiteral("--threads"), QStringLiteral("1")});
    korvel::cli::clearInterrupt();
    EXPECT_EQ(r.value(QStringLiteral("stoppedBy")).toString(), QStringLiteral("interrupt"));
    EXPECT_LT(r.value(QStringLiteral("verified")).toDouble(), 2.0e9);
    EXPECT_EQ(r.value(QStringLiteral("threads")).toInt(), 1);
}

TEST_F(SearchCommandsTest, BadSearchArgumentsAreRefused)
{
    const QStringList base = {QStringLiteral("search"), QStringLiteral("--kind"), QStringLiteral("1D"),
                              QStringLiteral("--sense"), QStringLiteral("kill")};
    for (const QStringList& extra : std::vector<QStringList>{
             {},
             {QStringLiteral("--count"), QStringLiteral("0")},
             {QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--thresholds"), QStringLiteral("90,abc")},
             {QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--operands"), QStringLiteral("25")},
             {QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--form"), QStringLiteral("round")},
             {QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--save"), QStringLiteral("later")},
             {QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--threads"), QStringLiteral("0")},
             {QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--seed"), QStringLiteral("-1")},
             {QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--constant"), QStringLiteral("40000")},
         }) {
        const CliRun run = cli(base + extra);
        EXPECT_EQ(run.code, 2) << extra.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    }
    // No draws: the window's message.
    ASSERT_EQ(cli({QStringLiteral("history"), QStringLiteral("delete"), QStringLiteral("--all")}).code, 0);
    EXPECT_EQ(cli(base + QStringList{QStringLiteral("--count"), QStringLiteral("3")}).code, 2);
}

TEST_F(SearchCommandsTest, AConstantThatIsNotANumberIsZeroAsInTheWindow)
{
    const QJsonObject r =
        search({QStringLiteral("--kind"), QStringLiteral("1D"), QStringLiteral("--sense"), QStringLiteral("kill"),
                QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--seed"), QStringLiteral("7"),
                QStringLiteral("--operands"), QStringLiteral("2"), QStringLiteral("--constant"), QStringLiteral("x"),
                QStringLiteral("--thresholds"), QStringLiteral("0,100")});
    const QStringList found = texts(r);
    ASSERT_EQ(found.size(), 2);
    for (const QString& f : found) {
        EXPECT_TRUE(f.endsWith(QStringLiteral("+0"))) << f.toStdString();
        EXPECT_EQ(f.count(QLatin1Char('+')), 2) << f.toStdString();
    }
}

} // namespace
} // namespace korvel::test
