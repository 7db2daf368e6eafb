#pragma once

#include <QWidget>

#include <array>

class QLineEdit;

namespace korvel {

class EntryHost;

// The entry line "手工输入已经开出的历史号码记录下一期:": the issue field (期号), three one-character digit
// boxes (开奖号) and the date field (日期). A digit typed in box 1 or 2 lands there and moves the focus on;
// a digit typed in box 3 stores the draw through the session at once, after which the focus returns to box
// 1, which empties the boxes. Other characters are left to the box and store nothing. The issue and date
// fields show the host's texts and hand every edit back to it; the date is normalised on focus-out. The
// host must outlive the line.
class EntryLine : public QWidget {
    Q_OBJECT
public:
    explicit EntryLine(EntryHost& host, QWidget* parent = nullptr);

    QLineEdit* issueEdit() const { return m_issue; }
    QLineEdit* digitBox(int i) const { return m_digits[static_cast<std::size_t>(i)]; } // 0 百位, 1 十位, 2 个位
    QLineEdit* dateEdit() const { return m_date; }

    // Focus to box 1 (which empties the three boxes).
    void focusFirstBox();

signals:
    // A key was typed in box 3, whether or not it stored a draw: the history grid shows its newest rows.
    void thirdBoxTyped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showHostTexts();
    bool digitKey(int box, const QString& text);
    int boxOf(QObject* watched) const;

    EntryHost& m_host;
    QLineEdit* m_issue;
    std::array<QLineEdit*, 3> m_digits{};
    QLineEdit* m_date;
};

} // namespace korvel
