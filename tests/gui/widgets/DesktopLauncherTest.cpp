#include "gui/widgets/DesktopLauncher.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)

// A stand-in xdg-open first on PATH: it notes the path it was given, then behaves as the script says.
class DesktopLauncherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_oldPath = qgetenv("PATH");
        qputenv("PATH", m_dir.path().toLocal8Bit() + ':' + m_oldPath);
        m_file = m_dir.filePath(QStringLiteral("2016001期3D彩公式.txt"));
        QFile f(m_file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    void TearDown() override { qputenv("PATH", m_oldPath); }

    void opener(const QByteArray& then)
    {
        QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s' \"$1\" > '" + m_dir.filePath(QStringLiteral("given")).toLocal8Bit() +
                     "'\n" + then + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::remove(m_dir.filePath(QStringLiteral("given")));
    }
    QString given() const
    {
        QFile f(m_dir.filePath(QStringLiteral("given")));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    }

    QTemporaryDir m_dir;
    QByteArray m_oldPath;
    QString m_file;
};

TEST_F(DesktopLauncherTest, TheOpenersWordDecidesWhetherAnApplicationTookTheFile)
{
    DesktopLauncher launcher;
    // xdg-open's "no method available for opening": exit status 3 (a failed action is 4).
    opener("exit 3");
    EXPECT_FALSE(launcher.openTextFile(m_file));
    EXPECT_EQ(given(), m_file);
    opener("exit 4");
    EXPECT_FALSE(launcher.showSpreadsheet(m_file));

    opener("exit 0");
    EXPECT_TRUE(launcher.showSpreadsheet(m_file));
    EXPECT_EQ(given(), m_file);
    EXPECT_TRUE(launcher.openFolder(m_dir.path()));
    EXPECT_EQ(given(), m_dir.path());

    // A missing file or folder is never handed over.
    opener("exit 0");
    EXPECT_FALSE(launcher.openTextFile(m_dir.filePath(QStringLiteral("missing.txt"))));
    EXPECT_FALSE(launcher.openFolder(m_dir.filePath(QStringLiteral("missing"))));
    EXPECT_EQ(given(), QString());
}

TEST_F(DesktopLauncherTest, AnApplicationRunningInTheOpenersForegroundCountsAsOpenedWithoutAWaitForIt)
{
    DesktopLauncher launcher;
    opener("exec sleep 20");
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(launcher.openTextFile(m_file));
    EXPECT_LT(clock.elapsed(), DesktopLauncher::kOpenerWaitMs + 3000);
    EXPECT_EQ(given(), m_file);
}

#endif

} // namespace
} // namespace korvel
