#pragma once

#include "tally/FormulaFilter.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;

namespace korvel {

class Dialogs;
class FormulaList;

// "公式过滤设置窗口": under "公式参数" one row per statistic (name, lower box, "到", upper box; boxes 0–9,
// lower bound at the even number). Each time it is shown the boxes take the ranges spanned by the selected
// formulas; "确定(&K)" hides it, clears the selection of every formula outside a range and tells how many
// remain ("过滤后公式剩余" + count + "条", title "公式过滤结果"). Entering a box selects its whole text.
//
// The list and the dialogs must outlive the dialog.
class FormulaFilterDialog : public QDialog {
    Q_OBJECT
public:
    FormulaFilterDialog(FormulaList& list, Dialogs& dialogs, QWidget* parent = nullptr);

    QLineEdit* box(int i) const { return m_boxes[static_cast<std::size_t>(i)]; }
    QPushButton* okButton() const { return m_ok; }
    FormulaFilter::Boxes boxTexts() const;

    // Writes the ranges of the selected formulas into the boxes.
    void prefill();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void confirm();

    FormulaList& m_list;
    Dialogs& m_dialogs;
    std::array<QLineEdit*, FormulaFilter::kBoxCount> m_boxes{};
    QPushButton* m_ok;
};

} // namespace korvel
