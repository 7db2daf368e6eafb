#include "search/SearchRunner.h"
#include "search/SearchJobs.h"
#include "search/SearchKind.h"

#include "support/TestData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace korvel {
namespace {

const HistorySnapshot& history()
{
    static const HistorySnapshot s = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv")));
    return s;
}

KernelDataPtr data300()
{
    static const KernelDataPtr d = std::make_shared<KernelData>(history(), 300, true);
    return d;
}

KernelDataPtr dataAll()
{
    static const KernelDataPtr d = std::make_shared<KernelData>(history(), 0, true);
    return d;
}

// Rate bounds only: a few percent of the candidates qualify.
Thresholds rateAtLeast(const char* low)
{
    return Thresholds::fromTexts({low, "100", "0", "32768", "0", "32768", "0", "32768", "0", "32768"});
}

Thresholds loose()
{
    return rateAtLeast("94");
}

std::vector<QString> texts(const SearchRecord& r)
{
    std::vector<QString> out;
    for (const FoundFormula& f : r.found) {
        out.push_back(f.kind.shortName() + QLatin1Char(':') + f.displayText);
    }
    return out;
}

struct ManualRun {
    SearchRecord record;
    std::int64_t verified = 0;
};

ManualRun runManual(int threads, std::uint64_t seed, double stopAt, const KernelDataPtr& data = data300(),
                    const Thresholds& t = loose())
{
    ManualRun run;
    CandidateGenerator gen(seed);
    ManualSearchJob job(run.record, data, FormulaKind{1, Play::Single}, true, {8, ConstantMode::Random, 0}, t,
                        DisplayForm::Bracket, stopAt);
    SearchRunner runner(threads);
    runner.start(job, gen);
    EXPECT_TRUE(runner.waitFinished(60000));
    runner.pause();
    EXPECT_EQ(job.reason(), StopReason::AutoStop);
    run.verified = run.record.verified;
    return run;
}

TEST(SearchRunnerTest, SeededManualSearchIsTheSequentialLoopWithAnyThreadCount)
{
    // What a plain loop over one generator finds: the reference for every thread count.
    const VerificationKernel kernel(data300(), FormulaKind{1, Play::Single}, true);
    CandidateGenerator gen(77);
    KernelScratch scratch;
    std::vector<QString> expected;
    std::int64_t built = 0;
    while (expected.size() < 60) {
        const Candidate c = gen.next({8, ConstantMode::Random, 0});
        ++built;
        if (qualifies(kernel.figures(c, scratch), loose())) {
            expected.push_back(QStringLiteral("1D:") +
                               candidateText(c, FormulaKind{1, Play::Single}, true, DisplayForm::Bracket));
        }
    }
    ASSERT_GT(built, 300); // the thresholds do reject most candidates

    for (int threads : {1, 2, 3}) {
        const ManualRun run = runManual(threads, 77, 60);
        EXPECT_EQ(texts(run.record), expected) << threads << " threads";
        EXPECT_EQ(run.verified, built) << threads << " threads"; // stopped right after the 60th
        EXPECT_EQ(run.record.lines.size(), 60);
    }
    // Another seed finds other formulas.
    EXPECT_NE(texts(runManual(2, 78, 60).record), expected);
}

TEST(SearchRunnerTest, PauseAndContinueResumeTheSameSequence)
{
    // Over all draws, so that the run lasts long enough to be paused many times.
    const ManualRun whole = runManual(2, 5, 600, dataAll(), rateAtLeast("90.5"));

    SearchRecord record;
    CandidateGenerator gen(5);
    ManualSearchJob job(record, dataAll(), FormulaKind{1, Play::Single}, true, {8, ConstantMode::Random, 0},
                        rateAtLeast("90.5"), DisplayForm::Bracket, 600);
    SearchRunner runner(2);
    int pauses = 0;
    runner.start(job, gen);
    while (!runner.waitFinished(1)) {
        runner.pause(); // at once: mid-batch, work in flight is dropped
        if (runner.state() == SearchRunner::State::Finished) {
            break; // the run ended between the wait and the pause
        }
        ++pauses;
        ASSERT_EQ(runner.state(), SearchRunner::State::Idle);
        const auto seen = record.verified;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(record.verified, seen); // nothing moves while paused
        runner.start(job, gen);
    }
    runner.pause();
    EXPECT_GT(pauses, 0);
    EXPECT_EQ(texts(record), texts(whole.record));
    EXPECT_EQ(record.verified, whole.verified);
}

TEST(SearchRunnerTest, SchemePhasesAreIdenticalWithOneAndTwoThreads)
{
    SchemeSettings scheme;
    scheme.setMode(QuotaMode::Add);
    scheme.quotas = {"7", "0", "5", "0", "9", "4"}; // kind 2 asks for nothing and is skipped
    std::map<int, KindPlan> plans;
    for (int kind : kSearchedKindNumbers) {
        // Different operand counts per kind: a phase change must switch the candidate shape exactly.
        plans[kind] = KindPlan{{kind + 2, ConstantMode::Random, 0},
                               Thresholds::fromTexts({kind > 3 ? "60" : "88", "100", "0", "32768", "0", "32768", "0",
                                                      "32768", "0", "32768"})};
    }
    std::vector<std::vector<QString>> results;
    std::vector<std::int64_t> verified;
    for (int threads : {1, 2}) {
        SearchRecord record;
        CandidateGenerator gen(2024);
        SchemeSearchJob job(record, data300(), true, SchemeWalk(scheme, KindCounts{}), plans, DisplayForm::Equation);
        SearchRunner runner(threads);
        runner.start(job, gen);
        ASSERT_TRUE(runner.waitFinished(60000));
        runner.pause();
        EXPECT_EQ(job.reason(), StopReason::SchemeDone);
        EXPECT_EQ(job.walk().kind(), kSchemeFinished);
        results.push_back(texts(record));
        verified.push_back(record.verified);
        EXPECT_EQ(record.acceptedPerKind, (std::array<int, 6>{7, 0, 5, 0, 9, 4}));
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(verified[0], verified[1]);
    ASSERT_EQ(results[0].size(), 25u);
    // In scheme order, each kind with its own operand count (kind + 2 operands: kind + 2 "+" signs).
    EXPECT_TRUE(results[0][0].startsWith(QStringLiteral("1D:")));
    EXPECT_EQ(results[0][0].count(QLatin1Char('+')), 3);
    EXPECT_TRUE(results[0][7].startsWith(QStringLiteral("3D:")));
    EXPECT_EQ(results[0][7].count(QLatin1Char('+')), 5);
    EXPECT_TRUE(results[0][12].startsWith(QStringLiteral("2G:")));
    EXPECT_TRUE(results[0][12].endsWith(QStringLiteral("=下期杀十位通选")));
    EXPECT_TRUE(results[0][24].startsWith(QStringLiteral("3G:")));
}

TEST(SearchRunnerTest, StopsAtTheFoundLimit)
{
    SearchRecord record;
    // Almost full: a few more and the limit is reached, whatever the automatic stop says.
    record.found.resize(kMaxFound - 3);
    CandidateGenerator gen(1);
    ManualSearchJob job(record, data300(), FormulaKind{1, Play::Single}, true, {8, ConstantMode::Random, 0},
                        Thresholds::fromTexts({"0", "100", "0", "32768", "0", "32768", "0", "32768", "0", "32768"}),
                        DisplayForm::Bracket, std::nullopt);
    SearchRunner runner(2);
    runner.start(job, gen);
    ASSERT_TRUE(runner.waitFinished(60000));
    runner.pause();
    EXPECT_EQ(job.reason(), StopReason::Full);
    EXPECT_EQ(static_cast<int>(record.found.size()), kMaxFound);
    EXPECT_EQ(record.verified, 3); // every candidate qualifies with these bounds

    // Starting again with full results does nothing.
    ManualSearchJob again(record, data300(), FormulaKind{1, Play::Single}, true, {8, ConstantMode::Random, 0}, loose(),
                          DisplayForm::Bracket, std::nullopt);
    runner.start(again, gen);
    EXPECT_EQ(runner.state(), SearchRunner::State::Finished);
    EXPECT_EQ(again.reason(), StopReason::Full);
    runner.pause();
    EXPECT_EQ(static_cast<int>(record.found.size()), kMaxFound);
}

} // namespace
} // namespace korvel
