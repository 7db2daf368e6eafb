#include "formula/FormulaImportPlan.h"

#include "formula/FormulaImportSupport.h"
#include "formula/FormulaStore.h"

#include <stdexcept>

namespace korvel {

FormulaImportPlan::FormulaImportPlan(FormulaStore& store, const FormulaKind& listedKind, FormulaImportMode mode)
    : m_store(store), m_listedKind(listedKind), m_mode(mode)
{
}

FormulaImportPlan::Table& FormulaImportPlan::open(const FormulaKind& kind)
{
    const int slot = kindSlot(kind);
    if (slot < 0) {
        throw std::invalid_argument("no formula table for kind " + kind.tableName().toStdString());
    }
    Table& t = m_tables[static_cast<std::size_t>(slot)];
    if (t.seen) {
        return t;
    }
    t.seen = true;
    if (m_mode == FormulaImportMode::File && kind != m_listedKind) {
        m_store.rebuild(kind);
        for (const Formula& f : m_store.listAll(kind)) {
            t.keys.insert({f.kill, f.expressionText, f.displayText});
        }
        t.rebuilt = true;
    }
    t.rows = m_store.count(kind);
    return t;
}

bool FormulaImportPlan::full(const FormulaKind& kind) const
{
    const int slot = kindSlot(kind);
    if (slot < 0) {
        return false;
    }
    const Table& t = m_tables[static_cast<std::size_t>(slot)];
    // A trailing repeat leaves when the next line comes, freeing its place.
    return t.seen && t.rows - (t.pendingDuplicate ? 1 : 0) >= FormulaStore::kMaxFormulas;
}

bool FormulaImportPlan::take(const FormulaTextLine& line)
{
    Table& t = open(line.kind);
    if (t.pendingDuplicate) {
        // The rebuild before this line removes the repeat appended last.
        t.batch.pop_back();
        --t.rows;
        t.pendingDuplicate = false;
    }
    if (t.rows >= FormulaStore::kMaxFormulas) {
        return false;
    }
    Formula f;
    f.expressionText = line.expressionText;
    f.displayText = line.displayText;
    f.kill = line.kill;
    t.batch.push_back(std::move(f));
    ++t.rows;
    if (t.rebuilt) {
        t.pendingDuplicate = !t.keys.insert({line.kill, line.expressionText, line.displayText}).second;
    }
    m_lastTaken = line.kind;
    return true;
}

void FormulaImportPlan::store()
{
    for (std::size_t k = 0; k < m_tables.size(); ++k) {
        const Table& t = m_tables[k];
        if (t.batch.empty()) {
            continue;
        }
        const std::size_t stored = m_store.appendFormulas(kAllKinds[k], t.batch).size();
        if (stored != t.batch.size()) {
            // The count read at the start said there was room: the table changed under the import.
            throw std::runtime_error("formula table " + kAllKinds[k].tableName().toStdString() +
                                     " took fewer rows than counted");
        }
    }
    if (m_lastTaken) {
        m_store.renumber(*m_lastTaken);
    }
}

} // namespace korvel
