#include "gui/MainWindow.h"

#include "gui/AboutDialog.h"
#include "gui/history/EntryLine.h"
#include "gui/history/HistoryGridModel.h"
#include "gui/history/HistoryGridView.h"
#include "gui/history/ParameterReferenceView.h"
#include "gui/search/SearchWindow.h"
#include "gui/settings/SettingsMenu.h"
#include "gui/tally/FormulaFilterDialog.h"
#include "gui/tally/SortSettingsDialog.h"
#include "gui/verify/ChoicePanel.h"
#include "gui/verify/FormulaDrawColumns.h"
#include "gui/verify/FormulaListModel.h"
#include "gui/verify/FormulaListView.h"
#include "gui/widgets/ExportNotice.h"
#include "gui/widgets/GridWheelScroller.h"
#include "gui/widgets/WindowSize.h"
#include "history/HistorySnapshot.h"
#include "platform/SettingsStore.h"
#include "session/Session.h"
#include "session/SessionChoiceHost.h"
#include "session/SessionEntryHost.h"
#include "settings/Options.h"
#include "verify/FormulaList.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>

namespace korvel {

namespace {
// The busy pointer while a command runs to its end on this thread.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The entry line's view of the session: a child of the window, so it lives as long as the line.
EntryHost& entryHostOf(Session& session, QObject* window)
{
    return *new SessionEntryHost(session, window);
}

// The choice panel's view of the session, likewise.
ChoiceHost& choiceHostOf(Session& session, QObject* window)
{
    return *new SessionChoiceHost(session, window);
}
} // namespace

MainWindow::MainWindow(Session& session, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_historyModel(new HistoryGridModel(this)),
      m_historyGrid(new HistoryGridView(m_historyModel)), m_entry(new EntryLine(entryHostOf(session, this))),
      m_choices(new ChoicePanel(choiceHostOf(session, this))), m_settingsMenu(new SettingsMenu(session, this)),
      m_wheel(new GridWheelScroller(this)), m_formulaModel(new FormulaListModel(session.formulas(), this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Korvel"));

    buildLayout();
    Buttons& b = m_buttons;
    // Every export, from this window or another, says here where its file went.
    statusBar()->addWidget(new ExportNotice(session, this), 1);

    m_wheel->watch(m_historyGrid);
    m_formulaGrid = new FormulaListView(m_formulaModel);
    setFormulaArea(m_formulaGrid);
    m_wheel->watch(m_formulaGrid);
    connectFormulaCommands();

    connect(b.deleteLast, &QPushButton::clicked, this, &MainWindow::deleteLastDraw);
    connect(b.exportText, &QPushButton::clicked, this, &MainWindow::exportHistoryText);
    connect(b.reference, &QPushButton::clicked, this, &MainWindow::openReferenceView);
    connect(b.settings, &QPushButton::clicked, this, &MainWindow::popUpSettings);
    b.search->setEnabled(true);
    connect(b.search, &QPushButton::clicked, this, &MainWindow::openSearchWindow);

    // The list-to-spreadsheet export comes with the formula export.
    m_historyGrid->exportListAction()->setEnabled(false);
    connect(m_historyGrid->deleteAllAction(), &QAction::triggered, this, [this] {
        const BusyCursor busy;
        m_session.deleteAllDraws();
    });
    // These two ask first; the session shows its own questions, so no busy pointer over the input box.
    connect(m_historyGrid->deleteToChosenAction(), &QAction::triggered, this,
            [this] { m_session.deleteToChosenIssue(); });
    connect(m_historyGrid->deleteLastCountAction(), &QAction::triggered, this, [this] { m_session.deleteLastCount(); });
    connect(m_historyGrid, &HistoryGridView::issueClicked, this,
            [this](const QString& issue) { m_session.setSelectedIssue(issue); });
    connect(m_entry, &EntryLine::thirdBoxTyped, m_historyGrid, &HistoryGridView::scrollToNewest);

    connect(&m_session, &Session::historyChanged, this, &MainWindow::showHistory);
    // An empty history is offered the bundled one once the window is up and the current command is done.
    connect(&m_session, &Session::historyChanged, this, [this] {
        if (m_session.snapshot()->empty()) {
            QTimer::singleShot(0, this, [this] { m_session.offerBundledHistory(); });
        }
    });
    connect(m_settingsMenu->aboutAction(), &QAction::triggered, this, [this] {
        AboutDialog about(m_session, this);
        about.exec();
    });
    connect(&m_session, &Session::kindChanged, this, &MainWindow::showKind);
    showKind();
    showHistory();
    showFormulaColumns();
    restoreWindowState();
}

MainWindow::~MainWindow() = default;

void MainWindow::connectFormulaCommands()
{
    FormulaList& list = m_session.formulas();
    connect(m_buttons.addFormula, &QPushButton::clicked, this, &MainWindow::addTypedFormula);
    connect(m_formulaTabs, &QTabBar::currentChanged, this,
            [this](int tab) { m_formulaModel->setChineseText(tab == 0); });
    connect(m_formulaColumns, &QCheckBox::toggled, this, [this](bool on) { m_session.setPerDrawDisplay(on); });

    const std::pair<QPushButton*, void (FormulaList::*)()> selection[] = {
        {m_buttons.selectAllFormulas, &FormulaList::selectAll},
        {m_buttons.invertSelection, &FormulaList::invertSelection},
    };
    for (const auto& [button, command] : selection) {
        button->setEnabled(true);
        connect(button, &QPushButton::clicked, &list, command);
    }
    m_buttons.clearFormulas->setEnabled(true);
    connect(m_buttons.clearFormulas, &QPushButton::clicked, &list, [&list] { list.clearAll(); });
    for (QPushButton* button : {m_buttons.clearFormulas, m_buttons.selectAllFormulas, m_buttons.invertSelection}) {
        button->setToolTip(QStringLiteral("执行公式列表中序号为蓝色的公式"));
    }
    m_buttons.filterSettings->setEnabled(true);
    connect(m_buttons.filterSettings, &QPushButton::clicked, this, [this] { filterDialog()->open(); });

    connect(&m_session, &Session::statisticsPassStarted, this, &MainWindow::passStarted);
    connect(&m_session, &Session::statisticsPassFinished, this, &MainWindow::passFinished);
    // After a pass, and after a rebuild that changed the number of formulas, the grid's formula columns follow.
    connect(&list, &FormulaList::figuresChanged, this, &MainWindow::showFormulaColumns);
    connect(&list, &FormulaList::rebuilt, this, [this] {
        if (m_drawColumns && m_drawColumns->columnCount() != m_session.formulas().rowCount()) {
            showFormulaColumns();
        }
    });
}

void MainWindow::addTypedFormula()
{
    if (m_session.addTypedFormula(m_formulaInput->text())) {
        m_formulaInput->clear();
        return;
    }
    // Refused: the text stays for correction.
    m_formulaInput->setFocus();
}

void MainWindow::passStarted()
{
    // The rate header names the method the coming figures are counted by.
    m_formulaModel->setWeightedRate(m_session.options().weightedRate());
    if (m_passDepth++ == 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void MainWindow::passFinished()
{
    if (m_passDepth > 0 && --m_passDepth == 0) {
        QApplication::restoreOverrideCursor();
    }
}

FormulaFilterDialog* MainWindow::filterDialog()
{
    if (!m_filter) {
        m_filter = new FormulaFilterDialog(m_session.formulas(), m_session.dialogs(), this);
    }
    return m_filter;
}

SortSettingsDialog* MainWindow::sortSettingsDialog()
{
    if (!m_sort) {
        m_sort = new SortSettingsDialog(m_session.sortDialogState(), m_session.sortSettings(), this);
    }
    return m_sort;
}

ParameterReferenceView* MainWindow::referenceView()
{
    if (!m_reference) {
        m_reference = new ParameterReferenceView(this);
        WindowSize::keep(m_reference, m_session.settings());
        m_reference->setSnapshot(m_session.snapshot());
    }
    return m_reference;
}

void MainWindow::showHistory()
{
    m_historyModel->setSnapshot(m_session.snapshot());
    m_historyGrid->scrollToNewest();
    if (m_reference) {
        m_reference->setSnapshot(m_session.snapshot());
    }
}

void MainWindow::showKind()
{
    m_historyModel->setHighlight(m_session.choices().kind().position,
                                 m_session.choices().playChoice() == Session::PlayChoice::Single);
}

void MainWindow::deleteLastDraw()
{
    m_session.deleteLastDraw();
    m_entry->focusFirstBox();
}

void MainWindow::exportHistoryText()
{
    const BusyCursor busy;
    m_session.exportHistoryText();
}

void MainWindow::openReferenceView()
{
    ParameterReferenceView* view = referenceView();
    view->show();
    view->raise();
    view->activateWindow();
}

SearchWindow* MainWindow::searchWindow() const
{
    return m_searchWindow;
}

void MainWindow::openSearchWindow()
{
    if (m_searchWindow) {
        m_searchWindow->raise();
        return;
    }
    // Closing discards its results and counters: every opening starts afresh.
    m_searchWindow = new SearchWindow(m_session, this);
    m_searchWindow->setAttribute(Qt::WA_DeleteOnClose);
    WindowSize::keep(m_searchWindow, m_session.settings());
    m_searchWindow->show();
}

void MainWindow::popUpSettings()
{
    m_settingsMenu->popup(m_buttons.settings->mapToGlobal(QPoint(0, m_buttons.settings->height())));
}

} // namespace korvel
