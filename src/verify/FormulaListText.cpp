// What the formula list shows: column headers and widths, cell texts and tooltips.
#include "verify/FormulaList.h"

#include <array>

namespace korvel {

QString FormulaList::columnHeader(int column, bool weighted)
{
    switch (column) {
    case ColNumber:
        return QStringLiteral("序号");
    case ColFormula:
        return QStringLiteral("公式");
    case ColKind:
        return QStringLiteral("种类");
    case ColSense:
        return QStringLiteral("生杀");
    case ColNextValue:
        return QStringLiteral("计算值");
    case ColRate:
        return weighted ? QStringLiteral("正确率（加权算法）") : QStringLiteral("正确率");
    case ColErrCon:
        return QStringLiteral("最大连错");
    case ColTrueCon:
        return QStringLiteral("最大连对");
    case ColErrLst:
        return QStringLiteral("最后连错");
    case ColTrueLst:
        return QStringLiteral("最后连对");
    case ColIdx:
        return QStringLiteral("idx");
    case ColBaseline:
        return QStringLiteral("随机基准");
    case ColExcess:
        return QStringLiteral("超出基准");
    case ColSignificance:
        return QStringLiteral("显著性");
    case ColForward:
        return QStringLiteral("入库后");
    default:
        return {};
    }
}

int FormulaList::columnWidthTwips(int column)
{
    // Counted, not sized: a width left out would hide its column.
    static constexpr int widths[] = {420, 4800, 600, 420, 600, 2800, 800, 800, 800, 800, 0, 1200, 1000, 1000, 2600};
    static_assert(std::size(widths) == ColumnCount, "one width per column");
    return column >= 0 && column < ColumnCount ? widths[column] : 0;
}

QString FormulaList::perDrawHeader(int r)
{
    const int number = r + 1;
    return number < 100 ? QStringLiteral("公式%1").arg(number) : QStringLiteral("式%1").arg(number);
}

QString FormulaList::cellText(int r, int column, bool chinese) const
{
    const FormulaListRow& x = row(r);
    const FormulaStats& s = x.formula.stats;
    switch (column) {
    case ColNumber:
        return QString::number(r + 1);
    case ColFormula:
        return chinese ? x.formula.displayText : x.formula.expressionText;
    case ColKind:
        return m_kind.label();
    case ColSense:
        return senseWord(x.formula.kill);
    case ColNextValue:
        return x.evaluable ? x.nextValueText : QStringLiteral("无法计算");
    case ColRate:
        return rateText(s);
    case ColErrCon:
        return QString::number(s.errCon);
    case ColTrueCon:
        return QString::number(s.trueCon);
    case ColErrLst:
        return QString::number(s.errLst);
    case ColTrueLst:
        return QString::number(s.trueLst);
    case ColIdx:
        return QString::number(x.formula.idx);
    case ColBaseline:
        return baselineText(x.chance);
    case ColExcess:
        return excessText(x.chance, static_cast<double>(s.rate));
    case ColSignificance:
        return significanceText(x.chance);
    case ColForward:
        return x.forward ? forwardText(*x.forward) : QStringLiteral("—");
    default:
        return {};
    }
}

QString FormulaList::cellToolTip(int r, int column) const
{
    const FormulaListRow& x = row(r);
    switch (column) {
    case ColBaseline:
        return QStringLiteral("随机开奖下该公式在同一窗口（同一加权）的平均命中概率");
    case ColExcess:
        return QStringLiteral("正确率减随机基准（百分点）");
    case ColSignificance:
        return significanceToolTip(x.chance);
    case ColForward:
        return x.forward ? QStringLiteral("公式入库（期号 %1 之后）以来的命中/期数，及其随机基准")
                               .arg(x.formula.entryIssue->isEmpty() ? QStringLiteral("无") : *x.formula.entryIssue)
                         : QStringLiteral("数据库未记录入库期号");
    default:
        return {};
    }
}

} // namespace korvel
