#include "session/SessionEntryHost.h"

#include "session/Session.h"

namespace korvel {

SessionEntryHost::SessionEntryHost(Session& session, QObject* parent) : EntryHost(parent), m_session(session)
{
    connect(&m_session, &Session::entryChanged, this, &EntryHost::entryChanged);
}

QString SessionEntryHost::nextIssue() const
{
    return m_session.nextIssue();
}

void SessionEntryHost::setNextIssue(const QString& issue)
{
    m_session.setNextIssue(issue);
}

QString SessionEntryHost::entryDate() const
{
    return m_session.entryDate();
}

void SessionEntryHost::setEntryDate(const QString& date)
{
    m_session.setEntryDate(date);
}

void SessionEntryHost::normaliseEntryDate()
{
    m_session.normaliseEntryDate();
}

EntryResult SessionEntryHost::enterDraw(const QString& box1, const QString& box2, const QString& box3)
{
    return m_session.enterDraw(box1, box2, box3);
}

} // namespace korvel
