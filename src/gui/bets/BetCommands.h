#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QPushButton;
class QWidget;

namespace korvel {

class BetListWindow;
class Session;
class TallyCommands;

// The main window's way to the bet list: the button "投注单" opens the window (one, kept while open) with the
// kept digits of the last 计算公式 run of `tally`; the settings menu's "奖金设置(&J)" recounts an open list
// at the new prizes. Lives as a child of the window; the session and the tally commands must outlive it.
class BetCommands : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPushButton* betList = nullptr;
        QAction* prizeTable = nullptr;
        TallyCommands* tally = nullptr;
        std::function<void()> askSortSettings;
    };

    BetCommands(Session& session, const Controls& controls, QWidget* window);

    void openBetList();
    BetListWindow* betListWindow() const;

private:
    Session& m_session;
    Controls m_controls;
    QWidget* m_parent;
    QPointer<BetListWindow> m_window;
};

} // namespace korvel
