#include "history/DrawParameters.h"
#include "history/Param.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

DrawParams params(Digits d, Digits prev = {}, QStringView issue = u"2007001", QStringView date = u"2007-01-01")
{
    return computeDrawParameters(d, prev, issueDateFromText(issue, date));
}

int at(const DrawParams& p, Param code)
{
    return p[static_cast<std::size_t>(paramIndex(code))];
}

TEST(DrawParameters, TripleZeroCountsZeroAsComposite)
{
    const auto p = params({0, 0, 0});
    for (Param b : {Param::L1B, Param::L2B, Param::L3B}) {
        EXPECT_EQ(at(p, b), 0);
    }
    EXPECT_EQ(at(p, Param::L4M), 3);
    EXPECT_EQ(at(p, Param::L5M), 0);
    EXPECT_EQ(at(p, Param::LR), 1);
    EXPECT_EQ(at(p, Param::LS), 2);
    EXPECT_EQ(at(p, Param::LU), 2);
    EXPECT_EQ(at(p, Param::LT), 0);
    EXPECT_EQ(at(p, Param::L5H), 3);
    EXPECT_EQ(at(p, Param::L3L), 3);
    EXPECT_EQ(at(p, Param::L1I), 9);
    EXPECT_EQ(at(p, Param::L1J), 1);
}

TEST(DrawParameters, RunsPrimesAndNeighbours)
{
    const auto p = params({1, 2, 3});
    EXPECT_EQ(at(p, Param::LV), 2);
    EXPECT_EQ(at(p, Param::LW), 0);
    EXPECT_EQ(at(p, Param::L1M), 1);
    EXPECT_EQ(at(p, Param::L2M), 2);
    EXPECT_EQ(at(p, Param::L3M), 5);
    EXPECT_EQ(at(p, Param::L4M), 0);
    EXPECT_EQ(at(p, Param::L1P), 5);
    EXPECT_EQ(at(p, Param::L2P), 4);
    EXPECT_EQ(at(p, Param::L3P), 3);

    const auto q = params({9, 1, 9});
    EXPECT_EQ(at(q, Param::L1M), 8);
    EXPECT_EQ(at(q, Param::LT), 8);
    EXPECT_EQ(at(q, Param::LU), 0);
    EXPECT_EQ(at(q, Param::L1Q), 8);
    EXPECT_EQ(at(q, Param::L2Q), 0);
}

TEST(DrawParameters, EveryFamilyOfOneDrawByHand)
{
    // 5 8 3: big 5, 8; odd 5, 3; primes 5, 3; composite 8.
    const auto p = params({5, 8, 3});
    EXPECT_EQ(at(p, Param::L1A), 5);
    EXPECT_EQ(at(p, Param::L2B), 1);
    EXPECT_EQ(at(p, Param::L3B), 0);
    EXPECT_EQ(at(p, Param::L1C), 1);
    EXPECT_EQ(at(p, Param::L2C), 0);
    EXPECT_EQ(at(p, Param::L2D), 3);
    EXPECT_EQ(at(p, Param::L2E), 2);
    EXPECT_EQ(at(p, Param::L1F), 3);
    EXPECT_EQ(at(p, Param::L2F), 5);
    EXPECT_EQ(at(p, Param::L2G), 64);
    EXPECT_EQ(at(p, Param::L3I), 6);
    EXPECT_EQ(at(p, Param::L2J), 256);
    EXPECT_EQ(at(p, Param::L1K), 125);
    EXPECT_EQ(at(p, Param::L1L), 0); // 5 % 3 = 2, 8 % 3 = 2, 3 % 3 = 0
    EXPECT_EQ(at(p, Param::L2L), 2);
    EXPECT_EQ(at(p, Param::L3L), 1);
    EXPECT_EQ(at(p, Param::L3H), 2); // 8 and 3 leave 3 mod 5
    EXPECT_EQ(at(p, Param::L5H), 1);
    EXPECT_EQ(at(p, Param::L1H), 0);
    EXPECT_EQ(at(p, Param::L1M), 5);
    EXPECT_EQ(at(p, Param::L2M), 2);
    EXPECT_EQ(at(p, Param::L3M), 8);
    EXPECT_EQ(at(p, Param::L4M), 1);
    EXPECT_EQ(at(p, Param::L5M), 8);
    EXPECT_EQ(at(p, Param::LH), 16);
    EXPECT_EQ(at(p, Param::LI), 6);
    EXPECT_EQ(at(p, Param::LJ), 2);
    EXPECT_EQ(at(p, Param::LK), 13);
    EXPECT_EQ(at(p, Param::LL), 1);
    EXPECT_EQ(at(p, Param::LM), 3);
    EXPECT_EQ(at(p, Param::LN), 2);
    EXPECT_EQ(at(p, Param::LO), 8);
    EXPECT_EQ(at(p, Param::LP), 1);
    EXPECT_EQ(at(p, Param::LQ), 8);
    EXPECT_EQ(at(p, Param::LR), 3);
    EXPECT_EQ(at(p, Param::LT), 5);
    EXPECT_EQ(at(p, Param::LW), 0);
    EXPECT_EQ(at(p, Param::L3Q), 3);
}

TEST(DrawParameters, PreviousDrawRepeats)
{
    const auto p = params({1, 3, 1}, {1, 1, 2});
    EXPECT_EQ(at(p, Param::LX), 1);
    EXPECT_EQ(at(p, Param::LY), 2);
    // The remainder counts of a second draw depend only on its own digits.
    const auto again = params({1, 3, 1}, {7, 7, 7});
    EXPECT_EQ(at(again, Param::L1H), at(p, Param::L1H));
    EXPECT_EQ(at(again, Param::L1L), 2);
    EXPECT_EQ(at(again, Param::LX), 0);
}

TEST(DrawParameters, IssueAndDateValues)
{
    auto p = params({1, 2, 3}, {}, u"2007358", u"2007-12-31");
    EXPECT_EQ(at(p, Param::QH), 1);
    EXPECT_EQ(at(p, Param::QHW), 1);
    EXPECT_EQ(at(p, Param::SQH), 358);
    EXPECT_EQ(at(p, Param::SQHW), 16);
    p = params({1, 2, 3}, {}, u"2007099", u"2012-05-20");
    EXPECT_EQ(at(p, Param::QH), 100);
    EXPECT_EQ(at(p, Param::QHW), 1);
    EXPECT_EQ(at(p, Param::NF), 2012);
    EXPECT_EQ(at(p, Param::NFW), 5);
    EXPECT_EQ(at(p, Param::YF), 5);
    EXPECT_EQ(at(p, Param::YFW), 5);
    EXPECT_EQ(at(p, Param::RQ), 20);
    EXPECT_EQ(at(p, Param::RQW), 2);
    // A non-numeric tail stores 0 instead of failing.
    p = params({1, 2, 3}, {}, u"2007abc", u"xxxx-yy-zz");
    EXPECT_EQ(at(p, Param::SQH), 0);
    EXPECT_EQ(at(p, Param::NF), 0);
    // Downloaded sequence 359 wraps by the modulo rule.
    const auto w = issueDateFromSequence(359, 2008, 12, 31);
    EXPECT_EQ(w.qh, 2);
    EXPECT_EQ(w.sqh, 1);
    EXPECT_EQ(issueDateFromSequence(358, 2008, 12, 30).qh, 1);
}

TEST(Vocabulary, PairsNamesWithCodes)
{
    EXPECT_EQ(vocabularyName(1), QStringLiteral("百位码"));
    EXPECT_EQ(vocabularyName(6), QStringLiteral("个位大小"));
    EXPECT_EQ(vocabularyName(12), QStringLiteral("个位5余"));
    EXPECT_STREQ(paramCode(vocabularyParam(22)), "L2H");
    EXPECT_EQ(vocabularyName(22), QStringLiteral("除5余2"));
    EXPECT_STREQ(paramCode(vocabularyParam(26)), "L1H");
    EXPECT_EQ(vocabularyName(26), QStringLiteral("除5余1"));
    EXPECT_STREQ(paramCode(vocabularyParam(38)), "L3L");
    EXPECT_EQ(vocabularyName(38), QStringLiteral("除3余0"));
    // 46/47 name composites but read the prime columns, 48/49 the other way round.
    EXPECT_STREQ(paramCode(vocabularyParam(46)), "L2M");
    EXPECT_EQ(vocabularyName(46), QStringLiteral("合数个"));
    EXPECT_STREQ(paramCode(vocabularyParam(47)), "L3M");
    EXPECT_STREQ(paramCode(vocabularyParam(48)), "L4M");
    EXPECT_EQ(vocabularyName(49), QStringLiteral("质数和"));
    EXPECT_STREQ(paramCode(vocabularyParam(49)), "L5M");
    EXPECT_EQ(vocabularyName(62), QStringLiteral("跨度"));
    EXPECT_STREQ(paramCode(vocabularyParam(62)), "LT");
    EXPECT_STREQ(paramCode(vocabularyParam(68)), "QH");
    EXPECT_EQ(vocabularyName(69), QStringLiteral("本期号合"));
    EXPECT_STREQ(paramCode(vocabularyParam(77)), "NFW");
    EXPECT_EQ(vocabularyName(77), QStringLiteral("年份合"));
    EXPECT_EQ(paramFromCode(u"l1a"), Param::L1A);
    EXPECT_EQ(paramFromCode(u"LTW"), std::nullopt);
    for (int n = 1; n <= kParamCount; ++n) {
        EXPECT_FALSE(vocabularyName(n).isEmpty()) << n;
    }
}

TEST(ParamCodes, EveryCodeIsFoundInAnyCaseAndNothingNearItIs)
{
    for (int n = 1; n <= kParamCount; ++n) {
        const Param p = vocabularyParam(n);
        const QString code = QString::fromLatin1(paramCode(p));
        SCOPED_TRACE(code.toStdString());
        EXPECT_EQ(paramFromCode(code), p);
        EXPECT_EQ(paramFromCode(code.toLower()), p);
        EXPECT_EQ(paramFromCode(code + QLatin1Char('Z')), std::nullopt);
        EXPECT_EQ(paramFromCode(code + QLatin1Char(' ')), std::nullopt);
        EXPECT_EQ(paramFromCode(QLatin1Char('_') + code), std::nullopt);
    }
    EXPECT_EQ(paramFromCode(u"sQhW"), Param::SQHW);
    EXPECT_EQ(paramFromCode(u"L"), std::nullopt);
    EXPECT_EQ(paramFromCode(u""), std::nullopt);
    EXPECT_EQ(paramFromCode(u"ＬＨ"), std::nullopt); // full-width letters name no column
}

} // namespace
} // namespace korvel
