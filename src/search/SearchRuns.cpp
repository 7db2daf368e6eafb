// The search session's runs: starting, pausing and completing the manual search, the scheme and the
// tuning, and the state shown while they go on.
#include "formula/FormulaStore.h"
#include "history/HistorySnapshot.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "platform/TextNumber.h"
#include "search/SearchHost.h"
#include "search/SearchKind.h"
#include "search/SearchSession.h"
#include "search/SearchText.h"

#include <algorithm>

namespace korvel {

namespace {
const QString kTuneAllQuestion = QStringLiteral(
    "此操作将耗时一分钟到数分钟自动搜索分析各类公式并分析其参数值，归纳出相对参数较高的数值为设置软件各类公式搜索的默认"
    "值，操作后各类公式搜索默认值将改变，是否确认更改搜索默认值？");
const QString kTuneAllTitle = QStringLiteral("更新参数默认设置");
} // namespace

bool SearchSession::prepareData()
{
    SnapshotPtr snapshot = m_host.snapshot();
    if (!snapshot || snapshot->empty()) {
        message(QStringLiteral("没有历史号码，无法验证公式。"));
        return false;
    }
    if (!prepareHoldout(snapshot)) {
        return false;
    }
    const FigureSettings settings = m_host.figureSettings();
    if (!m_data || m_dataSnapshot != snapshot.get() || m_dataHoldout != m_holdout || m_dataLag != m_maxLag ||
        m_dataSettings.windowDraws != settings.windowDraws || m_dataSettings.weighted != settings.weighted) {
        // With a hold-out the kernel is built from the history without the held-out draws: they cannot take
        // part in choosing a formula.
        m_data = std::make_shared<KernelData>(*heldOutSnapshot(snapshot, m_holdout), settings.windowDraws,
                                              settings.weighted, m_maxLag);
        m_dataLag = m_maxLag;
        m_dataSnapshot = snapshot.get();
        m_dataHoldout = m_holdout;
        m_dataSettings = settings;
        m_snapshot = std::move(snapshot);
    }
    return true;
}

SearchStage SearchSession::manualStage(const CandidateRule& rule)
{
    // The same kind, sense and space continue where the last run stood (a space tried to its end starts
    // over; formulas already found are not found again).
    const CandidateSpace space(rule);
    const bool same = m_manualSpace && m_manualSpace->space == space && m_manualSpaceKind == m_kind &&
                      m_manualSpaceKill == m_kill && m_manualSpace->exhaustive == (space.size() <= m_exhaustiveLimit) &&
                      !m_manualSpace->complete();
    if (!same) {
        m_manualSpace = std::make_shared<SpaceProgress>(space, m_exhaustiveLimit);
        m_manualSpaceKind = m_kind;
        m_manualSpaceKill = m_kill;
    }
    return SearchStage{rule, m_manualSpace};
}

bool SearchSession::startManual()
{
    if (refuseWhileRunning()) {
        return false;
    }
    poll(); // completes a run that ended unseen
    const auto rule = ruleFor(m_candidate.operandCount);
    if (!rule || !prepareData()) {
        return false;
    }
    std::optional<double> autoStop;
    if (m_autoStop) {
        autoStop = textValue(m_autoStopText);
    }
    m_runner.pause();
    m_record.verified = 0;
    m_schemeFlag = false;
    m_schemeJob.reset();
    m_tuning.reset();
    const SearchStage stage = manualStage(*rule);
    m_exhaustedText.clear();
    m_manual = std::make_unique<ManualSearchJob>(m_record, m_data, formulaKind(), m_kill,
                                                 std::vector<SearchStage>{stage}, Thresholds::fromTexts(m_fields),
                                                 m_candidate.form, autoStop, m_candidateLimit);
    m_manual->setHoldout(m_holdoutCheck.get());
    m_lastManual = ManualRun{true,
                             m_generator,
                             formulaKind(),
                             m_kill,
                             *rule,
                             *stage.space,
                             Thresholds::fromTexts(m_fields),
                             0,
                             static_cast<int>(m_record.lines.size() + m_record.rejected.size()),
                             0,
                             m_holdout,
                             static_cast<int>(m_record.lines.size()),
                             0,
                             m_holdoutMinRate};
    m_mode = SearchMode::Manual;
    m_reason = StopReason::None;
    m_finishPending = true;
    m_runner.start(*m_manual, m_generator);
    return true;
}

void SearchSession::pauseManual()
{
    if (m_mode == SearchMode::Manual || m_mode == SearchMode::Control) {
        m_runner.pause();
        poll();
    }
}

bool SearchSession::startScheme()
{
    if (refuseWhileRunning()) {
        return false;
    }
    poll();
    const auto base = ruleFor(m_candidate.operandCount);
    if (!base || !prepareData()) {
        return false;
    }
    m_runner.pause();
    m_schemeFlag = true;
    m_record.found.clear(); // unsaved results of earlier runs are no longer saved
    m_record.foundForKind = 0;
    for (int kind : kSearchedKindNumbers) {
        if (isNumericText(m_scheme.quota(kind))) {
            try {
                m_existing[static_cast<std::size_t>(kind - 1)] = m_host.formulaStore().count(*formulaKindOf(kind));
            } catch (const std::exception&) {
                m_existing[static_cast<std::size_t>(kind - 1)] = 0;
            }
        }
    }
    std::map<int, KindPlan> plans;
    for (const auto& [kind, rule] : kindRules(*base)) {
        plans.emplace(kind, KindPlan{rule, Thresholds::fromTexts(m_table.texts(kind, m_kill))});
    }
    m_manual.reset();
    m_tuning.reset();
    m_schemeJob = std::make_unique<SchemeSearchJob>(m_record, m_data, m_kill, SchemeWalk(m_scheme, m_existing), plans,
                                                    m_candidate.form, m_exhaustiveLimit);
    m_schemeJob->setHoldout(m_holdoutCheck.get());
    m_mode = SearchMode::Scheme;
    m_reason = StopReason::None;
    m_finishPending = true;
    if (!m_schemeJob->walk().finished()) {
        m_kind = m_schemeJob->walk().kind();
        showKind();
    }
    m_runner.start(*m_schemeJob, m_generator);
    return true;
}

void SearchSession::pauseScheme()
{
    if (m_mode == SearchMode::Scheme) {
        m_runner.pause();
        poll();
    }
}

bool SearchSession::continueScheme()
{
    if (m_mode != SearchMode::Scheme || !m_schemeJob || refuseWhileRunning() || !m_finishPending) {
        return false;
    }
    if (m_runner.locked([&] { return m_schemeJob->reason() != StopReason::None; })) {
        return false; // finished: nothing to continue
    }
    m_runner.start(*m_schemeJob, m_generator);
    return true;
}

bool SearchSession::tuneCurrentKind()
{
    if (refuseWhileRunning()) {
        return false;
    }
    poll();
    const auto rule = ruleFor(m_candidate.operandCount);
    if (!rule || !prepareData()) {
        return false;
    }
    m_runner.pause();
    m_tuning = std::make_unique<TuningJob>(m_record, m_data, m_kill, std::vector<int>{m_kind},
                                           std::map<int, CandidateRule>{{m_kind, *rule}}, m_tuningSamples);
    m_mode = SearchMode::Tuning;
    m_reason = StopReason::None;
    m_finishPending = true;
    m_runner.start(*m_tuning, m_generator);
    return true;
}

bool SearchSession::tuneAllKinds()
{
    if (refuseWhileRunning()) {
        return false;
    }
    poll();
    if (!m_host.dialogs().confirm(kTuneAllTitle, kTuneAllQuestion)) {
        return false;
    }
    const auto base = ruleFor(m_candidate.operandCount);
    if (!base || !prepareData()) {
        return false;
    }
    m_runner.pause();
    const std::vector<int> kinds(kSearchedKindNumbers.begin(), kSearchedKindNumbers.end());
    m_tuning = std::make_unique<TuningJob>(m_record, m_data, m_kill, kinds, kindRules(*base), m_tuningSamples);
    m_mode = SearchMode::TuningAllKinds;
    m_reason = StopReason::None;
    m_finishPending = true;
    m_runner.start(*m_tuning, m_generator);
    return true;
}

void SearchSession::cancelTuning()
{
    if (m_mode != SearchMode::Tuning && m_mode != SearchMode::TuningAllKinds) {
        return;
    }
    m_runner.pause();
    m_finishPending = false;
    m_tuning.reset();
}

void SearchSession::finishRun()
{
    switch (m_mode) {
    case SearchMode::Manual:
        m_reason = m_manual->reason();
        break;
    case SearchMode::Scheme:
        m_reason = m_schemeJob->reason();
        break;
    case SearchMode::Tuning:
    case SearchMode::TuningAllKinds:
        m_reason = StopReason::TuningDone;
        break;
    case SearchMode::Control:
        finishControl();
        return;
    case SearchMode::None:
        return;
    }
    if (m_mode == SearchMode::Manual && m_reason == StopReason::SpaceExhausted) {
        m_exhaustedText = QStringLiteral("已检索全部 %1 个候选公式，合格 %2 条")
                              .arg(spaceSizeText(m_lastManual.space.space))
                              .arg(m_runner.locked([&] { return m_manual->qualified(); }));
        message(m_exhaustedText, false);
    }
    if (m_reason == StopReason::Full) {
        message(QStringLiteral("合格公式已达 %1 条，搜索已停止。请先将公式保存到数据库再继续搜索。").arg(kMaxFound));
    }
    if (m_mode == SearchMode::Scheme && m_reason == StopReason::SchemeDone) {
        if (m_scheme.autoAppend) {
            save(true);
        } else if (m_scheme.autoReplace) {
            save(false);
        }
    }
    if (m_mode == SearchMode::Tuning) {
        if (!m_tuning->results().empty()) {
            m_fields = m_tuning->results().begin()->second.applyTo(m_fields);
        }
    }
    if (m_mode == SearchMode::TuningAllKinds) {
        for (const auto& [kind, best] : m_tuning->results()) {
            const auto fields = best.applyTo(m_table.texts(kind, m_kill));
            korvel::saveKindSettings(m_host.settings(), m_table, kind, m_kill, fields,
                                     storedOperandCount(m_host.settings(), kind));
        }
        m_kind = kSearchedKindNumbers.back();
        showKind();
    }
}

SearchProgress SearchSession::poll()
{
    const auto endedNow = [&] {
        return m_runner.locked([&] {
            switch (m_mode) {
            case SearchMode::Manual:
                return m_manual && m_manual->reason() != StopReason::None;
            case SearchMode::Scheme:
                return m_schemeJob && m_schemeJob->reason() != StopReason::None;
            case SearchMode::Tuning:
            case SearchMode::TuningAllKinds:
                return m_tuning && m_tuning->complete();
            case SearchMode::Control:
                return m_control && m_control->reason() != StopReason::None;
            case SearchMode::None:
                break;
            }
            return false;
        });
    };
    const auto handleEnd = [&] {
        m_runner.pause(); // the workers have stopped by themselves; this joins them
        m_finishPending = false;
        // The counters show the run's last figures before a message tells why it ended.
        if (m_runEnded) {
            m_runEnded(progress());
        }
        finishRun();
        return progress();
    };
    if (m_finishPending && endedNow()) {
        return handleEnd();
    }
    SearchProgress p = progress();
    // A run that ends between the look above and the progress would read "not running" with its end not
    // handled, and a window polling until then would stop before the run's message. The job's reason is
    // set before the runner stops, so a second look tells such an end from a pause.
    if (!p.running && m_finishPending && endedNow()) {
        return handleEnd();
    }
    return p;
}

SearchProgress SearchSession::progress()
{
    SearchProgress p;
    const bool searching = m_mode == SearchMode::Manual || m_mode == SearchMode::Scheme;
    m_runner.locked([&] {
        p.verified = m_mode == SearchMode::Control ? m_controlRecord.verified : m_record.verified;
        p.found = static_cast<int>(m_record.found.size());
        p.rejected = static_cast<int>(m_record.rejected.size());
        if (m_mode == SearchMode::Manual && m_lastManual.exists) {
            // What the control repeats: the run so far.
            m_lastManual.verified = m_record.verified;
            m_lastManual.accepted =
                static_cast<int>(m_record.lines.size() + m_record.rejected.size()) - m_lastManual.acceptedBefore;
            m_lastManual.passed = static_cast<int>(m_record.lines.size()) - m_lastManual.linesBefore;
        }
        p.acceptedPerKind = m_record.acceptedPerKind;
        p.resultLines = static_cast<int>(m_record.lines.size());
        p.foundShown = m_mode == SearchMode::Scheme ? m_record.foundForKind : p.found;
        if (m_mode == SearchMode::Scheme && m_schemeJob) {
            const SchemeWalk& w = m_schemeJob->walk();
            p.schemeKind = w.kind();
            p.schemeTarget = w.target().value_or(0.0);
            for (int k = 1; k <= 6; ++k) {
                p.marks[static_cast<std::size_t>(k - 1)] = w.mark(k);
            }
        }
        if (m_tuning && (m_mode == SearchMode::Tuning || m_mode == SearchMode::TuningAllKinds)) {
            p.tuningKind = m_tuning->currentKind();
            p.tuningSamples = m_tuning->samplesTaken();
            p.tuningTarget = m_tuning->samples();
        }
        fillSpace(p);
        if (m_record.hasLast) {
            p.hasCandidate = true;
            p.stats = m_record.lastStats;
            if (searching) {
                p.candidateText = candidateText(m_record.last, m_record.lastKind, m_record.lastKill, m_record.lastForm);
            }
        }
        return 0;
    });
    if (p.hasCandidate) {
        p.statTexts = {floatText(p.stats.rate), QString::number(p.stats.errCon), QString::number(p.stats.trueCon),
                       QString::number(p.stats.errLst), QString::number(p.stats.trueLst)};
    }
    // The scheme shows the kind it searches, with that kind's thresholds.
    p.running = m_runner.running();
    if (p.running && m_mode == SearchMode::Scheme && p.schemeKind >= 1 && p.schemeKind <= 6 && p.schemeKind != m_kind) {
        m_kind = p.schemeKind;
        showKind();
    }
    p.mode = m_mode;
    p.control = m_mode == SearchMode::Control;
    p.controlReal = m_controlReal;
    p.controlRandom = m_controlRandom;
    p.reason = m_reason;
    p.seed = m_generator.seed();
    p.exhaustedText = m_exhaustedText;
    return p;
}

void SearchSession::fillSpace(SearchProgress& p) const
{
    const SpaceProgress* space = nullptr;
    if (m_mode == SearchMode::Manual && m_manual) {
        space = &m_manual->space();
    } else if (m_mode == SearchMode::Scheme && m_schemeJob) {
        space = m_schemeJob->space();
    }
    if (!space) {
        return;
    }
    p.hasSpace = true;
    p.exhaustive = space->exhaustive;
    p.spaceShare = space->share();
    p.spaceText = spaceProgressText(*space);
}

SearchProgress SearchSession::waitForRun(int timeoutMs)
{
    m_runner.waitFinished(timeoutMs);
    return poll();
}

} // namespace korvel
