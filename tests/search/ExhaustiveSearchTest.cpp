#include "search/SearchSession.h"
#include "search/SearchTestHost.h"
#include "search/WalkForwardSearch.h"
#include "support/SyntheticHistory.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

namespace korvel {
namespace {

using test::Host;

SnapshotPtr shared(HistorySnapshot s)
{
    return std::make_shared<const HistorySnapshot>(std::move(s));
}

// A manual search of 个位 over a given history: two operands, constant 3, keep at 90 % or better.
struct Search {
    Search(SnapshotPtr history, int threads, std::uint64_t seed = 7)
        : host(dir.path(), std::move(history)), session(host, threads)
    {
        session.setSeed(seed);
        session.open();
        session.setKill(false);
        const std::array<QString, kThresholdSlots> t = {"90",    "100", "0",     "32768", "0",
                                                        "32768", "0",   "32768", "0",     "32768"};
        for (int i = 0; i < kThresholdSlots; ++i) {
            session.setThresholdField(i, t[static_cast<std::size_t>(i)]);
        }
        session.setOperandCount(2);
        session.setConstantText(QStringLiteral("3"));
    }
    SearchProgress run()
    {
        EXPECT_TRUE(session.startManual());
        return session.waitForRun(60000);
    }

    QTemporaryDir dir;
    Host host;
    SearchSession session;
};

TEST(ExhaustiveSearch, FindsThePlantedFormulaAndStopsByItselfWithTheSpaceTried)
{
    const SnapshotPtr planted = shared(test::syntheticHistory(400, 3, true));
    Search s(planted, 2);
    EXPECT_EQ(s.session.candidateSpace().size(), 3003u);
    const SearchProgress p = s.run();
    EXPECT_FALSE(p.running);
    EXPECT_EQ(p.reason, StopReason::SpaceExhausted);
    EXPECT_EQ(p.verified, 3003); // every sum of two parameters once, A+B and B+A counted once
    ASSERT_TRUE(p.hasSpace);
    EXPECT_TRUE(p.exhaustive);
    EXPECT_DOUBLE_EQ(p.spaceShare, 1.0);
    // 个位 = previous 百位 + 3: L1A + NF + 3 keeps it on every draw (年份 is 0 mod 10 here).
    const std::vector<FoundFormula> found = s.session.foundFormulas();
    std::set<QString> expressions;
    for (const FoundFormula& f : found) {
        expressions.insert(f.expressionText);
    }
    EXPECT_EQ(expressions.size(), found.size()); // found once each
    EXPECT_TRUE(expressions.count(QStringLiteral("L1A+NF+3"))) << found.size();
    EXPECT_EQ(p.exhaustedText, QStringLiteral("已检索全部 3003 个候选公式，合格 %1 条").arg(found.size()));
    ASSERT_FALSE(s.host.fakeDialogs.calls().empty());
    EXPECT_EQ(s.host.fakeDialogs.calls().back().text, p.exhaustedText); // told when it ends

    // The same settings again: the tried space starts over, nothing already found is listed again.
    const SearchProgress again = s.run();
    EXPECT_EQ(again.reason, StopReason::SpaceExhausted);
    EXPECT_EQ(again.verified, 3003);
    EXPECT_EQ(s.session.foundFormulas().size(), found.size());
    EXPECT_EQ(again.exhaustedText, QStringLiteral("已检索全部 3003 个候选公式，合格 0 条"));
}

TEST(ExhaustiveSearch, RandomDigitsExhaustTheSpaceWithWhatChanceSelects)
{
    // Keep at 90 % over 300 random draws: chance gives about 10 %, so nothing qualifies.
    Search s(shared(test::syntheticHistory(400, 5, false)), 2);
    const SearchProgress p = s.run();
    EXPECT_EQ(p.reason, StopReason::SpaceExhausted);
    EXPECT_EQ(p.verified, 3003);
    EXPECT_EQ(p.found, 0);
    EXPECT_EQ(p.exhaustedText, QStringLiteral("已检索全部 3003 个候选公式，合格 0 条"));
}

TEST(ExhaustiveSearch, TheSameSeedFindsTheSameFormulasWithAnyThreadCount)
{
    const SnapshotPtr planted = shared(test::syntheticHistory(400, 3, true));
    // Enumerated (2 operands) and sampled without repeats (8 operands, stopped by a candidate limit).
    for (int operands : {2, 8}) {
        std::vector<QString> first;
        for (int threads : {1, 2, 4}) {
            Search s(planted, threads, 99);
            s.session.setOperandCount(operands);
            s.session.setThresholdField(0, QStringLiteral("14"));
            s.session.setCandidateLimit(20000);
            const SearchProgress p = s.run();
            EXPECT_EQ(p.exhaustive, operands == 2);
            std::vector<QString> got;
            for (const FoundFormula& f : s.session.foundFormulas()) {
                got.push_back(f.expressionText);
            }
            if (first.empty()) {
                first = got;
                EXPECT_FALSE(first.empty());
            } else {
                EXPECT_EQ(got, first) << operands << " operands, " << threads << " threads";
            }
        }
    }
}

TEST(ExhaustiveSearch, EarlierDrawsWidenTheSpaceAndFindTheirFormulas)
{
    // With 上期 allowed, 上期百位码 names the draw before the evaluated one: Prev1(L1A) + NF + 3 predicts the
    // planted 个位 two draws late, which the random digits do not repeat: it must not qualify, while the
    // plain L1A + NF + 3 still does.
    Search s(shared(test::syntheticHistory(400, 3, true)), 2);
    s.session.setMaxLag(1);
    EXPECT_EQ(s.session.candidateSpace().size(), 155u * 154 / 2);
    const SearchProgress p = s.run();
    EXPECT_EQ(p.reason, StopReason::SpaceExhausted);
    EXPECT_EQ(p.verified, 11935);
    bool plain = false;
    for (const FoundFormula& f : s.session.foundFormulas()) {
        plain = plain || f.expressionText == QStringLiteral("L1A+NF+3");
        EXPECT_FALSE(f.expressionText.contains(QStringLiteral("Prev1(L1A)"))) << f.expressionText.toStdString();
    }
    EXPECT_TRUE(plain);
    EXPECT_EQ(storedMaxLag(s.host.settings()), 1); // the window's setting is stored
}

TEST(ExhaustiveSearch, WalkForwardTriesTheSmallSpacesBeforeTheKindsOwnRule)
{
    CandidateRule eight;
    eight.operandCount = 8;
    WalkForwardPlan plan;
    const std::vector<SearchStage> stages = walkForwardStages(eight, plan);
    ASSERT_EQ(stages.size(), 3u);
    EXPECT_EQ(stages[0].space->space.size(), 770u); // one operand, every constant 0-9
    EXPECT_EQ(stages[1].space->space.size(), 30030u);
    EXPECT_TRUE(stages[0].space->exhaustive);
    EXPECT_FALSE(stages[2].space->exhaustive); // C(84, 8) is sampled
    CandidateRule two;
    two.operandCount = 2;
    EXPECT_EQ(walkForwardStages(two, plan).size(), 2u); // within the small spaces
}

} // namespace
} // namespace korvel
