#include "gui/tally/TallyResultWindow.h"

#include "gui/tally/TallyGrids.h"
#include "gui/tally/TallyResultModels.h"
#include "gui/widgets/GridWheelScroller.h"
#include "platform/Dialogs.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace korvel {

namespace {

// Rows the grids show without scrolling: the ten digits (two categories) and up to ten summary values.
int gridHeight(const QTableView* grid, int rows)
{
    return grid->horizontalHeader()->sizeHint().height() + rows * grid->verticalHeader()->defaultSectionSize() +
           2 * grid->frameWidth() + 2;
}

} // namespace

TallyResultWindow::TallyResultWindow(ResultView view, Database* db, Dialogs& dialogs, Launcher& launcher,
                                     QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_view(view), m_result(db), m_dialogs(dialogs), m_launcher(launcher),
      m_folder(std::move(folder)), m_wheel(new GridWheelScroller(this))
{
    setObjectName(objectNameOf(view));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(TallyResult::designCaption());

    auto* layout = new QVBoxLayout(this);
    m_pageSlot = new QVBoxLayout;
    m_pageSlot->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_pageSlot, 1);
    if (view != ResultView::Group) {
        m_tabs = new QTabWidget(this);
        m_tabs->setObjectName(QStringLiteral("positionTabs"));
        m_pageSlot->addWidget(m_tabs);
    }

    auto* bottom = new QHBoxLayout;
    if (view == ResultView::PerPosition) {
        // The design text of the label until the first load names the position.
        m_sumLabel = new QLabel(QStringLiteral("星首选和值"), this);
        m_sumLabel->setObjectName(QStringLiteral("firstChoiceLabel"));
        m_sumBox = new QLineEdit(this);
        m_sumBox->setObjectName(QStringLiteral("firstChoiceBox"));
        m_sumBox->setReadOnly(true);
        m_sumBox->setMaximumWidth(80);
        bottom->addWidget(m_sumLabel);
        bottom->addWidget(m_sumBox);
    }
    bottom->addStretch(1);
    m_detail = new QPushButton(QStringLiteral("详细结果列表(&D)"), this);
    m_detail->setObjectName(QStringLiteral("detailListButton"));
    m_detail->setVisible(false);
    m_export = new QPushButton(QStringLiteral("导出列表(&E)"), this);
    m_export->setObjectName(QStringLiteral("exportResultButton"));
    bottom->addWidget(m_detail);
    bottom->addWidget(m_export);
    layout->addLayout(bottom);

    connect(m_export, &QPushButton::clicked, this, &TallyResultWindow::exportList);
    connect(m_detail, &QPushButton::clicked, this, &TallyResultWindow::detailListRequested);
    // A re-sort renames the count headers, which are wider.
    connect(&m_result, &TallyResult::changed, this, &TallyResultWindow::applyWidths);
}

TallyResultWindow::~TallyResultWindow() = default;

QString TallyResultWindow::objectNameOf(ResultView view)
{
    switch (view) {
    case ResultView::Group:
        return QStringLiteral("frmErrarr");
    case ResultView::PerPosition:
        return QStringLiteral("frmErrarrLei");
    case ResultView::PerPositionCategory:
        break;
    }
    return QStringLiteral("frmErrarrLeiDS");
}

QTableView* TallyResultWindow::listGrid(int page) const
{
    return page >= 0 && page < pageCount() ? m_pages[static_cast<std::size_t>(page)].list : nullptr;
}

QTableView* TallyResultWindow::summaryGrid(int page) const
{
    return page >= 0 && page < pageCount() ? m_pages[static_cast<std::size_t>(page)].summary : nullptr;
}

void TallyResultWindow::load(const TallySet& tally, const TallyResult::Setup& setup)
{
    m_result.load(tally, setup);
    if (pageCount() != m_result.pageCount()) {
        rebuildPages();
    }
    for (int i = 0; m_tabs && i < pageCount(); ++i) {
        m_tabs->setTabText(i, m_result.page(i).tabCaption);
    }
    if (m_tabs) {
        // Pages run 个位 up to the chosen position: the window opens on the position the player chose.
        m_tabs->setCurrentIndex(pageCount() - 1);
    }
    setWindowTitle(setup.caption);
    m_detail->setVisible(setup.detailListVisible);
    if (m_sumLabel) {
        m_sumLabel->setText(m_result.firstChoiceLabel());
        m_sumBox->setText(QString::number(m_result.firstChoiceSum()));
    }
    applyWidths();
    if (!isVisible()) {
        adjustSize();
    }
    showWriteError();
}

void TallyResultWindow::rebuildPages()
{
    for (Page& p : m_pages) {
        delete p.widget;
    }
    m_pages.clear();
    for (int i = 0; i < m_result.pageCount(); ++i) {
        Page page = buildPage(i);
        if (m_tabs) {
            m_tabs->addTab(page.widget, m_result.page(i).tabCaption);
        } else {
            m_pageSlot->addWidget(page.widget);
        }
        m_pages.push_back(page);
    }
}

TallyResultWindow::Page TallyResultWindow::buildPage(int index)
{
    Page page;
    page.widget = new QWidget(m_tabs ? static_cast<QWidget*>(m_tabs) : this);
    page.widget->setObjectName(QStringLiteral("resultPage%1").arg(index));
    auto* layout = new QVBoxLayout(page.widget);

    layout->addWidget(new QLabel(QStringLiteral("该类公式计算综合结果"), page.widget));
    page.list = new QTableView(page.widget);
    page.list->setObjectName(QStringLiteral("resultList%1").arg(index));
    page.list->setModel(new ResultListModel(m_result, index, page.list));
    setUpReadOnlyGrid(page.list);
    page.list->setToolTip(QStringLiteral("鼠标双击列表反向排序"));
    layout->addWidget(page.list);

    layout->addWidget(new QLabel(QStringLiteral("公式总计算结果情况统计"), page.widget));
    page.summary = new QTableView(page.widget);
    page.summary->setObjectName(QStringLiteral("resultSummary%1").arg(index));
    page.summary->setModel(new ResultSummaryModel(m_result, index, page.summary));
    setUpReadOnlyGrid(page.summary);
    layout->addWidget(page.summary);

    const int rows = m_view == ResultView::PerPositionCategory ? 2 : 10;
    page.list->setFixedHeight(gridHeight(page.list, rows));
    page.summary->setMinimumHeight(gridHeight(page.summary, std::min(rows, 5)));

    connect(page.list, &QAbstractItemView::doubleClicked, this,
            [this, index](const QModelIndex& cell) { m_result.resort(index, cell.column()); });
    connect(page.list->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this, index](int column) { m_result.resort(index, column); });
    m_wheel->watch(page.list);
    m_wheel->watch(page.summary);
    return page;
}

void TallyResultWindow::applyWidths()
{
    for (const Page& p : m_pages) {
        applyWidthsTwips(p.list, TallyResult::listWidthsTwips());
        applyWidthsTwips(p.summary, TallyResult::summaryWidthsTwips());
        p.list->setFixedWidth(fullWidth(p.list));
        p.summary->setMinimumWidth(fullWidth(p.summary));
    }
}

void TallyResultWindow::showWriteError()
{
    if (!m_result.writeError().isEmpty()) {
        m_dialogs.message(windowTitle(),
                          QStringLiteral("结果已显示，但无法写入数据库的ErrarrLei表：%1").arg(m_result.writeError()),
                          Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
}

void TallyResultWindow::exportList()
{
    m_result.exportList(m_folder, m_dialogs, m_launcher);
}

} // namespace korvel
