#include "CliTestSupport.h"

#include "formula/Expression.h"
#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "search/Candidate.h"
#include "search/VerificationKernel.h"
#include "tally/TallyRun.h"
#include "verify/Evaluation.h"
#include "verify/FormulaFigures.h"

#include <QJsonArray>

namespace korvel::test {
namespace {

// What the command line prints, next to the core's own calls on the same formula.mdb: the statistics,
// the tally and a seeded search on the first 2000 real draws.
class CoreAgreementTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        importRealDraws(QStringLiteral("fc3d_draws.tsv"), 2000);
        for (const char* text :
             {"[百位单选杀]百位码+和数+5", "[百位单选杀]十位码*3+个位码", "[百位单选杀]跨度-个位码+7",
              "[百位单选杀]百位码/2+十位码", "[百位单选杀]和数 MOD 7+百位码", "[十位单选杀]十位码+跨度",
              "[十位单选杀]百位码+个位码+1", "[个位单选杀]个位码+和数"}) {
            ASSERT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QString::fromUtf8(text)}).code, 0) << text;
        }
    }

    // The core's view of the data folder, opened after the command line has closed it.
    struct Core {
        Database db;
        HistoryStore history{db};
        FormulaStore store{db};
    };
    std::unique_ptr<Core> openCore() const
    {
        auto core = std::make_unique<Core>();
        EXPECT_EQ(core->db.open(dataDir() + QStringLiteral("/formula.mdb"), drawTableSchema()),
                  Database::OpenResult::Opened);
        EXPECT_TRUE(core->history.reload());
        return core;
    }
};

TEST_F(CoreAgreementTest, StatisticsAreTheCoreFigures)
{
    const struct {
        QStringList options;
        FigureSettings figures;
        const char* rateHeader;
    } passes[] = {
        {{}, {300, true, true}, "正确率（加权算法）"},
        {{QStringLiteral("--window"), QStringLiteral("all"), QStringLiteral("--plain")}, {0, true, false}, "正确率"},
        {{QStringLiteral("--window"), QStringLiteral("1000"), QStringLiteral("--include-current")},
         {1000, false, true},
         "正确率（加权算法）"},
    };
    for (const auto& pass : passes) {
        const CliRun run = cliJson(QStringList{QStringLiteral("stats"), QStringLiteral("--kind"), QStringLiteral("3D"),
                                               QStringLiteral("--sense"), QStringLiteral("kill")} +
                                   pass.options);
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        const QJsonArray rows = run.json().value(QStringLiteral("formulas")).toArray();

        const auto core = openCore();
        const SnapshotPtr history = core->history.snapshot();
        const std::vector<Formula> formulas = core->store.list(FormulaKind{3, Play::Single}, true);
        ASSERT_EQ(rows.size(), static_cast<qsizetype>(formulas.size()));
        for (std::size_t i = 0; i < formulas.size(); ++i) {
            const Formula& f = formulas[i];
            const Expression e = Expression::compile(f.expressionText);
            const FormulaStats s = formulaFigures(*history, e, FormulaKind{3, Play::Single}, true, pass.figures).stats;
            const QJsonObject row = rows[static_cast<qsizetype>(i)].toObject();
            const std::string where = f.expressionText.toStdString() + " " + pass.rateHeader;
            EXPECT_EQ(row.value(QStringLiteral("gongshi")).toString(), f.expressionText);
            EXPECT_EQ(row.value(QString::fromUtf8(pass.rateHeader)).toString(), rateText(s)) << where;
            EXPECT_EQ(row.value(QStringLiteral("最大连错")).toString(), QString::number(s.errCon)) << where;
            EXPECT_EQ(row.value(QStringLiteral("最大连对")).toString(), QString::number(s.trueCon)) << where;
            EXPECT_EQ(row.value(QStringLiteral("最后连错")).toString(), QString::number(s.errLst)) << where;
            EXPECT_EQ(row.value(QStringLiteral("最后连对")).toString(), QString::number(s.trueLst)) << where;
            const std::optional<int> next = NextValue(*history, e);
            EXPECT_EQ(row.value(QStringLiteral("计算值")).toString(), next ? QString::number(*next) : QString())
                << where;
            // The pass wrote its figures back to the table.
            EXPECT_FLOAT_EQ(f.stats.rate, s.rate) << where;
        }
    }
}

TEST_F(CoreAgreementTest, TallyIsTheCoreTally)
{
    for (const char* mode : {"next", "verify"}) {
        QStringList args = {QStringLiteral("compute"), QStringLiteral("--position"), QStringLiteral("3"),
                            QStringLiteral("--method"), QStringLiteral("selected")};
        if (QLatin1String(mode) == QLatin1String("verify")) {
            args << QStringLiteral("--issue") << QStringLiteral("2009150");
        }
        const CliRun run = cliJson(args);
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        const QJsonArray pages = run.json().value(QStringLiteral("pages")).toArray();
        ASSERT_EQ(pages.size(), 3);

        const auto core = openCore();
        TallyChoice choice;
        choice.position = 3;
        choice.method = TallyMethod::Selected;
        choice.mode = QLatin1String(mode) == QLatin1String("verify") ? TallyMode::Verify : TallyMode::Next;
        TallySet tally;
        const TallyOutcome outcome = ComputeTally(
            choice, QStringLiteral("2009150"), *core->history.snapshot(), formulaSourceOf(core->store),
            [](const FormulaKind&, int) { return true; }, std::nullopt, tally);
        ASSERT_TRUE(outcome.done());
        int counted = 0;
        for (int slot = 1; slot <= 3; ++slot) {
            std::array<int, 10> printed{};
            printed.fill(-1);
            for (const QJsonValue& v : pages[slot - 1].toObject().value(QStringLiteral("rows")).toArray()) {
                const QJsonObject r = v.toObject();
                printed[static_cast<std::size_t>(r.value(QStringLiteral("num")).toInt())] =
                    r.value(QStringLiteral("ETrrcount")).toInt();
            }
            for (int d = 0; d < 10; ++d) {
                EXPECT_EQ(printed[static_cast<std::size_t>(d)],
                          tally.senseCount[static_cast<std::size_t>(slot)][static_cast<std::size_t>(d)])
                    << mode << " slot " << slot << " digit " << d;
                counted += tally.senseCount[static_cast<std::size_t>(slot)][static_cast<std::size_t>(d)];
            }
        }
        EXPECT_GT(counted, 0) << mode; // the formulas named digits
    }
}

TEST_F(CoreAgreementTest, SeededSearchIsTheSequentialLoopOfTheCore)
{
    // 十位单选 杀, a rate of at least 95 over the default window of 300 draws, the stored 8 operands, constant 0.
    const QString thresholds = QStringLiteral("95,100,0,32768,0,32768,0,32768,0,32768");
    const int candidates = 30011;
    std::vector<QStringList> printed;
    for (const char* threads : {"1", "2"}) {
        const CliRun run =
            cliJson({QStringLiteral("search"), QStringLiteral("--kind"), QStringLiteral("2D"),
                     QStringLiteral("--sense"), QStringLiteral("kill"), QStringLiteral("--candidates"),
                     QString::number(candidates), QStringLiteral("--seed"), QStringLiteral("11"),
                     QStringLiteral("--threads"), QLatin1String(threads), QStringLiteral("--thresholds"), thresholds});
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        const QJsonObject r = run.json();
        EXPECT_EQ(r.value(QStringLiteral("verified")).toInt(), candidates);
        EXPECT_EQ(r.value(QStringLiteral("stoppedBy")).toString(), QStringLiteral("candidates"));
        QStringList found;
        for (const QJsonValue& v : r.value(QStringLiteral("formulas")).toArray()) {
            found << v.toObject().value(QStringLiteral("gongshi")).toString();
        }
        printed.push_back(found);
    }
    EXPECT_EQ(printed[0], printed[1]);

    const auto core = openCore();
    const SnapshotPtr history = core->history.snapshot();
    const FormulaKind kind{2, Play::Single};
    const VerificationKernel kernel(std::make_shared<KernelData>(*history, 300, true), kind, true);
    const Thresholds t = Thresholds::fromTexts({"95", "100", "0", "32768", "0", "32768", "0", "32768", "0", "32768"});
    CandidateGenerator generator(11);
    KernelScratch scratch;
    QStringList expected;
    for (int i = 0; i < candidates; ++i) {
        const Candidate c = generator.next({8, ConstantMode::Specified, 0});
        if (qualifies(kernel.figures(c, scratch), t)) {
            expected << candidateExpression(c);
        }
    }
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(printed[0], expected);
    // And each of them, through the general evaluator, has the rate the thresholds ask for.
    for (const QString& g : expected.mid(0, 5)) {
        const FormulaStats s =
            formulaFigures(*history, Expression::compile(g), kind, true, FigureSettings{300, false, true}).stats;
        EXPECT_GE(s.rate, 95.0f) << g.toStdString();
    }
}

} // namespace
} // namespace korvel::test
