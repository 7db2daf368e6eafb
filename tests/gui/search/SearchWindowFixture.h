#pragma once

#include "gui/WindowFixture.h"

#include "gui/search/SearchSettingsPanel.h"
#include "gui/search/SearchWindow.h"
#include "history/DrawTableSchema.h"
#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "search/ThresholdTable.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>

namespace korvel::test {

inline const std::array<QString, kThresholdSlots> kKillDefaults = {"94.6",  "100", "0", "2",  "48",
                                                                   "32768", "0",   "0", "32", "32768"};

// The main window on real draws, and the search window opened from it by its button.
class SearchWindowTest : public WindowFixture {
protected:
    // Opens the search window by its button on the main window.
    SearchWindow* openSearch()
    {
        auto* button = child<QPushButton>(QStringLiteral("searchButton"));
        if (!button || !button->isEnabled()) {
            ADD_FAILURE() << "公式搜索(&F) missing or disabled";
            return nullptr;
        }
        QTest::mouseClick(button, Qt::LeftButton);
        SearchWindow* w = m_window->searchWindow();
        if (w) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        }
        return w;
    }

    template <typename T> T* in(SearchWindow* w, const QString& name)
    {
        T* widget = w->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << "no child named " << name.toStdString();
        return widget;
    }

    void type(QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }

    void typeThresholds(SearchWindow* w, const std::array<QString, kThresholdSlots>& t)
    {
        for (int i = 0; i < kThresholdSlots; ++i) {
            type(w->settingsPanel()->thresholdField(i), t[static_cast<std::size_t>(i)]);
        }
    }

    std::array<QString, kThresholdSlots> shownThresholds(SearchWindow* w)
    {
        std::array<QString, kThresholdSlots> t;
        for (int i = 0; i < kThresholdSlots; ++i) {
            t[static_cast<std::size_t>(i)] = w->settingsPanel()->thresholdField(i)->text();
        }
        return t;
    }

    void click(QAbstractButton* button)
    {
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled()) << button->text().toStdString() << " is disabled";
        if (qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button)) {
            // A stretched box takes clicks only on its indicator and caption.
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->height() / 2, button->height() / 2));
        } else {
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }

    int verifiedShown(SearchWindow* w) { return in<QLineEdit>(w, QStringLiteral("verifiedField"))->text().toInt(); }
    int foundShown(SearchWindow* w) { return in<QLineEdit>(w, QStringLiteral("foundField"))->text().toInt(); }

    // Waits until the window's polling saw its run end.
    bool waitForRunEnd(SearchWindow* w, int ms = 60000)
    {
        return QTest::qWaitFor([&] { return !w->polling(); }, ms);
    }
};

} // namespace korvel::test
