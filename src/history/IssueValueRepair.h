#pragma once

#include <QString>

namespace korvel {

class Database;
class HistoryStore;

// "修复期号参数": recomputes `QH`, `QHW`, `SQH` and `SQHW` of every stored draw from its issue text by the
// rule of typed draws (the own sequence number s, the next one s + 1, or 1 after 358). Draw files imported
// before this rule was used carry the modulo-358 values of the online update, which differ on a 359th
// draw of a year. Only rows whose values differ are written, in one transaction (all or none), and the
// store's snapshot is reloaded.
struct IssueRepairResult {
    bool ok = false;
    int changed = 0; // rows rewritten
    QString error;   // why nothing was changed
};

IssueRepairResult repairIssueValues(Database& db, HistoryStore& store);

QString issueRepairTitle(); // "修复期号参数"
// The question before the repair and the report after it.
QString issueRepairQuestion();
QString repairText(const IssueRepairResult& result);

} // namespace korvel
