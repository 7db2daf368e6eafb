#include "search/FoundFormulaSaver.h"

#include "formula/FormulaStore.h"
#include "platform/Database.h"

#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <set>
#include <tuple>

namespace korvel {

namespace {

using Key = std::tuple<bool, QString, QString>;

// The distinct rows of a table as the store's rebuild sees them (sense, expression, Chinese text).
std::set<Key> distinctRows(const FormulaStore& store, const FormulaKind& kind)
{
    std::set<Key> keys;
    for (const Formula& f : store.listAll(kind)) {
        keys.emplace(f.kill, f.expressionText, f.displayText);
    }
    return keys;
}

std::vector<int> range(int from, int to)
{
    std::vector<int> v;
    for (int i = from; i <= to; ++i) {
        v.push_back(i);
    }
    return v;
}

void addFlag(SaveOutcome& out, int idx, bool selected)
{
    if (!out.flags.empty() && out.flags.back().selected == selected) {
        out.flags.back().idxs.push_back(idx);
    } else {
        out.flags.push_back({{idx}, selected});
    }
}

// Saves one group of entries of one kind, [first, end) of `entries`, into its table.
void saveGroup(Database& db, FormulaStore& store, const std::vector<FoundFormula>& entries, std::size_t first,
               std::size_t end, bool kill, SavePath path, SaveOutcome& out)
{
    const FormulaKind kind = entries[first].kind;
    const std::string table = FormulaStore::tableOf(kind); // throws for a kind without a table
    const bool append = isAppend(path);
    const bool automatic = isAutomatic(path);
    const std::size_t i = first;
    bool firstVisit = true;
    for (const FormulaKind& t : out.tables) {
        firstVisit = firstVisit && !(t == kind);
    }
    if (firstVisit) {
        out.tables.push_back(kind);
    }

    int rows = store.count(kind);
    if (!append && firstVisit) {
        if (automatic && rows > 0) {
            out.flags.push_back({range(1, rows), false});
        }
        db.sql().exec("DELETE FROM " + table);
        rows = 0;
    }
    if (path == SavePath::ManualAppend && rows > 0) {
        out.flags.push_back({range(1, rows), true});
    }
    // The automatic paths number each entry as if the table had been de-duplicated after the one
    // before: the count after an addition is the distinct rows so far plus one.
    // What de-duplication leaves beyond the distinct rows before the group is new; the rest was there.
    std::set<Key> distinct = distinctRows(store, kind);
    const int before = static_cast<int>(distinct.size());
    bool rebuiltOnce = false;
    // The group in one prepared statement (the transaction is the save's).
    std::vector<Formula> group;
    group.reserve(end - i);
    for (std::size_t k = i; k < end; ++k) {
        Formula f;
        f.expressionText = entries[k].expressionText;
        f.displayText = entries[k].displayText;
        f.kill = kill;
        group.push_back(std::move(f));
    }
    // A table takes at most FormulaStore::kMaxFormulas: the entries beyond are left out and counted.
    const std::size_t stored = store.appendFormulas(kind, group).size();
    out.notStored += static_cast<int>(group.size() - stored);
    for (std::size_t k = i; k < i + stored; ++k) {
        const FoundFormula& e = entries[k];
        ++out.written;
        if (automatic) {
            const int countNow = (rebuiltOnce ? static_cast<int>(distinct.size()) : rows) + 1;
            addFlag(out, countNow, true);
            distinct.emplace(kill, e.expressionText, e.displayText);
            rebuiltOnce = true;
        } else if (path == SavePath::ManualReplace) {
            addFlag(out, ++rows, true);
        }
    }
    out.added += std::max(0, store.rebuild(kind) - before);
    out.lastKind = kind;
}

} // namespace

SaveOutcome saveFoundFormulas(Database& db, FormulaStore& store, const std::vector<FoundFormula>& entries, bool kill,
                              SavePath path)
{
    SaveOutcome out;
    if (entries.empty()) {
        out.ok = true;
        return out;
    }
    if (!db.isOpen()) {
        out.error = QStringLiteral("数据库没有打开，公式没有保存。");
        return out;
    }
    try {
        SQLite::Transaction tx(db.sql());
        std::size_t i = 0;
        while (i < entries.size()) {
            const FormulaKind kind = entries[i].kind;
            std::size_t end = i;
            while (end < entries.size() && entries[end].kind == kind) {
                ++end;
            }
            saveGroup(db, store, entries, i, end, kill, path, out);
            i = end;
        }
        tx.commit();
    } catch (const std::exception& e) {
        SaveOutcome failed;
        failed.error = QStringLiteral("公式没有保存：%1").arg(QString::fromUtf8(e.what()));
        return failed;
    }
    out.ok = true;
    return out;
}

QString saveMessage(SavePath path)
{
    return isAppend(path) ? QStringLiteral("公式追加完毕！") : QStringLiteral("公式更新完毕！");
}

QString saveMessage(SavePath path, const SaveOutcome& outcome)
{
    QString text = saveMessage(path);
    if (outcome.written > 0) {
        const int there = outcome.written - outcome.added;
        text += QLatin1Char('\n') + (isAppend(path) ? QStringLiteral("新增 %1 条公式，%2 条已在公式库中。")
                                                    : QStringLiteral("写入 %1 条公式，%2 条重复。"))
                                        .arg(outcome.added)
                                        .arg(there);
    }
    if (outcome.notStored > 0) {
        text += QLatin1Char('\n') + formulaLimitText(outcome.notStored);
    }
    return text;
}

QString saveTitle(SavePath path)
{
    return isAppend(path) ? QStringLiteral("追加公式") : QStringLiteral("更新公式");
}

} // namespace korvel
