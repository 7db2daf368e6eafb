#include "gui/bets/BetCommands.h"

#include "bets/TallyDigits.h"
#include "gui/bets/BetListWindow.h"
#include "gui/tally/TallyCommands.h"
#include "gui/widgets/RequiredControls.h"

#include <QAction>
#include <QPushButton>

namespace korvel {

BetCommands::BetCommands(Session& session, const Controls& controls, QWidget* window)
    : QObject(window), m_session(session), m_controls(controls), m_parent(window)
{
    requireControls("BetCommands", {{controls.betList, "betList"},
                                    {controls.prizeTable, "prizeTable"},
                                    {controls.tally, "tally"},
                                    {window, "window"}});
    setObjectName(QStringLiteral("betCommands"));
    controls.betList->setEnabled(true);
    connect(controls.betList, &QPushButton::clicked, this, &BetCommands::openBetList);
    // The menu stores the new prizes first; an open list shows them.
    connect(
        controls.prizeTable, &QAction::triggered, this,
        [this] {
            if (m_window) {
                m_window->recount();
            }
        },
        Qt::QueuedConnection);
}

BetListWindow* BetCommands::betListWindow() const
{
    return m_window;
}

void BetCommands::openBetList()
{
    if (!m_window) {
        TallyCommands* tally = m_controls.tally;
        const auto lastTally = [tally]() -> std::optional<TallyKeptDigits> {
            const auto& view = tally->command().lastView();
            if (!view) {
                return std::nullopt;
            }
            return keptDigitsOfTally(tally->command().tally(), *view);
        };
        m_window = new BetListWindow(m_session, lastTally, m_controls.askSortSettings, m_parent);
        // A list opened after a run starts from that run's kept digits.
        m_window->takeTallyDigits();
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace korvel
