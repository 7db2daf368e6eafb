#include "gui/widgets/QtDialogs.h"

#include "support/gui/Shots.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace korvel {
namespace {

// Runs `act` on the modal box once it is up (the box's exec() blocks the test until then).
template <typename Box> void whenShown(std::function<void(Box*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* box = qobject_cast<Box*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(box);
        }
    });
    timer->start();
}

QStringList buttonTexts(QMessageBox* box)
{
    QStringList texts;
    for (QAbstractButton* b : box->buttons()) {
        texts << b->text();
    }
    texts.sort();
    return texts;
}

TEST(QtDialogs, AQuestionShowsTitleTextIconAndChineseButtonsAndReportsTheButtonPressed)
{
    QtDialogs dialogs;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = buttonTexts(box);
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(dialogs.message(QStringLiteral("在线更新"), QStringLiteral("确实要在线更新最新历史号码吗？"),
                              Dialogs::Buttons::OkCancel, Dialogs::Icon::Question),
              Dialogs::Answer::Cancel);
    EXPECT_EQ(title, "在线更新");
    EXPECT_EQ(text, "确实要在线更新最新历史号码吗？");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttons, (QStringList{"取消", "确定"}));

    whenShown<QMessageBox>([&](QMessageBox* box) {
        buttons = buttonTexts(box);
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(
        dialogs.message(QStringLiteral("t"), QStringLiteral("x"), Dialogs::Buttons::YesNo, Dialogs::Icon::Warning),
        Dialogs::Answer::Yes);
    EXPECT_EQ(buttons, (QStringList{"否(&N)", "是(&Y)"}));

    // Closing a yes/no box with Escape is a no.
    whenShown<QMessageBox>([](QMessageBox* box) { box->reject(); });
    EXPECT_EQ(dialogs.message(QStringLiteral("t"), QStringLiteral("x"), Dialogs::Buttons::YesNo), Dialogs::Answer::No);
}

TEST(QtDialogs, AShortMessageStillLeavesRoomForItsWholeTitle)
{
    QtDialogs dialogs;
    int width = 0;
    int titleWidth = 0;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        QFont bold = box->font();
        bold.setBold(true);
        titleWidth = QFontMetrics(bold).horizontalAdvance(box->windowTitle());
        width = box->width();
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.message(QStringLiteral("公式过滤结果"), QStringLiteral("过滤后公式剩余3条"));
    // The title bar holds the window's icon and its buttons beside the title: well over 100 pixels.
    EXPECT_GE(width, titleWidth + 100) << "title " << titleWidth;
}

TEST(QtDialogs, AQuestionThatLosesDataDefaultsToCancel)
{
    QtDialogs dialogs;
    QString defaultText;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
        test::saveShot(box, QStringLiteral("question-delete-all-history"));
        // Enter presses the default button.
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(dialogs.message(QStringLiteral("删除所有历史"), QStringLiteral("确实要删除全部 7760 期历史号码吗？"),
                              Dialogs::Buttons::CancelOk, Dialogs::Icon::Question),
              Dialogs::Answer::Cancel);
    EXPECT_EQ(defaultText, "取消");

    // The plain question keeps 确定 as its default: Enter answers it.
    whenShown<QMessageBox>([&](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(dialogs.message(QStringLiteral("删除期数"),
                              QStringLiteral("确实要删除最后 1 期历史号码（2026253 期）吗？"),
                              Dialogs::Buttons::OkCancel, Dialogs::Icon::Question),
              Dialogs::Answer::Ok);
}

TEST(QtDialogs, AnInputBoxGivesTheTypedTextOrNothingWhenCancelled)
{
    QtDialogs dialogs;
    QString title, prompt, shownDefault;
    whenShown<QInputDialog>([&](QInputDialog* box) {
        title = box->windowTitle();
        prompt = box->labelText();
        shownDefault = box->textValue();
        box->setTextValue(QStringLiteral("2016001"));
        box->accept();
    });
    EXPECT_EQ(
        dialogs.input(QStringLiteral("删除期数"), QStringLiteral("请输入需要删除到的期数"), QStringLiteral("2016100")),
        std::optional<QString>(QStringLiteral("2016001")));
    EXPECT_EQ(title, "删除期数");
    EXPECT_EQ(prompt, "请输入需要删除到的期数");
    EXPECT_EQ(shownDefault, "2016100");

    whenShown<QInputDialog>([](QInputDialog* box) { box->reject(); });
    EXPECT_EQ(dialogs.input(QStringLiteral("删除期数"), QStringLiteral("p"), QStringLiteral("1")), std::nullopt);

    // An emptied box is an empty answer, not a cancel: the callers tell the two apart where it matters.
    whenShown<QInputDialog>([](QInputDialog* box) {
        box->setTextValue(QString());
        box->accept();
    });
    EXPECT_EQ(dialogs.input(QStringLiteral("t"), QStringLiteral("p"), QStringLiteral("1")),
              std::optional<QString>(QString()));
}

} // namespace
} // namespace korvel

namespace korvel {
namespace {

TEST(QtDialogs, ABoxAskedFromAnotherWindowStandsOverItAndLeavesItInFront)
{
    QWidget main;
    main.setObjectName(QStringLiteral("mainWindow"));
    main.resize(400, 300);
    main.show();
    QtDialogs dialogs(&main);
    QWidget chart(&main, Qt::Window);
    chart.setObjectName(QStringLiteral("trendWindow"));
    chart.resize(300, 200);
    chart.show();
    chart.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&chart));

    QWidget* over = nullptr;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        over = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.message(QStringLiteral("导出图片"), QStringLiteral("图片无法写入"), Dialogs::Buttons::Ok);
    // Modal over the chart: closing it gives the focus back to the chart, not to the main window.
    EXPECT_EQ(over, &chart);

    // With the program's windows all inactive, the box goes over the main window.
    chart.hide();
    main.hide();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.boxParent(), &main);
}

} // namespace
} // namespace korvel
