#include "gui/widgets/WindowSize.h"

#include "platform/SettingsStore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace korvel {
namespace {

TEST(WindowSizeTest, AWindowTallerOrWiderThanTheScreenIsBoundedToItsAvailableArea)
{
    // A 1366×768 screen with a 40-pixel panel: 1100×800 keeps its width and loses the height the title needs.
    const QRect laptop(0, 0, 1366, 728);
    EXPECT_EQ(WindowSize::fitted(QSize(1100, 800), laptop), QSize(1100, 688));
    EXPECT_EQ(WindowSize::fitted(QSize(1400, 500), laptop), QSize(1350, 500));
    EXPECT_EQ(WindowSize::fitted(QSize(820, 520), QRect(0, 0, 1920, 1040)), QSize(820, 520));
}

TEST(WindowSizeTest, TheScreenBoundsTheFirstOpeningAndTheSizeTheUserGaveComesBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.filePath(QStringLiteral("3VER.ini")));
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize tooLarge = available.size() + QSize(300, 300);

    auto first = std::make_unique<QWidget>();
    first->setObjectName(QStringLiteral("rankingWindow"));
    first->resize(tooLarge);
    WindowSize::keep(first.get(), store);
    first->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first.get()));
    EXPECT_EQ(first->size(), WindowSize::fitted(tooLarge, available));
    EXPECT_TRUE(available.contains(first->pos()));

    // Made smaller by the user and closed: the next window of that name opens at that size.
    const QSize chosen(available.width() / 2, available.height() / 2);
    first->resize(chosen);
    first->close();
    first.reset();

    QWidget second;
    second.setObjectName(QStringLiteral("rankingWindow"));
    second.resize(tooLarge);
    WindowSize::keep(&second, store);
    second.show();
    EXPECT_EQ(second.size(), chosen);

    // Another window keeps its own size.
    QWidget other;
    other.setObjectName(QStringLiteral("trendWindow"));
    other.resize(300, 200);
    WindowSize::keep(&other, store);
    other.show();
    EXPECT_EQ(other.size(), QSize(300, 200));
}

} // namespace
} // namespace korvel
