#include "tally/FormulaSteps.h"

#include "formula/Expression.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"

#include <QRegularExpression>

namespace korvel {

namespace {

// A piece of the step text: fixed text, or a column whose value is written in its place.
struct Piece {
    QString text;
    std::optional<Param> column;
    int modulus = 0; // a "(code MOD n)" term of a plain sum: the column's value MOD n
};

std::optional<Param> columnOf(QString term)
{
    term = term.trimmed();
    if (term.startsWith(QLatin1Char('[')) && term.endsWith(QLatin1Char(']'))) {
        term = term.mid(1, term.size() - 2).trimmed();
    }
    if (term.isEmpty()) {
        return std::nullopt;
    }
    return paramFromCode(term);
}

// Plain sum of terms, or nothing. Each term is a column code, a number, or "(code MOD n)" with n > 0; the
// last term is written as it stands, the others by their values.
std::optional<std::vector<Piece>> plainSumPieces(const QString& expressionText)
{
    static const QRegularExpression number(QStringLiteral("^\\d+(\\.\\d+)?$"));
    static const QRegularExpression modTerm(QStringLiteral("^\\(\\s*(\\[?\\w+\\]?)\\s+MOD\\s+(\\d+)\\s*\\)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QStringList terms = expressionText.split(QLatin1Char('+'));
    std::vector<Piece> pieces;
    for (int i = 0; i < terms.size(); ++i) {
        const QString term = terms[i].trimmed();
        const bool last = i == terms.size() - 1;
        Piece piece;
        if (number.match(term).hasMatch()) {
            piece.text = term;
        } else if (const auto column = columnOf(term)) {
            piece.column = column;
        } else if (const auto m = modTerm.match(term); m.hasMatch() && columnOf(m.captured(1))) {
            piece.column = columnOf(m.captured(1));
            piece.modulus = m.captured(2).toInt();
            if (piece.modulus <= 0) {
                return std::nullopt;
            }
        } else {
            return std::nullopt;
        }
        if (last) {
            piece = Piece{term, std::nullopt, 0};
        } else {
            piece.text = piece.column ? QStringLiteral("+") : term + QLatin1Char('+');
        }
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

// Any expression: its text with every column code (bare or in brackets) marked for its value.
std::vector<Piece> substitutedPieces(const QString& expressionText)
{
    std::vector<Piece> pieces;
    QString fixed;
    const auto flush = [&] {
        if (!fixed.isEmpty()) {
            pieces.push_back({fixed, std::nullopt, 0});
            fixed.clear();
        }
    };
    for (qsizetype i = 0; i < expressionText.size();) {
        const QChar ch = expressionText[i];
        if (ch == QLatin1Char('[')) {
            const qsizetype close = expressionText.indexOf(QLatin1Char(']'), i);
            if (close > i) {
                const QString inner = expressionText.mid(i, close - i + 1);
                if (const auto column = columnOf(inner)) {
                    flush();
                    pieces.push_back({QString(), column, 0});
                    i = close + 1;
                    continue;
                }
            }
        } else if (ch.isLetter() && ch.unicode() < 128) {
            qsizetype end = i;
            while (end < expressionText.size() && expressionText[end].unicode() < 128 &&
                   (expressionText[end].isLetterOrNumber() || expressionText[end] == QLatin1Char('_'))) {
                ++end;
            }
            const QString word = expressionText.mid(i, end - i);
            if (const auto column = paramFromCode(word)) {
                flush();
                pieces.push_back({QString(), column, 0});
            } else {
                fixed += word;
            }
            i = end;
            continue;
        }
        fixed += ch;
        ++i;
    }
    flush();
    return pieces;
}

QString valueText(int v, bool inExpression)
{
    // A negative value inside an expression is bracketed so that "5-(-3)" reads right.
    return v < 0 && inExpression ? QStringLiteral("(%1)").arg(v) : QString::number(v);
}

} // namespace

const std::vector<int>& FormulaSteps::columnWidthsTwips()
{
    static const std::vector<int> widths = {1300, 1000, 12000, 1600};
    return widths;
}

FormulaSteps::FormulaSteps(const HistorySnapshot& snapshot, const QString& expressionText, const QString& displayText)
{
    m_headers = {QStringLiteral("期号"), QStringLiteral("当期号码"), displayText, QStringLiteral("计算值(算下期)")};
    const auto plain = plainSumPieces(expressionText);
    m_plainSum = plain.has_value();
    const std::vector<Piece> pieces = plain ? *plain : substitutedPieces(expressionText);

    const int n = snapshot.size();
    ValueColumn values;
    const Expression expression = Expression::compile(expressionText);
    if (n > 0) {
        expression.evaluate(snapshot, 0, n, values);
    }
    m_rows.reserve(static_cast<std::size_t>(n));
    for (int r = 0; r < n; ++r) {
        FormulaStepRow row;
        row.issue = snapshot.issue(r);
        row.digits = QString::number(snapshot.value(r, Param::L1A)) + QString::number(snapshot.value(r, Param::L2A)) +
                     QString::number(snapshot.value(r, Param::L3A));
        for (const Piece& p : pieces) {
            if (m_plainSum) {
                if (p.column) {
                    const int v = snapshot.value(r, *p.column);
                    row.steps += QString::number(p.modulus > 0 ? v % p.modulus : v);
                }
                row.steps += p.text; // "+" after a value, a number and "+", or the last term as written
            } else if (p.column) {
                row.steps += valueText(snapshot.value(r, *p.column), true);
            } else {
                row.steps += p.text;
            }
        }
        const auto rowIndex = static_cast<std::size_t>(r);
        if (expression.ok() && (values.allValid || values.valid[rowIndex])) {
            if (const auto i = toInt32HalfEven(values.value[rowIndex])) {
                row.value = *i;
            }
        }
        m_rows.push_back(std::move(row));
    }
}

QString FormulaSteps::cellText(int r, int column) const
{
    const FormulaStepRow& stepRow = row(r);
    switch (column) {
    case 0:
        return stepRow.issue;
    case 1:
        return stepRow.digits;
    case 2:
        return stepRow.steps;
    case 3:
        return stepRow.value ? QString::number(*stepRow.value) : QString();
    default:
        return {};
    }
}

SheetGrid FormulaSteps::toSheet() const
{
    SheetGrid grid;
    for (int c = 0; c < 4; ++c) {
        grid.setText(0, c, m_headers[c]);
    }
    for (int r = 0; r < rowCount(); ++r) {
        const FormulaStepRow& stepRow = row(r);
        grid.setText(r + 1, 0, stepRow.issue);
        grid.setText(r + 1, 1, stepRow.digits);
        grid.setText(r + 1, 2, stepRow.steps);
        if (stepRow.value) {
            grid.setNumber(r + 1, 3, static_cast<double>(*stepRow.value));
        }
    }
    return grid;
}

SheetShown FormulaSteps::exportSteps(const QString& folder, Dialogs& dialogs, Launcher& launcher) const
{
    return showSheet(toSheet(), folder, QStringLiteral("LSJS.xls"), dialogs, launcher);
}

} // namespace korvel
