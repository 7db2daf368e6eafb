#include "formula/FormulaKind.h"

namespace korvel {

QString positionWord(int position)
{
    switch (position) {
    case 1:
        return QStringLiteral("个位");
    case 2:
        return QStringLiteral("十位");
    case 3:
        return QStringLiteral("百位");
    default:
        return {};
    }
}

QString playWord(Play play)
{
    return play == Play::Single ? QStringLiteral("单选") : QStringLiteral("通选");
}

QString senseWord(bool kill)
{
    return kill ? QStringLiteral("杀") : QStringLiteral("生");
}

QString FormulaKind::tableName() const
{
    return QStringLiteral("Gongshi") + shortName();
}

QString FormulaKind::label() const
{
    return positionWord(position) + playWord(play);
}

QString FormulaKind::shortName() const
{
    return QString::number(position) + (play == Play::Single ? QLatin1Char('D') : QLatin1Char('G'));
}

std::optional<FormulaKind> FormulaKind::parse(const QString& text)
{
    const QString t = text.trimmed();
    for (const FormulaKind& k : kAllKinds) {
        if (t.compare(k.shortName(), Qt::CaseInsensitive) == 0 || t.compare(k.tableName(), Qt::CaseInsensitive) == 0 ||
            t == k.label()) {
            return k;
        }
    }
    return std::nullopt;
}

} // namespace korvel
