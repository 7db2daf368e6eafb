#include "search/CandidateSpace.h"
#include "search/SearchJobs.h"
#include "search/SearchKind.h"
#include "search/SearchRunner.h"
#include "support/SyntheticHistory.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace korvel {
namespace {

CandidateRule rule(int operands, ConstantMode mode, int constant = 0, int maxLag = 0)
{
    CandidateRule r;
    r.operandCount = operands;
    r.constantMode = mode;
    r.specifiedValue = static_cast<std::int16_t>(constant);
    r.maxLag = maxLag;
    return r;
}

TEST(CandidateSpace, CountsEveryOrderOfASumOnce)
{
    // Multisets of k of the 77 parameters: C(77 + k - 1, k).
    EXPECT_EQ(CandidateSpace(rule(1, ConstantMode::Specified, 3)).size(), 77u);
    EXPECT_EQ(CandidateSpace(rule(2, ConstantMode::Specified, 3)).size(), 3003u);          // 78 * 77 / 2
    EXPECT_EQ(CandidateSpace(rule(2, ConstantMode::Random)).size(), 30030u);               // ten constants
    EXPECT_EQ(CandidateSpace(rule(3, ConstantMode::Specified)).size(), 79u * 78 * 77 / 6); // 79079
    // One earlier draw doubles the parameters: C(155, 2).
    EXPECT_EQ(CandidateSpace(rule(2, ConstantMode::Specified, 0, 1)).size(), 155u * 154 / 2);
    // Eight operands: C(84, 8) = 43 595 145 594 (beyond the default exhaustive limit); 24 operands of 770
    // codes with ten constants stay countable approximately.
    EXPECT_EQ(CandidateSpace(rule(8, ConstantMode::Specified)).size(), 43'595'145'594ull);
    const CandidateSpace huge(rule(24, ConstantMode::Random, 0, 9));
    EXPECT_EQ(huge.size(), UINT64_MAX);
    EXPECT_GT(huge.approximateSize(), 1e40);
    EXPECT_TRUE(spaceSizeText(huge).startsWith(QStringLiteral("约 ")));
}

TEST(CandidateSpace, EnumerationVisitsEachCandidateOnceInOrder)
{
    const CandidateSpace space(rule(2, ConstantMode::Random));
    std::set<std::uint64_t> keys;
    std::set<std::tuple<int, int, int>> seen;
    CandidateSpace::Cursor c = space.begin();
    std::uint64_t visited = 0;
    std::tuple<int, int, int> previous{-1, -1, -1};
    while (!c.done) {
        const Candidate& x = c.next;
        ASSERT_LE(x.operands[0], x.operands[1]); // one order per sum
        const std::tuple<int, int, int> t{x.operands[0], x.operands[1], x.constant};
        ASSERT_LT(previous, t); // increasing: the fixed order
        previous = t;
        seen.insert(t);
        keys.insert(CandidateSpace::key(x));
        ++visited;
        space.advance(c);
    }
    EXPECT_EQ(visited, 30030u);
    EXPECT_EQ(seen.size(), 30030u);
    EXPECT_EQ(keys.size(), 30030u); // the key tells every candidate apart
    EXPECT_EQ(std::get<0>(previous), 77);
    EXPECT_EQ(std::get<2>(previous), 9);
}

TEST(CandidateSpace, KeyIgnoresTheOrderOfOperandsOnly)
{
    Candidate a;
    a.operandCount = 3;
    a.operands = {5, 9, 77};
    a.constant = 3;
    Candidate b = a;
    b.operands = {77, 5, 9};
    EXPECT_EQ(CandidateSpace::key(a), CandidateSpace::key(b));
    b.constant = 4;
    EXPECT_NE(CandidateSpace::key(a), CandidateSpace::key(b));
    b = a;
    b.operands[2] = operandCode(77, 1); // 上期 of the same parameter is another operand
    EXPECT_NE(CandidateSpace::key(a), CandidateSpace::key(b));

    TriedSet tried;
    EXPECT_TRUE(tried.insert(CandidateSpace::key(a)));
    EXPECT_FALSE(tried.insert(CandidateSpace::key(a)));
    EXPECT_TRUE(tried.insert(0)); // key 0 is a key like any other
    EXPECT_FALSE(tried.insert(0));
    for (std::uint64_t k = 2; k < 5000; ++k) {
        ASSERT_TRUE(tried.insert(k * 0x9E3779B97F4A7C15ull));
    }
    EXPECT_EQ(tried.size(), 5000u);
    EXPECT_FALSE(tried.insert(CandidateSpace::key(a))); // still there after growing
}

// The set doubles in place many times over: every key stays found, a copy holds the same keys, and keys
// not inserted are new; crowded starts (consecutive keys share groups of slots) as well as spread ones.
TEST(CandidateSpace, TriedSetKeepsEveryKeyAsItGrows)
{
    std::mt19937_64 rnd(20261209);
    std::vector<std::uint64_t> keys;
    for (std::uint64_t k = 1; k <= 3000; ++k) {
        keys.push_back(k);
    }
    for (int i = 0; i < 900000; ++i) {
        keys.push_back(rnd() | 1);
    }
    TriedSet tried;
    for (std::uint64_t k : keys) {
        ASSERT_TRUE(tried.insert(k)) << k;
    }
    EXPECT_EQ(tried.size(), keys.size());
    const TriedSet copy = tried;
    for (std::uint64_t k : keys) {
        ASSERT_FALSE(tried.insert(k)) << k;
    }
    TriedSet second = copy;
    std::size_t fresh = 0;
    for (int i = 0; i < 1000; ++i) {
        fresh += second.insert(rnd() & ~std::uint64_t{1}) ? 1 : 0; // even: none of the random keys above
    }
    EXPECT_EQ(fresh, 1000u);
    for (std::size_t i = 0; i < keys.size(); i += 97) {
        ASSERT_FALSE(second.insert(keys[i])) << keys[i];
    }
    EXPECT_EQ(tried.size(), keys.size());
}

// A whole run of the runner over a space: every candidate handed to the job exactly once, with any number
// of threads, whether the space is enumerated or sampled.
class CountingJob : public SearchJob {
public:
    CountingJob(KernelDataPtr data, SearchStage stage)
        : m_kernel(std::move(data), *formulaKindOf(1), false), m_stage(stage)
    {
        m_phase.kernel = &m_kernel;
        m_phase.rule = stage.rule;
        m_phase.space = stage.space.get();
    }
    const SearchPhase* phase() const override { return m_ended ? nullptr : &m_phase; }
    Verdict take(const Candidate& c, const FormulaFigures&) override
    {
        order.push_back(CandidateSpace::key(c));
        return Verdict::Continue;
    }
    Verdict exhausted() override
    {
        m_ended = true;
        ++exhaustedCalls;
        return Verdict::Finished;
    }

    std::vector<std::uint64_t> order;
    int exhaustedCalls = 0;

private:
    VerificationKernel m_kernel;
    SearchStage m_stage;
    SearchPhase m_phase;
    bool m_ended = false;
};

TEST(CandidateSpace, AHugeSpaceMeasuresItsRepeatsOnASampleOfKeysInsteadOfExcludingThem)
{
    // Two operands sampled: repeats are common there, so they are excluded as ever.
    SpaceProgress small(CandidateSpace(rule(2, ConstantMode::Specified, 3)), 0);
    ASSERT_FALSE(small.exhaustive);
    EXPECT_FALSE(small.measuredRepeats);
    EXPECT_TRUE(small.takeSampled(7));
    EXPECT_FALSE(small.takeSampled(7));
    EXPECT_EQ(small.repeats, 1u);
    EXPECT_EQ(small.covered, 1u);

    // Eight operands with every constant: every draw goes on, and the repeats are counted on the keys of
    // the sample (top six bits zero), which alone enter the set.
    SpaceProgress huge(CandidateSpace(rule(8, ConstantMode::Random, 0)), kDefaultExhaustiveLimit);
    ASSERT_FALSE(huge.exhaustive);
    ASSERT_TRUE(huge.measuredRepeats);
    const std::uint64_t outside = std::uint64_t{1} << 60;
    for (std::uint64_t k = 1; k <= 300; ++k) {
        ASSERT_TRUE(huge.takeSampled(k));           // in the sample
        ASSERT_TRUE(huge.takeSampled(outside + k)); // not in it
    }
    for (std::uint64_t k = 1; k <= 100; ++k) {
        ASSERT_TRUE(huge.takeSampled(k)); // a repeat in the sample still goes on
        ASSERT_TRUE(huge.takeSampled(outside + k));
    }
    EXPECT_EQ(huge.covered, 800u);
    EXPECT_EQ(huge.sampleDraws, 400u);
    EXPECT_EQ(huge.sampleRepeats, 100u);
    EXPECT_EQ(huge.repeats, 0u);
    EXPECT_EQ(huge.tried.size(), 300u);
    EXPECT_TRUE(spaceProgressText(huge).endsWith(QStringLiteral("，重复率 25.0000%")))
        << spaceProgressText(huge).toStdString();
}

TEST(CandidateSpace, RunnerHandsOverTheWholeSpaceOnceWithAnyThreadCount)
{
    const auto data = std::make_shared<const KernelData>(test::syntheticHistory(120, 3, false), 100, false);
    for (const std::uint64_t limit : {std::uint64_t{50'000'000}, std::uint64_t{0}}) {
        std::vector<std::uint64_t> first;
        for (int threads : {1, 2, 3}) {
            const SearchStage stage = stageOf(rule(2, ConstantMode::Specified, 3), limit);
            CountingJob job(data, stage);
            CandidateGenerator generator(77);
            SearchRunner runner(threads);
            runner.start(job, generator);
            ASSERT_TRUE(runner.waitFinished(60000));
            runner.pause();
            const std::set<std::uint64_t> distinct(job.order.begin(), job.order.end());
            EXPECT_EQ(job.order.size(), 3003u) << "limit " << limit << " threads " << threads;
            EXPECT_EQ(distinct.size(), 3003u);
            EXPECT_EQ(job.exhaustedCalls, 1);
            EXPECT_EQ(stage.space->covered, 3003u);
            EXPECT_TRUE(stage.space->complete());
            if (limit == 0) {
                EXPECT_FALSE(stage.space->exhaustive);
                EXPECT_GT(stage.space->repeats, 0u); // sampling 3003 to the end draws repeats, never hands them on
            }
            if (first.empty()) {
                first = job.order;
            } else {
                EXPECT_EQ(job.order, first) << "the same order with " << threads << " threads";
            }
        }
    }
}

TEST(CandidateSpace, PauseAndStartContinueTheEnumeration)
{
    const auto data = std::make_shared<const KernelData>(test::syntheticHistory(120, 4, false), 100, false);
    const SearchStage stage = stageOf(rule(2, ConstantMode::Specified, 0));
    CountingJob job(data, stage);
    CandidateGenerator generator(1);
    SearchRunner runner(2);
    runner.start(job, generator);
    runner.pause(); // at once, probably in the middle
    const std::size_t before = job.order.size();
    EXPECT_EQ(stage.space->cursor.position, before);
    runner.start(job, generator);
    ASSERT_TRUE(runner.waitFinished(60000));
    runner.pause();
    const std::set<std::uint64_t> distinct(job.order.begin(), job.order.end());
    EXPECT_EQ(job.order.size(), 3003u);
    EXPECT_EQ(distinct.size(), 3003u);
}

} // namespace
} // namespace korvel
