#pragma once

#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace korvel {

class ChoiceHost;

// The choice panel: "位数选择", "玩法选择", "生杀", "计算方法" and "计算/验算选择" with the issue to
// verify. A click hands the choice to the host, which switches the formula kind; the buttons always show
// the host's choices (个位 leaves "通选" disabled and 单选 checked). The host must outlive the panel.
class ChoicePanel : public QWidget {
    Q_OBJECT
public:
    explicit ChoicePanel(ChoiceHost& host, QWidget* parent = nullptr);

    QRadioButton* positionButton(int position) const; // 1 个位, 2 十位, 3 百位
    QLineEdit* verifyIssueEdit() const { return m_verifyIssue; }

    void showChoices();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRadioButton* addRadio(QGroupBox* box, QButtonGroup* group, int id, const QString& caption, const QString& name);

    ChoiceHost& m_host;
    QButtonGroup* m_position;
    QButtonGroup* m_play;
    QButtonGroup* m_sense;
    QButtonGroup* m_method;
    QButtonGroup* m_mode;
    QLineEdit* m_verifyIssue;
};

} // namespace korvel
