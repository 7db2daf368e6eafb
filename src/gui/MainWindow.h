#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QCheckBox;
class QHBoxLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTabBar;
class QVBoxLayout;

namespace korvel {

class ChoicePanel;
class EntryLine;
class FormulaDrawColumns;
class FormulaFilterDialog;
class FormulaListModel;
class FormulaListView;
class GridWheelScroller;
class HistoryGridModel;
class HistoryGridView;
class ParameterReferenceView;
class SearchWindow;
class Session;
class SettingsMenu;
class SortSettingsDialog;

// The main window: the entry line, the history grid, the formula area, the choice panel and the command
// buttons. It holds widgets only; every state it shows is the session's, and every command goes to the
// session. Commands whose features are not built yet are shown disabled. The mouse wheel moves the focused
// grid one row per event.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The command buttons, each with its caption and object name. The window itself drives the ones it
    // enables; the others wait, disabled, for the command object that attaches to them (MainAssembly).
    struct Buttons {
        QPushButton* deleteLast = nullptr;
        QPushButton* onlineUpdate = nullptr;
        QPushButton* exportText = nullptr;
        QPushButton* reference = nullptr;
        QPushButton* trend = nullptr;
        QPushButton* addFormula = nullptr;
        QPushButton* compute = nullptr;
        QPushButton* backtest = nullptr;
        QPushButton* betList = nullptr;
        QPushButton* importFormulaText = nullptr;
        QPushButton* onlineFormula = nullptr;
        QPushButton* exportAllKinds = nullptr;
        QPushButton* exportKind = nullptr;
        QPushButton* exportList = nullptr;
        QPushButton* clearFormulas = nullptr;
        QPushButton* selectAllFormulas = nullptr;
        QPushButton* invertSelection = nullptr;
        QPushButton* positionValues = nullptr;
        QPushButton* filterSettings = nullptr;
        QPushButton* search = nullptr;
        QPushButton* settings = nullptr;
    };

    explicit MainWindow(Session& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    const Buttons& buttons() const { return m_buttons; }
    // "公式中文显示" / "公式英文显示" above the formula list.
    QTabBar* formulaTabs() const { return m_formulaTabs; }

    EntryLine* entryLine() const { return m_entry; }
    HistoryGridView* historyGrid() const { return m_historyGrid; }
    HistoryGridModel* historyModel() const { return m_historyModel; }
    ChoicePanel* choicePanel() const { return m_choices; }
    SettingsMenu* settingsMenu() const { return m_settingsMenu; }
    GridWheelScroller* wheelScroller() const { return m_wheel; }
    // The reference view "参数对照", created on first use.
    ParameterReferenceView* referenceView();

    FormulaListView* formulaGrid() const { return m_formulaGrid; }
    FormulaListModel* formulaModel() const { return m_formulaModel; }
    // "公式过滤设置窗口" and "公式排序设置", created on first use.
    FormulaFilterDialog* filterDialog();
    SortSettingsDialog* sortSettingsDialog();
    // "公式搜索设置以及搜索结果" while it is open (modal; a new one on every opening), else null.
    SearchWindow* searchWindow() const;
    void openSearchWindow();

    // The size a first start opens at on a screen with this available area: every column of the formula
    // list shown, bounded by the screen. Later starts restore the size, place and splitter of the last run.
    QSize openingSize(const QRect& available) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // MainWindowLayout.cpp
    void buildLayout();
    QWidget* buildFormulaColumn();
    QWidget* buildCommandColumn();
    // The formula list goes into the slot in place of the placeholder (the window takes ownership).
    void setFormulaArea(QWidget* widget);
    QPushButton* addButton(const QString& caption, const QString& name, bool enabled);

    void showHistory();
    void showKind();
    void showFormulaColumns();
    void connectFormulaCommands();
    void addTypedFormula();
    void passStarted();
    void passFinished();
    void deleteLastDraw();
    void exportHistoryText();
    void openReferenceView();
    void popUpSettings();
    void restoreWindowState();

    Session& m_session;
    HistoryGridModel* m_historyModel;
    HistoryGridView* m_historyGrid;
    EntryLine* m_entry;
    ChoicePanel* m_choices;
    SettingsMenu* m_settingsMenu;
    GridWheelScroller* m_wheel;
    QVBoxLayout* m_formulaSlot = nullptr;
    QWidget* m_formulaArea = nullptr;
    Buttons m_buttons;
    QPointer<ParameterReferenceView> m_reference;
    FormulaListModel* m_formulaModel;
    FormulaListView* m_formulaGrid = nullptr;
    QLineEdit* m_formulaInput = nullptr;
    QTabBar* m_formulaTabs = nullptr;
    QCheckBox* m_formulaColumns = nullptr;
    std::shared_ptr<FormulaDrawColumns> m_drawColumns;
    QPointer<FormulaFilterDialog> m_filter;
    QPointer<SortSettingsDialog> m_sort;
    QPointer<SearchWindow> m_searchWindow;
    int m_passDepth = 0;
    int m_historyWidth = 0;
    QHBoxLayout* m_body = nullptr;
    QSplitter* m_splitter = nullptr;
    QByteArray m_splitterState; // the division of the width while the history grid shows formula columns
};

} // namespace korvel
