#pragma once

#include <QMenu>

#include <array>
#include <functional>

class QAction;

namespace korvel {

class Session;

// The menu "设置": where the history grid shows formula results, the evaluation window and its
// exclude-current flag, the weighted rate, the years of the online update, the game, the repair of the
// draws' issue values, and the restore of the defaults. Each item changes the option through the session (which stores
// it at once); the check marks always show the options as they are, whoever changed them.
class SettingsMenu : public QMenu {
    Q_OBJECT
public:
    explicit SettingsMenu(Session& session, QWidget* parent = nullptr);

    QAction* resultsAtNextAction() const { return m_atNext; }
    QAction* resultsAtCurrentAction() const { return m_atCurrent; }
    QMenu* windowMenu() const { return m_windowMenu; }
    QAction* excludeCurrentAction() const { return m_excludeCurrent; }
    QAction* windowAction(int index) const { return m_window[static_cast<std::size_t>(index)]; }
    QAction* weightedRateAction() const { return m_weighted; }
    QMenu* gameMenu() const { return m_gameMenu; }
    QAction* fc3dAction() const { return m_fc3d; }
    QAction* pl3Action() const { return m_pl3; }
    // "奖金设置(&J)": the prize table of the bet lists.
    QAction* prizeTableAction() const { return m_prizes; }
    // "导入内置历史" (handled here) and "关于" (the window opens the box).
    QAction* aboutAction() const { return m_about; }

    void showOptions();

private:
    QAction* addCheckable(QMenu* menu, const QString& caption, const QString& name);
    void onTrigger(QAction* action, std::function<void()> change);

    Session& m_session;
    QAction* m_atNext;
    QAction* m_atCurrent;
    QMenu* m_windowMenu;
    QAction* m_excludeCurrent;
    std::array<QAction*, 10> m_window{};
    QAction* m_weighted;
    QAction* m_searchYears;
    QMenu* m_gameMenu;
    QAction* m_fc3d;
    QAction* m_pl3;
    QAction* m_prizes;
    QAction* m_repair;
    QAction* m_restore;
    QAction* m_importBundled;
    QAction* m_about;
};

} // namespace korvel
