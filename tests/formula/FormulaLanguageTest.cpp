#include "formula/FormulaLanguage.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QElapsedTimer>

namespace korvel {
namespace {

const FormulaKind k1D{1, Play::Single};
const FormulaKind k2D{2, Play::Single};
const FormulaKind k3D{3, Play::Single};
const FormulaKind k2G{2, Play::Group};
const FormulaKind k3G{3, Play::Group};

TEST(FormulaLanguage, ReplaceFirstAndAllCompareExactly)
{
    EXPECT_EQ(sReplace(QStringLiteral("百位码+百位码"), QStringLiteral("百位"), QStringLiteral("L1")),
              QStringLiteral("L1码+百位码"));
    EXPECT_EQ(sReplace(QStringLiteral("L1A+3"), QStringLiteral("百位"), QStringLiteral("L1")), QStringLiteral("L1A+3"));
    EXPECT_EQ(sReplace(QStringLiteral("abcABC"), QStringLiteral("ABC"), QStringLiteral("x")), QStringLiteral("abcx"));

    QString text = QStringLiteral("和数+和数*和数");
    AsReplace(text, QStringLiteral("和数"), QStringLiteral("LH"));
    EXPECT_EQ(text, QStringLiteral("LH+LH*LH"));
    QString lower = QStringLiteral("lh+LH");
    AsReplace(lower, QStringLiteral("LH"), QStringLiteral("X"));
    EXPECT_EQ(lower, QStringLiteral("lh+X"));
    // A replacement that re-creates the search text only once: "aab" -> "ab" -> "b" by repeated search.
    QString shrinking = QStringLiteral("aaab");
    AsReplace(shrinking, QStringLiteral("ab"), QStringLiteral("b"));
    EXPECT_EQ(shrinking, QStringLiteral("b"));
    // A replacement that contains the search text does not hang.
    QString growing = QStringLiteral("a-a");
    AsReplace(growing, QStringLiteral("a"), QStringLiteral("aa"));
    EXPECT_EQ(growing, QStringLiteral("aa-aa"));
}

TEST(FormulaLanguage, WordTableOrderAndGeneratedRows)
{
    const auto& table = parameterWordTable();
    ASSERT_EQ(table.size(), 57u);
    EXPECT_EQ(table[0].word, QStringLiteral("最大振幅"));
    EXPECT_EQ(table[23].word, QStringLiteral("本期号合"));
    EXPECT_EQ(table[24].word, QStringLiteral("本期号"));
    EXPECT_EQ(table[33].word, QStringLiteral("合"));
    EXPECT_EQ(table[33].code, QStringLiteral("W"));
    EXPECT_EQ(table[36].code, QStringLiteral("L1"));
    const char* const generated[][2] = {{"除5余1", "L1H"}, {"除5余2", "L2H"}, {"除5余3", "L3H"}, {"除5余4", "L4H"},
                                        {"除5余0", "L5H"}, {"除3余1", "L1L"}, {"除3余2", "L2L"}, {"除3余0", "L3L"}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(table[37 + i].word, QString::fromUtf8(generated[i][0])) << "row " << 38 + i;
        EXPECT_EQ(table[37 + i].code, QString::fromUtf8(generated[i][1])) << "row " << 38 + i;
    }
    EXPECT_EQ(table[45].word, QStringLiteral("码"));
    EXPECT_EQ(table[48].word, QStringLiteral("5余"));
    EXPECT_EQ(table[56].word, QStringLiteral("邻号差"));
    EXPECT_EQ(table[56].code, QStringLiteral("Q"));
}

TEST(FormulaLanguage, TranslateWordsComposesCodes)
{
    const char* const cases[][2] = {
        {"百位码", "L1A"},
        {"十位大小", "L2B"},
        {"个位单双", "L3C"},
        {"百位5余", "L1D"},
        {"十位互补数", "L2I"},
        {"个位邻号差", "L3Q"},
        {"百位平方+十位立方*2-个位2指数方", "L1G+L2K*2-L3J"},
        {"本期号合+本期号", "QHW+QH"}, // the longer word first
        {"重上期号+上期号合+上期号", "LX+SQHW+SQH"},
        {"除5余0+百位5余", "L5H+L1D"}, // the remainder word before "5余"
        {"除3余0+除5余1+十位3余", "L3L+L1H+L2E"},
        {"合数和+和数合", "L3M+LHW"},      // "合数和" before the lone "合"
        {"跨度合", "LTW"},                 // composed, although no such column exists
        {"  年份合 + 日期  ", "NFW + RQ"}, // trimmed, inner blanks kept
        {"L1A MOD 10", "L1A MOD 10"},      // codes typed directly stay
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TranslateWords(QString::fromUtf8(c[0])), QString::fromUtf8(c[1])) << c[0];
    }
}

// The translation skips the words it can rule out from the text's characters; it must give what replacing
// every word of the table in turn gives, also where a replacement makes a later word appear ("个位余" becomes
// "L3余", in which "3余" is then found).
TEST(FormulaLanguage, TranslationEqualsReplacingEveryWordInTurn)
{
    const auto everyWord = [](const QString& expression) {
        QString text = expression;
        for (const auto& row : parameterWordTable()) {
            AsReplace(text, row.word, row.code);
        }
        return text.trimmed();
    };
    EXPECT_EQ(TranslateWords(QStringLiteral("个位余+1")), QStringLiteral("LE+1"));
    // The translation skips words whose characters the text lacks; that is sound only while every code is
    // ASCII and not empty.
    for (const auto& row : parameterWordTable()) {
        EXPECT_FALSE(row.code.isEmpty());
        EXPECT_TRUE(std::all_of(row.code.begin(), row.code.end(), [](QChar c) { return c.unicode() < 0x80; }))
            << row.code.toStdString();
    }
    std::vector<QString> pieces;
    for (const auto& row : parameterWordTable()) {
        pieces.push_back(row.word);
    }
    for (const char* extra : {"余", "除", "方", "数", "+", "-", "*", "3", "5", "2", "(", " ", "L1A", "未知", "＋",
                              // halves of words: a word split by a replacement must not be found
                              "互", "补", "百", "十", "个", "位", "大", "小", "号", "合", "除5", "余1"}) {
        pieces.push_back(QString::fromUtf8(extra));
    }
    std::uint64_t state = 20261209;
    const auto next = [&](std::size_t n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::size_t>((state >> 33) % n);
    };
    for (int i = 0; i < 6000; ++i) {
        QString text;
        const std::size_t count = 1 + next(9);
        for (std::size_t k = 0; k < count; ++k) {
            text += pieces[next(pieces.size())];
        }
        ASSERT_EQ(TranslateWords(text), everyWord(text)) << text.toStdString();
    }
}

TEST(FormulaLanguage, EquationForm)
{
    const QString line = QStringLiteral("百位码+十位码+3=下期杀 十位单选");
    ParsedFormula r = ParseFormulaText(QStringLiteral("  ") + line + QStringLiteral(" "), k3G, false);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.expressionText, QStringLiteral("L1A+L2A+3"));
    EXPECT_EQ(r.displayText, line);
    EXPECT_TRUE(r.kill);
    EXPECT_TRUE(r.senseFromLine);
    EXPECT_EQ(r.kind, k2D);
    EXPECT_EQ(r.kind.tableName(), QStringLiteral("Gongshi2D"));
    EXPECT_TRUE(r.messageText.isEmpty());

    r = ParseFormulaText(QStringLiteral("百位码+十位码+3=下期生 百位通选"), k1D, true);
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.kill);
    EXPECT_EQ(r.kind, k3G);

    r = ParseFormulaText(QStringLiteral("和数+本期号合+2=下期杀 个位单选"), k3D, false);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.expressionText, QStringLiteral("LH+QHW+2"));
    EXPECT_EQ(r.kind, k1D);

    // Any character but 杀 after "下期" means keep.
    r = ParseFormulaText(QStringLiteral("L1A=下期X 百位单选"), k1D, true);
    EXPECT_FALSE(r.kill);
    EXPECT_EQ(r.kind, k3D);
}

TEST(FormulaLanguage, EquationFormReadsFixedPositions)
{
    // No character between the sense and the position word: "位单" and "选" are read, neither is a word,
    // so the current table is kept; the sense is still read.
    ParsedFormula r = ParseFormulaText(QStringLiteral("百位码+十位码+3=下期杀十位单选"), k1D, false);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.kind, k1D);
    EXPECT_TRUE(r.kill);
    EXPECT_FALSE(r.namedPosition.has_value());
    EXPECT_FALSE(r.namedPlay.has_value());

    // A numeral right after the sense moves the words one character to the left: "五十" is read.
    r = ParseFormulaText(QStringLiteral("L1A=下期杀五十位单选"), k3G, true);
    EXPECT_EQ(r.kind, k3G);
    r = ParseFormulaText(QStringLiteral("L1A=下期杀一十位单选"), k3G, true);
    EXPECT_EQ(r.kind, k3G);
    r = ParseFormulaText(QStringLiteral("L1A=下期杀六十位单选"), k3G, true); // not a numeral of the list
    EXPECT_EQ(r.kind, k2D);

    // The expression is everything before the character that precedes "下期".
    r = ParseFormulaText(QStringLiteral("L1A+L2A 下期杀 百位单选"), k1D, true);
    EXPECT_EQ(r.expressionText, QStringLiteral("L1A+L2A"));
    r = ParseFormulaText(QStringLiteral("L1A+L2A下期杀 百位单选"), k1D, true);
    EXPECT_EQ(r.expressionText, QStringLiteral("L1A+L2"));

    // Nothing before "下期" but the "=": an empty expression, still a formula of the named kind.
    r = ParseFormulaText(QStringLiteral("=下期杀 百位单选"), k1D, false);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.expressionText.isEmpty());
    EXPECT_EQ(r.kind, k3D);
    EXPECT_TRUE(r.kill);

    // The line ends right after "下期": no sense character (keep), no kind words.
    r = ParseFormulaText(QStringLiteral("L1A=下期"), k2G, true);
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.kill);
    EXPECT_EQ(r.kind, k2G);
}

TEST(FormulaLanguage, KindFallbacks)
{
    // Position named, play not: the current play, but 单选 at 个位.
    ParsedFormula r = ParseFormulaText(QStringLiteral("L1A=下期杀 十位其它"), k3G, true);
    EXPECT_EQ(r.kind, k2G);
    EXPECT_EQ(r.namedPosition, 2);
    EXPECT_FALSE(r.namedPlay.has_value());
    r = ParseFormulaText(QStringLiteral("L1A=下期杀 个位其它"), k3G, true);
    EXPECT_EQ(r.kind, k1D);
    // Position not named: the current table whatever the play word.
    r = ParseFormulaText(QStringLiteral("L1A=下期杀 千位通选"), k2D, true);
    EXPECT_EQ(r.kind, k2D);
    EXPECT_EQ(r.namedPlay, Play::Group);
    // 个位通选 has no table: nothing to store, and no message either.
    r = ParseFormulaText(QStringLiteral("百位码+3=下期杀 个位通选"), k3D, true);
    EXPECT_EQ(r.status, ParseStatus::NoSuchTable);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.messageText.isEmpty());
    EXPECT_TRUE(r.messageTitle.isEmpty());
    r = ParseFormulaText(QStringLiteral("[个位通选]L1A"), k3D, true);
    EXPECT_EQ(r.status, ParseStatus::NoSuchTable);
}

TEST(FormulaLanguage, BracketForm)
{
    ParsedFormula r = ParseFormulaText(QStringLiteral("[十位单选杀]百位码+十位码+3"), k3G, false);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.expressionText, QStringLiteral("L1A+L2A+3"));
    EXPECT_EQ(r.displayText, QStringLiteral("[十位单选杀]百位码+十位码+3"));
    EXPECT_EQ(r.kind, k2D);
    EXPECT_FALSE(r.kill); // the 杀 inside the brackets is not read
    EXPECT_FALSE(r.senseFromLine);
    r = ParseFormulaText(QStringLiteral("[十位单选杀]百位码+十位码+3"), k3G, true);
    EXPECT_TRUE(r.kill);

    r = ParseFormulaText(QStringLiteral("[百位通选]和数+跨度"), k1D, true);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.kind, k3G);
    EXPECT_EQ(r.expressionText, QStringLiteral("LH+LT"));

    // Bracket at 8.
    r = ParseFormulaText(QStringLiteral("[百位单选杀杀]L1A+1"), k1D, true);
    EXPECT_EQ(r.expressionText, QStringLiteral("L1A+1"));
    EXPECT_EQ(r.kind, k3D);

    // No "]" at 6, 7 or 8: the first five characters are dropped whatever they are.
    r = ParseFormulaText(QStringLiteral("abcdeL1A+3"), k2G, true);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.expressionText, QStringLiteral("L1A+3"));
    EXPECT_EQ(r.kind, k2G);
    r = ParseFormulaText(QStringLiteral("[百位单选杀杀杀]L1A"), k1D, true); // "]" at 9 is too far
    EXPECT_EQ(r.expressionText, QStringLiteral("杀杀杀]L1A"));
    EXPECT_EQ(r.kind, k3D);
    // Exactly five characters: an empty expression.
    r = ParseFormulaText(QStringLiteral("[百位单选"), k1D, true);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.expressionText.isEmpty());
}

TEST(FormulaLanguage, Failures)
{
    ParsedFormula r = ParseFormulaText(QString(), k3D, true);
    EXPECT_EQ(r.status, ParseStatus::EmptyInput);
    EXPECT_EQ(r.messageText, QStringLiteral("请在左边文本框输入需要添加的公式"));
    EXPECT_EQ(r.messageTitle, QStringLiteral("添加公式失败"));

    const QString unreadableText = QStringLiteral("公式文本文件中含有无法识别公式，无法添加到软件");
    const QString unreadableTitle = QStringLiteral("无法识别公式");
    for (const char* line : {"    ", "下期杀 百位单选", "L1A+", "[百位"}) {
        r = ParseFormulaText(QString::fromUtf8(line), k3D, true);
        EXPECT_EQ(r.status, ParseStatus::Unreadable) << line;
        EXPECT_EQ(r.messageText, unreadableText) << line;
        EXPECT_EQ(r.messageTitle, unreadableTitle) << line;
    }
}

// Issue 24 item 21: every replacement searched again from the start of the text, so one line of n words
// took time n^2 (76 s for a line of 1.8 MB). The one-pass replacement must give what the repeated search
// from the start gives, on texts where replacements complete new occurrences with their neighbours.
TEST(FormulaLanguage, ReplacingAllInOnePassEqualsTheRepeatedSearchFromTheStart)
{
    const auto repeatedSearch = [](QString text, const QString& find, const QString& replacement) {
        for (qsizetype at = text.indexOf(find); at >= 0; at = text.indexOf(find)) {
            text.replace(at, find.size(), replacement);
        }
        return text;
    };
    std::uint64_t state = 24021;
    const auto next = [&](std::size_t n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::size_t>((state >> 33) % n);
    };
    const auto word = [&](std::size_t longest) {
        QString w;
        for (std::size_t k = next(longest + 1); k > 0; --k) {
            w += QChar(u"ab码"[next(3)]);
        }
        return w;
    };
    int changed = 0;
    for (int i = 0; i < 20000; ++i) {
        const QString find = QStringLiteral("a") + word(2); // never empty
        QString replacement = word(3);
        if (replacement.contains(find)) {
            continue;
        }
        QString text = word(40);
        const QString expected = repeatedSearch(text, find, replacement);
        changed += expected != text ? 1 : 0;
        AsReplace(text, find, replacement);
        ASSERT_EQ(text, expected) << "find " << find.toStdString() << " by " << replacement.toStdString();
    }
    EXPECT_GT(changed, 5000);
    // By hand: each replacement makes the next occurrence from the characters before it.
    QString cascade = QStringLiteral("aaaaab");
    AsReplace(cascade, QStringLiteral("ab"), QStringLiteral("b"));
    EXPECT_EQ(cascade, QStringLiteral("b"));
    QString around = QStringLiteral("xabab");
    AsReplace(around, QStringLiteral("bab"), QStringLiteral("a"));
    EXPECT_EQ(around, QStringLiteral("xaa"));
}

TEST(FormulaLanguage, ALongLineTranslatesInLinearTime)
{
    // 600 000 words, 1.8 million characters: 76 s with the search from the start, a few milliseconds now.
    const int n = 600000;
    QElapsedTimer clock;
    clock.start();
    const QString translated = TranslateWords(QStringLiteral("百位码").repeated(n));
    const qint64 ms = clock.elapsed();
    EXPECT_EQ(translated, QStringLiteral("L1A").repeated(n));
    EXPECT_LT(ms, 3000) << "translating took " << ms << " ms";
}

TEST(FormulaLanguage, ALineLongerThanAnyRealFormulaIsRefusedWithTheReason)
{
    const QString tail = QStringLiteral("=下期杀 百位单选");
    // 10 000 characters are taken, trimmed (the blanks around do not count).
    const QString longest = QStringLiteral("百位码+").repeated(2497) + QStringLiteral("百位码") + tail;
    ASSERT_EQ(longest.size(), 10000);
    ParsedFormula r = ParseFormulaText(QStringLiteral("  ") + longest + QStringLiteral("  "), k1D, true);
    EXPECT_EQ(r.status, ParseStatus::Ok);
    EXPECT_EQ(r.expressionText, QStringLiteral("L1A+").repeated(2497) + QStringLiteral("L1A"));
    EXPECT_EQ(r.kind, k3D);

    // One more is refused untranslated, with the reason and the line's start and end.
    r = ParseFormulaText(QStringLiteral("十") + longest, k1D, true);
    EXPECT_EQ(r.status, ParseStatus::TooLong);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.expressionText.isEmpty());
    EXPECT_EQ(r.messageTitle, QStringLiteral("添加公式失败"));
    EXPECT_TRUE(
        r.messageText.startsWith(QStringLiteral("公式太长（10001 个字符），一条公式最多 10000 个字符，没有添加")))
        << r.messageText.toStdString();
    EXPECT_TRUE(r.messageText.contains(QStringLiteral("十百位码+百位码"))) << r.messageText.toStdString();
    EXPECT_TRUE(r.messageText.endsWith(tail)) << r.messageText.toStdString();
    EXPECT_LT(r.messageText.size(), 200);
    EXPECT_EQ(formulaTooLongText(30034), QStringLiteral("公式太长（30034 个字符），一条公式最多 10000 个字符"));
}

} // namespace
} // namespace korvel
