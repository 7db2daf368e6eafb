#include "session/StartupCheck.h"

#include "session/Version.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(StartupCheckTest, HelpAndVersionAreFoundBeforeTheApplicationIsMade)
{
    EXPECT_EQ(earlyAction({}), EarlyAction::Run);
    EXPECT_EQ(earlyAction({QStringLiteral("--data-dir"), QStringLiteral("/tmp/k")}), EarlyAction::Run);
    EXPECT_EQ(earlyAction({QStringLiteral("--data-dir"), QStringLiteral("/tmp/k"), QStringLiteral("--help")}),
              EarlyAction::Help);
    EXPECT_EQ(earlyAction({QStringLiteral("-h")}), EarlyAction::Help);
    EXPECT_EQ(earlyAction({QStringLiteral("--version")}), EarlyAction::Version);
    EXPECT_EQ(earlyAction({QStringLiteral("-v"), QStringLiteral("--help")}), EarlyAction::Version); // the first
    // After "--" nothing is an option.
    EXPECT_EQ(earlyAction({QStringLiteral("--"), QStringLiteral("--help")}), EarlyAction::Run);
    EXPECT_EQ(versionLine(QStringLiteral("korvel")), QStringLiteral("korvel ") + QString::fromLatin1(kVersion));
    EXPECT_TRUE(guiHelpText().contains(QStringLiteral("--data-dir")));
}

TEST(StartupCheckTest, AMissingDisplayIsToldForThePluginThatWouldBeUsed)
{
    struct Case {
        const char* name;
        QStringList vars; // NAME=value
        bool usable;
    };
    const Case cases[] = {
        {"nothing set", {}, false},
        {"X display", {"DISPLAY=:0"}, true},
        {"Wayland display", {"WAYLAND_DISPLAY=wayland-0"}, true},
        {"empty DISPLAY", {"DISPLAY="}, false},
        {"offscreen needs none", {"QT_QPA_PLATFORM=offscreen"}, true},
        {"xcb without X", {"QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wayland-0"}, false},
        {"xcb with X", {"QT_QPA_PLATFORM=xcb", "DISPLAY=:1"}, true},
        {"wayland without Wayland", {"QT_QPA_PLATFORM=wayland", "DISPLAY=:1"}, false},
        {"a list with one usable", {"QT_QPA_PLATFORM=wayland;xcb", "DISPLAY=:1"}, true},
        {"plugin with options", {"QT_QPA_PLATFORM=vnc:size=800x600"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment env;
        for (const QString& v : c.vars) {
            env.insert(v.section(QLatin1Char('='), 0, 0), v.section(QLatin1Char('='), 1));
        }
        const QString line = missingDisplayMessage(env);
        EXPECT_EQ(line.isEmpty(), c.usable) << line.toStdString();
        if (!c.usable) {
            EXPECT_FALSE(line.contains(QLatin1Char('\n')));
            EXPECT_TRUE(line.contains(QStringLiteral("korvel-cli")));
            EXPECT_TRUE(line.contains(QStringLiteral("QT_QPA_PLATFORM")));
        }
    }
    const QString failed = displayFailedMessage(QStringLiteral("could not connect to display :97\n"));
    EXPECT_TRUE(failed.contains(QStringLiteral("could not connect to display :97")));
    EXPECT_FALSE(failed.contains(QLatin1Char('\n')));
}

} // namespace
} // namespace korvel
