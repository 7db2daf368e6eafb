#include "session/BacktestCommand.h"

#include "formula/FormulaStore.h"
#include "session/Session.h"
#include "settings/Options.h"
#include "tally/TallySet.h"
#include "verify/FormulaList.h"

#include <QJsonArray>

#include <map>
#include <set>

namespace korvel {

namespace {

FigureSettings figuresOf(const Options& o)
{
    FigureSettings f;
    f.windowDraws = o.windowSize();
    f.excludeCurrent = o.excludeCurrent();
    f.weighted = o.weightedRate();
    return f;
}

QJsonObject slotJson(const BacktestSlot& s)
{
    QJsonArray counts;
    QJsonArray marks;
    QJsonArray order(QJsonArray{0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    for (int d = 0; d < 10; ++d) {
        const auto dd = static_cast<std::size_t>(d);
        counts.append(s.counts[dd]);
        marks.append(s.filtered[dd] ? QStringLiteral("滤杀") : QStringLiteral("保留"));
        order[s.rankOf[dd] - 1] = d;
    }
    QJsonArray drawn;
    for (int d : s.drawn) {
        drawn.append(d);
    }
    return QJsonObject{{QStringLiteral("slot"), backtestSlotName(s.slot)},
                       {QStringLiteral("drawn"), drawn},
                       {QStringLiteral("killed"), s.killed},
                       {QStringLiteral("rank"), s.rank},
                       {QStringLiteral("formulas"), s.formulas},
                       {QStringLiteral("counts"), counts},
                       {QStringLiteral("marks"), marks},
                       {QStringLiteral("rankOrder"), order}};
}

} // namespace

QString backtestSlotName(int slot)
{
    switch (slot) {
    case 0:
        return QStringLiteral("通选");
    case 1:
        return QStringLiteral("个位");
    case 2:
        return QStringLiteral("十位");
    default:
        return QStringLiteral("百位");
    }
}

QString rankedDigitsText(const BacktestSlot& slot)
{
    std::array<int, 10> order{};
    for (int d = 0; d < 10; ++d) {
        order[static_cast<std::size_t>(slot.rankOf[static_cast<std::size_t>(d)] - 1)] = d;
    }
    QStringList parts;
    for (int d : order) {
        parts << QString::number(d) +
                     (slot.filtered[static_cast<std::size_t>(d)] ? QStringLiteral("杀") : QStringLiteral("保"));
    }
    return parts.join(QLatin1Char(' '));
}

BacktestInput prepareBacktest(Session& session, const TallyChoice& choice, BacktestMode mode, int draws,
                              const WalkForwardPlan& plan)
{
    BacktestInput in;
    in.snapshot = session.snapshot();
    in.request.choice = choice;
    in.request.sort = session.sortSettings();
    in.request.figures = figuresOf(session.options());
    in.request.draws = draws;
    in.request.mode = mode;
    if (mode == BacktestMode::Fixed) {
        // Read now, on the thread that owns the database.
        std::map<std::pair<int, int>, std::vector<Formula>> tables;
        for (const FormulaKind& k : backtestKinds(choice)) {
            std::vector<Formula> list;
            try {
                list = session.formulaStore().list(k, choice.kill);
            } catch (const std::exception&) {
                list.clear(); // no database: no formulas
            }
            tables[{k.position, static_cast<int>(k.play)}] = std::move(list);
        }
        in.formulas = fixedFormulaSource([tables](const FormulaKind& k, bool) {
            const auto it = tables.find({k.position, static_cast<int>(k.play)});
            return it == tables.end() ? std::vector<Formula>{} : it->second;
        });
        const FormulaList& list = session.formulas();
        std::set<int> chosen;
        for (int r = 0; r < list.rowCount(); ++r) {
            if (list.rowSelected(r)) {
                chosen.insert(list.row(r).formula.idx);
            }
        }
        const FormulaKind listKind = list.kind();
        const bool listKill = list.kill();
        in.selection = [chosen, listKind, listKill, kill = choice.kill](const FormulaKind& k, int idx) {
            return k == listKind && listKill == kill ? chosen.count(idx) > 0 : true;
        };
    } else {
        CandidateRule base;
        if (!plan.kinds.empty()) {
            base = plan.kinds.begin()->second.rule;
        }
        WalkForwardPlan stored = storedWalkForwardPlan(session.settings(), choice.kill, base, in.request.figures);
        stored.formulasPerStep = plan.formulasPerStep;
        stored.candidatesPerStep = plan.candidatesPerStep;
        stored.seed = plan.seed;
        stored.threads = plan.threads;
        in.formulas = walkForwardSource(stored);
        in.selection = [](const FormulaKind&, int) { return true; };
    }
    return in;
}

QJsonObject backtestJson(const BacktestResult& result)
{
    QJsonArray summary;
    for (const BacktestSummary& s : result.summary) {
        QJsonArray lines;
        for (const SurvivalLine& l : s.lines) {
            lines.append(QJsonObject{{QStringLiteral("n"), l.n},
                                     {QStringLiteral("survived"), l.survived},
                                     {QStringLiteral("draws"), l.draws},
                                     {QStringLiteral("share"), l.share},
                                     {QStringLiteral("chance"), l.chance},
                                     {QStringLiteral("low"), l.low},
                                     {QStringLiteral("high"), l.high}});
        }
        summary.append(QJsonObject{{QStringLiteral("slot"), backtestSlotName(s.slot)},
                                   {QStringLiteral("killed"), s.killed},
                                   {QStringLiteral("killedChance"), s.killedChance},
                                   {QStringLiteral("survival"), lines}});
    }
    QJsonArray draws;
    for (const BacktestDraw& d : result.draws) {
        QJsonArray parts;
        for (const BacktestSlot& s : d.slotResults) {
            parts.append(slotJson(s));
        }
        draws.append(QJsonObject{{QStringLiteral("issue"), d.issue},
                                 {QStringLiteral("digits"), QStringLiteral("%1%2%3").arg(d.d1).arg(d.d2).arg(d.d3)},
                                 {QStringLiteral("positions"), parts}});
    }
    return QJsonObject{{QStringLiteral("mode"), backtestModeName(result.mode)},
                       {QStringLiteral("inSample"), result.inSample},
                       {QStringLiteral("summary"), summary},
                       {QStringLiteral("draws"), draws}};
}

} // namespace korvel
