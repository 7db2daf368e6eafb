#include "tally/SortSettings.h"

#include "formula/Expression.h"
#include "platform/TextNumber.h"

#include <algorithm>
#include <limits>

namespace korvel {

namespace {

struct Option {
    const char16_t* caption;
    const char* column;
};

constexpr std::array<Option, SortDialogState::kOptionCount> kOptions = {{
    {u"正确率", "sglGsRate"},
    {u"最大连错", "intGsErrCon"},
    {u"最大连对", "intGsTrueCon"},
    {u"最后连错", "intGsErrLst"},
    {u"最后连对", "intGsTrueLst"},
}};

} // namespace

QString SortDialogState::groupCaption(int group)
{
    switch (group) {
    case 0:
        return QStringLiteral("第一排序");
    case 1:
        return QStringLiteral("第二排序");
    case 2:
        return QStringLiteral("第三排序");
    default:
        return {};
    }
}

QString SortDialogState::optionCaption(int option)
{
    return option >= 0 && option < kOptionCount ? QString::fromUtf16(kOptions[std::size_t(option)].caption) : QString();
}

QString SortDialogState::optionColumn(int option)
{
    return option >= 0 && option < kOptionCount ? QString::fromLatin1(kOptions[std::size_t(option)].column) : QString();
}

int SortDialogState::optionOfColumn(const QString& column)
{
    for (int i = 0; i < kOptionCount; ++i) {
        if (column.compare(QLatin1String(kOptions[std::size_t(i)].column), Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

void SortDialogState::choose(int group, int option)
{
    if (group >= 0 && group < kGroupCount && option >= 0 && option < kOptionCount) {
        m_choice[std::size_t(group)] = option;
    }
}

SortSettings SortDialogState::confirm() const
{
    SortSettings s;
    constexpr double lo = std::numeric_limits<std::int16_t>::min();
    constexpr double hi = std::numeric_limits<std::int16_t>::max();
    s.keepLimit = static_cast<std::int16_t>(std::clamp(roundHalfEven(textValue(m_limitText)), lo, hi));
    for (int g = 0; g < kGroupCount; ++g) {
        s.sortKeys[std::size_t(g)] = optionColumn(m_choice[std::size_t(g)]);
        s.sortDescending[std::size_t(g)] = true;
    }
    s.confirmed = true;
    return s;
}

} // namespace korvel
