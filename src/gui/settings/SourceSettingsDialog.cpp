#include "gui/settings/SourceSettingsDialog.h"

#include "platform/SettingsStore.h"
#include "settings/Options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace korvel {

namespace {

enum Column { kEnabled = 0, kReader = 1, kAddress = 2 };
constexpr int kHeadersRole = Qt::UserRole + 1;

QComboBox* readerBox(SourceReader reader)
{
    auto* box = new QComboBox;
    for (SourceReader r : {SourceReader::Official, SourceReader::Chart, SourceReader::Text}) {
        box->addItem(QStringLiteral("%1（%2）").arg(drawsources::readerName(r), drawsources::readerCaption(r)),
                     drawsources::readerName(r));
    }
    box->setCurrentIndex(box->findData(drawsources::readerName(reader)));
    return box;
}

} // namespace

SourceSettingsDialog::SourceSettingsDialog(SettingsStore& settings, int game, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_game(game == Options::kGamePl3 ? Options::kGamePl3 : Options::kGameFc3d)
{
    setObjectName(QStringLiteral("sourceSettingsDialog"));
    setWindowTitle(QStringLiteral("在线更新设置"));
    for (int g : {Options::kGameFc3d, Options::kGamePl3}) {
        m_lists[g] = drawsources::load(settings, g);
    }
    m_testLimits.connect = std::chrono::milliseconds(10000);
    m_testLimits.total = std::chrono::milliseconds(30000);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("彩种：")));
    m_gameBox = new QComboBox;
    m_gameBox->setObjectName(QStringLiteral("sourceGameBox"));
    m_gameBox->addItem(Options::gameCaption(Options::kGameFc3d), Options::kGameFc3d);
    m_gameBox->addItem(Options::gameCaption(Options::kGamePl3), Options::kGamePl3);
    top->addWidget(m_gameBox);
    top->addWidget(new QLabel(QStringLiteral("来源按顺序尝试，前一个失败时用下一个。")), 1);
    layout->addLayout(top);

    layout->addLayout(sourceList(), 1);

    layout->addWidget(
        new QLabel(QStringLiteral("所选来源的请求头（每行一个“名称: 值”，User-Agent 不填时用浏览器的）：")));
    m_headers = new QPlainTextEdit;
    m_headers->setObjectName(QStringLiteral("sourceHeadersEdit"));
    m_headers->setFixedHeight(m_headers->fontMetrics().lineSpacing() * 4 + 12);
    layout->addWidget(m_headers);

    auto* testRow = new QHBoxLayout;
    m_test = new QPushButton(QStringLiteral("测试"));
    m_test->setObjectName(QStringLiteral("testSourceButton"));
    m_test->setToolTip(QStringLiteral("下载所选来源的第一页，显示读到的期数和最新一期"));
    testRow->addWidget(m_test);
    m_result = new QLabel;
    m_result->setObjectName(QStringLiteral("testSourceResult"));
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    testRow->addWidget(m_result, 1);
    layout->addLayout(testRow);

    m_autoUpdate = new QCheckBox(QStringLiteral("启动时自动更新历史号码"));
    m_autoUpdate->setObjectName(QStringLiteral("autoUpdateBox"));
    m_autoUpdate->setToolTip(
        QStringLiteral("程序启动时，如果历史号码缺少已开出的一期（每天约 21:15 开奖），在后台更新，"
                       "结果显示在状态栏"));
    m_autoUpdate->setChecked(drawsources::autoUpdateOnStart(settings));
    layout->addWidget(m_autoUpdate);

    m_problem = new QLabel;
    m_problem->setObjectName(QStringLiteral("sourceProblem"));
    m_problem->setStyleSheet(QStringLiteral("color: #b00020"));
    m_problem->setWordWrap(true);
    m_problem->hide();
    layout->addWidget(m_problem);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &SourceSettingsDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &SourceSettingsDialog::reject);

    connectControls();

    m_gameBox->setCurrentIndex(m_gameBox->findData(m_game));
    showList();
    m_table->selectRow(0);
    resize(820, 460);
}

QHBoxLayout* SourceSettingsDialog::sourceList()
{
    auto* middle = new QHBoxLayout;
    m_table = new QTableWidget(0, 3);
    m_table->setObjectName(QStringLiteral("sourceTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("启用"), QStringLiteral("读取方式"), QStringLiteral("地址")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->setVisible(true);
    m_table->horizontalHeader()->setSectionResizeMode(kEnabled, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(kReader, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(kAddress, QHeaderView::Stretch);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideMiddle); // the whole address is in the cell's tooltip and its editor
    m_table->setMinimumSize(640, 150);
    middle->addWidget(m_table, 1);
    auto* buttons = new QVBoxLayout;
    const auto button = [&](const QString& text, const QString& name) {
        auto* b = new QPushButton(text);
        b->setObjectName(name);
        buttons->addWidget(b);
        return b;
    };
    button(QStringLiteral("添加"), QStringLiteral("addSourceButton"));
    button(QStringLiteral("删除"), QStringLiteral("removeSourceButton"));
    button(QStringLiteral("上移"), QStringLiteral("moveSourceUpButton"));
    button(QStringLiteral("下移"), QStringLiteral("moveSourceDownButton"));
    button(QStringLiteral("恢复默认"), QStringLiteral("defaultSourcesButton"));
    buttons->addStretch(1);
    middle->addLayout(buttons);
    return middle;
}

void SourceSettingsDialog::connectControls()
{
    const auto button = [this](const char* name) { return findChild<QPushButton*>(QString::fromLatin1(name)); };
    connect(button("addSourceButton"), &QPushButton::clicked, this, [this] {
        takeList();
        DrawSource s;
        s.reader = SourceReader::Chart;
        m_lists[m_game].push_back(s);
        showList();
        m_table->selectRow(m_table->rowCount() - 1);
        m_table->editItem(m_table->item(m_table->rowCount() - 1, kAddress));
    });
    connect(button("removeSourceButton"), &QPushButton::clicked, this, [this] {
        const int row = currentRow();
        if (row < 0) {
            return;
        }
        takeList();
        m_lists[m_game].erase(m_lists[m_game].begin() + row);
        showList();
        m_table->selectRow(std::min(row, m_table->rowCount() - 1));
    });
    connect(button("moveSourceUpButton"), &QPushButton::clicked, this, [this] { move(-1); });
    connect(button("moveSourceDownButton"), &QPushButton::clicked, this, [this] { move(1); });
    connect(button("defaultSourcesButton"), &QPushButton::clicked, this, [this] {
        m_lists[m_game] = drawsources::defaults(m_game);
        showList();
        m_table->selectRow(0);
    });
    connect(m_test, &QPushButton::clicked, this, &SourceSettingsDialog::test);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &SourceSettingsDialog::onRowChanged);
    connect(m_table, &QTableWidget::itemChanged, this, [](QTableWidgetItem* item) {
        if (item->column() == kAddress) {
            item->setToolTip(item->text());
        }
    });
    connect(m_gameBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { setGame(m_gameBox->itemData(index).toInt()); });
}

SourceSettingsDialog::~SourceSettingsDialog() = default;

void SourceSettingsDialog::setGame(int game)
{
    if (game == m_game) {
        return;
    }
    takeList();
    m_game = game;
    m_gameBox->setCurrentIndex(m_gameBox->findData(game));
    showList();
    m_table->selectRow(0);
    m_result->clear();
}

void SourceSettingsDialog::addRow(const DrawSource& source)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    auto* enabled = new QTableWidgetItem;
    enabled->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    enabled->setCheckState(source.enabled ? Qt::Checked : Qt::Unchecked);
    m_table->setItem(row, kEnabled, enabled);
    m_table->setItem(row, kReader, new QTableWidgetItem);
    m_table->setCellWidget(row, kReader, readerBox(source.reader));
    auto* address = new QTableWidgetItem(source.address);
    address->setData(kHeadersRole, drawsources::headersText(source.headers));
    address->setToolTip(source.address);
    m_table->setItem(row, kAddress, address);
}

void SourceSettingsDialog::showList()
{
    m_headersRow = -1;
    const QSignalBlocker block(m_table);
    m_table->setRowCount(0);
    for (const DrawSource& s : m_lists[m_game]) {
        addRow(s);
    }
    m_headers->clear();
}

void SourceSettingsDialog::takeList()
{
    if (m_headersRow >= 0 && m_headersRow < m_table->rowCount()) {
        m_table->item(m_headersRow, kAddress)->setData(kHeadersRole, m_headers->toPlainText());
    }
    std::vector<DrawSource> list;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        DrawSource s;
        s.enabled = m_table->item(row, kEnabled)->checkState() == Qt::Checked;
        const auto* box = qobject_cast<QComboBox*>(m_table->cellWidget(row, kReader));
        s.reader = drawsources::readerFromName(box->currentData().toString()).value_or(SourceReader::Official);
        s.address = m_table->item(row, kAddress)->text().trimmed();
        s.headers = drawsources::parseHeaders(m_table->item(row, kAddress)->data(kHeadersRole).toString());
        list.push_back(s);
    }
    m_lists[m_game] = std::move(list);
}

std::vector<DrawSource> SourceSettingsDialog::sources(int game)
{
    if (game == m_game) {
        takeList();
    }
    return m_lists[game];
}

int SourceSettingsDialog::currentRow() const
{
    const QList<QTableWidgetItem*> selected = m_table->selectedItems();
    return selected.isEmpty() ? -1 : selected.front()->row();
}

void SourceSettingsDialog::onRowChanged()
{
    if (m_headersRow >= 0 && m_headersRow < m_table->rowCount()) {
        m_table->item(m_headersRow, kAddress)->setData(kHeadersRole, m_headers->toPlainText());
    }
    m_headersRow = currentRow();
    m_headers->setPlainText(m_headersRow < 0 ? QString()
                                             : m_table->item(m_headersRow, kAddress)->data(kHeadersRole).toString());
}

void SourceSettingsDialog::move(int by)
{
    const int row = currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= m_table->rowCount()) {
        return;
    }
    takeList();
    std::swap(m_lists[m_game][static_cast<std::size_t>(row)], m_lists[m_game][static_cast<std::size_t>(to)]);
    showList();
    m_table->selectRow(to);
}

void SourceSettingsDialog::test()
{
    const int row = currentRow();
    if (row < 0 || m_fetch) {
        return;
    }
    takeList();
    const DrawSource source = m_lists[m_game][static_cast<std::size_t>(row)];
    if (const QString problem = drawsources::addressProblem(source); !problem.isEmpty()) {
        m_result->setText(QStringLiteral("测试失败：%1").arg(problem));
        return;
    }
    SourceFetchPlan plan;
    plan.game = m_game;
    plan.currentYear = QDate::currentDate().year();
    plan.pageLimit = 1;
    m_fetch = std::make_unique<SourceFetch>(source, plan, m_testLimits);
    connect(m_fetch.get(), &SourceFetch::finished, this, [this](const SourceFetchResult& r) {
        m_fetch.release()->deleteLater();
        m_test->setEnabled(true);
        if (!r.ok()) {
            m_result->setText(QStringLiteral("测试失败：%1").arg(r.cancelled ? QStringLiteral("已取消") : r.error));
            return;
        }
        const auto newest = std::max_element(
            r.draws.begin(), r.draws.end(), [](const SourceDraw& a, const SourceDraw& b) { return a.issue < b.issue; });
        m_result->setText(QStringLiteral("读到 %1 期开奖号码，最新一期 %2 %3")
                              .arg(r.draws.size())
                              .arg(newest->issue, newest->text()));
    });
    m_test->setEnabled(false);
    m_result->setText(QStringLiteral("正在测试……"));
    m_fetch->start();
}

void SourceSettingsDialog::accept()
{
    takeList();
    for (const auto& [game, list] : m_lists) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            const QString problem = list[i].enabled ? drawsources::addressProblem(list[i]) : QString();
            if (!problem.isEmpty()) {
                setGame(game);
                m_table->selectRow(static_cast<int>(i));
                m_problem->setText(
                    QStringLiteral("%1的第 %2 个来源：%3").arg(Options::gameCaption(game)).arg(i + 1).arg(problem));
                m_problem->show();
                return;
            }
        }
    }
    for (const auto& [game, list] : m_lists) {
        // An untouched list of defaults stays unstored, so that it follows the program's defaults.
        if (list != drawsources::load(m_settings, game)) {
            drawsources::save(m_settings, game, list);
        }
    }
    drawsources::setAutoUpdateOnStart(m_settings, m_autoUpdate->isChecked());
    QDialog::accept();
}

} // namespace korvel
