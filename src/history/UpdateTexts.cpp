#include "history/OnlineUpdate.h"

#include <algorithm>

namespace korvel::onlineupdate {

namespace {

QString errorsText(const std::vector<SourceError>& errors)
{
    QStringList lines;
    for (const SourceError& e : errors) {
        lines << QStringLiteral("%1：%2").arg(e.source, e.problem);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString confirmTitle()
{
    return QStringLiteral("在线更新");
}

QString confirmText()
{
    return QStringLiteral("确实要在线更新最新历史号码吗？更新可能要花费一段时间，网络不通或者我方服务器更新不及时可能"
                          "都造成更新失败！");
}

QString conflictText(const DrawConflict& c)
{
    if (!c.otherIssue.isEmpty()) {
        return QStringLiteral("%1 期 %2 与已有的 %3 期是同一天").arg(c.issue, c.downloaded, c.otherIssue);
    }
    return QStringLiteral("%1 期：已有 %2，来源为 %3").arg(c.issue, c.stored, c.downloaded);
}

QString outcomeText(const HistoryUpdateOutcome& outcome)
{
    using Status = HistoryUpdateOutcome::Status;
    QString text;
    switch (outcome.status) {
    case Status::Stored:
        text = QStringLiteral("在线更新完成：新增 %1 期开奖号码（%2 至 %3），来源 %4。")
                   .arg(outcome.added)
                   .arg(outcome.firstIssue, outcome.lastIssue, outcome.source);
        if (!outcome.missing.isEmpty()) {
            text += QStringLiteral("\n没有一个来源有 %1 期的开奖号码，其后的号码没有保存。").arg(outcome.missing);
        }
        break;
    case Status::NothingNew:
        text = QStringLiteral("在线更新完成：没有新的开奖号码，历史号码没有改变（来源 %1）。").arg(outcome.source);
        break;
    case Status::Failed:
        text = outcome.missing.isEmpty()
                   ? QStringLiteral("在线更新失败：没有一个来源给出开奖号码。\n历史号码没有改变。")
                   : QStringLiteral("在线更新失败：没有一个来源有 %1 期的开奖号码，不能接着已有的历史保存。\n"
                                    "历史号码没有改变。")
                         .arg(outcome.missing);
        break;
    case Status::Conflict: {
        QStringList lines;
        const std::size_t shown = std::min<std::size_t>(outcome.conflicts.size(), 5);
        for (std::size_t i = 0; i < shown; ++i) {
            lines << conflictText(outcome.conflicts[i]);
        }
        text = QStringLiteral("在线更新停止：%1 给出的开奖号码与已有的不一致，没有保存任何号码。\n%2")
                   .arg(outcome.conflictSource, lines.join(QLatin1Char('\n')));
        if (shown < outcome.conflicts.size()) {
            text += QStringLiteral("\n……共 %1 期不一致").arg(outcome.conflicts.size());
        }
        text += QStringLiteral("\n历史号码没有改变。");
        break;
    }
    case Status::Cancelled:
        text = QStringLiteral("在线更新已取消，历史号码没有改变。");
        break;
    case Status::StoreFailed:
        text = QStringLiteral("在线更新失败：保存开奖号码时出错（%1）。\n历史号码没有改变。").arg(outcome.storeError);
        break;
    }
    if (!outcome.errors.empty() && outcome.status != Status::Cancelled) {
        text += QStringLiteral("\n\n没有成功的来源：\n") + errorsText(outcome.errors);
    }
    if (!outcome.rejected.isEmpty() && outcome.status != Status::Cancelled) {
        const int shown = std::min<int>(static_cast<int>(outcome.rejected.size()), 10);
        text += QStringLiteral("\n来源中有 %1 期开奖号码无法识别，没有保存：%2")
                    .arg(outcome.rejected.size())
                    .arg(outcome.rejected.mid(0, shown).join(QStringLiteral("、")));
        if (shown < outcome.rejected.size()) {
            text += QStringLiteral("……");
        }
    }
    return text;
}

QString outcomeLine(const HistoryUpdateOutcome& outcome)
{
    using Status = HistoryUpdateOutcome::Status;
    switch (outcome.status) {
    case Status::Stored:
        return QStringLiteral("历史号码已更新：新增 %1 期（%2 至 %3）")
            .arg(outcome.added)
            .arg(outcome.firstIssue, outcome.lastIssue);
    case Status::NothingNew:
        return QStringLiteral("历史号码已是最新：没有新的开奖号码");
    case Status::Failed:
        return outcome.missing.isEmpty()
                   ? QStringLiteral("历史号码更新失败：%1")
                         .arg(outcome.errors.empty()
                                  ? QStringLiteral("没有来源")
                                  : outcome.errors.back().source + QStringLiteral("：") + outcome.errors.back().problem)
                   : QStringLiteral("历史号码更新失败：缺少 %1 期").arg(outcome.missing);
    case Status::Conflict:
        return QStringLiteral("历史号码更新停止：") + conflictText(outcome.conflicts.front());
    case Status::Cancelled:
        return QStringLiteral("历史号码更新已取消");
    case Status::StoreFailed:
        return QStringLiteral("历史号码更新失败：%1").arg(outcome.storeError);
    }
    return {};
}

} // namespace korvel::onlineupdate
