#include "gui/QtTranslation.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

namespace korvel::test {
namespace {

// The buttons and labels Qt draws itself, as a non-native file dialog and a standard button box show them.
QStringList standardTexts()
{
    QStringList out;
    QDialogButtonBox box(QDialogButtonBox::Save | QDialogButtonBox::Cancel | QDialogButtonBox::Open);
    for (QAbstractButton* b : box.buttons()) {
        out << b->text();
    }
    QFileDialog dialog(nullptr, QStringLiteral("读取公式文本"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    for (const auto* label : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
        if (auto* l = dialog.findChild<QLabel*>(QString::fromLatin1(label))) {
            out << l->text();
        }
    }
    return out;
}

TEST(QtTranslationTest, StandardDialogsAndButtonsSpeakChinese)
{
    const QStringList english = standardTexts();
    ASSERT_TRUE(english.contains(QStringLiteral("Save"))) << english.join(u'|').toStdString();
    ASSERT_TRUE(english.contains(QStringLiteral("Cancel")));

    // Removed again at the end: the other tests read Qt's texts untranslated.
    const std::unique_ptr<QTranslator> translator(installQtTranslation(*QCoreApplication::instance()));
    ASSERT_NE(translator, nullptr) << "qtbase_zh_CN.qm not found (package qt6-translations-l10n)";
    EXPECT_EQ(translator->language(), QStringLiteral("zh_CN"));
    const QStringList chinese = standardTexts();
    ASSERT_EQ(chinese.size(), english.size());
    EXPECT_TRUE(chinese.contains(QStringLiteral("保存"))) << chinese.join(u'|').toStdString();
    EXPECT_TRUE(chinese.contains(QStringLiteral("取消"))) << chinese.join(u'|').toStdString();
    for (int i = 0; i < chinese.size(); ++i) {
        EXPECT_NE(chinese[i], english[i]) << english[i].toStdString() << " is not translated";
    }
}

} // namespace
} // namespace korvel::test
