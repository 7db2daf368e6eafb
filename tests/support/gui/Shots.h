#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

namespace korvel::test {

// Pictures of windows for a person to look at, written only when KORVEL_SHOTS_DIR names a folder for them.

// The folder the pictures go to (made when missing), or empty when none are wanted.
inline QString shotsFolder()
{
    const QString folder = qEnvironmentVariable("KORVEL_SHOTS_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(QDir().mkpath(folder)) << folder.toStdString();
    }
    return folder;
}

// Saves what the widget shows as the PNG `name` (".png" added when missing); nothing without the folder.
inline void saveShot(QWidget* widget, const QString& name)
{
    const QString folder = shotsFolder();
    if (folder.isEmpty()) {
        return;
    }
    ASSERT_NE(widget, nullptr) << name.toStdString();
    QCoreApplication::processEvents();
    const QString file = name.endsWith(QStringLiteral(".png")) ? name : name + QStringLiteral(".png");
    EXPECT_TRUE(widget->grab().save(QDir(folder).filePath(file))) << file.toStdString();
}

// A test that exists for its pictures: skipped unless KORVEL_SHOTS_DIR is set.
template <typename Fixture> class ShotsFixture : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        m_shots = shotsFolder();
        if (m_shots.isEmpty()) {
            GTEST_SKIP() << "KORVEL_SHOTS_DIR is not set";
        }
    }

    void shoot(QWidget* widget, const QString& name) { saveShot(widget, name); }

    QString m_shots;
};

} // namespace korvel::test
