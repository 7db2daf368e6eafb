#include "platform/CompoundFile.h"

#include "support/XlsReadBack.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::XlsReadBack;

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray bytes(size, '\0');
    quint32 x = 2463534242U + quint32(seed);
    for (qsizetype i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x);
    }
    return bytes;
}

QString sha256(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

class CompoundFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        const QString reason = XlsReadBack::unavailableReason();
        if (!reason.isEmpty()) {
            GTEST_SKIP() << "reading back needs python3-xlrd: " << reason.toStdString();
        }
    }

    // Writes the container and reads the named streams back through xlrd's own compound-file reader.
    QJsonObject writeAndRead(const CompoundFile& file, const QStringList& names, qint64* size = nullptr)
    {
        const QString path = m_dir.filePath(QStringLiteral("test.cfb"));
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        EXPECT_TRUE(file.write(out));
        out.close();
        if (size != nullptr) {
            *size = QFileInfo(path).size();
        }
        QString error;
        const QJsonObject result = XlsReadBack::streams(path, names, &error);
        EXPECT_FALSE(result.isEmpty()) << error.toStdString();
        EXPECT_EQ(result[u"container"][u"problems"].toArray(), QJsonArray{});
        return result;
    }

    QTemporaryDir m_dir;
};

TEST_F(CompoundFileTest, StreamsOfEverySizeReadBackByName)
{
    const QByteArray workbook = pattern(5000, 1); // 10 sectors
    const QByteArray data = pattern(70000, 2);    // 137 sectors
    const QByteArray exact = pattern(4096, 3);    // 8 sectors, exactly the cutoff
    const QByteArray tiny = pattern(10, 4);       // padded to the cutoff: 8 sectors
    CompoundFile file;
    ASSERT_TRUE(file.addStream(QStringLiteral("Workbook"), workbook));
    ASSERT_TRUE(file.addStream(QStringLiteral("Data"), data));
    ASSERT_TRUE(file.addStream(QStringLiteral(u"公式"), exact));
    ASSERT_TRUE(file.addStream(QStringLiteral("a"), tiny));

    // 163 stream sectors + 2 directory sectors (5 entries) + 2 FAT sectors, after the header.
    EXPECT_EQ(file.fileSize(), 512 * (1 + 163 + 2 + 2));
    qint64 size = 0;
    const QJsonObject result = writeAndRead(
        file, {QStringLiteral("Workbook"), QStringLiteral("Data"), QStringLiteral(u"公式"), QStringLiteral("a")},
        &size);
    EXPECT_EQ(size, file.fileSize());
    EXPECT_EQ(result[u"container"][u"fat_sectors"].toInt(), 2);
    EXPECT_EQ(result[u"container"][u"difat_sectors"].toInt(), 0);

    const QJsonObject streams = result[u"streams"].toObject();
    EXPECT_EQ(streams[u"Workbook"][u"sha256"].toString(), sha256(workbook));
    EXPECT_EQ(streams[u"Data"][u"size"].toInt(), 70000);
    EXPECT_EQ(streams[u"Data"][u"sha256"].toString(), sha256(data));
    EXPECT_EQ(streams[u"公式"][u"sha256"].toString(), sha256(exact));
    EXPECT_EQ(streams[u"a"][u"size"].toInt(), 4096);
    EXPECT_EQ(streams[u"a"][u"sha256"].toString(), sha256(tiny + QByteArray(4096 - 10, '\0')));
}

TEST_F(CompoundFileTest, InvalidOrDuplicateNamesAreRefused)
{
    CompoundFile file;
    EXPECT_TRUE(file.addStream(QStringLiteral("Workbook"), {}));
    EXPECT_FALSE(file.addStream(QStringLiteral("WORKBOOK"), {}));
    EXPECT_FALSE(file.addStream(QString(), {}));
    EXPECT_FALSE(file.addStream(QString(32, u'x'), {}));
    EXPECT_TRUE(file.addStream(QString(31, u'x'), {}));
    EXPECT_FALSE(file.addStream(QStringLiteral("a/b"), {}));
    EXPECT_FALSE(file.addStream(QStringLiteral("a!b"), {}));
}

// 16 MiB: 32 768 stream sectors and one directory sector need 259 FAT sectors, 150 more than the header
// holds, so two DIFAT sectors chained one to the other: ceil((32 769 + 259 + 2) / 128) = 259,
// ceil((259 - 109) / 127) = 2.
TEST_F(CompoundFileTest, LargeStreamChainsDifatSectors)
{
    const QByteArray big = pattern(16 * 1024 * 1024, 5);
    CompoundFile file;
    ASSERT_TRUE(file.addStream(QStringLiteral("Workbook"), big));
    EXPECT_EQ(file.fileSize(), qint64(512) * (1 + 32769 + 259 + 2));

    const QJsonObject result = writeAndRead(file, {QStringLiteral("Workbook")});
    EXPECT_EQ(result[u"container"][u"fat_sectors"].toInt(), 259);
    EXPECT_EQ(result[u"container"][u"difat_sectors"].toInt(), 2);
    EXPECT_EQ(result[u"streams"][u"Workbook"][u"size"].toInteger(), big.size());
    EXPECT_EQ(result[u"streams"][u"Workbook"][u"sha256"].toString(), sha256(big));
}

} // namespace
} // namespace korvel
