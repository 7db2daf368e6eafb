#include "gui/tally/RankingListWindow.h"

#include "gui/widgets/GridWheelScroller.h"
#include "gui/widgets/PngExport.h"
#include "tally/RankHistogram.h"
#include "gui/tally/RankChartView.h"
#include "gui/tally/TallyGrids.h"

#include <QButtonGroup>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace korvel {

namespace {

constexpr int kSingle = 0;
constexpr int kGroup = 1;

} // namespace

RankingListModel::RankingListModel(QObject* parent)
    : QAbstractTableModel(parent), m_drawn(colourOf(kBlue)), m_onDrawn(colourOf(kWhite))
{
}

void RankingListModel::setList(RankingList list)
{
    beginResetModel();
    m_list = std::move(list);
    m_headers = m_list.headers();
    endResetModel();
}

int RankingListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.rowCount();
}

int RankingListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant RankingListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return m_list.cellText(index.row(), index.column());
    case Qt::BackgroundRole:
        return m_list.cellFill(index.row(), index.column()) ? QVariant(m_drawn) : QVariant();
    case Qt::ForegroundRole:
        return m_list.cellFill(index.row(), index.column()) ? QVariant(m_onDrawn) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() >= RankingList::kFixedColumns ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                                            : QVariant(Qt::AlignCenter);
    default:
        return {};
    }
}

QVariant RankingListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size()) {
        return m_headers[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

RankingListWindow::RankingListWindow(Dialogs& dialogs, Launcher& launcher, QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs), m_launcher(launcher), m_folder(std::move(folder)),
      m_model(new RankingListModel(this)), m_grid(new QTableView(this)), m_positions(new QButtonGroup(this)),
      m_plays(new QButtonGroup(this)), m_query(new QPushButton(QStringLiteral("查询该位该类对应号历史排序结果"), this)),
      m_export(new QPushButton(QStringLiteral("查询结果导出(&O)"), this)), m_chart(new RankChartView(this)),
      m_chartPicture(new QPushButton(QStringLiteral("导出图片"), this))
{
    setObjectName(QStringLiteral("frmLslb"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("历史开奖列表"));

    auto* layout = new QVBoxLayout(this);
    auto* choices = new QHBoxLayout;
    auto* positionBox = new QGroupBox(QStringLiteral("位数选择"), this);
    auto* positionRow = new QHBoxLayout(positionBox);
    const std::pair<int, const char*> positions[] = {{1, "个位"}, {2, "十位"}, {3, "百位"}};
    for (const auto& [p, caption] : positions) {
        auto* radio = new QRadioButton(QString::fromUtf8(caption), positionBox);
        radio->setObjectName(QStringLiteral("rankingPosition%1").arg(p));
        m_positions->addButton(radio, p);
        positionRow->addWidget(radio);
    }
    auto* playBox = new QGroupBox(QStringLiteral("玩法选择"), this);
    auto* playRow = new QHBoxLayout(playBox);
    auto* single = new QRadioButton(QStringLiteral("单选"), playBox);
    single->setObjectName(QStringLiteral("rankingPlaySingle"));
    auto* group = new QRadioButton(QStringLiteral("通选"), playBox);
    group->setObjectName(QStringLiteral("rankingPlayGroup"));
    m_plays->addButton(single, kSingle);
    m_plays->addButton(group, kGroup);
    playRow->addWidget(single);
    playRow->addWidget(group);
    choices->addWidget(positionBox);
    choices->addWidget(playBox);
    m_query->setObjectName(QStringLiteral("rankingQueryButton"));
    m_export->setObjectName(QStringLiteral("rankingExportButton"));
    choices->addWidget(m_query);
    choices->addWidget(m_export);
    m_chartPicture->setObjectName(QStringLiteral("rankingChartPictureButton"));
    m_chartPicture->setToolTip(QStringLiteral("名次分布图导出为PNG图片"));
    choices->addWidget(m_chartPicture);
    choices->addStretch(1);
    layout->addLayout(choices);

    m_grid->setObjectName(QStringLiteral("rankingGrid"));
    m_grid->setModel(m_model);
    setUpReadOnlyGrid(m_grid);
    m_grid->setToolTip(QStringLiteral("鼠标双击列表导出到EXCEL表格"));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_grid);
    split->addWidget(m_chart);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({380, 340});
    layout->addWidget(split, 1);

    connect(m_positions, &QButtonGroup::idClicked, this, &RankingListWindow::positionChosen);
    connect(m_query, &QPushButton::clicked, this, &RankingListWindow::query);
    connect(m_export, &QPushButton::clicked, this, &RankingListWindow::exportQuery);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, &RankingListWindow::exportOnDoubleClick);
    connect(m_chartPicture, &QPushButton::clicked, this, &RankingListWindow::exportChartPicture);
    (new GridWheelScroller(this))->watch(m_grid);
    choose(3, Play::Single);
    resize(1100, 800);
}

QRadioButton* RankingListWindow::positionOption(int position) const
{
    return qobject_cast<QRadioButton*>(m_positions->button(position));
}

QRadioButton* RankingListWindow::playOption(Play play) const
{
    return qobject_cast<QRadioButton*>(m_plays->button(play == Play::Group ? kGroup : kSingle));
}

int RankingListWindow::position() const
{
    return std::max(1, m_positions->checkedId());
}

Play RankingListWindow::play() const
{
    return m_plays->checkedId() == kGroup ? Play::Group : Play::Single;
}

void RankingListWindow::choose(int position, Play play)
{
    if (QRadioButton* radio = positionOption(position)) {
        radio->setChecked(true);
    }
    positionChosen(position);
    if (position != 1) {
        playOption(play)->setChecked(true);
    }
}

void RankingListWindow::positionChosen(int position)
{
    // 个位 has no group play, as in the main window.
    const bool groupAvailable = position != 1;
    if (!groupAvailable) {
        playOption(Play::Single)->setChecked(true);
    }
    playOption(Play::Group)->setEnabled(groupAvailable);
}

void RankingListWindow::setStore(std::shared_ptr<const RankingStore> store, int position, Play play)
{
    m_store = std::move(store);
    choose(position, play);
    query();
}

void RankingListWindow::query()
{
    if (!m_store) {
        return;
    }
    const BusyCursor busy;
    m_model->setList(RankingList(*m_store, position(), play()));
    std::vector<int> widths;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        widths.push_back(m_model->list().columnWidthTwips(c));
    }
    applyWidthsTwips(m_grid, widths);
    m_grid->resizeColumnToContents(0); // the issue
    // The group play lists several ranks and Err values in one cell; a value column may list ten digits.
    fitColumnsToTexts(m_grid, 1, 6);
    fitColumnsToTexts(m_grid, RankingList::kFixedColumns, m_model->columnCount() - 1);
    const FormulaKind kind{position(), play()};
    m_chart->setHistogram(rankHistogram(m_model->list()),
                          QStringLiteral("%1 开奖号在上期排序中的名次分布").arg(kind.label()));
    scrollToNewest();
}

void RankingListWindow::scrollToNewest()
{
    if (m_model->rowCount() > 0) {
        m_grid->scrollTo(m_model->index(m_model->rowCount() - 1, 0));
    }
}

void RankingListWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Before the first show the grid has no height to scroll against.
    QMetaObject::invokeMethod(this, &RankingListWindow::scrollToNewest, Qt::QueuedConnection);
}

void RankingListWindow::exportQuery()
{
    m_model->list().exportQuery(m_folder, m_dialogs, m_launcher);
}

QString RankingListWindow::exportChartPicture()
{
    return exportPng(widgetImage(m_chart), m_dialogs, QDir(m_folder).filePath(QStringLiteral("名次分布图.png")));
}

void RankingListWindow::exportOnDoubleClick()
{
    m_model->list().exportOnDoubleClick(m_folder, m_dialogs, m_launcher);
}

} // namespace korvel
