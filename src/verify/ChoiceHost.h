#pragma once

#include "formula/FormulaKind.h"

#include <QObject>
#include <QString>

namespace korvel {

// "玩法选择": 单选 and 通选 choose the play of the kind; 单双 and 大小 switch the category mode on and leave
// the kind as it was.
enum class PlayChoice { Single, Group, OddEven, BigSmall };

// What the choice panel needs of the rest of the program: the choices it shows ("位数选择", "玩法选择",
// "生杀", "计算方法", "计算/验算选择" and the issue to verify) and where a click hands them. choicesChanged()
// comes after any of them changed, whoever changed it. The application implements it over its session.
// GUI thread only.
class ChoiceHost : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual FormulaKind kind() const = 0;
    virtual PlayChoice playChoice() const = 0;
    // 个位 has no 通选.
    virtual bool groupPlayAvailable() const = 0;
    virtual bool kill() const = 0;
    // "计算选中公式" rather than "最优公式法".
    virtual bool computeSelected() const = 0;
    // "验证历史结果" rather than "计算下期结果", and the issue it verifies.
    virtual bool verifyMode() const = 0;
    virtual QString verifyIssue() const = 0;

    // 1 个位, 2 十位, 3 百位.
    virtual void setPosition(int position) = 0;
    virtual void setPlayChoice(PlayChoice choice) = 0;
    virtual void setKill(bool kill) = 0;
    virtual void setComputeSelected(bool selected) = 0;
    virtual void setVerifyMode(bool verify) = 0;
    virtual void setVerifyIssue(const QString& issue) = 0;

signals:
    void choicesChanged();
};

} // namespace korvel
