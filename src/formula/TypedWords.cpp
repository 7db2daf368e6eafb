#include "formula/TypedWords.h"

#include "formula/FormulaLanguage.h"

#include <QRegularExpression>

namespace korvel {

namespace {

// The expression of a line: before "=下期…" in the equation form, after "[…]" in the bracket form.
QString expressionOf(const QString& line)
{
    const QString text = line.trimmed();
    const qsizetype next = text.indexOf(QStringLiteral("下期"));
    if (next >= 0) {
        QString expression = text.left(next).trimmed();
        if (expression.endsWith(QLatin1Char('='))) {
            expression.chop(1);
        }
        return expression;
    }
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        return close < 0 ? QString() : text.mid(close + 1);
    }
    return text;
}

} // namespace

QString typedWordsOf(const QString& line, const QString& translatedPart)
{
    if (translatedPart.isEmpty()) {
        return {};
    }
    // Parameter words hold no operator, so every operand translates on its own as it does within the line.
    static const QRegularExpression operators(QStringLiteral("[-+*/\\\\()\\s]+"));
    for (const QString& operand : expressionOf(line).split(operators, Qt::SkipEmptyParts)) {
        if (TranslateWords(operand).contains(translatedPart)) {
            return operand;
        }
    }
    return {};
}

QString inTypedWords(const QString& message, const QString& line, const QString& translatedPart)
{
    const QString typed = typedWordsOf(line, translatedPart);
    if (typed.isEmpty() || typed == translatedPart) {
        return message;
    }
    QString out = message;
    return out.replace(translatedPart, typed);
}

} // namespace korvel
