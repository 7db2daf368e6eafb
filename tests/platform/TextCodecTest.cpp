#include "platform/TextCodec.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(TextCodec, GbkRoundTripAndKnownBytes)
{
    // "杀" is 0xC9 0xB1 in GBK; the ideographic space U+3000 is 0xA1 0xA1.
    const auto bytes = textcodec::encodeGbk(QStringLiteral("杀\u3000"));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, QByteArray("\xC9\xB1\xA1\xA1"));
    EXPECT_EQ(textcodec::decodeGbk(*bytes), QStringLiteral("杀\u3000"));
    const auto lines = textcodec::gbkLines({QStringLiteral("a"), QStringLiteral("b")});
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, QByteArray("a\r\nb\r\n"));
}

TEST(TextCodec, FileDetectionPrefersUtf8AndRejectsGarbage)
{
    const QString text = QStringLiteral("[百位单选杀]百位码+十位码+3");
    EXPECT_EQ(textcodec::decodeTextFile(text.toUtf8()), text);
    EXPECT_EQ(textcodec::decodeTextFile(QByteArray("\xEF\xBB\xBF") + text.toUtf8()), text);
    EXPECT_EQ(textcodec::decodeTextFile(*textcodec::encodeGbk(text)), text);
    // A truncated GBK character and binary bytes do not read as text.
    EXPECT_FALSE(textcodec::decodeTextFile(QByteArray("\xC9\xB1\xC9")));
    EXPECT_FALSE(textcodec::decodeTextFile(QByteArray("ab\0cd", 5)));
    // A character that GBK cannot hold is refused, not replaced.
    EXPECT_FALSE(textcodec::encodeGbk(QStringLiteral("\U0001F600")));
}

} // namespace
} // namespace korvel
