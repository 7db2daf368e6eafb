#include "history/IssueValueRepair.h"

#include "history/DrawParameters.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryStore.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "platform/WriteTransaction.h"

#include <SQLiteCpp/Statement.h>

#include <array>
#include <exception>
#include <vector>

namespace korvel {

namespace {

constexpr std::array<Param, 4> kIssueParams{Param::QH, Param::QHW, Param::SQH, Param::SQHW};

} // namespace

QString issueRepairTitle()
{
    return QStringLiteral("修复期号参数");
}

QString issueRepairQuestion()
{
    return QStringLiteral("按期号重新计算所有历史记录的期号、期号合、上期号、上期合（第359期的下一期为360）。"
                          "确实要修复吗？");
}

IssueRepairResult repairIssueValues(Database& db, HistoryStore& store)
{
    IssueRepairResult result;
    if (!db.isOpen()) {
        result.error = QStringLiteral("数据库没有打开");
        return result;
    }
    struct Change {
        QString issue;
        std::array<int, 4> values;
    };
    std::vector<Change> changes;
    const SnapshotPtr snap = store.snapshot();
    for (int row = 0; row < snap->size(); ++row) {
        const QString& issue = snap->issue(row);
        const DrawParams want = computeDrawParameters({}, {}, issueDateFromText(issue, QString()));
        Change change{issue, {}};
        bool differs = false;
        for (std::size_t i = 0; i < kIssueParams.size(); ++i) {
            change.values[i] = want[static_cast<std::size_t>(paramIndex(kIssueParams[i]))];
            differs = differs || snap->value(row, kIssueParams[i]) != change.values[i];
        }
        if (differs) {
            changes.push_back(std::move(change));
        }
    }
    if (changes.empty()) {
        result.ok = true;
        return result;
    }
    try {
        SQLite::Database& sql = db.sql();
        WriteTransaction tx(sql);
        SQLite::Statement update(sql, "UPDATE Lishi SET QH = ?, QHW = ?, SQH = ?, SQHW = ? WHERE strQQH = ?");
        for (const Change& change : changes) {
            for (std::size_t i = 0; i < change.values.size(); ++i) {
                update.bind(static_cast<int>(i) + 1, change.values[i]);
            }
            update.bind(5, change.issue.toStdString());
            update.exec();
            update.reset();
        }
        tx.commit();
        result.ok = true;
        result.changed = static_cast<int>(changes.size());
    } catch (const std::exception& e) {
        result.error = QString::fromUtf8(e.what());
    }
    store.reload();
    return result;
}

QString repairText(const IssueRepairResult& result)
{
    if (!result.ok) {
        return QStringLiteral("修复失败（%1），历史号码没有改变。").arg(result.error);
    }
    if (result.changed == 0) {
        return QStringLiteral("所有历史记录的期号参数都正确，没有需要修复的记录。");
    }
    return QStringLiteral("已修复 %1 期历史记录的期号参数。").arg(result.changed);
}

} // namespace korvel
