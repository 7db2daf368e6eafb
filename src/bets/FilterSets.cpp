#include "bets/FilterSets.h"

#include "platform/SettingsStore.h"

namespace korvel {

const QString& FilterSets::section()
{
    static const QString s = QStringLiteral("TzSx");
    return s;
}

QStringList FilterSets::names() const
{
    QStringList out;
    for (const QString& key : m_store.keys(section())) {
        if (filtersFromText(m_store.value(section(), key))) {
            out << key;
        }
    }
    return out;
}

std::optional<BetFilters> FilterSets::load(const QString& name) const
{
    if (!m_store.contains(section(), name)) {
        return std::nullopt;
    }
    return filtersFromText(m_store.value(section(), name));
}

bool FilterSets::save(const QString& name, const BetFilters& filters, QString* error)
{
    const QString n = name.trimmed();
    // The INI form gives '/' and '\\' a meaning of their own inside a key.
    if (n.isEmpty() || n.contains(QLatin1Char('/')) || n.contains(QLatin1Char('\\'))) {
        if (error) {
            *error = QStringLiteral("方案名不能为空，也不能含有 / 或 \\。");
        }
        return false;
    }
    m_store.setValue(section(), n, filtersToText(filters));
    if (!m_store.lastWriteSaved()) {
        if (error) {
            *error = QStringLiteral("无法写入设置文件 %1。").arg(m_store.fileName());
        }
        return false;
    }
    return true;
}

void FilterSets::remove(const QString& name)
{
    m_store.remove(section(), name);
}

} // namespace korvel
