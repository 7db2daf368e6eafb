#include "search/SearchJobs.h"
#include "search/SearchRunner.h"

#include "support/TestData.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

// Thresholds that let a few percent of the candidates of 个位单选 杀 through.
Thresholds rateAtLeast94()
{
    return Thresholds::fromTexts({"94", "100", "0", "32768", "0", "32768", "0", "32768", "0", "32768"});
}

struct LimitedRun {
    std::int64_t verified = 0;
    std::vector<QString> found;
    StopReason reason = StopReason::None;
};

LimitedRun runLimited(const KernelDataPtr& data, int threads, std::int64_t limit)
{
    LimitedRun run;
    SearchRecord record;
    CandidateGenerator gen(2024);
    ManualSearchJob job(record, data, FormulaKind{1, Play::Single}, true, {8, ConstantMode::Random, 0}, rateAtLeast94(),
                        DisplayForm::Bracket, std::nullopt, limit);
    SearchRunner runner(threads);
    runner.start(job, gen);
    EXPECT_TRUE(runner.waitFinished(60000));
    runner.pause();
    run.verified = record.verified;
    run.reason = job.reason();
    for (const FoundFormula& f : record.found) {
        run.found.push_back(f.expressionText);
    }
    return run;
}

TEST(CandidateLimitTest, TheManualSearchEndsAtTheLimitWhateverTheThreadCount)
{
    const HistorySnapshot history = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 1500));
    const auto data = std::make_shared<KernelData>(history, 300, true);
    // Not a multiple of any batch size, so that the last batch is cut.
    const LimitedRun one = runLimited(data, 1, 20011);
    EXPECT_EQ(one.reason, StopReason::CandidateLimit);
    EXPECT_EQ(one.verified, 20011);
    EXPECT_FALSE(one.found.empty());
    const LimitedRun three = runLimited(data, 3, 20011);
    EXPECT_EQ(three.verified, 20011);
    EXPECT_EQ(three.found, one.found);
    // A shorter limit finds a prefix of the same results.
    const LimitedRun shorter = runLimited(data, 2, 5000);
    EXPECT_EQ(shorter.verified, 5000);
    ASSERT_LE(shorter.found.size(), one.found.size());
    EXPECT_TRUE(std::equal(shorter.found.begin(), shorter.found.end(), one.found.begin()));
}

} // namespace
} // namespace korvel
