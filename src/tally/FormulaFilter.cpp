#include "tally/FormulaFilter.h"

#include "platform/Dialogs.h"
#include "platform/TextNumber.h"
#include "verify/FormulaList.h"

#include <algorithm>
#include <vector>

namespace korvel {

namespace {

constexpr double kTolerance = 0.0001;

} // namespace

QString FormulaFilter::statisticName(int i)
{
    switch (i) {
    case 0:
        return QStringLiteral("正确率");
    case 1:
        return QStringLiteral("最大连错");
    case 2:
        return QStringLiteral("最大连对");
    case 3:
        return QStringLiteral("最后连错");
    case 4:
        return QStringLiteral("最后连对");
    default:
        return {};
    }
}

double FormulaFilter::statisticValue(const FormulaStats& stats, int i)
{
    switch (i) {
    case 0:
        return static_cast<double>(stats.rate);
    case 1:
        return stats.errCon;
    case 2:
        return stats.trueCon;
    case 3:
        return stats.errLst;
    case 4:
        return stats.trueLst;
    default:
        return 0.0;
    }
}

FormulaFilter::Boxes FormulaFilter::prefill(const FormulaList& list)
{
    std::array<double, kStatCount> lo{100.0, 32767.0, 32767.0, 32767.0, 32767.0};
    std::array<double, kStatCount> hi{};
    for (int r = 0; r < list.rowCount(); ++r) {
        if (!list.rowSelected(r)) {
            continue;
        }
        const FormulaStats& s = list.row(r).formula.stats;
        for (int i = 0; i < kStatCount; ++i) {
            const double v = statisticValue(s, i);
            lo[std::size_t(i)] = std::min(lo[std::size_t(i)], v);
            hi[std::size_t(i)] = std::max(hi[std::size_t(i)], v);
        }
    }
    Boxes boxes;
    for (int i = 0; i < kStatCount; ++i) {
        // The rate is a single-precision figure: seven significant digits show it within the tolerance.
        const auto text = [i](double v) {
            return i == 0 ? QString::number(v, 'g', 7) : QString::number(static_cast<int>(v));
        };
        boxes[std::size_t(2 * i)] = text(lo[std::size_t(i)]);
        boxes[std::size_t(2 * i + 1)] = text(hi[std::size_t(i)]);
    }
    return boxes;
}

int FormulaFilter::apply(FormulaList& list, const Boxes& boxes)
{
    std::array<double, kStatCount> lo{};
    std::array<double, kStatCount> hi{};
    for (int i = 0; i < kStatCount; ++i) {
        lo[std::size_t(i)] = textValue(boxes[std::size_t(2 * i)]) - kTolerance;
        hi[std::size_t(i)] = textValue(boxes[std::size_t(2 * i + 1)]) + kTolerance;
    }
    const float rateLo = static_cast<float>(lo[0]);
    const float rateHi = static_cast<float>(hi[0]);

    std::vector<int> outside;
    int remaining = 0;
    for (int r = 0; r < list.rowCount(); ++r) {
        const FormulaStats& s = list.row(r).formula.stats;
        bool out = s.rate > rateHi || s.rate < rateLo;
        for (int i = 1; i < kStatCount && !out; ++i) {
            const double v = statisticValue(s, i);
            out = v > hi[std::size_t(i)] || v < lo[std::size_t(i)];
        }
        if (out) {
            outside.push_back(list.idxOfRow(r));
        } else if (list.rowSelected(r)) {
            ++remaining;
        }
    }
    list.setSelected(outside, false);
    return remaining;
}

int FormulaFilter::confirm(FormulaList& list, const Boxes& boxes, Dialogs& dialogs)
{
    const int remaining = apply(list, boxes);
    dialogs.message(QStringLiteral("公式过滤结果"), QStringLiteral("过滤后公式剩余%1条").arg(remaining),
                    Dialogs::Buttons::Ok, Dialogs::Icon::None);
    return remaining;
}

} // namespace korvel
