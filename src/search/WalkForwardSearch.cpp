#include "search/WalkForwardSearch.h"

#include "formula/Expression.h"
#include "verify/ChanceFigures.h"
#include "verify/Evaluation.h"

#include "history/HistorySnapshot.h"
#include "search/SearchKind.h"
#include "search/SearchRunner.h"
#include "search/ThresholdTable.h"

namespace korvel {

WalkForwardPlan storedWalkForwardPlan(const SettingsStore& store, bool kill, const CandidateRule& base,
                                      const FigureSettings& figures)
{
    WalkForwardPlan plan;
    ThresholdTable table;
    table.load(store);
    for (int kind : kSearchedKindNumbers) {
        CandidateRule rule = base;
        rule.operandCount = storedOperandCount(store, kind);
        rule.maxLag = storedMaxLag(store);
        plan.kinds.emplace(kind, KindPlan{rule, Thresholds::fromTexts(table.texts(kind, kill))});
    }
    plan.exhaustiveLimit = storedExhaustiveLimit(store);
    plan.windowDraws = figures.windowDraws;
    plan.weighted = figures.weighted;
    return plan;
}

std::uint64_t stepSeed(std::uint64_t seed, int step)
{
    // splitmix64 of the pair: neighbouring steps get unrelated sequences.
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ull * (static_cast<std::uint64_t>(step) + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::vector<SearchStage> walkForwardStages(const CandidateRule& rule, const WalkForwardPlan& plan)
{
    std::vector<SearchStage> stages;
    if (plan.smallSpacesFirst) {
        for (int operands = 1; operands <= 2; ++operands) {
            CandidateRule small = rule;
            small.operandCount = operands;
            small.constantMode = ConstantMode::Random; // the space of every digit 0-9
            stages.push_back(stageOf(small, plan.exhaustiveLimit));
        }
        if (rule.operandCount <= 2) {
            return stages; // the rule's own space lies within those
        }
    }
    stages.push_back(stageOf(rule, plan.exhaustiveLimit));
    return stages;
}

BacktestFormulaSource walkForwardSource(const WalkForwardPlan& plan)
{
    return [plan](const HistorySnapshot& seen, const FormulaKind& kind, bool kill, int step,
                  const std::function<bool()>& stop) -> std::optional<std::vector<Formula>> {
        const int kindNumber = kindNumberOf(kind);
        const auto it = plan.kinds.find(kindNumber);
        if (it == plan.kinds.end() || seen.empty()) {
            return std::vector<Formula>{};
        }
        auto data = std::make_shared<const KernelData>(seen, plan.windowDraws, plan.weighted, it->second.rule.maxLag);
        SearchRecord record;
        ManualSearchJob job(record, data, kind, kill, walkForwardStages(it->second.rule, plan), it->second.thresholds,
                            DisplayForm::Bracket, static_cast<double>(plan.formulasPerStep), plan.candidatesPerStep);
        // Each kind of a step gets its own sequence, so adding a position leaves the others' formulas alone.
        CandidateGenerator generator(stepSeed(plan.seed, step * 8 + kindNumber));
        SearchRunner runner(plan.threads);
        runner.start(job, generator);
        while (!runner.waitFinished(50)) {
            if (stop && stop()) {
                runner.pause();
                return std::nullopt;
            }
        }
        runner.pause();
        std::vector<const FoundFormula*> chosen;
        if (plan.preferSignificant && record.verified > 0) {
            const double bar = 0.01 / static_cast<double>(record.verified);
            for (const FoundFormula& f : record.found) {
                const Expression e = Expression::compile(f.expressionText);
                const FormulaEvaluation eval = EvaluateFormula(seen, e, kind, kill, data->windowStart());
                if (significance(chanceFigures(eval, data->windowStart(), kind, kill, false)).p < bar) {
                    chosen.push_back(&f);
                }
            }
        }
        if (chosen.empty()) {
            for (const FoundFormula& f : record.found) {
                chosen.push_back(&f);
            }
        }
        std::vector<Formula> out;
        int idx = 0;
        for (const FoundFormula* found : chosen) {
            const FoundFormula& f = *found;
            Formula formula;
            formula.idx = ++idx;
            formula.expressionText = f.expressionText;
            formula.displayText = f.displayText;
            formula.kill = kill;
            out.push_back(std::move(formula));
        }
        return out;
    };
}

} // namespace korvel
