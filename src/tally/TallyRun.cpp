#include "tally/TallyRun.h"

#include "formula/Expression.h"
#include "formula/FormulaStore.h"
#include "history/HistorySnapshot.h"
#include "verify/FormulaList.h"
#include "verify/HitRule.h"

#include <algorithm>
#include <bitset>

namespace korvel {

namespace {

// A statistic of the formula table by its column name, for the best order; nullopt for an unknown name.
std::optional<double> statisticByColumn(const FormulaStats& s, const QString& column)
{
    switch (SortDialogState::optionOfColumn(column)) {
    case 0:
        return s.rate;
    case 1:
        return s.errCon;
    case 2:
        return s.trueCon;
    case 3:
        return s.errLst;
    case 4:
        return s.trueLst;
    default:
        return std::nullopt;
    }
}

TallyFormulaValue valueOn(const Formula& f, const HistorySnapshot& snapshot, int row)
{
    TallyFormulaValue v;
    v.idx = f.idx;
    v.selected = true;
    if (row < 0) {
        return v;
    }
    const Expression e = Expression::compile(f.expressionText);
    if (!e.ok()) {
        return v;
    }
    const std::optional<double> value = e.evaluateRow(snapshot, row);
    v.value = valueRemainder(value);
    v.digit = namedDigit(value);
    return v;
}

} // namespace

TallyFormulaSource formulaSourceOf(const FormulaStore& store)
{
    return [&store](const FormulaKind& kind, bool kill) { return store.list(kind, kill); };
}

TallySelection selectionOf(const FormulaList& list)
{
    return [&list](const FormulaKind& kind, int idx) { return kind == list.kind() ? list.isSelected(idx) : true; };
}

QHash<int, QString> TallySlotRun::valueTexts() const
{
    QHash<int, QString> texts;
    for (const TallyFormulaValue& v : walk) {
        if (v.selected && v.value) {
            texts.insert(v.idx, QString::number(*v.value));
        }
    }
    return texts;
}

std::vector<Formula> bestOrder(std::vector<Formula> formulas, const SortSettings& sort)
{
    std::stable_sort(formulas.begin(), formulas.end(), [&sort](const Formula& a, const Formula& b) {
        for (std::size_t k = 0; k < sort.sortKeys.size(); ++k) {
            const auto x = statisticByColumn(a.stats, sort.sortKeys[k]);
            const auto y = statisticByColumn(b.stats, sort.sortKeys[k]);
            if (!x || !y || *x == *y) {
                continue;
            }
            return sort.sortDescending[k] ? *x > *y : *x < *y;
        }
        return false;
    });
    return formulas;
}

ReferenceDraw referenceDraw(TallyMode mode, const QString& verifyIssue, const HistorySnapshot& snapshot)
{
    ReferenceDraw ref;
    if (mode == TallyMode::Next) {
        ref.row = snapshot.size() - 1;
        return ref;
    }
    const QString issue = verifyIssue.trimmed();
    const int row = snapshot.rowOfIssue(issue);
    ref.messageTitle = QStringLiteral("验证历史结果");
    if (row < 0) {
        ref.status = TallyOutcome::Status::VerifyIssueMissing;
        ref.messageText = QStringLiteral("历史号码中没有第%1期，无法验算该期结果。请输入已保存的期号。").arg(issue);
    } else if (row == 0) {
        ref.status = TallyOutcome::Status::VerifyIssueFirst;
        ref.messageText =
            QStringLiteral("第%1期是历史号码的第一期，之前没有开奖号码可供计算，无法验算该期结果。").arg(issue);
    } else {
        ref.row = row - 1;
        ref.messageTitle.clear();
    }
    return ref;
}

TallyOutcome ComputeTally(const TallyChoice& choice, const QString& verifyIssue, const HistorySnapshot& snapshot,
                          const TallyFormulaSource& formulas, const TallySelection& selected,
                          const std::optional<SortSettings>& sort, TallySet& tally)
{
    TallyOutcome out;
    const ReferenceDraw ref = referenceDraw(choice.mode, verifyIssue, snapshot);
    if (ref.status != TallyOutcome::Status::Done) {
        out.status = ref.status;
        out.messageTitle = ref.messageTitle;
        out.messageText = ref.messageText;
        return out;
    }
    const bool best = choice.method == TallyMethod::Best;
    if (best && (!sort || !sort->confirmed || sort->sortKeys[0].isEmpty())) {
        out.status = TallyOutcome::Status::SortNotConfirmed;
        return out;
    }
    out.referenceRow = ref.row;

    for (int slot = choice.firstSlot(); slot <= choice.lastSlot(); ++slot) {
        TallySlotRun run;
        run.slot = slot;
        run.kind = slot == 0 ? choice.groupKind() : FormulaKind{slot, Play::Single};
        std::vector<Formula> list = formulas(run.kind, choice.kill);
        if (best) {
            list = bestOrder(std::move(list), *sort);
            run.limit = choice.kill ? 10 - sort->keepLimit : sort->keepLimit;
        } else {
            run.limit = 10;
        }
        tally.clearSlot(slot);
        std::bitset<10> covered;
        for (const Formula& f : list) {
            // Each formula covers at most one new digit, so the best walk stops at exactly `limit` digits.
            if (best && static_cast<int>(covered.count()) >= run.limit) {
                break;
            }
            if (!selected(run.kind, f.idx)) {
                TallyFormulaValue skipped;
                skipped.idx = f.idx;
                run.walk.push_back(skipped);
                continue;
            }
            const TallyFormulaValue v = valueOn(f, snapshot, ref.row);
            if (v.digit >= 0) {
                covered.set(static_cast<std::size_t>(v.digit));
                tally.count(slot, v.digit, choice.kill);
            }
            run.walk.push_back(v);
        }
        run.covered = static_cast<int>(covered.count());
        out.runs.push_back(std::move(run));
    }
    if (best && !out.runs.empty()) {
        out.scrollListToLast = out.runs.back().walk.size() >= 30;
    }
    return out;
}

} // namespace korvel
