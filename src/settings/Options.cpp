#include "settings/Options.h"

#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "platform/TextNumber.h"

#include <cmath>

namespace korvel {

namespace {

const QString kGameKey = QStringLiteral("GsZl");
const QString kSearchYearsKey = QStringLiteral("IniSerchDay");
const QString kComputeSelectedKey = QStringLiteral("JSFF");
const QString kResultsAtCurrentKey = QStringLiteral("LsXs");
const QString kExcludeCurrentKey = QStringLiteral("SyBq");
const QString kWeightedRateKey = QStringLiteral("ZqlJq");
const QString kWindowIndexKey = QStringLiteral("JSQS");

constexpr std::array<int, Options::kWindowCount> kWindowSizes = {0, 100, 200, 300, 500, 600, 800, 1000, 1500, 3000};

bool validWindowIndex(int index)
{
    return index >= 0 && index < Options::kWindowCount;
}

} // namespace

const QString& Options::section()
{
    static const QString s = QStringLiteral("IniSetting");
    return s;
}

Options::Options(SettingsStore& store, QObject* parent) : QObject(parent), m_store(store) {}

void Options::load()
{
    const QString& s = section();
    m_game = m_store.intValue(s, kGameKey, kGameFc3d);
    m_store.setInt(s, kGameKey, m_game);
    m_searchYears = m_store.intValue(s, kSearchYearsKey, kDefaultSearchYears);
    m_computeSelected = m_store.boolValue(s, kComputeSelectedKey, false);
    m_resultsAtCurrent = m_store.boolValue(s, kResultsAtCurrentKey, false);
    m_excludeCurrent = m_store.boolValue(s, kExcludeCurrentKey, true);
    m_weightedRate = m_store.boolValue(s, kWeightedRateKey, true);
    const int index = m_store.intValue(s, kWindowIndexKey, kDefaultWindowIndex);
    // An index no window item has would leave the statistics without a window.
    m_windowIndex = validWindowIndex(index) ? index : kDefaultWindowIndex;
    emit changed();
}

void Options::setGame(int game)
{
    m_game = game;
    m_store.setInt(section(), kGameKey, game);
    emit changed();
}

void Options::setSearchYears(int years)
{
    m_searchYears = years;
    m_store.setInt(section(), kSearchYearsKey, years);
    emit changed();
}

void Options::setComputeSelected(bool selected)
{
    setComputeSelectedForRun(selected);
    m_store.setBool(section(), kComputeSelectedKey, selected);
}

void Options::setComputeSelectedForRun(bool selected)
{
    m_computeSelected = selected;
    emit changed();
}

void Options::setResultsAtCurrentIssue(bool current)
{
    m_resultsAtCurrent = current;
    m_store.setBool(section(), kResultsAtCurrentKey, current);
    emit changed();
}

QString Options::resultColumn() const
{
    return m_resultsAtCurrent ? QStringLiteral("canshu") : QStringLiteral("PreCanshu");
}

void Options::setExcludeCurrent(bool exclude)
{
    m_excludeCurrent = exclude;
    m_store.setBool(section(), kExcludeCurrentKey, exclude);
    emit changed();
}

void Options::setWeightedRate(bool weighted)
{
    m_weightedRate = weighted;
    m_store.setBool(section(), kWeightedRateKey, weighted);
    emit changed();
}

void Options::setWindowIndex(int index)
{
    if (!validWindowIndex(index)) {
        return;
    }
    m_windowIndex = index;
    m_store.setInt(section(), kWindowIndexKey, index);
    emit changed();
}

int Options::windowSizeOfIndex(int index)
{
    return validWindowIndex(index) ? kWindowSizes[static_cast<std::size_t>(index)] : kWindowSizes[kDefaultWindowIndex];
}

QString Options::windowCaption(int index)
{
    if (!validWindowIndex(index)) {
        return {};
    }
    if (index == 0) {
        return QStringLiteral("前所有期");
    }
    return QStringLiteral("前%1期").arg(kWindowSizes[static_cast<std::size_t>(index)]);
}

QString Options::gameCaption(int game)
{
    if (game == kGameFc3d) {
        return QStringLiteral("福彩3D");
    }
    if (game == kGamePl3) {
        return QStringLiteral("体彩排列3");
    }
    return {};
}

void Options::restoreDefaults()
{
    const QString& s = section();
    m_resultsAtCurrent = false;
    m_store.setBool(s, kResultsAtCurrentKey, false);
    m_excludeCurrent = true;
    m_store.setBool(s, kExcludeCurrentKey, true);
    m_weightedRate = true;
    m_store.setBool(s, kWeightedRateKey, true);
    m_searchYears = kDefaultSearchYears;
    m_store.setInt(s, kSearchYearsKey, kDefaultSearchYears);
    m_windowIndex = kDefaultWindowIndex;
    m_store.setInt(s, kWindowIndexKey, kDefaultWindowIndex);
    emit changed();
}

bool Options::askSearchYears(Dialogs& dialogs)
{
    const QString title = QStringLiteral("设置年数");
    const QString prompt = QStringLiteral("请输入需要统计的历史号码的年数（2~10中的任意自然数）");
    const int current = m_store.intValue(section(), kSearchYearsKey, kDefaultSearchYears);
    for (;;) {
        const std::optional<QString> answer = dialogs.input(title, prompt, QString::number(current));
        if (!answer || answer->isEmpty()) {
            return false;
        }
        const double years = std::floor(textValue(*answer));
        if (years >= 2 && years <= 10) {
            setSearchYears(static_cast<int>(years));
            return true;
        }
        dialogs.message(
            QStringLiteral("输入有误"),
            QStringLiteral("为了保证时效性和提高计算效率，软件只能统计10天以内的数据，请输入2到10中的自然数。"),
            Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
}

} // namespace korvel
