#include "gui/tally/RankingJob.h"

#include "support/TestData.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace korvel {
namespace {

std::vector<Formula> manyFormulas(int count)
{
    std::vector<Formula> out;
    for (int i = 0; i < count; ++i) {
        Formula f;
        f.idx = i + 1;
        f.expressionText = QStringLiteral("L1A*%1+L2A*L3A+%2").arg(i % 97 + 1).arg(i);
        f.displayText = f.expressionText;
        out.push_back(f);
    }
    return out;
}

std::optional<bool> waitForFinish(RankingJob& job)
{
    std::optional<bool> complete;
    QEventLoop loop;
    QObject::connect(&job, &RankingJob::finished, &loop, [&](bool c) {
        complete = c;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return complete;
}

TEST(RankingJob, StopEndsTheWorkerLongBeforeTheLastFormulaAndGivesNoResult)
{
    auto snapshot =
        std::make_shared<const HistorySnapshot>(test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"))));
    const int formulas = 40000; // seconds of work when nothing stops it
    RankingJob job(snapshot, manyFormulas(formulas), true);
    job.start();
    job.stop();
    QElapsedTimer clock;
    clock.start();
    const std::optional<bool> complete = waitForFinish(job);
    ASSERT_TRUE(complete.has_value());
    EXPECT_FALSE(*complete);
    EXPECT_TRUE(job.stopRequested());
    // The worker looked at the stop request and left: it did not rank every formula.
    EXPECT_LT(job.done(), formulas / 10);
    EXPECT_TRUE(job.takeStore().issues.empty());
}

TEST(RankingJob, AJobLeftAloneRanksEveryDraw)
{
    auto snapshot = std::make_shared<const HistorySnapshot>(
        test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 200)));
    RankingJob job(snapshot, manyFormulas(20), false);
    job.start();
    const std::optional<bool> complete = waitForFinish(job);
    ASSERT_TRUE(complete.has_value());
    EXPECT_TRUE(*complete);
    EXPECT_EQ(job.done(), job.total());
    const RankingStore store = job.takeStore();
    EXPECT_EQ(store.issues.size(), 200u);
    EXPECT_EQ(store.formulaCount, 20);
}

} // namespace
} // namespace korvel
