#pragma once

#include "history/DrawSources.h"
#include "history/SourceFetch.h"

#include <QDialog>

#include <map>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace korvel {

class SettingsStore;

// "设置" → "在线更新设置": the ordered source list of each game (history/DrawSources.h), one row a source
// with "启用", "读取方式" and "地址", the selected source's request headers below, buttons to add, delete,
// move and restore the defaults, "测试" (fetches the selected source's first page as it stands in the
// dialog and shows how many draws it read and the newest one) and "启动时自动更新历史号码". "确定" stores
// both games' lists and the option; "取消" stores nothing. The settings must outlive the dialog.
class SourceSettingsDialog : public QDialog {
    Q_OBJECT
public:
    SourceSettingsDialog(SettingsStore& settings, int game, QWidget* parent = nullptr);
    ~SourceSettingsDialog() override;

    // The list of a game as the dialog holds it now (edits included).
    std::vector<DrawSource> sources(int game);
    int game() const { return m_game; }
    void setGame(int game);
    // Limits of the test fetch (the tests shorten them).
    void setTestLimits(const FetchLimits& limits) { m_testLimits = limits; }

    QTableWidget* table() const { return m_table; }
    QPushButton* testButton() const { return m_test; }
    QLabel* testResult() const { return m_result; }
    QCheckBox* autoUpdateBox() const { return m_autoUpdate; }
    QPlainTextEdit* headersEdit() const { return m_headers; }

    void accept() override;

private:
    QHBoxLayout* sourceList(); // the table and its buttons
    void connectControls();
    void showList();
    void takeList(); // the table's rows into m_lists[m_game]
    void addRow(const DrawSource& source);
    int currentRow() const;
    void onRowChanged();
    void move(int by);
    void test();

    SettingsStore& m_settings;
    int m_game;
    std::map<int, std::vector<DrawSource>> m_lists;
    int m_headersRow = -1;
    FetchLimits m_testLimits;
    std::unique_ptr<SourceFetch> m_fetch;

    QComboBox* m_gameBox;
    QTableWidget* m_table;
    QPlainTextEdit* m_headers;
    QPushButton* m_test;
    QLabel* m_result;
    QCheckBox* m_autoUpdate;
    QLabel* m_problem;
};

} // namespace korvel
