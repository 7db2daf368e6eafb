#include "search/SearchJobs.h"

#include "search/CandidateChance.h"
#include "search/SearchKind.h"

#include <algorithm>

namespace korvel {

SearchStage stageOf(const CandidateRule& rule, std::uint64_t exhaustiveLimit)
{
    return SearchStage{rule, std::make_shared<SpaceProgress>(CandidateSpace(rule), exhaustiveLimit)};
}

ManualSearchJob::ManualSearchJob(SearchRecord& record, KernelDataPtr data, const FormulaKind& kind, bool kill,
                                 std::vector<SearchStage> stages, const Thresholds& thresholds, DisplayForm form,
                                 std::optional<double> autoStopCount, std::optional<std::int64_t> candidateLimit)
    : m_record(record), m_kernel(std::move(data), kind, kill), m_stages(std::move(stages)), m_qualifies(thresholds),
      m_form(form), m_autoStop(autoStopCount), m_candidateLimit(candidateLimit)
{
    m_phase.kernel = &m_kernel;
    if (m_stages.empty()) {
        m_stages.push_back(stageOf(CandidateRule{}));
    }
    enterStage(0);
    if (m_record.full()) {
        m_done = true;
        m_reason = StopReason::Full;
    }
}

ManualSearchJob::ManualSearchJob(SearchRecord& record, KernelDataPtr data, const FormulaKind& kind, bool kill,
                                 const CandidateRule& rule, const Thresholds& thresholds, DisplayForm form,
                                 std::optional<double> autoStopCount, std::optional<std::int64_t> candidateLimit)
    : ManualSearchJob(record, std::move(data), kind, kill, std::vector<SearchStage>{stageOf(rule)}, thresholds, form,
                      autoStopCount, candidateLimit)
{
}

void ManualSearchJob::enterStage(std::size_t stage)
{
    m_stage = stage;
    m_phase.rule = m_stages[stage].rule;
    m_phase.space = m_stages[stage].space.get();
}

SearchJob::Verdict ManualSearchJob::take(const Candidate& c, const FormulaFigures& f)
{
    m_record.noteVerified(c, m_kernel.kind(), m_kernel.kill(), m_form, f.stats);
    const int kindNumber = kindNumberOf(m_kernel.kind());
    if (m_qualifies(f) && m_record.firstAcceptance(CandidateSpace::key(c), kindNumber, m_kernel.kill())) {
        ++m_qualified;
        const ChanceFigures chance = candidateChance(m_kernel.data(), c, m_kernel.kind(), m_kernel.kill());
        if (m_holdout) {
            m_record.acceptHeldOut(c, m_kernel.kind(), m_kernel.kill(), m_form, kindNumber,
                                   m_holdout->judge(c, m_kernel.kind(), m_kernel.kill()), f.stats, chance);
        } else {
            m_record.accept(c, m_kernel.kind(), m_kernel.kill(), m_form, kindNumber, f.stats, chance);
        }
    }
    if (m_record.full()) {
        m_reason = StopReason::Full;
    } else if (m_autoStop && *m_autoStop <= static_cast<double>(m_record.found.size())) {
        m_reason = StopReason::AutoStop;
    } else if (m_candidateLimit && m_record.verified >= *m_candidateLimit) {
        m_reason = StopReason::CandidateLimit;
    } else {
        return Verdict::Continue;
    }
    m_done = true;
    return Verdict::Finished;
}

SearchJob::Verdict ManualSearchJob::exhausted()
{
    if (m_stage + 1 < m_stages.size()) {
        enterStage(m_stage + 1);
        return Verdict::PhaseChanged;
    }
    m_done = true;
    m_reason = StopReason::SpaceExhausted;
    return Verdict::Finished;
}

SchemeSearchJob::SchemeSearchJob(SearchRecord& record, KernelDataPtr data, bool kill, const SchemeWalk& walk,
                                 const std::map<int, KindPlan>& plans, DisplayForm form, std::uint64_t exhaustiveLimit)
    : m_record(record), m_kill(kill), m_walk(walk), m_form(form)
{
    for (int kind : kSearchedKindNumbers) {
        const auto plan = plans.find(kind);
        KindState s{VerificationKernel(data, *formulaKindOf(kind), kill),
                    {},
                    QualifyBounds(plan != plans.end() ? plan->second.thresholds : Thresholds{}),
                    {}};
        if (plan != plans.end()) {
            s.phase.rule = plan->second.rule;
        }
        s.space = stageOf(s.phase.rule, exhaustiveLimit).space;
        m_kinds.emplace(kind, std::move(s));
    }
    for (auto& [kind, s] : m_kinds) {
        s.phase.kernel = &s.kernel;
        s.phase.space = s.space.get();
    }
    m_record.foundForKind = 0;
    if (m_walk.finished()) {
        m_reason = StopReason::SchemeDone;
    } else if (m_record.full()) {
        m_stopped = true;
        m_reason = StopReason::Full;
    }
}

const SearchPhase* SchemeSearchJob::phase() const
{
    if (m_stopped || m_walk.finished()) {
        return nullptr;
    }
    return &m_kinds.at(m_walk.kind()).phase;
}

SearchJob::Verdict SchemeSearchJob::take(const Candidate& c, const FormulaFigures& f)
{
    const int kindNumber = m_walk.kind();
    const KindState& s = m_kinds.at(kindNumber);
    m_record.noteVerified(c, s.kernel.kind(), m_kill, m_form, f.stats);
    if (!s.qualifies(f) || !m_record.firstAcceptance(CandidateSpace::key(c), kindNumber, m_kill)) {
        return Verdict::Continue;
    }
    const ChanceFigures chance = candidateChance(s.kernel.data(), c, s.kernel.kind(), m_kill);
    if (m_holdout) {
        if (!m_record.acceptHeldOut(c, s.kernel.kind(), m_kill, m_form, kindNumber,
                                    m_holdout->judge(c, s.kernel.kind(), m_kill), f.stats, chance)) {
            return Verdict::Continue;
        }
    } else {
        m_record.accept(c, s.kernel.kind(), m_kill, m_form, kindNumber, f.stats, chance);
    }
    return afterAccept(m_walk.accept());
}

SearchJob::Verdict SchemeSearchJob::exhausted()
{
    m_walk.exhaustKind();
    return afterAccept(true);
}

const SpaceProgress* SchemeSearchJob::space() const
{
    return m_walk.finished() ? nullptr : m_kinds.at(m_walk.kind()).space.get();
}

SearchJob::Verdict SchemeSearchJob::afterAccept(bool kindDone)
{
    m_record.foundForKind = m_walk.foundForKind();
    if (m_walk.finished()) {
        m_reason = StopReason::SchemeDone;
        return Verdict::Finished;
    }
    if (m_record.full()) {
        m_stopped = true;
        m_reason = StopReason::Full;
        return Verdict::Finished;
    }
    return kindDone ? Verdict::PhaseChanged : Verdict::Continue;
}

TuningJob::TuningJob(SearchRecord& record, KernelDataPtr data, bool kill, const std::vector<int>& kinds,
                     const std::map<int, CandidateRule>& rules, int samples)
    : m_record(record), m_kill(kill), m_samples(std::clamp(samples, kMinTuningSamples, kMaxTuningSamples))
{
    for (int kind : kinds) {
        const auto formulaKind = formulaKindOf(kind);
        if (!formulaKind) {
            continue;
        }
        m_order.push_back(kind);
        const auto rule = rules.find(kind);
        KindState s{VerificationKernel(data, *formulaKind, kill), {}};
        s.phase.rule = rule != rules.end() ? rule->second : CandidateRule{};
        m_kinds.emplace(kind, std::move(s));
    }
    for (auto& [kind, s] : m_kinds) {
        s.phase.kernel = &s.kernel;
    }
    m_record.verified = 0;
}

const SearchPhase* TuningJob::phase() const
{
    return complete() ? nullptr : &m_kinds.at(m_order[m_index]).phase;
}

int TuningJob::samplesTaken() const
{
    if (complete()) {
        return m_samples;
    }
    const auto it = m_best.find(m_order[m_index]);
    return it == m_best.end() ? 0 : it->second.samples();
}

SearchJob::Verdict TuningJob::take(const Candidate& c, const FormulaFigures& f)
{
    const int kind = m_order[m_index];
    m_record.noteVerified(c, m_kinds.at(kind).kernel.kind(), m_kill, DisplayForm::Bracket, f.stats);
    TuningBest& best = m_best[kind];
    best.add(f.stats);
    if (best.samples() < m_samples) {
        return Verdict::Continue;
    }
    ++m_index;
    if (complete()) {
        return Verdict::Finished;
    }
    m_record.verified = 0; // each kind counts its own samples
    return Verdict::PhaseChanged;
}

} // namespace korvel
