#pragma once

#include "formula/FormulaKind.h"
#include "verify/ChoiceHost.h"

#include <QObject>
#include <QString>

#include <optional>

namespace korvel {

// The choices of the main window's panel: the formula kind, the play choice ("玩法选择"), the sense, the
// mode ("计算/验算选择") and the issue to verify, with the rules among them. GUI thread only.
//
// Three signals, because the session does different work for each: kindChosen() when the formula list
// must follow (a position or play 单选/通选 was chosen, the sense changed, a typed formula was adopted),
// displayChanged() when a choice that leaves the list as it is changed (单双/大小, the mode), and
// verifyIssueChanged(). Setting a value that is already held emits nothing, except choosing a position or
// play: that always rebuilds the list, so a list changed underneath (an import) is shown afresh.
class ChoiceState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const FormulaKind& kind() const { return m_kind; }
    PlayChoice playChoice() const { return m_playChoice; }
    bool categoryMode() const { return m_playChoice == PlayChoice::OddEven || m_playChoice == PlayChoice::BigSmall; }
    bool categoryBigSmall() const { return m_categoryBigSmall; }
    // 个位 has no group play.
    bool groupPlayAvailable() const { return m_kind.position != 1; }
    bool kill() const { return m_kill; }
    // false = "计算下期结果", true = "验证历史结果".
    bool verifyMode() const { return m_verifyMode; }
    const QString& verifyIssue() const { return m_verifyIssue; }

    // "位数选择": 1 个位, 2 十位, 3 百位; others are ignored. 个位 forces 单选 (ending a category mode);
    // elsewhere the play follows the play choice.
    void setPosition(int position);
    // 单选/通选 choose the play of the kind (通选 is ignored on 个位); 单双/大小 switch the category mode on
    // and leave the kind as it is.
    void setPlayChoice(PlayChoice choice);
    void setKill(bool kill);
    void setVerifyMode(bool verify);
    // True when the issue changed.
    bool setVerifyIssue(const QString& issue);

    // A typed formula was stored: its kind (and, when the line gave one, its sense) is chosen. The play the
    // line named, or the group play of the kind, is chosen as well, which ends a category mode.
    // kindChosen() always follows, as the list must show the new formula.
    void adoptTypedFormula(const FormulaKind& kind, std::optional<bool> kill, bool namedPlay);

signals:
    void kindChosen();
    void displayChanged();
    void verifyIssueChanged();

private:
    FormulaKind m_kind;
    PlayChoice m_playChoice = PlayChoice::Single;
    bool m_categoryBigSmall = false;
    bool m_kill = true;
    bool m_verifyMode = false;
    QString m_verifyIssue = QStringLiteral("2007001");
};

} // namespace korvel
