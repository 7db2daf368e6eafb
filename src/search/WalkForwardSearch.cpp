#include "search/WalkForwardSearch.h"

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
        plan.kinds.emplace(kind, KindPlan{rule, Thresholds::fromTexts(table.texts(kind, kill))});
    }
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

BacktestFormulaSource walkForwardSource(const WalkForwardPlan& plan)
{
    return [plan](const HistorySnapshot& seen, const FormulaKind& kind, bool kill, int step,
                  const std::function<bool()>& stop) -> std::optional<std::vector<Formula>> {
        const int kindNumber = kindNumberOf(kind);
        const auto it = plan.kinds.find(kindNumber);
        if (it == plan.kinds.end() || seen.empty()) {
            return std::vector<Formula>{};
        }
        auto data = std::make_shared<const KernelData>(seen, plan.windowDraws, plan.weighted);
        SearchRecord record;
        ManualSearchJob job(record, data, kind, kill, it->second.rule, it->second.thresholds, DisplayForm::Bracket,
                            static_cast<double>(plan.formulasPerStep), plan.candidatesPerStep);
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
        std::vector<Formula> out;
        int idx = 0;
        for (const FoundFormula& f : record.found) {
            Formula formula;
            formula.idx = ++idx;
            formula.gongshi = f.gongshi;
            formula.gongshiCN = f.gongshiCN;
            formula.bolKill = kill;
            out.push_back(std::move(formula));
        }
        return out;
    };
}

} // namespace korvel
