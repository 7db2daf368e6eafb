#include "history/SourceReaders.h"
#include "platform/PageTable.h"
#include "platform/TextCodec.h"
#include "support/SourceSamples.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::sourceSample;

QStringList issues(const SourceAnswer& a)
{
    QStringList out;
    for (const SourceDraw& d : a.draws) {
        out << d.issue + QLatin1Char(' ') +
                   QStringLiteral("%1%2%3").arg(d.digits.d1).arg(d.digits.d2).arg(d.digits.d3) + QLatin1Char(' ') +
                   (d.date.isValid() ? d.date.toString(Qt::ISODate) : QStringLiteral("-"));
    }
    return out;
}

const QStringList kFc3dSix{"2026253 034 2026-09-20", "2026252 092 2026-09-19", "2026251 777 2026-09-18",
                           "2026250 954 2026-09-17", "2026249 689 2026-09-16", "2026248 876 2026-09-15"};

TEST(SourceReaders, OfficialDrawNoticesOf3d)
{
    const SourceAnswer a = sourcereaders::readOfficial(sourceSample(QStringLiteral("fc3d-notice.json")), 53);
    ASSERT_TRUE(a.ok()) << a.error.toStdString();
    EXPECT_EQ(issues(a), kFc3dSix);
    EXPECT_EQ(a.pages, 1); // total 6, 30 a page
    // The 排列3 history is not 福彩3D's, nor the other way round.
    EXPECT_FALSE(sourcereaders::readOfficial(sourceSample(QStringLiteral("pl3-history.json")), 53).ok());
    EXPECT_TRUE(sourcereaders::readOfficial(sourceSample(QStringLiteral("fc3d-notice.json")), 3)
                    .error.contains(QStringLiteral("不是排列3")));
}

TEST(SourceReaders, OfficialHistoryOfPl3WithTwoDigitYears)
{
    const SourceAnswer a = sourcereaders::readOfficial(sourceSample(QStringLiteral("pl3-history.json")), 3);
    ASSERT_TRUE(a.ok()) << a.error.toStdString();
    EXPECT_EQ(issues(a), (QStringList{"2026246 286 2026-09-13", "2026245 125 2026-09-12", "2026244 620 2026-09-11",
                                      "2026243 915 2026-09-10", "2026242 244 2026-09-09", "2026241 050 2026-09-08"}));
    // 排列5 through the same address is refused whole.
    QByteArray five = sourceSample(QStringLiteral("pl3-history.json"));
    five.replace("\"lotteryGameNum\": \"35\"", "\"lotteryGameNum\": \"350133\"");
    EXPECT_FALSE(sourcereaders::readOfficial(five, 3).ok());
}

TEST(SourceReaders, OfficialAnswersThatAreNoDraws)
{
    const SourceAnswer busy = sourcereaders::readOfficial(sourceSample(QStringLiteral("busy-page.html")), 53);
    EXPECT_FALSE(busy.ok());
    EXPECT_TRUE(busy.error.contains(QStringLiteral("不是 JSON"))) << busy.error.toStdString();
    EXPECT_TRUE(busy.error.contains(QStringLiteral("访问过于频繁"))) << busy.error.toStdString();
    EXPECT_TRUE(
        sourcereaders::readOfficial(R"J({"state":1,"message":"x"})J", 53).error.contains(QStringLiteral("state 1")));
    EXPECT_TRUE(sourcereaders::readOfficial(R"J({"success":false,"errorCode":"7"})J", 3)
                    .error.contains(QStringLiteral("errorCode 7")));
    const SourceAnswer empty = sourcereaders::readOfficial(R"J({"state":0,"result":[]})J", 53);
    EXPECT_FALSE(empty.ok());
    EXPECT_TRUE(empty.noDraws);
    // An entry that does not read is named; the others are taken.
    const SourceAnswer mixed =
        sourcereaders::readOfficial(R"J({"state":0,"result":[{"code":"2026253","date":"2026-09-20(日)","red":"0,3"},)J"
                                    R"J({"code":"2026252","date":"2026-09-19(六)","red":"0,9,2"}]})J",
                                    53);
    ASSERT_TRUE(mixed.ok());
    EXPECT_EQ(issues(mixed), QStringList{"2026252 092 2026-09-19"});
    ASSERT_EQ(mixed.rejected.size(), 1);
    EXPECT_TRUE(mixed.rejected[0].contains(QStringLiteral("2026253")));
}

TEST(SourceReaders, ChartTableInGbkWithTheIssueFirst)
{
    const QByteArray page = sourceSample(QStringLiteral("fc3d-chart-gbk.html"));
    ASSERT_FALSE(textcodec::isValidUtf8(page)); // really GBK
    const SourceAnswer a = sourcereaders::readChart(page, QStringLiteral("text/html"), 0);
    ASSERT_TRUE(a.ok()) << a.error.toStdString();
    QStringList want = kFc3dSix;
    std::reverse(want.begin(), want.end());
    EXPECT_EQ(issues(a), want);
    // The table as read: the header row, then one row a draw.
    const QList<QStringList> rows = pagetext::tableRows(page);
    ASSERT_EQ(rows.size(), 7);
    EXPECT_EQ(rows[0], (QStringList{"期号", "开奖日期", "开奖号码", "和值", "跨度"}));
    EXPECT_EQ(rows[1], (QStringList{"2026248", "2026-09-15(二)", "876", "21", "2"}));
}

TEST(SourceReaders, ChartLayoutsOfYearPagesAndOfOtherTables)
{
    // The year pages': date, "YYYY-kkk", the digits; a page that starts later in the year.
    const QByteArray yearPage = "<html><body><table>"
                            "<tr><td>2018-05-01</td><td>2018-120</td><td>1</td><td>2</td><td>3</td><td>6</td></tr>"
                            "<tr><td>2018-05-02</td><td>2018-121</td><td>456</td><td>15</td></tr>"
                            "<tr><td>2018-05-03</td><td>2018-122</td><td>--</td></tr>"
                            "</table></body></html>";
    SourceAnswer a = sourcereaders::readChart(yearPage, QStringLiteral("text/html; charset=utf-8"), 0);
    ASSERT_TRUE(a.ok()) << a.error.toStdString();
    EXPECT_EQ(issues(a), (QStringList{"2018120 123 2018-05-01", "2018121 456 2018-05-02"}));
    EXPECT_EQ(a.rejected, QStringList{"2018-122"});
    // Digits in cells of their own, a weekday written out, 排列3's two-digit issue, UTF-8.
    const QByteArray table =
        "<html><body><table><tr><th>期号</th><th>日期</th><th>百</th><th>十</th><th>个</th></tr>"
        "<tr><td>26246</td><td>2026-09-13 星期日</td><td>2</td><td>8</td><td>6</td><td>16</td></tr>"
        "</table></body></html>";
    a = sourcereaders::readChart(table, {}, 0);
    ASSERT_TRUE(a.ok()) << a.error.toStdString();
    EXPECT_EQ(issues(a), QStringList{"2026246 286 2026-09-13"});
    // A page without any draw is a failure that quotes the page.
    a = sourcereaders::readChart(sourceSample(QStringLiteral("busy-page.html")), {}, 0);
    EXPECT_FALSE(a.ok());
    EXPECT_TRUE(a.noDraws);
    EXPECT_TRUE(a.error.contains(QStringLiteral("访问过于频繁，请稍后再试。"))) << a.error.toStdString();
}

TEST(SourceReaders, TextFilesAsTheImportReadsThem)
{
    SourceAnswer a = sourcereaders::readText(sourceSample(QStringLiteral("fc3d-plain.txt")), 53);
    ASSERT_TRUE(a.ok()) << a.error.toStdString();
    EXPECT_EQ(a.beforeNational, 3);
    ASSERT_EQ(a.draws.size(), 9u);
    EXPECT_EQ(issues(a).mid(0, 3),
              (QStringList{"2004001 070 2004-10-18", "2004002 557 2004-10-19", "2004003 986 2004-10-20"}));
    EXPECT_EQ(issues(a).back(), QStringLiteral("2026253 034 2026-09-20"));
    a = sourcereaders::readText(sourceSample(QStringLiteral("pl3-issue-digits.csv")), 3);
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(issues(a), (QStringList{"2026241 050 -", "2026242 244 -", "2026243 915 -", "2026244 620 -",
                                      "2026245 125 -", "2026246 286 -"}));
    EXPECT_FALSE(sourcereaders::readText(sourceSample(QStringLiteral("busy-page.html")), 53).ok());
}

} // namespace
} // namespace korvel
