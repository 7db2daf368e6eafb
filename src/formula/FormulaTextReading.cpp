// Reading formula text files: decoding, lines, and what becomes of each line. Nothing here touches the
// database; the import decides and stores afterwards (FormulaImportPlan, FormulaImport).
#include "formula/FormulaImport.h"

#include "formula/FormulaLanguage.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QRegularExpression>

namespace korvel {

bool isRecognisedExpression(const QString& gongshi)
{
    for (const QChar c : gongshi) {
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

FormulaTextLine readFormulaLine(const QString& line, FormulaKind& currentKind, bool& currentKill)
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
    const ParsedFormula parsed = ParseFormulaText(text, currentKind, currentKill);
    if (parsed.senseFromLine) {
        currentKill = parsed.bolKill;
    }
    out.gongshiCN = parsed.gongshiCN;
    out.gongshi = parsed.gongshi;
    out.kill = parsed.bolKill;
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
        out.reportText = parsed.gongshiCN;
        return out;
    case ParseStatus::Ok:
        break;
    }
    if (parsed.namedPosition) {
        currentKind = parsed.kind;
    }
    if (parsed.gongshi.isEmpty()) {
        out.outcome = FormulaTextLine::Outcome::Skipped;
    } else if (!isRecognisedExpression(parsed.gongshi)) {
        out.outcome = FormulaTextLine::Outcome::Unrecognised;
        out.reportText = parsed.gongshi;
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
