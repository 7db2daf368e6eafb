#include "app/SessionChoiceHost.h"

#include "app/Session.h"
#include "settings/Options.h"

namespace korvel {

SessionChoiceHost::SessionChoiceHost(Session& session, QObject* parent) : ChoiceHost(parent), m_session(session)
{
    // The verify issue is one of the entry texts; the method is an option.
    connect(&m_session, &Session::kindChanged, this, &ChoiceHost::choicesChanged);
    connect(&m_session, &Session::entryChanged, this, &ChoiceHost::choicesChanged);
    connect(&m_session.options(), &Options::changed, this, &ChoiceHost::choicesChanged);
}

FormulaKind SessionChoiceHost::kind() const
{
    return m_session.kind();
}

PlayChoice SessionChoiceHost::playChoice() const
{
    return m_session.playChoice();
}

bool SessionChoiceHost::groupPlayAvailable() const
{
    return m_session.groupPlayAvailable();
}

bool SessionChoiceHost::kill() const
{
    return m_session.kill();
}

bool SessionChoiceHost::computeSelected() const
{
    return m_session.options().computeSelected();
}

bool SessionChoiceHost::verifyMode() const
{
    return m_session.verifyMode();
}

QString SessionChoiceHost::verifyIssue() const
{
    return m_session.verifyIssue();
}

void SessionChoiceHost::setPosition(int position)
{
    m_session.setPosition(position);
}

void SessionChoiceHost::setPlayChoice(PlayChoice choice)
{
    m_session.setPlayChoice(choice);
}

void SessionChoiceHost::setKill(bool kill)
{
    m_session.setKill(kill);
}

void SessionChoiceHost::setComputeSelected(bool selected)
{
    m_session.options().setComputeSelected(selected);
}

void SessionChoiceHost::setVerifyMode(bool verify)
{
    m_session.setVerifyMode(verify);
}

void SessionChoiceHost::setVerifyIssue(const QString& issue)
{
    m_session.setVerifyIssue(issue);
}

} // namespace korvel
