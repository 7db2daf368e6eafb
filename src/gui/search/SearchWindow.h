#pragma once

#include <QDialog>

#include <memory>

class QLabel;
class QLayout;
class QLineEdit;
class QSpinBox;
class QListWidget;
class QPushButton;
class QTimer;

namespace korvel {

class GridWheelScroller;
class SchemePanel;
class SearchSession;
class SearchSettingsPanel;
class Session;
class SessionSearchHost;
class TuningPanel;
struct SearchProgress;

// "公式搜索设置以及搜索结果": the formula search window, modal over the main window. It shows the state of a
// SearchSession and forwards its commands: the settings of the kind searched, the scheme, the tuning, the
// manual search "开始搜索(&F)" / "暂停搜索(&E)", the candidate field and counters, the result list, the saves
// "公式追加到数据库(&A)" / "公式更新到数据库(&N)" (which refresh the main window) and "公式中文导出".
//
// The candidates are verified on worker threads; while a run goes on the window polls its progress a few
// times a second, so it stays responsive and a pause takes effect at once. Closing the window stops any
// run and discards the result list and the counters; while found formulas are unsaved it asks first
// ("搜索结果尚未保存，是否关闭？", Yes closes). The session must outlive the window.
class SearchWindow : public QDialog {
    Q_OBJECT
public:
    // threads <= 0: one worker per core.
    explicit SearchWindow(Session& session, QWidget* parent = nullptr, int threads = 0);
    ~SearchWindow() override;

    SearchSession& search() { return *m_search; }
    SearchSettingsPanel* settingsPanel() const { return m_settings; }
    SchemePanel* schemePanel() const { return m_scheme; }
    TuningPanel* tuningPanel() const { return m_tuning; }
    QListWidget* resultList() const { return m_results; }
    GridWheelScroller* wheelScroller() const { return m_wheel; }
    // True while the window polls a run.
    bool polling() const;

    // Interval of the progress polling while a run goes on.
    static constexpr int kPollIntervalMs = 200;

    // Reads the session's state into every widget.
    void refresh();

    // Closing (or Esc) asks while results are unsaved, then stops any run.
    void done(int result) override;

private:
    QWidget* buildSearchColumn();
    // "留出最近 K 期检验", "检验正确率 ≥", "随机对照" and their figures.
    QLayout* buildHonestyRow(QWidget* column);
    void started(bool ok);
    void showProgress(const SearchProgress& p);
    void appendResultLines(int lines);
    void save(bool append);

    Session& m_session;
    std::unique_ptr<SessionSearchHost> m_host;
    std::unique_ptr<SearchSession> m_search;
    SearchSettingsPanel* m_settings = nullptr;
    SchemePanel* m_scheme = nullptr;
    TuningPanel* m_tuning = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_pause = nullptr;
    QLineEdit* m_candidate = nullptr;
    QLineEdit* m_verified = nullptr;
    QLineEdit* m_found = nullptr;
    QListWidget* m_results = nullptr;
    QListWidget* m_rejected = nullptr;
    QSpinBox* m_holdout = nullptr;
    QLineEdit* m_holdoutMin = nullptr;
    QPushButton* m_control = nullptr;
    QLabel* m_controlLabel = nullptr;
    QLabel* m_rejectedLabel = nullptr;
    GridWheelScroller* m_wheel = nullptr;
    QTimer* m_timer = nullptr;
    bool m_inPoll = false;
};

} // namespace korvel
