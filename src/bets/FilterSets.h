#pragma once

#include "bets/BetFilters.h"

#include <QStringList>

#include <optional>

namespace korvel {

class SettingsStore;

// Named filter sets ("缩水方案"), kept in the settings store under section `TzSx`, one key per name, the
// value the set as text (filtersToText). A stored value that does not read back as a set is skipped by
// names() and refused by load(), never a crash.
class FilterSets {
public:
    explicit FilterSets(SettingsStore& store) : m_store(store) {}

    QStringList names() const;
    std::optional<BetFilters> load(const QString& name) const;
    // False (with the reason) for an empty name or one the store cannot hold as a key.
    bool save(const QString& name, const BetFilters& filters, QString* error = nullptr);
    void remove(const QString& name);

    static const QString& section();

private:
    SettingsStore& m_store;
};

} // namespace korvel
