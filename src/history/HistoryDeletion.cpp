#include "history/HistoryDeletion.h"

#include "history/HistoryStore.h"
#include "history/IssueNumber.h"
#include "platform/Dialogs.h"
#include "platform/TextNumber.h"

#include <cmath>

namespace korvel {

namespace {

QString failureTitle()
{
    return QStringLiteral("历史管理");
}

// Deleted rows are gone for good; a failure must not pass for success. A failed deletion is a failure of
// the database (critical), a failed compaction after it only a note: the draws are deleted either way.
DeletionResult finish(HistoryStore& store, Dialogs& dialogs, int deleted, bool compact)
{
    if (deleted < 0) {
        dialogs.message(failureTitle(),
                        QStringLiteral("删除历史号码失败，历史号码未作改动。\n%1").arg(store.lastError()),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
        return {};
    }
    if (compact && deleted > 0 && !store.compact()) {
        dialogs.message(
            failureTitle(),
            QStringLiteral("历史号码已删除，但压缩数据库文件失败，文件保持原样。\n%1").arg(store.lastError()),
            Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
    return {deleted > 0, deleted};
}

// "（2026251 至 2026253 期）" for the newest `count` draws, "（2026253 期）" for one.
QString newestIssues(const HistoryStore& store, int count)
{
    const std::vector<QString>& issues = store.snapshot()->issues();
    const auto n = static_cast<std::ptrdiff_t>(issues.size());
    const QString& last = issues.back();
    if (count <= 1) {
        return QStringLiteral("（%1 期）").arg(last);
    }
    return QStringLiteral("（%1 至 %2 期）").arg(issues[static_cast<std::size_t>(n - count)], last);
}

// Every deletion says how many draws it will delete before it does.
bool confirmCount(HistoryStore& store, Dialogs& dialogs, int count)
{
    return dialogs.confirm(deletion::title(), deletion::countQuestion(count, newestIssues(store, count)));
}

} // namespace

namespace deletion {

QString countQuestion(int count, const QString& issues)
{
    return QStringLiteral("确实要删除最后 %1 期历史号码%2吗？").arg(count).arg(issues);
}

QString allQuestion(int count)
{
    return QStringLiteral("确实要删除全部 %1 期历史号码吗？").arg(count);
}

QString allTitle()
{
    return QStringLiteral("删除所有历史");
}

QString title()
{
    return QStringLiteral("删除期数");
}

QString chosenIssuePrompt()
{
    return QStringLiteral("请输入需要删除到的期数(保留到该期），例如‘2016001’");
}

QString lastCountPrompt()
{
    return QStringLiteral("请输入需要删除最后多少期历史号码（例如输入3，那么就将删除最后的3期历史号码）");
}

} // namespace deletion

DeletionResult deleteLastDraw(HistoryStore& store, Dialogs& dialogs)
{
    if (store.size() == 0 || !confirmCount(store, dialogs, 1)) {
        return {};
    }
    return finish(store, dialogs, store.deleteLast(), false);
}

DeletionResult deleteAllDraws(HistoryStore& store, Dialogs& dialogs)
{
    // One slip would lose every draw, typed ones too: asked with the count, 取消 the default.
    if (store.size() == 0 || !dialogs.confirmDestructive(deletion::allTitle(), deletion::allQuestion(store.size()))) {
        return {};
    }
    return finish(store, dialogs, store.Delrec(), false);
}

DeletionResult deleteToChosenIssue(HistoryStore& store, Dialogs& dialogs, const QString& selectedIssue)
{
    const QString suggestion = offsetIssue(selectedIssue.trimmed(), -1).value_or(QString());
    const std::optional<QString> answer = dialogs.input(deletion::title(), deletion::chosenIssuePrompt(), suggestion);
    if (!answer) {
        return {};
    }
    const QString keep = answer->trimmed();
    if (textValue(QStringView(keep).right(3)) == 0.0) {
        return {};
    }
    // The rows the deletion takes: issues after the answer in the table's order (the bytes of the text).
    const QByteArray bound = keep.toUtf8();
    int count = 0;
    for (const QString& issue : store.snapshot()->issues()) {
        count += issue.toUtf8() > bound ? 1 : 0;
    }
    if (count == 0 || !confirmCount(store, dialogs, count)) {
        return {};
    }
    return finish(store, dialogs, store.deleteAfter(keep), true);
}

DeletionResult deleteLastCount(HistoryStore& store, Dialogs& dialogs)
{
    const std::optional<QString> answer =
        dialogs.input(deletion::title(), deletion::lastCountPrompt(), QStringLiteral("1"));
    if (!answer) {
        return {};
    }
    const double n = std::floor(textValue(*answer));
    if (n < 1) {
        return {};
    }
    const int count = n >= store.size() ? store.size() : static_cast<int>(n);
    if (count == 0 || !confirmCount(store, dialogs, count)) {
        return {};
    }
    return finish(store, dialogs, store.deleteLastCount(count), true);
}

} // namespace korvel
