#pragma once

#include "verify/ChoiceHost.h"

namespace korvel {

class Session;

// The choice panel over the application's session: its ChoiceState (kind, play choice, sense, verify mode
// and issue) and the method option. The session must outlive the host. GUI thread only.
class SessionChoiceHost final : public ChoiceHost {
    Q_OBJECT
public:
    explicit SessionChoiceHost(Session& session, QObject* parent = nullptr);

    FormulaKind kind() const override;
    PlayChoice playChoice() const override;
    bool groupPlayAvailable() const override;
    bool kill() const override;
    bool computeSelected() const override;
    bool verifyMode() const override;
    QString verifyIssue() const override;

    void setPosition(int position) override;
    void setPlayChoice(PlayChoice choice) override;
    void setKill(bool kill) override;
    void setComputeSelected(bool selected) override;
    void setVerifyMode(bool verify) override;
    void setVerifyIssue(const QString& issue) override;

private:
    Session& m_session;
};

} // namespace korvel
