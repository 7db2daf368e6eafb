// The main window's widgets and where they sit: the entry line over the draws, the formula list and the
// command column. The commands are wired in MainWindow.cpp.
#include "gui/MainWindow.h"

#include "gui/history/EntryLine.h"
#include "gui/history/HistoryGridView.h"
#include "gui/verify/ChoicePanel.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QVBoxLayout>

namespace korvel {

void MainWindow::buildLayout()
{
    Buttons& b = m_buttons;
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    auto* top = new QHBoxLayout;
    top->addWidget(m_entry, 1);
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
}

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
    m_buttons.backtest = addButton(QStringLiteral("方法回测(&H)"), QStringLiteral("backtestButton"), false);
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
        {"读取公式文本(&N)", "importFormulaTextButton", &Buttons::importFormulaText},
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

void MainWindow::setFormulaArea(QWidget* widget)
{
    if (m_formulaArea) {
        m_formulaSlot->removeWidget(m_formulaArea);
        m_formulaArea->deleteLater();
    }
    m_formulaArea = widget;
    m_formulaSlot->addWidget(widget);
}

} // namespace korvel
