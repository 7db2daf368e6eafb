// Reading formula text files: decoding, lines, and what becomes of each line. Nothing here touches the
// database; the import decides and stores afterwards (FormulaImportPlan, FormulaImport).
#include "formula/FormulaImport.h"

#include "formula/Expression.h"
#include "formula/FormulaLanguage.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QRegularExpression>

namespace korvel {

bool isRecognisedExpression(const QString& expressionText)
{
    for (const QChar c : expressionText) {
        const char16_t u = c.unicode();
        const bool letter = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '[' || u == '`' || u == '{';
        const bool digit = u >= '0' && u <= '9';
        const bool symbol = u == '(' || u == ')' || u == '*' || u == '+' || u == '-' || u == '/' || u == ' ';
        if (!letter && !digit && !symbol) {
            return false;
        }
    }
    return true;
}

namespace {

// Why the engine refuses the expression for its size, or empty. Each level of nesting takes a character at
// least, so a text of at most kMaxDepth characters is within both limits and needs no compiling.
QString sizeError(const QString& expressionText)
{
    if (expressionText.size() <= Expression::kMaxDepth) {
        return {};
    }
    const Expression e = Expression::compile(expressionText);
    return e.tooLarge() ? e.error() : QString();
}

} // namespace

FormulaTextLine readFormulaLine(const QString& line, FormulaKind& currentKind, bool& currentKill,
                                const std::function<bool(const FormulaKind&)>& tableFull)
{
    FormulaTextLine out;
    QString text = line;
    const qsizetype record = text.indexOf(QStringLiteral("连准"));
    if (record >= 0) {
        text.truncate(record);
    }
    text = text.trimmed();
    if (text.isEmpty()) {
        out.outcome = FormulaTextLine::Outcome::Blank;
        return out;
    }
    ParsedFormula parsed = parseFormulaWords(text, currentKind, currentKill);
    if (parsed.senseFromLine) {
        currentKill = parsed.kill;
    }
    out.displayText = parsed.displayText;
    out.expressionText = parsed.expressionText;
    out.kill = parsed.kill;
    out.kind = parsed.kind;
    switch (parsed.status) {
    case ParseStatus::EmptyInput:
        out.outcome = FormulaTextLine::Outcome::Blank;
        return out;
    case ParseStatus::Unreadable:
        out.outcome = FormulaTextLine::Outcome::Skipped;
        return out;
    case ParseStatus::NoSuchTable:
        // 个位通选 has no table: reported instead of being lost without a word.
        out.outcome = FormulaTextLine::Outcome::Unrecognised;
        out.reportText = parsed.displayText;
        return out;
    case ParseStatus::TooLong:
        // Not even translated: the report says why, with the line's start and end.
        out.outcome = FormulaTextLine::Outcome::Unrecognised;
        out.reportText = QStringLiteral("%1（%2）").arg(parsed.displayText, formulaTooLongText(text.size()));
        return out;
    case ParseStatus::Ok:
        break;
    }
    if (parsed.namedPosition) {
        currentKind = parsed.kind;
    }
    if (!parsed.expressionText.isEmpty() && tableFull && tableFull(parsed.kind)) {
        out.expressionText.clear();
        out.outcome = FormulaTextLine::Outcome::TableFull;
        return out;
    }
    parsed.expressionText = TranslateWords(parsed.expressionText);
    out.expressionText = parsed.expressionText;
    if (parsed.expressionText.isEmpty()) {
        out.outcome = FormulaTextLine::Outcome::Skipped;
    } else if (!isRecognisedExpression(parsed.expressionText)) {
        out.outcome = FormulaTextLine::Outcome::Unrecognised;
        out.reportText = parsed.expressionText;
    } else if (const QString tooLarge = sizeError(parsed.expressionText); !tooLarge.isEmpty()) {
        // Longer or deeper than the engine takes: never stored, so that no stored formula is beyond it.
        out.outcome = FormulaTextLine::Outcome::Unrecognised;
        out.reportText = QStringLiteral("%1（%2）").arg(shortFormulaText(parsed.expressionText), tooLarge);
    } else {
        out.outcome = FormulaTextLine::Outcome::Recognised;
    }
    return out;
}

QStringList formulaTextLines(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(breaks);
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast(); // the break that ends the last line
    }
    return lines;
}

std::optional<QString> decodeFormulaFile(const QByteArray& bytes)
{
    return textcodec::decodeTextFile(bytes);
}

QString formulaTextFolder(const QString& dataFolder)
{
    const QString folder = QDir(dataFolder).filePath(QStringLiteral("公式文本"));
    QDir().mkpath(folder);
    return folder;
}

QString unrecognisedReportFileName()
{
    return QStringLiteral("无法识别公式.txt");
}

} // namespace korvel
