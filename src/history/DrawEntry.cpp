#include "history/DrawEntry.h"

#include "history/HistoryStore.h"
#include "platform/Dialogs.h"
#include "platform/TextNumber.h"

#include <QRegularExpression>

namespace korvel {

namespace entry {

QString duplicateTitle()
{
    return QStringLiteral("输入有误");
}

QString duplicateText(const QString& issue)
{
    return QStringLiteral("第%1期的开奖号码已经存在，本次输入没有保存。").arg(issue);
}

} // namespace entry

int entryDigit(const QString& boxText)
{
    const int v = static_cast<int>(textValue(boxText));
    return v >= 0 && v <= 9 ? v : 0;
}

QDate parseEntryDate(const QString& text)
{
    static const QRegularExpression form(QStringLiteral(R"(^\s*(\d{4})([-/.])(\d{1,2})\2(\d{1,2})\s*$)"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) {
        return {};
    }
    return QDate(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
}

QString normaliseDate(const QString& text)
{
    const QDate d = parseEntryDate(text);
    return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : text;
}

QString nextDay(const QString& date)
{
    const QDate d = parseEntryDate(date);
    return d.isValid() ? d.addDays(1).toString(QStringLiteral("yyyy-MM-dd")) : date;
}

EntryResult storeTypedDraw(HistoryStore& store, Dialogs& dialogs, const QString& issue, const QString& box1,
                           const QString& box2, const QString& box3, const QString& date)
{
    if (issue.trimmed().isEmpty()) {
        dialogs.message(entry::duplicateTitle(), QStringLiteral("请先输入期号。"), Dialogs::Buttons::Ok,
                        Dialogs::Icon::Warning);
        return EntryResult::EmptyIssue;
    }
    const Digits digits{entryDigit(box1), entryDigit(box2), entryDigit(box3)};
    switch (store.appendDraw(issue, digits, normaliseDate(date))) {
    case HistoryStore::AppendResult::Stored:
        return EntryResult::Stored;
    case HistoryStore::AppendResult::Duplicate:
        dialogs.message(entry::duplicateTitle(), entry::duplicateText(issue), Dialogs::Buttons::Ok,
                        Dialogs::Icon::Warning);
        return EntryResult::Duplicate;
    case HistoryStore::AppendResult::Failed:
        break;
    }
    dialogs.message(QStringLiteral("保存失败"),
                    QStringLiteral("第%1期的开奖号码没有保存：%2").arg(issue, store.lastError()), Dialogs::Buttons::Ok,
                    Dialogs::Icon::Critical);
    return EntryResult::Failed;
}

} // namespace korvel
