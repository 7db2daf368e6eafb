#include "search/SchemeWalk.h"
#include "search/ParameterTuning.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using Mark = SchemeWalk::Mark;

SchemeSettings schemeOf(QuotaMode mode, std::array<QString, 6> quotas)
{
    SchemeSettings s;
    s.setMode(mode);
    s.quotas = quotas;
    return s;
}

TEST(SchemeWalkTest, HoldModeWithEveryKindFullWalksStraightToTheEnd)
{
    const SchemeWalk w(schemeOf(QuotaMode::Hold, {"100", "100", "100", "0", "100", "100"}),
                       KindCounts{100, 130, 250, 0, 100, 101});
    EXPECT_TRUE(w.finished());
    EXPECT_EQ(w.kind(), 7);
    for (int kind : {1, 2, 3, 5, 6}) {
        EXPECT_EQ(w.mark(kind), Mark::Done) << kind;
    }
    EXPECT_EQ(w.mark(4), Mark::None); // never searched
    EXPECT_FALSE(w.target().has_value());
}

TEST(SchemeWalkTest, TargetsAdvanceAndTheSkips)
{
    // 保有: kind 1 needs 2 more; kind 2's quota is not a number; kind 3 needs 1; kind 5 is full; kind 6
    // needs 0.5 (a fractional quota: one formula completes it).
    SchemeWalk w(schemeOf(QuotaMode::Hold, {"12", "abc", " 4 ", "9", "50", "20.5"}), KindCounts{10, 0, 3, 0, 60, 20});
    EXPECT_EQ(w.kind(), 1);
    EXPECT_EQ(w.mark(1), Mark::Current);
    EXPECT_EQ(w.target(), 2.0);
    EXPECT_FALSE(w.accept());
    EXPECT_EQ(w.foundForKind(), 1);
    EXPECT_TRUE(w.accept()); // 2 of 2: kind 1 done, kind 2 skipped, kind 3 current
    EXPECT_EQ(w.kind(), 3);
    EXPECT_EQ(w.foundForKind(), 0);
    EXPECT_EQ(w.mark(1), Mark::Done);
    EXPECT_EQ(w.mark(2), Mark::Done);
    EXPECT_EQ(w.mark(3), Mark::Current);
    EXPECT_EQ(w.target(), 1.0);
    EXPECT_TRUE(w.accept()); // 3 is followed by 5 (full, skipped), then 6; kind 4's quota plays no part
    EXPECT_EQ(w.kind(), 6);
    EXPECT_EQ(w.mark(4), Mark::None);
    EXPECT_EQ(w.mark(5), Mark::Done);
    EXPECT_EQ(w.target(), 0.5);
    EXPECT_TRUE(w.accept());
    EXPECT_TRUE(w.finished());
    EXPECT_EQ(w.mark(6), Mark::Done);
    EXPECT_FALSE(w.accept());
}

TEST(SchemeWalkTest, AddModeCountsQuotasWithoutTheExistingFormulas)
{
    SchemeWalk w(schemeOf(QuotaMode::Add, {"0", "2", "-5", "0", "", "1"}), KindCounts{500, 500, 500, 0, 500, 500});
    // Kind 1 asks for nothing (0), kind 2 for 2 whatever its table holds, 3 and 5 are skipped.
    EXPECT_EQ(w.kind(), 2);
    EXPECT_EQ(w.mark(1), Mark::Done);
    EXPECT_EQ(w.target(), 2.0);
    EXPECT_FALSE(w.accept());
    EXPECT_TRUE(w.accept());
    EXPECT_EQ(w.kind(), 6);
    EXPECT_TRUE(w.accept());
    EXPECT_TRUE(w.finished());
}

FormulaStats stats(float rate, int errCon, int trueCon, int errLst, int trueLst)
{
    FormulaStats s;
    s.rate = rate;
    s.errCon = static_cast<std::int16_t>(errCon);
    s.trueCon = static_cast<std::int16_t>(trueCon);
    s.errLst = static_cast<std::int16_t>(errLst);
    s.trueLst = static_cast<std::int16_t>(trueLst);
    return s;
}

TEST(TuningBestTest, BetterSamplesMoveHalfWay)
{
    TuningBest b;
    b.add(stats(90, 4, 20, 2, 0));
    EXPECT_EQ(b.rate(), 90.0f);
    b.add(stats(94, 6, 30, 0, 5)); // rate, max hit, last miss, last hit better; max miss worse
    EXPECT_EQ(b.rate(), 92.0f);
    EXPECT_EQ(b.maxMissRun(), 4.0f);
    EXPECT_EQ(b.maxHitRun(), 25.0f);
    EXPECT_EQ(b.lastMissRun(), 1.0f);
    EXPECT_EQ(b.lastHitRun(), 2.5f);
    b.add(stats(91, 1, 10, 1, 2)); // only the max miss run is better: 4 -> 2.5
    EXPECT_EQ(b.rate(), 92.0f);
    EXPECT_EQ(b.maxMissRun(), 2.5f);
    EXPECT_EQ(b.samples(), 3);

    const std::array<QString, kThresholdSlots> before = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"};
    // Rounded as floor(value + 0.5): 2.5 -> 3, 25 -> 25, 1 -> 1, 2.5 -> 3.
    EXPECT_EQ(b.applyTo(before),
              (std::array<QString, kThresholdSlots>{"92", "b", "c", "3", "25", "f", "g", "1", "3", "j"}));
}

TEST(TuningBestTest, LastHitRunBelowOneGivesOne)
{
    TuningBest b;
    b.add(stats(10.5f, 30, 1, 3, 0));
    b.add(stats(12.25f, 28, 2, 0, 1)); // last hit run 0 -> 0.5: floor 0, so the field says 1
    EXPECT_EQ(b.lastHitRun(), 0.5f);
    const auto f = b.fields();
    EXPECT_EQ(*f[0], QStringLiteral("11.375"));
    EXPECT_EQ(*f[8], QStringLiteral("1"));
    EXPECT_EQ(*f[3], QStringLiteral("29"));
    EXPECT_FALSE(f[1].has_value());
    EXPECT_FALSE(TuningBest().fields()[0].has_value());

    TuningBest none;
    none.add(stats(50, 3, 3, 3, 0));
    EXPECT_EQ(*none.fields()[8], QStringLiteral("1"));
}

} // namespace
} // namespace korvel
