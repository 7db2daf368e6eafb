#include "app/ui/MainWindow.h"

#include "app/Session.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/ExportNotice.h"
#include "history/ui/EntryLine.h"
#include "history/ui/HistoryGridModel.h"
#include "history/ui/HistoryGridView.h"
#include "history/ui/ParameterReferenceView.h"
#include "platform/SettingsStore.h"
#include "platform/ui/GridWheelScroller.h"
#include "search/ui/SearchWindow.h"
#include "settings/Options.h"
#include "settings/ui/SettingsMenu.h"
#include "tally/ui/FormulaFilterDialog.h"
#include "tally/ui/SortSettingsDialog.h"
#include "verify/FormulaList.h"
#include "verify/ui/ChoicePanel.h"
#include "verify/ui/FormulaDrawColumns.h"
#include "verify/ui/FormulaListModel.h"
#include "verify/ui/FormulaListView.h"

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
} // namespace

MainWindow::MainWindow(Session& session, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_historyModel(new HistoryGridModel(this)),
      m_historyGrid(new HistoryGridView(m_historyModel)), m_entry(new EntryLine(session)),
      m_choices(new ChoicePanel(session)), m_settingsMenu(new SettingsMenu(session, this)),
      m_wheel(new GridWheelScroller(this)), m_formulaModel(new FormulaListModel(session.formulas(), this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Korvel"));

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    auto* top = new QHBoxLayout;
    top->addWidget(m_entry, 1);
    QPushButton* deleteLast = addButton(QStringLiteral("删除最后历史(&D)"), QStringLiteral("deleteLastButton"), true);
    top->addWidget(deleteLast);
    QPushButton* online =
        addButton(QStringLiteral("开奖历史在线更新(&O)"), QStringLiteral("onlineUpdateButton"), false);
    online->setToolTip(QStringLiteral("从官方服务器更新历史号码"));
    top->addWidget(online);
    outer->addLayout(top);

    auto* body = new QHBoxLayout;
    auto* historyPane = new QWidget(central);
    auto* historyColumn = new QVBoxLayout(historyPane);
    historyColumn->setContentsMargins(0, 0, 0, 0);
    historyColumn->addWidget(m_historyGrid, 1);
    QPushButton* exportText =
        addButton(QStringLiteral("历史号码导出文本文件(&X)"), QStringLiteral("exportTextButton"), true);
    QPushButton* reference = addButton(QStringLiteral("公式参数对照说明(&I)"), QStringLiteral("referenceButton"), true);
    historyColumn->addWidget(exportText);
    // The trend chart sits beside the reference view; ChartCommands attaches to it.
    auto* referenceRow = new QHBoxLayout;
    referenceRow->addWidget(reference, 1);
    referenceRow->addWidget(addButton(QStringLiteral("走势图(&Z)"), QStringLiteral("trendButton"), false));
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

    connect(deleteLast, &QPushButton::clicked, this, &MainWindow::deleteLastDraw);
    connect(exportText, &QPushButton::clicked, this, &MainWindow::exportHistoryText);
    connect(reference, &QPushButton::clicked, this, &MainWindow::openReferenceView);
    connect(m_settingsButton, &QPushButton::clicked, this, &MainWindow::popUpSettings);
    auto* search = findChild<QPushButton*>(QStringLiteral("searchButton"));
    search->setEnabled(true);
    connect(search, &QPushButton::clicked, this, &MainWindow::openSearchWindow);

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
    m_addFormula = addButton(QStringLiteral("添加所输公式(&A)"), QStringLiteral("addFormulaButton"), true);
    input->addWidget(m_addFormula);
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
    layout->addWidget(addButton(QStringLiteral("计算公式(&C)"), QStringLiteral("computeButton"), false));
    layout->addWidget(addButton(QStringLiteral("方法回测"), QStringLiteral("backtestButton"), false));

    auto* grid = new QGridLayout;
    const std::pair<const char*, const char*> commands[] = {
        {"读取公式文本(N)", "importFormulaTextButton"},
        {"公式在线更新（&W)", "onlineFormulaButton"},
        {"所有类公式中文导出", "exportAllKindsButton"},
        {"所选类公式中文导出", "exportKindButton"},
        {"导出列表到Excel", "exportListButton"},
        {"清空所有公式", "clearFormulasButton"},
        {"选中所有公式", "selectAllFormulasButton"},
        {"反选所有公式", "invertSelectionButton"},
        {"公式往期位置值结果列表", "positionValuesButton"},
        {"公式过滤设置", "filterSettingsButton"},
        {"公式搜索(&F)", "searchButton"},
    };
    int i = 0;
    for (const auto& [caption, name] : commands) {
        grid->addWidget(addButton(QString::fromUtf8(caption), QString::fromLatin1(name), false), i / 2, i % 2);
        ++i;
    }
    m_settingsButton = addButton(QStringLiteral("软件设置(&T)"), QStringLiteral("settingsButton"), true);
    grid->addWidget(m_settingsButton, i / 2, i % 2);
    layout->addLayout(grid);
    layout->addStretch(1);
    return column;
}

void MainWindow::connectFormulaCommands()
{
    FormulaList& list = m_session.formulas();
    connect(m_addFormula, &QPushButton::clicked, this, &MainWindow::addTypedFormula);
    connect(m_formulaTabs, &QTabBar::currentChanged, this,
            [this](int tab) { m_formulaModel->setChineseText(tab == 0); });
    connect(m_formulaColumns, &QCheckBox::toggled, this, [this](bool on) { m_session.setPerDrawDisplay(on); });

    const std::pair<const char*, void (FormulaList::*)()> selection[] = {
        {"selectAllFormulasButton", &FormulaList::selectAll},
        {"invertSelectionButton", &FormulaList::invertSelection},
    };
    for (const auto& [name, command] : selection) {
        auto* button = findChild<QPushButton*>(QString::fromLatin1(name));
        button->setEnabled(true);
        connect(button, &QPushButton::clicked, &list, command);
    }
    auto* clear = findChild<QPushButton*>(QStringLiteral("clearFormulasButton"));
    clear->setEnabled(true);
    connect(clear, &QPushButton::clicked, &list, [&list] { list.clearAll(); });
    for (const char* name : {"clearFormulasButton", "selectAllFormulasButton", "invertSelectionButton"}) {
        findChild<QPushButton*>(QString::fromLatin1(name))
            ->setToolTip(QStringLiteral("执行公式列表中序号为蓝色的公式"));
    }
    auto* filter = findChild<QPushButton*>(QStringLiteral("filterSettingsButton"));
    filter->setEnabled(true);
    connect(filter, &QPushButton::clicked, this, [this] { filterDialog()->open(); });

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
    m_settingsMenu->popup(m_settingsButton->mapToGlobal(QPoint(0, m_settingsButton->height())));
}

} // namespace korvel
