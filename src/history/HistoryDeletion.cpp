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

// Deleted rows are gone for good; a failure must not pass for success.
DeletionResult finish(HistoryStore& store, Dialogs& dialogs, int deleted, bool compact)
{
    if (deleted < 0) {
        dialogs.message(failureTitle(),
                        QStringLiteral("删除历史号码失败，历史号码未作改动。\n%1").arg(store.lastError()),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
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

} // namespace

namespace deletion {

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
    if (store.size() == 0) {
        return {};
    }
    return finish(store, dialogs, store.deleteLast(), false);
}

DeletionResult deleteAllDraws(HistoryStore& store, Dialogs& dialogs)
{
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
    if (count == 0) {
        return {};
    }
    return finish(store, dialogs, store.deleteLastCount(count), true);
}

} // namespace korvel
