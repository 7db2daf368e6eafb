#pragma once

#include "tally/SortSettings.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace korvel {

// "公式排序设置": three groups "第一排序", "第二排序", "第三排序" of five options each, and the limit
// box "设置需要保留的项目个数限额(少于或等于)". The options show and change the given dialog state; each
// time the dialog is shown the limit box reads "3" again. "确定(&O)" stores the settings (every key
// descending) and hides the dialog with Accepted; any other way out leaves the settings as they were.
//
// The state and the settings are the session's and must outlive the dialog.
class SortSettingsDialog : public QDialog {
    Q_OBJECT
public:
    SortSettingsDialog(SortDialogState& state, SortSettings& settings, QWidget* parent = nullptr);

    QRadioButton* option(int group, int option) const;
    QLineEdit* limitBox() const { return m_limit; }
    QPushButton* okButton() const { return m_ok; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void confirm();

    SortDialogState& m_state;
    SortSettings& m_settings;
    std::array<QButtonGroup*, SortDialogState::kGroupCount> m_groups{};
    QLineEdit* m_limit;
    QPushButton* m_ok;
};

} // namespace korvel
