#include "platform/PageText.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace korvel {
namespace {

// A page shaped like a results chart: navigation, a script, a header row and draw rows whose cells carry
// surrounding white space, spans and nested blocks.
const char* kChartPage = R"(<!DOCTYPE html>
<html><head><title>走势图</title><style>td { color: red }</style>
<script>var x = "2018-001999";</script></head>
<body>
  <div class="nav"><a href="/">首页</a> &gt; <a href="/zst">走势图</a></div>
  <script type="text/javascript">document.write("2018-002888");</script>
  <!-- 2018-003777 -->
  <table class="chart">
    <tr><th>开奖日期</th><th> 期号 </th><th>开奖号码</th><th>和值</th></tr>
    <tr>
      <td> 2018-01-01 </td>
      <td>
        2018-001
      </td>
      <td><span>1</span><span>2</span><span>3</span></td>
      <td>6</td>
    </tr>
    <tr><td>2018-01-02</td><td>2018-002</td><td><div>4</div><div>5</div><div>6</div></td><td>15</td></tr>
  </table>
  <p>说明：本页&nbsp;数据<br>仅供参考</p>
</body></html>)";

TEST(PageText, ChartRowsKeepTheirCellTextsAdjacentAndRowsOnTheirOwnLine)
{
    const QString text = pagetext::bodyText(QByteArray(kChartPage));
    const QStringList lines = text.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 5) << text.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("首页 > 走势图"));
    EXPECT_EQ(lines[1], QStringLiteral("开奖日期期号开奖号码和值"));
    EXPECT_EQ(lines[2], QStringLiteral("2018-01-012018-0011236"));
    EXPECT_EQ(lines[3], QStringLiteral("2018-01-022018-00245615"));
    EXPECT_EQ(lines[4], QString(QStringLiteral("说明：本页") + QChar(0xA0) + QStringLiteral("数据")));
    EXPECT_EQ(lines[5], QStringLiteral("仅供参考"));
    // Script, style, comment and title texts are not part of what the reader sees.
    EXPECT_FALSE(text.contains(QStringLiteral("999")));
    EXPECT_FALSE(text.contains(QStringLiteral("888")));
    EXPECT_FALSE(text.contains(QStringLiteral("777")));
    EXPECT_FALSE(text.contains(QStringLiteral("走势图</title>")));
    EXPECT_FALSE(text.contains(QStringLiteral("color")));
}

TEST(PageText, InlineWhiteSpaceCollapsesAndBrokenHtmlStillReads)
{
    EXPECT_EQ(pagetext::bodyText("<body><p>a   b\n\t c</p><p></p><p>d</p></body>"), QStringLiteral("a b c\nd"));
    // Unclosed cells and rows, a missing body tag: read as a browser reads them.
    EXPECT_EQ(pagetext::bodyText("<table><tr><td>2018-01-03<td>2018-003<td>789<tr><td>x"),
              QStringLiteral("2018-01-032018-003789\nx"));
    EXPECT_EQ(pagetext::bodyText(""), QString());
    EXPECT_EQ(pagetext::bodyText("plain 2018-001 text"), QStringLiteral("plain 2018-001 text"));
}

TEST(PageText, PagesAreDecodedByTheirDeclaredOrGuessedCharacterSet)
{
    const QString chinese = QStringLiteral("<html><body><p>福彩3D开奖</p></body></html>");
    const QByteArray gbk = *textcodec::encodeGbk(chinese);
    // By the header, by the meta tag, and without any declaration (not UTF-8, so GBK).
    EXPECT_EQ(pagetext::bodyText(gbk, QStringLiteral("text/html; charset=GB2312")), QStringLiteral("福彩3D开奖"));
    const QByteArray withMeta = *textcodec::encodeGbk(
        QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\"></head>"
                       "<body>福彩3D开奖</body></html>"));
    EXPECT_EQ(pagetext::bodyText(withMeta), QStringLiteral("福彩3D开奖"));
    EXPECT_EQ(pagetext::bodyText(gbk), QStringLiteral("福彩3D开奖"));
    EXPECT_EQ(pagetext::bodyText(chinese.toUtf8()), QStringLiteral("福彩3D开奖"));
    // A page that claims UTF-8 but is GBK keeps its ASCII (the digits and dates that matter).
    EXPECT_TRUE(pagetext::bodyText(gbk, QStringLiteral("text/html; charset=utf-8")).contains(QStringLiteral("3D")));
}

} // namespace
} // namespace korvel
