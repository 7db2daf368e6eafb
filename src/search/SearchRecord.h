#pragma once

#include "formula/FormulaKind.h"
#include "search/Candidate.h"
#include "search/HoldoutCheck.h"
#include "search/SearchSettings.h"
#include "verify/ChanceFigures.h"
#include "verify/FormulaFigures.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace korvel {

// The found count is a 16-bit number in the stored formulas' world (`idx`, selection flags): a search
// stops when it reaches this many unsaved formulas.
inline constexpr int kMaxFound = 32767;

// An accepted formula waiting to be saved: the texts as built and its kind (which names its table).
struct FoundFormula {
    QString expressionText;
    QString displayText;
    FormulaKind kind;
};

// What the search window shows of its runs: the result arrays (entries 1..found count, consumed by every
// save), the visible result list (only ever appended to while the window is open), the counters and the
// candidate verified last. Written by the running job under the runner's lock; read through the session.
// What the result list shows beside an accepted formula's text: its rate with the chance figures, and the
// tooltip naming how the significance was computed. The export writes the texts only.
struct ResultFigures {
    QString text;
    QString toolTip;
};

struct SearchRecord {
    std::vector<FoundFormula> found;
    QStringList lines;
    // With a hold-out: the held-out figures of each line's formula (same index as `lines`), and the formulas
    // that qualified but failed the held-out threshold: shown as such, never saved.
    QStringList notes;
    QStringList rejected;
    std::vector<ResultFigures> figures;   // one per line
    std::int64_t verified = 0;            // "当前验证公式数"
    int foundForKind = 0;                 // the scheme's count for its current kind
    std::array<int, 6> acceptedPerKind{}; // accepted since the window opened, by kind number - 1

    bool hasLast = false;
    Candidate last;
    FormulaKind lastKind;
    bool lastKill = true;
    DisplayForm lastForm = DisplayForm::Bracket;
    FormulaStats lastStats;

    void noteVerified(const Candidate& c, const FormulaKind& kind, bool kill, DisplayForm form, const FormulaStats& s)
    {
        ++verified;
        hasLast = true;
        last = c;
        lastKind = kind;
        lastKill = kill;
        lastForm = form;
        lastStats = s;
    }

    void accept(const Candidate& c, const FormulaKind& kind, bool kill, DisplayForm form, int kindNumber,
                const FormulaStats& stats, const ChanceFigures& chance)
    {
        FoundFormula f{candidateExpression(c), candidateText(c, kind, kill, form), kind};
        lines << f.displayText;
        notes << QString();
        figures.push_back({QStringLiteral("正确率 %1  随机基准 %2  超出基准 %3  显著性 %4")
                               .arg(rateText(stats), baselineText(chance),
                                    excessText(chance, static_cast<double>(stats.rate)), significanceText(chance)),
                           significanceToolTip(chance)});
        found.push_back(std::move(f));
        ++acceptedPerKind[static_cast<std::size_t>(kindNumber - 1)];
    }

    // A qualifying candidate judged on the held-out draws: accepted with its note when it passed, else kept
    // among the rejected. True when accepted.
    bool acceptHeldOut(const Candidate& c, const FormulaKind& kind, bool kill, DisplayForm form, int kindNumber,
                       const HoldoutFigures& h, const FormulaStats& stats, const ChanceFigures& chance)
    {
        if (!h.passed) {
            rejected << QStringLiteral("【%1】 %2").arg(holdoutText(h), candidateText(c, kind, kill, form));
            return false;
        }
        accept(c, kind, kill, form, kindNumber, stats, chance);
        notes.back() = holdoutText(h);
        return true;
    }

    bool full() const { return static_cast<int>(found.size()) >= kMaxFound; }

    // The formulas accepted (or rejected on the held-out draws) since the window opened, by kind, sense and
    // the candidate's order-free identity: a formula found again (a later run over the same space) is not
    // counted, listed or saved a second time. True the first time.
    std::unordered_set<std::uint64_t> acceptedKeys;
    bool firstAcceptance(std::uint64_t candidateKey, int kindNumber, bool kill)
    {
        const std::uint64_t k =
            candidateKey ^ (static_cast<std::uint64_t>(kindNumber * 2 + (kill ? 1 : 0)) * 0x9E3779B97F4A7C15ull);
        return acceptedKeys.insert(k).second;
    }
};

} // namespace korvel
