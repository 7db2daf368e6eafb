#include "history/SourceTrial.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(SourceTrial, TurnsWalkTheSourcesInOrderAndNameUnusableAddresses)
{
    DrawSource good;
    good.reader = SourceReader::Chart;
    good.address = QStringLiteral("https://example.org/chart");
    DrawSource bad;
    bad.reader = SourceReader::Text;
    bad.address = QStringLiteral("ftp:nothing");
    const std::vector<DrawSource> sources = {bad, good};
    std::size_t next = 0;

    const SourceTurn first = nextSourceTurn(sources, next);
    ASSERT_NE(first.source, nullptr);
    EXPECT_EQ(*first.source, bad);
    EXPECT_EQ(first.index, 0);
    EXPECT_EQ(first.count, 2);
    EXPECT_FALSE(first.problem.isEmpty());

    const SourceTurn second = nextSourceTurn(sources, next);
    ASSERT_NE(second.source, nullptr);
    EXPECT_EQ(*second.source, good);
    EXPECT_EQ(second.index, 1);
    EXPECT_TRUE(second.problem.isEmpty()) << second.problem.toStdString();

    // Past the end: no source, and asking again stays there.
    EXPECT_EQ(nextSourceTurn(sources, next).source, nullptr);
    EXPECT_EQ(nextSourceTurn(sources, next).source, nullptr);
    EXPECT_EQ(next, 2u);
    std::size_t none = 0;
    EXPECT_EQ(nextSourceTurn({}, none).source, nullptr);
}

} // namespace
} // namespace korvel
