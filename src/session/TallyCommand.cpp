#include "session/TallyCommand.h"

#include "formula/FormulaStore.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "session/Session.h"
#include "settings/Options.h"
#include "verify/FormulaList.h"

namespace korvel {

TallyChoice tallyChoiceOf(const Session& session)
{
    TallyChoice c;
    c.position = session.choices().kind().position;
    c.groupPlay = session.choices().playChoice() == Session::PlayChoice::Group;
    c.category = session.choices().playChoice() == Session::PlayChoice::BigSmall  ? CategoryPlay::BigSmall
                 : session.choices().playChoice() == Session::PlayChoice::OddEven ? CategoryPlay::OddEven
                                                                                  : CategoryPlay::None;
    c.kill = session.choices().kill();
    c.method = session.options().computeSelected() ? TallyMethod::Selected : TallyMethod::Best;
    c.mode = session.choices().verifyMode() ? TallyMode::Verify : TallyMode::Next;
    return c;
}

TallyCommand::TallyCommand(Session& session) : m_session(session) {}

TallyCommand::Run TallyCommand::compute(const std::function<void()>& askSortSettings)
{
    Run run;
    const TallyChoice choice = tallyChoiceOf(m_session);
    const SnapshotPtr snapshot = m_session.snapshot();
    const ReferenceDraw ref = referenceDraw(choice.mode, m_session.choices().verifyIssue(), *snapshot);
    if (ref.status != TallyOutcome::Status::Done) {
        run.outcome.status = ref.status;
        run.outcome.messageTitle = ref.messageTitle;
        run.outcome.messageText = ref.messageText;
        m_session.dialogs().message(ref.messageTitle, ref.messageText, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return run;
    }
    if (choice.method == TallyMethod::Best && askSortSettings) {
        askSortSettings();
    }
    run.outcome =
        ComputeTally(choice, m_session.choices().verifyIssue(), *snapshot, formulaSourceOf(m_session.formulaStore()),
                     selectionOf(m_session.formulas()), m_session.sortSettings(), m_tally);
    if (run.outcome.done()) {
        run.view = TallyResult::setupOf(choice, m_session.nextIssue(), m_session.choices().verifyIssue());
        m_lastView = run.view;
    }
    return run;
}

std::vector<Formula> selectedFormulas(const FormulaList& list)
{
    std::vector<Formula> out;
    for (int r = 0; r < list.rowCount(); ++r) {
        if (list.rowSelected(r)) {
            out.push_back(list.row(r).formula);
        }
    }
    return out;
}

bool confirmHistoryRanking(Dialogs& dialogs)
{
    return dialogs.confirm(rankingConfirmTitle(), rankingConfirmText());
}

bool storeRankingWorkTable(Database& db, const RankingStore& store, QString* error)
{
    if (store.empty()) {
        return true;
    }
    return tallyTables::writeRankingTable(db, store.rankingTableRows(store.size() - 1), error);
}

std::optional<RankingStore> runHistoryRanking(Session& session, const RankingProgress& progress)
{
    if (!confirmHistoryRanking(session.dialogs())) {
        return std::nullopt;
    }
    const FormulaList& list = session.formulas();
    RankingRun run = computeHistoryRanking(*session.snapshot(), selectedFormulas(list), list.kill(), progress);
    if (!run.complete) {
        return std::nullopt;
    }
    if (session.databaseOpen()) {
        QString error;
        if (!storeRankingWorkTable(session.database(), run.store, &error)) {
            session.dialogs().message(QStringLiteral("公式往期位置值结果列表"),
                                      QStringLiteral("排序结果已计算，但无法写入数据库的Errarr表：%1").arg(error),
                                      Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        }
    }
    return std::move(run.store);
}

} // namespace korvel
