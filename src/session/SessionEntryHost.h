#pragma once

#include "history/EntryHost.h"

namespace korvel {

class Session;

// The entry line over the application's session: its issue and date texts and its storing of a typed draw.
// The session must outlive the host. GUI thread only.
class SessionEntryHost final : public EntryHost {
    Q_OBJECT
public:
    explicit SessionEntryHost(Session& session, QObject* parent = nullptr);

    QString nextIssue() const override;
    void setNextIssue(const QString& issue) override;
    QString entryDate() const override;
    void setEntryDate(const QString& date) override;
    void normaliseEntryDate() override;
    EntryResult enterDraw(const QString& box1, const QString& box2, const QString& box3) override;

private:
    Session& m_session;
};

} // namespace korvel
