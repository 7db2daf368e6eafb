#include "session/SessionChoiceHost.h"

#include "session/Session.h"
#include "settings/Options.h"

namespace korvel {

SessionChoiceHost::SessionChoiceHost(Session& session, QObject* parent) : ChoiceHost(parent), m_session(session)
{
    // Connected after the session's own reactions, so the panel shows the list it already rebuilt. The
    // method is an option.
    ChoiceState& choices = m_session.choices();
    connect(&choices, &ChoiceState::kindChosen, this, &ChoiceHost::choicesChanged);
    connect(&choices, &ChoiceState::displayChanged, this, &ChoiceHost::choicesChanged);
    connect(&choices, &ChoiceState::verifyIssueChanged, this, &ChoiceHost::choicesChanged);
    connect(&m_session.options(), &Options::changed, this, &ChoiceHost::choicesChanged);
}

FormulaKind SessionChoiceHost::kind() const
{
    return m_session.choices().kind();
}

PlayChoice SessionChoiceHost::playChoice() const
{
    return m_session.choices().playChoice();
}

bool SessionChoiceHost::groupPlayAvailable() const
{
    return m_session.choices().groupPlayAvailable();
}

bool SessionChoiceHost::kill() const
{
    return m_session.choices().kill();
}

bool SessionChoiceHost::computeSelected() const
{
    return m_session.options().computeSelected();
}

bool SessionChoiceHost::verifyMode() const
{
    return m_session.choices().verifyMode();
}

QString SessionChoiceHost::verifyIssue() const
{
    return m_session.choices().verifyIssue();
}

void SessionChoiceHost::setPosition(int position)
{
    m_session.choices().setPosition(position);
}

void SessionChoiceHost::setPlayChoice(PlayChoice choice)
{
    m_session.choices().setPlayChoice(choice);
}

void SessionChoiceHost::setKill(bool kill)
{
    m_session.choices().setKill(kill);
}

void SessionChoiceHost::setComputeSelected(bool selected)
{
    m_session.options().setComputeSelected(selected);
}

void SessionChoiceHost::setVerifyMode(bool verify)
{
    m_session.choices().setVerifyMode(verify);
}

void SessionChoiceHost::setVerifyIssue(const QString& issue)
{
    m_session.choices().setVerifyIssue(issue);
}

} // namespace korvel
