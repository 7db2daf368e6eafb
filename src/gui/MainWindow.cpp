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
#include "platform/SettingsStore.h"
#include "session/Session.h"
#include "session/SessionChoiceHost.h"
#include "session/SessionEntryHost.h"
#include "settings/Options.h"
#include "verify/FormulaList.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace korvel {

namespace {
// Where the window keeps its geometry in the settings store (application "3VER").
const QString kWindowSection = QStringLiteral("MainWindow");
const QString kGeometryKey = QStringLiteral("geometry");
const QString kSplitterKey = QStringLiteral("splitter");
constexpr int kOpeningHeight = 700;
constexpr int kSlack = 8; // rounding of the layouts

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

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    auto* top = new QHBoxLayout;
    top->addWidget(m_entry, 1);
    Buttons& b = m_buttons;
    b.deleteLast = addButton(QStringLiteral("删除最后历史(&D)"), QStringLiteral("deleteLastButton"), true);
    top->addWidget(b.deleteLast);
    b.onlineUpdate = addButton(QStringLiteral("开奖历史在线更新(&O)"), QStringLiteral("onlineUpdateButton"), false);
    b.onlineUpdate->setToolTip(QStringLiteral("从官方服务器更新历史号码"));
    top->addWidget(b.onlineUpdate);
    outer->addLayout(top);

    auto* body = new QHBoxLayout;
    auto* historyPane = new QWidget(central);
    auto* historyColumn = new QVBoxLayout(historyPane);
    historyColumn->setContentsMargins(0, 0, 0, 0);
    historyColumn->addWidget(m_historyGrid, 1);
    b.exportText = addButton(QStringLiteral("历史号码导出文本文件(&X)"), QStringLiteral("exportTextButton"), true);
    b.reference = addButton(QStringLiteral("公式参数对照说明(&I)"), QStringLiteral("referenceButton"), true);
    historyColumn->addWidget(b.exportText);
    // The trend chart sits beside the reference view; ChartCommands attaches to it.
    auto* referenceRow = new QHBoxLayout;
    referenceRow->addWidget(b.reference, 1);
    b.trend = addButton(QStringLiteral("走势图(&Z)"), QStringLiteral("trendButton"), false);
    referenceRow->addWidget(b.trend);
    historyColumn->addLayout(referenceRow);
    // Wide enough for the issue and the three digits; with formula columns it widens (showFormulaColumns).
    m_historyWidth = m_historyGrid->columnWidth(0) + 3 * m_historyGrid->columnWidth(1) +
                     2 * m_historyGrid->frameWidth() + m_historyGrid->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                     2;
    m_historyGrid->setFixedWidth(m_historyWidth);
    m_body = body;
    // The draws and the formula list share the width through a splitter; it matters when the history grid
    // carries the formula columns and the user chooses how much of the width they take.
    m_splitter = new QSplitter(Qt::Horizontal, central);
    m_splitter->setObjectName(QStringLiteral("mainSplitter"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(historyPane);
    m_splitter->addWidget(buildFormulaColumn());
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    body->addWidget(m_splitter, 1);
    body->addWidget(buildCommandColumn());
    outer->addLayout(body, 1);

    auto* progress = new QProgressBar(central);
    progress->setObjectName(QStringLiteral("progressBar"));
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    outer->addWidget(progress);
    setCentralWidget(central);
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

QPushButton* MainWindow::addButton(const QString& caption, const QString& name, bool enabled)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setEnabled(enabled);
    return button;
}

QWidget* MainWindow::buildFormulaColumn()
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* input = new QHBoxLayout;
    m_formulaInput = new QLineEdit(column);
    m_formulaInput->setObjectName(QStringLiteral("formulaInput"));
    input->addWidget(m_formulaInput, 1);
    m_buttons.addFormula = addButton(QStringLiteral("添加所输公式(&A)"), QStringLiteral("addFormulaButton"), true);
    input->addWidget(m_buttons.addFormula);
    layout->addLayout(input);

    m_formulaTabs = new QTabBar(column);
    m_formulaTabs->setObjectName(QStringLiteral("formulaTabs"));
    m_formulaTabs->addTab(QStringLiteral("公式中文显示"));
    m_formulaTabs->addTab(QStringLiteral("公式英文显示"));
    layout->addWidget(m_formulaTabs);

    // Until the formula list is built the slot holds an empty frame of the list's size.
    m_formulaArea = new QFrame(column);
    m_formulaArea->setObjectName(QStringLiteral("formulaAreaPlaceholder"));
    static_cast<QFrame*>(m_formulaArea)->setFrameShape(QFrame::StyledPanel);
    m_formulaSlot = new QVBoxLayout;
    m_formulaSlot->setContentsMargins(0, 0, 0, 0);
    m_formulaSlot->addWidget(m_formulaArea);
    layout->addLayout(m_formulaSlot, 1);

    m_formulaColumns = new QCheckBox(QStringLiteral("历史列表显示公式各期验算结果(时间较长，请耐性等待...)"), column);
    m_formulaColumns->setObjectName(QStringLiteral("formulaColumnsCheck"));
    layout->addWidget(m_formulaColumns);
    return column;
}

QWidget* MainWindow::buildCommandColumn()
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_choices);
    m_buttons.compute = addButton(QStringLiteral("计算公式(&C)"), QStringLiteral("computeButton"), false);
    m_buttons.backtest = addButton(QStringLiteral("方法回测"), QStringLiteral("backtestButton"), false);
    m_buttons.betList = addButton(QStringLiteral("投注单"), QStringLiteral("betListButton"), false);
    layout->addWidget(m_buttons.compute);
    auto* tallyRow = new QHBoxLayout;
    tallyRow->addWidget(m_buttons.backtest);
    tallyRow->addWidget(m_buttons.betList);
    layout->addLayout(tallyRow);

    auto* grid = new QGridLayout;
    struct Command {
        const char* caption;
        const char* name;
        QPushButton* Buttons::*slot;
    };
    const Command commands[] = {
        {"读取公式文本(N)", "importFormulaTextButton", &Buttons::importFormulaText},
        {"公式在线更新（&W)", "onlineFormulaButton", &Buttons::onlineFormula},
        {"所有类公式中文导出", "exportAllKindsButton", &Buttons::exportAllKinds},
        {"所选类公式中文导出", "exportKindButton", &Buttons::exportKind},
        {"导出列表到Excel", "exportListButton", &Buttons::exportList},
        {"清空所有公式", "clearFormulasButton", &Buttons::clearFormulas},
        {"选中所有公式", "selectAllFormulasButton", &Buttons::selectAllFormulas},
        {"反选所有公式", "invertSelectionButton", &Buttons::invertSelection},
        {"公式往期位置值结果列表", "positionValuesButton", &Buttons::positionValues},
        {"公式过滤设置", "filterSettingsButton", &Buttons::filterSettings},
        {"公式搜索(&F)", "searchButton", &Buttons::search},
    };
    int i = 0;
    for (const Command& c : commands) {
        m_buttons.*c.slot = addButton(QString::fromUtf8(c.caption), QString::fromLatin1(c.name), false);
        grid->addWidget(m_buttons.*c.slot, i / 2, i % 2);
        ++i;
    }
    m_buttons.settings = addButton(QStringLiteral("软件设置(&T)"), QStringLiteral("settingsButton"), true);
    grid->addWidget(m_buttons.settings, i / 2, i % 2);
    layout->addLayout(grid);
    layout->addStretch(1);
    return column;
}

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

void MainWindow::showFormulaColumns()
{
    const FormulaList& list = m_session.formulas();
    const int wanted = list.hasPerDraw() ? list.rowCount() : 0;
    const int shown = m_drawColumns ? m_drawColumns->columnCount() : 0;
    if (wanted == shown) {
        if (shown > 0) {
            m_historyModel->refreshExtraColumns();
        }
        return;
    }
    m_drawColumns = wanted > 0 ? std::make_shared<FormulaDrawColumns>(list) : nullptr;
    m_historyModel->setExtraColumns(m_drawColumns);
    // With formula columns the grid shares the width with the formula list (as the user last divided it),
    // else it fits the draws.
    if (wanted > 0) {
        m_historyGrid->setMinimumWidth(m_historyWidth);
        m_historyGrid->setMaximumWidth(QWIDGETSIZE_MAX);
        // The splitter reads the pane's new limits only once its layout has taken them.
        m_splitter->widget(0)->layout()->activate();
        if (m_splitterState.isEmpty() || !m_splitter->restoreState(m_splitterState)) {
            const int total = m_splitter->width();
            m_splitter->setSizes({total / 2, total - total / 2});
        }
    } else {
        if (shown > 0) {
            m_splitterState = m_splitter->saveState();
        }
        m_historyGrid->setFixedWidth(m_historyWidth);
    }
    m_splitter->setStretchFactor(0, wanted > 0 ? 1 : 0);
}

QSize MainWindow::openingSize(const QRect& available) const
{
    // Every column of the formula list beside the draws and the commands, as far as the screen allows.
    const QMargins margins = centralWidget()->layout()->contentsMargins();
    const int gap = m_body->spacing() >= 0
                        ? m_body->spacing()
                        : style()->layoutSpacing(QSizePolicy::DefaultType, QSizePolicy::DefaultType, Qt::Horizontal);
    QWidget* commands = m_body->itemAt(1)->widget();
    const int width = margins.left() + margins.right() + m_splitter->widget(0)->sizeHint().width() +
                      m_splitter->handleWidth() + m_formulaGrid->fullWidth() + gap +
                      (commands ? commands->sizeHint().width() : 0) + kSlack;
    // Room for the window frame and title bar, which the available area does not count.
    const QSize room = available.size() - QSize(16, 40);
    return QSize(width, kOpeningHeight).boundedTo(room);
}

void MainWindow::restoreWindowState()
{
    const SettingsStore& store = m_session.settings();
    const QByteArray geometry = QByteArray::fromBase64(store.value(kWindowSection, kGeometryKey).toLatin1());
    m_splitterState = QByteArray::fromBase64(store.value(kWindowSection, kSplitterKey).toLatin1());
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        resize(openingSize(screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768)));
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The size, place and division of the window come back at the next start.
    SettingsStore& store = m_session.settings();
    if (m_drawColumns) {
        m_splitterState = m_splitter->saveState();
    }
    store.setValue(kWindowSection, kGeometryKey, QString::fromLatin1(saveGeometry().toBase64()));
    if (!m_splitterState.isEmpty()) {
        store.setValue(kWindowSection, kSplitterKey, QString::fromLatin1(m_splitterState.toBase64()));
    }
    QMainWindow::closeEvent(event);
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

void MainWindow::setFormulaArea(QWidget* widget)
{
    if (m_formulaArea) {
        m_formulaSlot->removeWidget(m_formulaArea);
        m_formulaArea->deleteLater();
    }
    m_formulaArea = widget;
    m_formulaSlot->addWidget(widget);
}

ParameterReferenceView* MainWindow::referenceView()
{
    if (!m_reference) {
        m_reference = new ParameterReferenceView(this);
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
    m_historyModel->setHighlight(m_session.kind().position, m_session.playChoice() == Session::PlayChoice::Single);
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
    m_searchWindow->show();
}

void MainWindow::popUpSettings()
{
    m_settingsMenu->popup(m_buttons.settings->mapToGlobal(QPoint(0, m_buttons.settings->height())));
}

} // namespace korvel
