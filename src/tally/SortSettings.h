#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace korvel {

// The order in which the best-formula method walks the formulas, and how many digits it keeps. Kept for
// the run only (never stored on disk); `confirmed` tells whether "确定(&O)" stored them at least once.
struct SortSettings {
    std::array<QString, 3> sortKeys; // column names of the formula table, first key first; empty at start
    std::array<bool, 3> sortDescending{};
    std::int16_t keepLimit = 3; // "设置需要保留的项目个数限额(少于或等于)"
    bool confirmed = false;
};

// The state of "公式排序设置": three groups "第一排序", "第二排序", "第三排序" of five options each, and the
// limit box. The options chosen stay as the user left them; the limit box shows "3" again each time the
// dialog is activated.
class SortDialogState {
public:
    static constexpr int kGroupCount = 3;
    static constexpr int kOptionCount = 5;

    static QString groupCaption(int group); // "第一排序", ...
    static QString optionCaption(int option); // "正确率", "最大连错", "最大连对", "最后连错", "最后连对"
    static QString optionColumn(int option); // sglGsRate, intGsErrCon, intGsTrueCon, intGsErrLst, intGsTrueLst
    // The option of a column name, or -1.
    static int optionOfColumn(const QString& column);

    int choice(int group) const { return m_choice[std::size_t(group)]; }
    void choose(int group, int option);
    const QString& limitText() const { return m_limitText; }
    void setLimitText(const QString& text) { m_limitText = text; }

    // The dialog was activated: the limit box is reset to "3".
    void activate() { m_limitText = QStringLiteral("3"); }

    // "确定(&O)": the chosen columns, every key descending, and the limit read as a number rounded half to
    // even (an empty or non-numeric text reads as 0; a number beyond the 16-bit range is held at its edge).
    SortSettings confirm() const;

private:
    std::array<int, kGroupCount> m_choice{0, 2, 4}; // 正确率, 最大连对, 最后连对
    QString m_limitText = QStringLiteral("3");
};

} // namespace korvel
