#pragma once

#include <QWidget>

#include <array>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvel {

class SearchSession;
struct SearchProgress;

// "公式自动搜索方案设置": the quota of every kind (grouped "单选" and "通选"; 通选个位 is shown but not
// offered), the formulas each table holds beside it, "公式保有数量" / "公式新增数量", the two automatic-saving
// boxes, the "公式总保有量" label, "保存设置", "调用设置" and the scheme's commands "确定搜索方案开始搜索",
// "暂停" and "继续". The kind labels turn red while the scheme searches that kind and blue once it is done.
class SchemePanel : public QWidget {
    Q_OBJECT
public:
    explicit SchemePanel(SearchSession& session, QWidget* parent = nullptr);

    QLineEdit* quotaField(int kindNumber) const { return m_quotas[static_cast<std::size_t>(kindNumber - 1)]; }
    QLabel* kindLabel(int kindNumber) const { return m_kindLabels[static_cast<std::size_t>(kindNumber - 1)]; }
    QLabel* existingLabel(int kindNumber) const { return m_existing[static_cast<std::size_t>(kindNumber - 1)]; }
    QLabel* totalHeldLabel() const { return m_totalHeld; }
    QPushButton* startButton() const { return m_start; }
    QPushButton* pauseButton() const { return m_pause; }
    QPushButton* continueButton() const { return m_continue; }

    void showSession();
    void showProgress(const SearchProgress& p);

private:
    QGroupBox* buildQuotaGroup(int play, QWidget* box);
    QHBoxLayout* buildModeRow(QWidget* box);
    QHBoxLayout* buildStoreRow(QWidget* box);
    void connectSignals();
    void showTotal();

    SearchSession& m_session;
    std::array<QLineEdit*, 6> m_quotas{};
    std::array<QLabel*, 6> m_kindLabels{};
    std::array<QLabel*, 6> m_existing{};
    QButtonGroup* m_mode;
    QCheckBox* m_append = nullptr;
    QCheckBox* m_replace = nullptr;
    QLabel* m_totalHeld = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_continue = nullptr;
};

} // namespace korvel
