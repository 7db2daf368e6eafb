#include "gui/settings/SettingsMenu.h"

#include "history/DrawFileImport.h"
#include "session/Session.h"
#include "settings/Options.h"
#include "settings/PrizeTable.h"

namespace korvel {

SettingsMenu::SettingsMenu(Session& session, QWidget* parent)
    : QMenu(QStringLiteral("设置"), parent), m_session(session)
{
    setObjectName(QStringLiteral("settingsMenu"));
    Options& options = m_session.options();

    m_atNext = addCheckable(this, QStringLiteral("历史列表公式验算结果显示在下期(&N)"),
                            QStringLiteral("actionResultsAtNextIssue"));
    m_atCurrent = addCheckable(this, QStringLiteral("历史列表公式验算结果显示在当期(&T)"),
                               QStringLiteral("actionResultsAtCurrentIssue"));
    onTrigger(m_atNext, [this] { m_session.options().setResultsAtCurrentIssue(false); });
    onTrigger(m_atCurrent, [this] { m_session.options().setResultsAtCurrentIssue(true); });

    m_windowMenu = addMenu(QStringLiteral("检索期数设置(&Q)"));
    m_windowMenu->setObjectName(QStringLiteral("windowMenu"));
    m_excludeCurrent =
        addCheckable(m_windowMenu, QStringLiteral("检索期数前溯不含当前期"), QStringLiteral("actionExcludeCurrent"));
    onTrigger(m_excludeCurrent, [this] { m_session.options().toggleExcludeCurrent(); });
    m_windowMenu->addSeparator();
    for (int i = 0; i < Options::kWindowCount; ++i) {
        QAction* item = addCheckable(m_windowMenu, Options::windowCaption(i), QStringLiteral("actionWindow%1").arg(i));
        onTrigger(item, [this, i] { m_session.chooseWindow(i); });
        m_window[static_cast<std::size_t>(i)] = item;
    }

    m_weighted = addCheckable(this, QStringLiteral("正确率使用期数加权算法(&A)"), QStringLiteral("actionWeightedRate"));
    onTrigger(m_weighted, [this] { m_session.options().toggleWeightedRate(); });

    m_searchYears = addAction(QStringLiteral("历史号码更新检索年数设置(&D)"));
    m_searchYears->setObjectName(QStringLiteral("actionSearchYears"));
    m_searchYears->setToolTip(QStringLiteral("历史号码为空时，在线更新从几年前开始下载（更新只添加号码，从不删除）"));
    onTrigger(m_searchYears, [this] { m_session.askSearchYears(); });

    m_gameMenu = addMenu(QStringLiteral("彩种选择"));
    m_gameMenu->setObjectName(QStringLiteral("gameMenu"));
    m_fc3d = addCheckable(m_gameMenu, Options::gameCaption(Options::kGameFc3d), QStringLiteral("actionGameFc3d"));
    m_pl3 = addCheckable(m_gameMenu, Options::gameCaption(Options::kGamePl3), QStringLiteral("actionGamePl3"));
    onTrigger(m_fc3d, [this] { m_session.options().setGame(Options::kGameFc3d); });
    onTrigger(m_pl3, [this] { m_session.options().setGame(Options::kGamePl3); });

    m_prizes = addAction(QStringLiteral("奖金设置(&J)"));
    m_prizes->setObjectName(QStringLiteral("actionPrizeTable"));
    m_prizes->setToolTip(QStringLiteral("投注单的每注金额与直选、组三、组六奖金"));
    connect(m_prizes, &QAction::triggered, this, [this] { askPrizeTable(m_session.settings(), m_session.dialogs()); });

    addSeparator();
    m_restore = addAction(QStringLiteral("恢复默认设置(&R)"));
    m_restore->setObjectName(QStringLiteral("actionRestoreDefaults"));
    onTrigger(m_restore, [this] { m_session.restoreDefaults(); });

    addSeparator();
    m_importBundled = addAction(QStringLiteral("导入内置历史"));
    m_importBundled->setObjectName(QStringLiteral("actionImportBundledHistory"));
    m_importBundled->setToolTip(QStringLiteral("导入随程序提供的历史号码中比已有最新一期更新的号码"));
    // The import ends with a message box of its own, so no busy pointer here; the statistics pass has one.
    connect(m_importBundled, &QAction::triggered, this,
            [this] { m_session.importBundledHistory(m_session.options().game()); });
    m_repair = addAction(QStringLiteral("修复历史期号参数(&F)"));
    m_repair->setObjectName(QStringLiteral("actionRepairIssueValues"));
    connect(m_repair, &QAction::triggered, this, [this] { m_session.repairIssueValues(); });
    m_about = addAction(QStringLiteral("关于"));
    m_about->setObjectName(QStringLiteral("actionAbout"));

    connect(&options, &Options::changed, this, &SettingsMenu::showOptions);
    showOptions();
}

void SettingsMenu::onTrigger(QAction* action, std::function<void()> change)
{
    connect(action, &QAction::triggered, this, [this, change = std::move(change)] {
        change();
        // An option set to the value it already had emits nothing, yet Qt has flipped the mark.
        showOptions();
    });
}

QAction* SettingsMenu::addCheckable(QMenu* menu, const QString& caption, const QString& name)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setCheckable(true);
    return action;
}

void SettingsMenu::showOptions()
{
    const Options& options = m_session.options();
    // Qt toggles a checkable item before its handler runs; this puts every mark back to what is stored.
    m_atNext->setChecked(!options.resultsAtCurrentIssue());
    m_atCurrent->setChecked(options.resultsAtCurrentIssue());
    m_excludeCurrent->setChecked(options.excludeCurrent());
    for (int i = 0; i < Options::kWindowCount; ++i) {
        m_window[static_cast<std::size_t>(i)]->setChecked(options.windowIndex() == i);
    }
    m_weighted->setChecked(options.weightedRate());
    m_fc3d->setChecked(options.game() == Options::kGameFc3d);
    m_pl3->setChecked(options.game() == Options::kGamePl3);
}

} // namespace korvel
