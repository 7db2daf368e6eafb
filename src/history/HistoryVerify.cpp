#include "history/HistoryVerify.h"

#include "history/HistoryStore.h"
#include "history/SourceTrial.h"

#include <algorithm>
#include <map>

namespace korvel {

namespace {

QString fullIssue(const QString& issue)
{
    return issue.size() == 5 ? QStringLiteral("20") + issue : issue;
}

SourceDraw storedDraw(const HistorySnapshot& history, int row)
{
    SourceDraw d;
    d.issue = fullIssue(history.issue(row));
    d.digits = {history.value(row, Param::L1A), history.value(row, Param::L2A), history.value(row, Param::L3A)};
    d.date = QDate(history.value(row, Param::NF), history.value(row, Param::YF), history.value(row, Param::RQ));
    return d;
}

} // namespace

HistoryVerification compareWithSource(const HistorySnapshot& history, const std::vector<SourceDraw>& draws)
{
    HistoryVerification v;
    v.ok = true;
    std::map<QString, SourceDraw> source;
    for (const SourceDraw& d : draws) {
        source.emplace(d.issue, d);
    }
    v.sourceDraws = static_cast<int>(source.size());
    if (source.empty()) {
        return v;
    }
    v.sourceFirst = source.begin()->first;
    v.sourceLast = source.rbegin()->first;
    std::map<QString, SourceDraw> stored;
    for (int row = 0; row < history.size(); ++row) {
        const SourceDraw d = storedDraw(history, row);
        stored.emplace(d.issue, d);
    }
    for (const auto& [issue, d] : source) {
        const auto it = stored.find(issue);
        if (it == stored.end()) {
            v.missingHere << issue;
            continue;
        }
        const SourceDraw& mine = it->second;
        const bool same = mine.digits == d.digits && (!d.date.isValid() || mine.date == d.date);
        if (same) {
            ++v.agree;
        } else {
            v.differ.push_back({issue, mine.text(), d.text()});
        }
    }
    for (auto it = stored.lower_bound(v.sourceFirst); it != stored.end() && it->first <= v.sourceLast; ++it) {
        if (!source.count(it->first)) {
            v.missingThere << it->first;
        }
    }
    return v;
}

HistoryVerify::HistoryVerify(const HistoryStore& store, VerifyRequest request, QObject* parent)
    : QObject(parent), m_store(store), m_request(std::move(request))
{
    qRegisterMetaType<korvel::HistoryVerification>();
}

HistoryVerify::~HistoryVerify() = default;

void HistoryVerify::start()
{
    if (m_running) {
        return;
    }
    m_running = true;
    m_cancelled = false;
    m_next = 0;
    m_result = HistoryVerification{};
    QMetaObject::invokeMethod(this, &HistoryVerify::nextSource, Qt::QueuedConnection);
}

void HistoryVerify::cancel()
{
    if (!m_running || m_cancelled) {
        return;
    }
    m_cancelled = true;
    if (m_fetch && m_fetch->running()) {
        m_fetch->cancel();
    }
}

HistoryVerification HistoryVerify::run()
{
    runToFinish(*this, &HistoryVerify::finished);
    return m_result;
}

void HistoryVerify::nextSource()
{
    if (m_cancelled) {
        m_result.cancelled = true;
        finish();
        return;
    }
    const SourceTurn turn = nextSourceTurn(m_request.sources, m_next);
    if (!turn.source) {
        finish(); // none answered
        return;
    }
    const DrawSource& source = *turn.source;
    emit sourceStarted(turn.index, turn.count, source.label());
    if (!turn.problem.isEmpty()) {
        m_result.errors.emplace_back(source.label(), turn.problem);
        QMetaObject::invokeMethod(this, &HistoryVerify::nextSource, Qt::QueuedConnection);
        return;
    }
    SourceFetchPlan plan;
    plan.game = m_request.game;
    plan.currentYear = m_request.currentYear;
    plan.pageLimit = std::max(m_request.pages, 1);
    m_fetch = std::make_unique<SourceFetch>(source, plan, m_request.limits);
    connect(m_fetch.get(), &SourceFetch::finished, this, &HistoryVerify::onSource);
    m_fetch->start();
}

void HistoryVerify::onSource(const SourceFetchResult& fetched)
{
    const QString label = m_fetch->source().label();
    m_fetch.release()->deleteLater();
    if (m_cancelled || fetched.cancelled) {
        m_result.cancelled = true;
        finish();
        return;
    }
    if (!fetched.ok()) {
        m_result.errors.emplace_back(label, fetched.error);
        QMetaObject::invokeMethod(this, &HistoryVerify::nextSource, Qt::QueuedConnection);
        return;
    }
    auto errors = std::move(m_result.errors);
    m_result = compareWithSource(*m_store.snapshot(), fetched.draws);
    m_result.errors = std::move(errors);
    m_result.source = label;
    finish();
}

void HistoryVerify::finish()
{
    m_running = false;
    emit finished(m_result);
}

namespace verifytext {

QString title()
{
    return QStringLiteral("校验历史号码");
}

QString report(const HistoryVerification& r)
{
    QString text;
    if (r.cancelled) {
        return QStringLiteral("校验已取消。");
    }
    if (!r.ok) {
        text = QStringLiteral("校验失败：没有一个来源给出开奖号码。");
    } else {
        text = QStringLiteral(
                   "与 %1 比对（来源 %2 期，%3 至 %4）：一致 %5 期，不一致 %6 期，本地缺少 %7 期，来源缺少 %8 期。")
                   .arg(r.source)
                   .arg(r.sourceDraws)
                   .arg(r.sourceFirst, r.sourceLast)
                   .arg(r.agree)
                   .arg(r.differ.size())
                   .arg(r.missingHere.size())
                   .arg(r.missingThere.size());
        const std::size_t shown = std::min<std::size_t>(r.differ.size(), 10);
        for (std::size_t i = 0; i < shown; ++i) {
            text += QStringLiteral("\n不一致：%1 期，已有 %2，来源为 %3")
                        .arg(r.differ[i].issue, r.differ[i].stored, r.differ[i].source);
        }
        if (shown < r.differ.size()) {
            text += QStringLiteral("\n……");
        }
        if (!r.missingHere.isEmpty()) {
            text += QStringLiteral("\n本地缺少：") + r.missingHere.mid(0, 10).join(QStringLiteral("、")) +
                    (r.missingHere.size() > 10 ? QStringLiteral("……") : QString());
        }
        if (!r.missingThere.isEmpty()) {
            text += QStringLiteral("\n来源缺少：") + r.missingThere.mid(0, 10).join(QStringLiteral("、")) +
                    (r.missingThere.size() > 10 ? QStringLiteral("……") : QString());
        }
    }
    for (const auto& [source, problem] : r.errors) {
        text += QStringLiteral("\n%1：%2").arg(source, problem);
    }
    return text;
}

} // namespace verifytext
} // namespace korvel
