#pragma once

#include <memory>

namespace korvel {

class ChartCommands;
class MainWindow;
class Session;
class SettingsStore;
class TallyCommands;

// The program's main window with every command object attached, built as the program runs it: the window
// first (so that it shows every step of the start-up), then the draw and formula transfers, the tally and
// the pictures. The session and the settings must outlive it. The assembly owns the window; the command
// objects are the window's children and go with it. GUI thread only.
class MainAssembly {
public:
    MainAssembly(Session& session, SettingsStore& settings);
    ~MainAssembly();
    MainAssembly(const MainAssembly&) = delete;
    MainAssembly& operator=(const MainAssembly&) = delete;

    MainWindow& window() const { return *m_window; }
    TallyCommands& tally() const { return *m_tally; }
    ChartCommands& charts() const { return *m_charts; }

private:
    std::unique_ptr<MainWindow> m_window;
    TallyCommands* m_tally = nullptr;
    ChartCommands* m_charts = nullptr;
};

} // namespace korvel
