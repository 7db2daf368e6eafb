#include "gui/WindowFixture.h"

#include "platform/TextCodec.h"
#include "verify/FormulaList.h"

#include <QBoxLayout>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

namespace korvel::test {
namespace {

class TransferCommandsTest : public WindowFixture {
protected:
    QString writeGbk(const QString& name, const QStringList& lines)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(*textcodec::gbkLines(lines));
        return path;
    }
};

TEST_F(TransferCommandsTest, DrawFileImportButtonSitsUnderTheTextExportAndStoresTheDraws)
{
    seed(3); // 2004001 .. 2004003
    openProgram();
    auto* exportText = child<QPushButton>(QStringLiteral("exportTextButton"));
    auto* import = child<QPushButton>(QStringLiteral("importDrawFileButton"));
    ASSERT_TRUE(exportText && import);
    EXPECT_EQ(import->text(), QStringLiteral("历史号码导入文本文件"));
    EXPECT_TRUE(import->isVisible());
    EXPECT_GT(import->y(), exportText->y());
    EXPECT_EQ(import->x(), exportText->x());

    m_dialogs.answerFile(
        writeGbk(QStringLiteral("more.txt"), {QStringLiteral("2004004 123"), QStringLiteral("2004005 45")}));
    QTest::mouseClick(import, Qt::LeftButton);
    ASSERT_EQ(m_session->snapshot()->size(), 4);
    EXPECT_EQ(m_session->snapshot()->issue(3), QStringLiteral("2004004"));
    EXPECT_EQ(m_session->nextIssue(), QStringLiteral("2004005"));
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_TRUE(m_dialogs.messages()[0].text.contains(QStringLiteral("第 2 行")));
}

TEST_F(TransferCommandsTest, FormulaButtonsImportAndExportThroughTheWindow)
{
    seed(40);
    openProgram();
    for (const char* name :
         {"importFormulaTextButton", "onlineFormulaButton", "exportAllKindsButton", "exportKindButton"}) {
        auto* button = child<QPushButton>(QString::fromLatin1(name));
        ASSERT_TRUE(button);
        EXPECT_TRUE(button->isEnabled()) << name;
    }
    // The window lists 百位单选杀; the file adds one formula there and one of another kind.
    ASSERT_EQ(m_session->choices().kind(), (FormulaKind{3, Play::Single}));
    m_dialogs.answerFile(writeGbk(QStringLiteral("f.txt"), {QStringLiteral("[百位单选杀]百位码+十位码+3　连准：5期"),
                                                            QStringLiteral("[十位单选]和数+跨度")}));
    QTest::mouseClick(child<QPushButton>(QStringLiteral("importFormulaTextButton")), Qt::LeftButton);
    EXPECT_EQ(m_session->choices().kind(), (FormulaKind{3, Play::Single}));
    ASSERT_EQ(m_session->formulas().rowCount(), 1);
    EXPECT_EQ(m_session->formulas().row(0).formula.expressionText, QStringLiteral("L1A+L2A+3"));
    EXPECT_TRUE(m_session->formulas().rowSelected(0));
    EXPECT_TRUE(m_dialogs.allAnswered());

    QTest::mouseClick(child<QPushButton>(QStringLiteral("exportKindButton")), Qt::LeftButton);
    ASSERT_EQ(m_launcher.textFiles.size(), 1);
    EXPECT_TRUE(m_launcher.textFiles[0].endsWith(QStringLiteral("2004041期3D彩百位单选杀公式.txt")));
    EXPECT_TRUE(QFile::exists(m_launcher.textFiles[0]));

    // The all-kinds export walks every kind but leaves the player's choice as it was: the next 计算公式 runs on
    // the kind chosen, with its list (and selection) as before.
    m_session->formulas().setSelected(m_session->formulas().idxOfRow(0), false);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("exportAllKindsButton")), Qt::LeftButton);
    ASSERT_EQ(m_launcher.textFiles.size(), 2);
    EXPECT_TRUE(m_launcher.textFiles[1].endsWith(QStringLiteral("2004041期3D彩公式.txt")));
    EXPECT_EQ(m_session->choices().kind(), (FormulaKind{3, Play::Single}));
    EXPECT_EQ(m_session->choices().playChoice(), Session::PlayChoice::Single);
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("positionHundreds"))->isChecked());
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("playSingle"))->isChecked());
    ASSERT_EQ(m_session->formulas().rowCount(), 1);
    EXPECT_FALSE(m_session->formulas().rowSelected(0));
}

TEST_F(TransferCommandsTest, OnlineCommandsAskFirstAndStopWhenTheUserDeclines)
{
    seed(3);
    openProgram();
    auto* online = child<QPushButton>(QStringLiteral("onlineUpdateButton"));
    ASSERT_TRUE(online);
    EXPECT_TRUE(online->isEnabled());

    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    QTest::mouseClick(online, Qt::LeftButton);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, QStringLiteral("在线更新"));
    EXPECT_EQ(m_dialogs.messages()[0].buttons, Dialogs::Buttons::OkCancel);

    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("onlineFormulaButton")), Qt::LeftButton);
    EXPECT_EQ(m_dialogs.messages().back().title, QStringLiteral("公式在线更新：替换全部公式"));
    EXPECT_TRUE(m_dialogs.allAnswered());
    EXPECT_EQ(m_session->snapshot()->size(), 3);

    // The formula server's address can be set from the "设置" menu (the draw sources have their own page,
    // SourceSettingsTest).
    m_dialogs.answerInput(QStringLiteral("http://www.example.com"));
    triggerAction(QStringLiteral("actionFormulaServer"));
    EXPECT_EQ(m_settings->value(QStringLiteral("IniSetting"), QStringLiteral("FormulaServer")),
              QStringLiteral("http://www.example.com"));
}

} // namespace
} // namespace korvel::test
