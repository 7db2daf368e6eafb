#pragma once

#include "search/ThresholdTable.h"

#include <QWidget>

#include <array>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QVBoxLayout;

namespace korvel {

class SearchSession;
struct SearchProgress;

// The search window's settings of the kind being searched: "位数选择", "玩法选择", "生杀", the ten threshold
// fields under "当前公式参数值" with the statistics of the candidate verified last beside each row,
// "保存当前种类参数设置", the operand count "公式运算元数", the tail constant "公式末尾偏移常数", the display
// form "公式形式", "允许引用前N期", "穷举上限", the space's size "候选公式总数" and the share of it the search has
// covered, "自动中止" and the seed of the search's generator.
//
// Every edit goes to the session at once; showSession() brings the widgets in line with the session (a
// field is rewritten only when its text differs, so typing is never disturbed).
class SearchSettingsPanel : public QWidget {
    Q_OBJECT
public:
    explicit SearchSettingsPanel(SearchSession& session, QWidget* parent = nullptr);

    QRadioButton* positionButton(int position) const; // 1 个位, 2 十位, 3 百位
    QRadioButton* singleButton() const { return m_single; }
    QRadioButton* groupButton() const { return m_group; }
    QRadioButton* killButton() const { return m_killButton; }
    QRadioButton* keepButton() const { return m_keepButton; }
    QLineEdit* thresholdField(int slot) const { return m_thresholds[static_cast<std::size_t>(slot)]; }
    QSlider* operandSlider() const { return m_operands; }
    QLineEdit* autoStopField() const { return m_autoStopField; }
    QCheckBox* earlierDrawsCheck() const { return m_earlierDraws; }
    QLineEdit* spaceSizeField() const { return m_spaceField; }

    void showSession();
    void showProgress(const SearchProgress& p);
    // While the scheme walks the kinds it chooses them; the user's choices wait.
    void setKindChoiceEnabled(bool enabled);

private:
    void addKindChoices(QVBoxLayout* layout);
    void addThresholds(QVBoxLayout* layout);
    void addCandidateSettings(QVBoxLayout* layout);
    void addSpaceSettings(QVBoxLayout* layout);
    void addStopRow(QVBoxLayout* layout);
    void connectChoices();
    void connectCandidateSettings();
    void showSpaceSize();
    void chooseSeed();

    SearchSession& m_session;
    QButtonGroup* m_position;
    QButtonGroup* m_play;
    QButtonGroup* m_sense;
    QButtonGroup* m_constantMode;
    QButtonGroup* m_form;
    QRadioButton* m_single = nullptr;
    QRadioButton* m_group = nullptr;
    QRadioButton* m_killButton = nullptr;
    QRadioButton* m_keepButton = nullptr;
    QGroupBox* m_positionBox = nullptr;
    QGroupBox* m_playBox = nullptr;
    QGroupBox* m_senseBox = nullptr;
    std::array<QLineEdit*, kThresholdSlots> m_thresholds{};
    std::array<QLineEdit*, 5> m_stats{};
    QSlider* m_operands = nullptr;
    QLineEdit* m_operandField = nullptr;
    QLineEdit* m_constantField = nullptr;
    QCheckBox* m_autoStop = nullptr;
    QLineEdit* m_autoStopField = nullptr;
    QLineEdit* m_seedField = nullptr;
    QCheckBox* m_earlierDraws = nullptr;
    QSpinBox* m_lagSpin = nullptr;
    QLineEdit* m_limitField = nullptr;
    QLineEdit* m_spaceField = nullptr;
    QLineEdit* m_coverageField = nullptr;
};

} // namespace korvel
