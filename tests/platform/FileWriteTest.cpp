#include "platform/FileWrite.h"

#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace korvel {
namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool isCharacterDevice(const char* path)
{
    struct stat st {};
    return stat(path, &st) == 0 && S_ISCHR(st.st_mode);
}

TEST(FileWrite, WritesTheWholeFileAndReplacesAnOldOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    ASSERT_TRUE(writeWholeFile(path, "first\r\n"));
    ASSERT_TRUE(writeWholeFile(path, "second\r\n"));
    EXPECT_EQ(readAll(path), QByteArray("second\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.txt")});
}

TEST(FileWrite, AFullDiskLeavesTheOldFileAndNoPartOfTheNewOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    ASSERT_TRUE(writeWholeFile(path, "old\r\n"));
    // A small file (the device's buffer would hide the failure until the flush) and one larger than the
    // buffer (failing in the write itself), with the disk full and with room for part of it.
    for (const rlim_t room : {rlim_t{0}, rlim_t{100}}) {
        for (const qsizetype size : {qsizetype{12}, qsizetype{100000}}) {
            SCOPED_TRACE(testing::Message() << "room " << room << ", size " << size);
            QString why;
            bool written = true;
            {
                const test::FileSizeLimit full(room);
                written = writeWholeFile(path, QByteArray(size, 'x'), &why);
            }
            if (static_cast<rlim_t>(size) <= room) {
                EXPECT_TRUE(written);
                ASSERT_TRUE(writeWholeFile(path, "old\r\n"));
                continue;
            }
            EXPECT_FALSE(written);
            EXPECT_FALSE(why.isEmpty());
            EXPECT_EQ(readAll(path), QByteArray("old\r\n"));
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.txt")});
        }
    }
    // A new file that does not fit leaves none.
    const QString fresh = dir.filePath(QStringLiteral("new.txt"));
    {
        const test::FileSizeLimit full(0);
        EXPECT_FALSE(writeWholeFile(fresh, "12 bytes....."));
    }
    EXPECT_FALSE(QFileInfo::exists(fresh));
}

TEST(FileWrite, ADeviceIsWrittenInPlaceAndNeverReplaced)
{
    if (!isCharacterDevice("/dev/full") || !isCharacterDevice("/dev/null")) {
        GTEST_SKIP() << "no /dev/full or /dev/null device here";
    }
    EXPECT_TRUE(writeWholeFile(QStringLiteral("/dev/null"), "gone\n"));
    QString why;
    EXPECT_FALSE(writeWholeFile(QStringLiteral("/dev/full"), "12 bytes....", &why));
    EXPECT_FALSE(why.isEmpty());
    // Renaming a file written beside it over the device (what a plain QSaveFile does) would have replaced it.
    EXPECT_TRUE(isCharacterDevice("/dev/full"));
    EXPECT_TRUE(isCharacterDevice("/dev/null"));
}

} // namespace
} // namespace korvel
