#pragma once

#include "search/ParameterTuning.h"
#include "search/SchemeWalk.h"
#include "search/SearchRecord.h"
#include "search/SearchRunner.h"
#include "search/ThresholdTable.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace korvel {

// Why a run ended by itself.
enum class StopReason {
    None,
    AutoStop,       // the manual search reached its "自动中止" count
    SchemeDone,     // the scheme walked all kinds
    Full,           // the unsaved results reached kMaxFound
    TuningDone,     // every sample was taken
    CandidateLimit, // the manual search verified the number of candidates it was given (command line)
    SpaceExhausted, // every candidate of the space was tried
};

// One stretch of a search: how its candidates are built and where it stands in their space (shared, so
// that a later run over the same space continues where this one stood).
struct SearchStage {
    CandidateRule rule;
    std::shared_ptr<SpaceProgress> space;
};
// A stage over the rule's whole space: enumerated when it holds at most `exhaustiveLimit` candidates,
// else sampled without repeats.
SearchStage stageOf(const CandidateRule& rule, std::uint64_t exhaustiveLimit = kDefaultExhaustiveLimit);

// "开始搜索(&F)": one kind and sense, candidates that qualify against the threshold snapshot are kept,
// until the automatic stop count (when checked) is no longer above the found count, the results are
// full, or every stage's space has been tried. A candidate limit (the command line's) ends the run after
// that many verified candidates, at the same candidate with any number of threads. The stages run in
// order, each to the end of its space (the walk-forward search tries the small spaces first).
class ManualSearchJob : public SearchJob {
public:
    ManualSearchJob(SearchRecord& record, KernelDataPtr data, const FormulaKind& kind, bool kill,
                    std::vector<SearchStage> stages, const Thresholds& thresholds, DisplayForm form,
                    std::optional<double> autoStopCount, std::optional<std::int64_t> candidateLimit = std::nullopt);
    // One stage over the rule's space.
    ManualSearchJob(SearchRecord& record, KernelDataPtr data, const FormulaKind& kind, bool kill,
                    const CandidateRule& rule, const Thresholds& thresholds, DisplayForm form,
                    std::optional<double> autoStopCount, std::optional<std::int64_t> candidateLimit = std::nullopt);

    const SearchPhase* phase() const override { return m_done ? nullptr : &m_phase; }
    Verdict take(const Candidate& c, const FormulaFigures& f) override;
    Verdict exhausted() override;
    StopReason reason() const { return m_reason; }
    // The stage going on (the last one once done) and its place in the space.
    const SpaceProgress& space() const { return *m_stages[m_stage].space; }
    // Formulas accepted by this run (held-out rejects included).
    int qualified() const { return m_qualified; }
    // "留出最近 K 期检验": qualifying candidates are also judged on the held-out draws (the check must outlive
    // the job); those failing its threshold are not accepted.
    void setHoldout(const HoldoutCheck* check) { m_holdout = check; }

private:
    void enterStage(std::size_t stage);

    SearchRecord& m_record;
    const HoldoutCheck* m_holdout = nullptr;
    VerificationKernel m_kernel;
    std::vector<SearchStage> m_stages;
    std::size_t m_stage = 0;
    int m_qualified = 0;
    SearchPhase m_phase;
    QualifyBounds m_qualifies;
    DisplayForm m_form;
    std::optional<double> m_autoStop;
    std::optional<std::int64_t> m_candidateLimit;
    bool m_done = false;
    StopReason m_reason = StopReason::None;
};

// Per-kind inputs of the scheme and of the all-kinds tuning, by kind number.
struct KindPlan {
    CandidateRule rule;
    Thresholds thresholds;
};

// "确定搜索方案开始搜索": walks the kinds to their targets (SchemeWalk), each kind with its own operand
// count and thresholds.
class SchemeSearchJob : public SearchJob {
public:
    SchemeSearchJob(SearchRecord& record, KernelDataPtr data, bool kill, const SchemeWalk& walk,
                    const std::map<int, KindPlan>& plans, DisplayForm form,
                    std::uint64_t exhaustiveLimit = kDefaultExhaustiveLimit);

    const SearchPhase* phase() const override;
    Verdict take(const Candidate& c, const FormulaFigures& f) override;
    // A kind whose space is tried before its target was reached is done: the walk moves on.
    Verdict exhausted() override;
    // The current kind's place in its space (nullptr once finished).
    const SpaceProgress* space() const;
    const SchemeWalk& walk() const { return m_walk; }
    StopReason reason() const { return m_reason; }
    void setHoldout(const HoldoutCheck* check) { m_holdout = check; }

private:
    struct KindState {
        VerificationKernel kernel;
        SearchPhase phase;
        QualifyBounds qualifies;
        std::shared_ptr<SpaceProgress> space;
    };
    Verdict afterAccept(bool kindDone);
    SearchRecord& m_record;
    const HoldoutCheck* m_holdout = nullptr;
    bool m_kill;
    SchemeWalk m_walk;
    DisplayForm m_form;
    std::map<int, KindState> m_kinds;
    bool m_stopped = false;
    StopReason m_reason = StopReason::None;
};

// The tuning: `samples` random candidates per kind, in the order of `kinds`; the best values of each kind
// are kept for the caller to apply once every kind is done (a tuning stopped early applies nothing).
class TuningJob : public SearchJob {
public:
    TuningJob(SearchRecord& record, KernelDataPtr data, bool kill, const std::vector<int>& kinds,
              const std::map<int, CandidateRule>& rules, int samples);

    const SearchPhase* phase() const override;
    Verdict take(const Candidate& c, const FormulaFigures& f) override;

    bool complete() const { return m_index >= m_order.size(); }
    // The kind being sampled (0 when complete) and the samples it has.
    int currentKind() const { return complete() ? 0 : m_order[m_index]; }
    int samplesTaken() const;
    int samples() const { return m_samples; }
    const std::map<int, TuningBest>& results() const { return m_best; }

private:
    struct KindState {
        VerificationKernel kernel;
        SearchPhase phase;
    };
    SearchRecord& m_record;
    bool m_kill;
    int m_samples;
    std::vector<int> m_order;
    std::size_t m_index = 0;
    std::map<int, KindState> m_kinds;
    std::map<int, TuningBest> m_best;
};

} // namespace korvel
