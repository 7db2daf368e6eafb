#include "session/TypedFormula.h"

#include "formula/Expression.h"
#include "formula/FormulaLanguage.h"
#include "formula/TypedWords.h"
#include "platform/Dialogs.h"
#include "verify/FormulaList.h"

namespace korvel {

TypedFormulaResult AddTypedFormula(const QString& input, const FormulaKind& currentKind, bool currentKill,
                                   FormulaList& list, Dialogs& dialogs)
{
    using Status = TypedFormulaResult::Status;
    TypedFormulaResult result;
    const ParsedFormula parsed = ParseFormulaText(input, currentKind, currentKill);
    switch (parsed.status) {
    case ParseStatus::EmptyInput:
    case ParseStatus::Unreadable:
        dialogs.message(parsed.messageTitle, parsed.messageText, Dialogs::Buttons::Ok, Dialogs::Icon::None);
        result.status = parsed.status == ParseStatus::EmptyInput ? Status::EmptyInput : Status::Unreadable;
        return result;
    case ParseStatus::NoSuchTable:
        result.status = Status::NoSuchTable;
        return result;
    case ParseStatus::TooLong:
        dialogs.message(parsed.messageTitle, parsed.messageText, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        result.status = Status::NotComputable;
        return result;
    case ParseStatus::Ok:
        break;
    }

    // A formula that cannot be computed would only ever count misses: say what is wrong instead of storing it.
    const Expression expression = Expression::compile(parsed.expressionText);
    if (!expression.ok()) {
        dialogs.message(QStringLiteral("添加公式失败"),
                        QStringLiteral("公式「%1」无法计算：%2。\n公式没有添加，请修改后重新添加。")
                            .arg(shortFormulaText(parsed.displayText),
                                 inTypedWords(expression.error(), parsed.displayText, expression.errorPart())),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        result.status = Status::NotComputable;
        return result;
    }

    result.idx = list.appendFormula(parsed.kind, parsed.expressionText, parsed.displayText, parsed.kill);
    if (result.idx == 0) {
        result.status = Status::StoreFailed;
        return result;
    }
    result.status = Status::Added;
    result.kind = parsed.kind;
    result.kill = parsed.kill;
    result.senseFromLine = parsed.senseFromLine;
    result.namedPlay = parsed.namedPlay;
    return result;
}

} // namespace korvel
