#pragma once

#include "formula/FormulaKind.h"

#include <QString>

#include <optional>
#include <vector>

namespace korvel {

// The text forms of a formula and the translation of its Chinese parameter words into column codes.
// Everything here is pure text work: whether the resulting expression can be computed is decided by the
// expression compiler (formula/Expression.h), not here.

// The text with the first occurrence of `find` replaced, or unchanged when there is none. Characters are
// compared exactly (case-sensitive).
QString sReplace(const QString& text, const QString& find, const QString& replacement);

// Replaces every occurrence in place: the result of repeatedly replacing the first remaining occurrence until
// none is left (an occurrence the replacement completes with the text around it is replaced as well), in
// time linear in the length of the text and of what is replaced. `replacement` must not contain `find` (the
// repetition would not end: such a call replaces every occurrence once); an empty `find` leaves the text as
// it is.
void AsReplace(QString& text, const QString& find, const QString& replacement);

struct WordCode {
    QString word;
    QString code;
};

// The parameter word table in its order of application (57 rows; rows 38-45 are the generated
// "除5余k" / "除3余k" words).
const std::vector<WordCode>& parameterWordTable();

// An expression in words to the same expression in column codes: the words of earlier draws marked
// (markEarlierDraws), "取整" and "绝对值" to Int and Abs, every row of the word table applied with
// `AsReplace`, in order, then trimmed. Characters no row matches stay as they are.
QString TranslateWords(const QString& expression);

// "上期百位码" -> "Prev1(百位码)", "上上期和数" -> "Prev2(和数)", "前3期跨度" -> "Prev3(跨度)": a prefix of an
// earlier draw right before a parameter word (a vocabulary name). The words that already hold 上期 (上期号,
// 上期号合, 重上期号, 同上期数) and a prefix before anything else stay as they are.
QString markEarlierDraws(const QString& text);

// The longest formula line taken (the whole line, trimmed); real formulas stay far below.
inline constexpr qsizetype kMaxFormulaLineLength = 10000;
// "公式太长（N 个字符），一条公式最多 10000 个字符".
QString formulaTooLongText(qsizetype characters);
// A formula text for a message: as it is up to `at` characters, else its start and its end around "…".
QString shortFormulaText(const QString& text, qsizetype at = 80);

enum class ParseStatus {
    Ok,         // expressionText, displayText, kill and kind are set
    EmptyInput, // the input was empty: "请在左边文本框输入需要添加的公式" / "添加公式失败"
    Unreadable, // the line is too short for its form: "公式文本文件中含有无法识别公式，无法添加到软件" / "无法识别公式"
    NoSuchTable, // the line names 个位通选, which has no table: nothing is stored and nothing is shown
    TooLong,     // longer than kMaxFormulaLineLength: "公式太长（…）…" / "添加公式失败"; not translated
};

struct ParsedFormula {
    ParseStatus status = ParseStatus::Ok;
    QString expressionText; // translated expression (may be empty: "=下期杀 百位单选")
    QString displayText;    // the whole line, trimmed (TooLong: shortened for messages)
    bool kill = true;
    FormulaKind kind; // the table the formula goes to (valid when status is Ok)

    bool senseFromLine = false;       // equation form: the sense was read from the line
    std::optional<int> namedPosition; // position word recognised in the line (1, 2, 3)
    std::optional<Play> namedPlay;    // play word recognised in the line

    // Message box of a failure (EmptyInput, Unreadable, TooLong); both empty otherwise.
    QString messageText;
    QString messageTitle;

    bool ok() const { return status == ParseStatus::Ok; }
};

// Takes one formula line apart. Two forms:
//   equation form  "百位码+十位码+3=下期杀 十位单选"  (sense and kind read after "下期")
//   bracket form   "[百位单选杀]百位码+十位码+3"      (kind read inside the brackets, sense = currentKill)
// A kind not named in the line falls back to `currentKind` as the formula table rules say.
ParsedFormula ParseFormulaText(const QString& line, const FormulaKind& currentKind, bool currentKill);
// The same without the translation: on Ok, expressionText holds the expression's words as written
// (ParseFormulaText is this and TranslateWords). An import decides on the kind first, and a line for a
// table that is already full needs no translating.
ParsedFormula parseFormulaWords(const QString& line, const FormulaKind& currentKind, bool currentKill);

} // namespace korvel
