#pragma once

#include "bets/BetList.h"
#include "bets/TallyDigits.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;
class QVBoxLayout;

namespace korvel {

class BetBacktestWindow;
class BetListModel;
class FilterPanel;
class Session;

// "投注单": the kept digits of each position (three rows of buttons 0–9, or the last 计算公式 result), the play
// (直选 / 组选), the filters, and the list they make with its count, cost, chance of a win and expected
// return at the prize table of the settings. Every change recounts the list at once. The list goes out by
// "复制" (clipboard), "导出文本", "导出Excel" and "打印预览"; "投注回测" opens the backtest with the same play
// and filters.
//
// `lastTally` gives the digits the last 计算公式 run kept (nullopt before a run); `askSortSettings` shows
// "公式排序设置" for a backtest of the best method. The session must outlive the window. GUI thread only.
class BetListWindow : public QWidget {
    Q_OBJECT
public:
    using TallySource = std::function<std::optional<TallyKeptDigits>()>;
    BetListWindow(Session& session, TallySource lastTally, std::function<void()> askSortSettings,
                  QWidget* parent = nullptr);
    ~BetListWindow() override;

    // The digit button of position 0 百位 .. 2 个位.
    QPushButton* digitButton(int position, int digit) const
    {
        return m_digits[static_cast<std::size_t>(position)][static_cast<std::size_t>(digit)];
    }
    KeptDigits keptDigits() const;
    void setKeptDigits(const KeptDigits& kept);
    // "取计算结果": the positions the last run tallied take its kept digits; true when there was a run.
    bool takeTallyDigits();
    BetPlay play() const;
    FilterPanel* filterPanel() const { return m_filters; }
    const BetList& list() const;
    BetListModel* model() const { return m_model; }
    QTableView* listView() const { return m_view; }
    QLabel* countLabel() const { return m_count; }
    QLabel* costLabel() const { return m_cost; }
    QLabel* returnLabel() const { return m_return; }
    QLabel* problemLabel() const { return m_problem; }
    BetBacktestWindow* backtestWindow() const;

    void recount();
    void copyToClipboard();
    void exportText();
    void exportSheet();
    void printPreview();
    void openBacktest();

private:
    QGroupBox* buildDigitBox();
    QVBoxLayout* buildResultColumn();
    QHBoxLayout* buildCommandRow();

    Session& m_session;
    TallySource m_lastTally;
    std::function<void()> m_askSort;
    std::array<std::array<QPushButton*, 10>, 3> m_digits{};
    QRadioButton* m_direct;
    QRadioButton* m_group;
    FilterPanel* m_filters;
    BetListModel* m_model;
    QTableView* m_view;
    QLabel* m_count;
    QLabel* m_cost;
    QLabel* m_return;
    QLabel* m_problem;
    QPointer<BetBacktestWindow> m_backtest;
};

} // namespace korvel
