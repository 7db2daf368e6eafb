#include "session/ChoiceState.h"

namespace korvel {

void ChoiceState::setPosition(int position)
{
    if (position < 1 || position > 3) {
        return;
    }
    m_kind.position = position;
    if (position == 1) {
        m_kind.play = Play::Single;
        m_playChoice = PlayChoice::Single;
    } else {
        m_kind.play = m_playChoice == PlayChoice::Single ? Play::Single : Play::Group;
    }
    emit kindChosen();
}

void ChoiceState::setPlayChoice(PlayChoice choice)
{
    switch (choice) {
    case PlayChoice::Group:
        if (!groupPlayAvailable()) {
            return;
        }
        m_kind.play = Play::Group;
        break;
    case PlayChoice::Single:
        m_kind.play = Play::Single;
        break;
    case PlayChoice::OddEven:
    case PlayChoice::BigSmall:
        // The category plays read the single-play tables in the tally; the list stays as it is.
        if (choice == m_playChoice) {
            return;
        }
        m_playChoice = choice;
        m_categoryBigSmall = choice == PlayChoice::BigSmall;
        emit displayChanged();
        return;
    }
    m_playChoice = choice;
    emit kindChosen();
}

void ChoiceState::setKill(bool kill)
{
    if (kill == m_kill) {
        return;
    }
    // The list shows the formulas of the chosen sense at once, not at the next position or play click.
    m_kill = kill;
    emit kindChosen();
}

void ChoiceState::setVerifyMode(bool verify)
{
    if (verify == m_verifyMode) {
        return;
    }
    m_verifyMode = verify;
    emit displayChanged();
}

bool ChoiceState::setVerifyIssue(const QString& issue)
{
    if (issue == m_verifyIssue) {
        return false;
    }
    m_verifyIssue = issue;
    emit verifyIssueChanged();
    return true;
}

void ChoiceState::adoptTypedFormula(const FormulaKind& kind, std::optional<bool> kill, bool namedPlay)
{
    if (kill) {
        m_kill = *kill;
    }
    m_kind = kind;
    if (namedPlay || m_kind.play == Play::Group || m_playChoice == PlayChoice::Group) {
        m_playChoice = m_kind.play == Play::Group ? PlayChoice::Group : PlayChoice::Single;
        m_categoryBigSmall = false;
    }
    emit kindChosen();
}

} // namespace korvel
