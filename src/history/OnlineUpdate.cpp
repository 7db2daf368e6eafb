#include "history/OnlineUpdate.h"

#include "history/DrawBatch.h"
#include "history/HistoryStore.h"
#include "history/Param.h"
#include "history/SourceTrial.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/PageText.h"
#include "platform/SettingsStore.h"

namespace korvel {

OnlineHistoryUpdate::OnlineHistoryUpdate(Database& db, HistoryStore& store, UpdateRequest request, QObject* parent)
    : QObject(parent), m_db(db), m_store(store), m_request(std::move(request))
{
    qRegisterMetaType<korvel::HistoryUpdateOutcome>();
}

void OnlineHistoryUpdate::start()
{
    if (m_running) {
        return;
    }
    m_running = true;
    m_cancelled = false;
    m_answered = false;
    m_next = 0;
    m_pool = DrawPool{};
    m_outcome = HistoryUpdateOutcome{};
    m_base = updateBase(*m_store.snapshot(), m_request.game, m_request.currentYear, m_request.yearsWindow);
    // From the event loop, so that a caller connects to finished() in time even when there is no source.
    QMetaObject::invokeMethod(this, &OnlineHistoryUpdate::nextSource, Qt::QueuedConnection);
}

void OnlineHistoryUpdate::cancel()
{
    if (!m_running || m_cancelled) {
        return;
    }
    m_cancelled = true;
    if (m_fetch && m_fetch->running()) {
        m_fetch->cancel(); // onSource() then finishes
    }
}

HistoryUpdateOutcome OnlineHistoryUpdate::run()
{
    runToFinish(*this, &OnlineHistoryUpdate::finished);
    return m_outcome;
}

void OnlineHistoryUpdate::nextSource()
{
    if (m_cancelled) {
        m_outcome.status = HistoryUpdateOutcome::Status::Cancelled;
        finish();
        return;
    }
    const SourceTurn turn = nextSourceTurn(m_request.sources, m_next);
    if (!turn.source) {
        conclude();
        return;
    }
    const DrawSource& source = *turn.source;
    emit sourceStarted(turn.index, turn.count, source.label());
    if (!turn.problem.isEmpty()) {
        m_outcome.errors.push_back({source.label(), turn.problem});
        QMetaObject::invokeMethod(this, &OnlineHistoryUpdate::nextSource, Qt::QueuedConnection);
        return;
    }
    SourceFetchPlan plan;
    plan.game = m_request.game;
    plan.currentYear = m_request.currentYear;
    plan.stopIssue = m_base.newestIssue;
    plan.startYear = m_base.empty ? m_base.startYear : 0;
    m_fetch = std::make_unique<SourceFetch>(source, plan, m_request.limits);
    connect(m_fetch.get(), &SourceFetch::pageStarted, this, &OnlineHistoryUpdate::pageStarted);
    connect(m_fetch.get(), &SourceFetch::finished, this, &OnlineHistoryUpdate::onSource);
    m_fetch->start();
}

void OnlineHistoryUpdate::onSource(const SourceFetchResult& result)
{
    const DrawSource source = m_fetch->source();
    // The fetch object goes once its signal has returned.
    m_fetch.release()->deleteLater();
    if (m_cancelled || result.cancelled) {
        m_outcome.status = HistoryUpdateOutcome::Status::Cancelled;
        finish();
        return;
    }
    if (!result.ok()) {
        m_outcome.errors.push_back({source.label(), result.error});
        QMetaObject::invokeMethod(this, &OnlineHistoryUpdate::nextSource, Qt::QueuedConnection);
        return;
    }
    m_outcome.rejected << result.rejected;
    m_outcome.source = source.label();
    std::vector<DrawConflict> conflicts = conflictsWithHistory(*m_store.snapshot(), result.draws);
    if (conflicts.empty()) {
        conflicts = m_pool.add(result.draws);
    }
    if (!conflicts.empty()) {
        m_outcome.status = HistoryUpdateOutcome::Status::Conflict;
        m_outcome.conflicts = std::move(conflicts);
        m_outcome.conflictSource = source.label();
        finish();
        return;
    }
    m_answered = true;
    const Continuation c = continuation(m_base, m_pool);
    if (c.missing.isEmpty() || m_next >= m_request.sources.size()) {
        conclude();
        return;
    }
    // A hole: the next source may have the missing draw.
    m_outcome.errors.push_back({source.label(), QStringLiteral("缺少 %1 期").arg(c.missing)});
    QMetaObject::invokeMethod(this, &OnlineHistoryUpdate::nextSource, Qt::QueuedConnection);
}

void OnlineHistoryUpdate::conclude()
{
    if (!m_answered) {
        m_outcome.status = HistoryUpdateOutcome::Status::Failed;
        finish();
        return;
    }
    const Continuation c = continuation(m_base, m_pool);
    m_outcome.missing = c.missing;
    if (c.draws.empty()) {
        m_outcome.status =
            c.missing.isEmpty() ? HistoryUpdateOutcome::Status::NothingNew : HistoryUpdateOutcome::Status::Failed;
        finish();
        return;
    }
    store(c.draws);
}

void OnlineHistoryUpdate::store(const std::vector<SourceDraw>& draws)
{
    std::vector<HistoryStore::NewDraw> rows;
    rows.reserve(draws.size());
    Digits previous = m_base.newestDigits;
    QDate previousDate = m_base.newestDate;
    for (const SourceDraw& d : draws) {
        QDate date = d.date;
        if (!date.isValid()) {
            date = previousDate.isValid() && previousDate.addDays(1).year() == d.issue.left(4).toInt()
                       ? previousDate.addDays(1)
                       : QDate(d.issue.left(4).toInt(), 1, 1).addDays(d.issue.right(3).toInt() - 1);
        }
        HistoryStore::NewDraw row;
        row.issue = m_base.twoDigitYear ? d.issue.mid(2) : d.issue;
        row.params = computeDrawParameters(
            d.digits, previous,
            issueDateOfTypedSequence(d.issue.right(3).toInt(), date.year(), date.month(), date.day()));
        rows.push_back(std::move(row));
        previous = d.digits;
        previousDate = date;
    }
    const BatchResult stored = storeDraws(m_db, m_store, rows);
    if (!stored.ok) {
        m_outcome.status = HistoryUpdateOutcome::Status::StoreFailed;
        m_outcome.storeError = stored.error;
    } else {
        m_outcome.status = HistoryUpdateOutcome::Status::Stored;
        m_outcome.added = stored.added;
        m_outcome.firstIssue = rows.front().issue;
        m_outcome.lastIssue = rows.back().issue;
    }
    finish();
}

void OnlineHistoryUpdate::finish()
{
    m_running = false;
    emit finished(m_outcome);
}

std::vector<DrawSource> chooseSources(const std::vector<DrawSource>& configured, int game,
                                      std::optional<SourceReader> reader, const QString& address, QString* error)
{
    std::vector<DrawSource> chosen;
    for (const DrawSource& s : configured) {
        if (s.enabled && (!reader || s.reader == *reader)) {
            chosen.push_back(s);
        }
    }
    if (chosen.empty() && (!reader || *reader == SourceReader::Official)) {
        if (reader || !address.isEmpty()) {
            chosen = drawsources::defaults(game);
        }
    }
    if (!address.trimmed().isEmpty()) {
        if (chosen.empty()) {
            DrawSource s;
            s.reader = reader.value_or(SourceReader::Official);
            chosen.push_back(s);
        }
        chosen.resize(1);
        chosen.front().address = address.trimmed();
        chosen.front().enabled = true;
    }
    if (chosen.empty() && error) {
        *error = reader ? QStringLiteral("没有启用的“%1”来源（%2）")
                              .arg(drawsources::readerName(*reader), drawsources::readerCaption(*reader))
                        : QStringLiteral("没有启用的在线更新来源（“设置”→“在线更新设置”）");
    }
    return chosen;
}

} // namespace korvel
