#include "formula/FormulaLanguage.h"

#include "history/Param.h"

#include <algorithm>
#include <bitset>
#include <cstdint>

namespace korvel {

namespace {

// Characters of the line at a 1-based position, as a substring that is empty past the end.
// 1-based, as the formula forms count; a view, since every line of an import takes a few.
QStringView mid(const QString& s, int position, int length = -1)
{
    if (position < 1 || position > s.size()) {
        return {};
    }
    return QStringView(s).mid(position - 1, length);
}

std::optional<int> positionOfWord(QStringView word)
{
    if (word == QStringLiteral("个位")) {
        return 1;
    }
    if (word == QStringLiteral("十位")) {
        return 2;
    }
    if (word == QStringLiteral("百位")) {
        return 3;
    }
    return std::nullopt;
}

std::optional<Play> playOfWord(QStringView word)
{
    if (word == QStringLiteral("单选")) {
        return Play::Single;
    }
    if (word == QStringLiteral("通选")) {
        return Play::Group;
    }
    return std::nullopt;
}

ParsedFormula unreadable(ParsedFormula r)
{
    r.status = ParseStatus::Unreadable;
    r.messageText = QStringLiteral("公式文本文件中含有无法识别公式，无法添加到软件");
    r.messageTitle = QStringLiteral("无法识别公式");
    return r;
}

std::vector<WordCode> buildWordTable()
{
    const char* const fixed[][2] = {
        {"最大振幅", "L1M"},  {"合数个", "L2M"},  {"合数和", "L3M"},  {"质数个", "L4M"},   {"质数和", "L5M"},
        {"和数", "LH"},       {"和个位", "LI"},   {"大数个", "LJ"},   {"大数和", "LK"},    {"小数个", "LL"},
        {"小数和", "LM"},     {"奇数个", "LN"},   {"奇数和", "LO"},   {"偶数个", "LP"},    {"偶数和", "LQ"},
        {"数字个数", "LR"},   {"同号个数", "LS"}, {"跨度", "LT"},     {"连同号", "LU"},    {"连顺号", "LV"},
        {"逆顺号", "LW"},     {"重上期号", "LX"}, {"同上期数", "LY"}, {"本期号合", "QHW"}, {"本期号", "QH"},
        {"上期号合", "SQHW"}, {"上期号", "SQH"},  {"日期合", "RQW"},  {"日期", "RQ"},      {"月份合", "YFW"},
        {"月份", "YF"},       {"年份合", "NFW"},  {"年份", "NF"},     {"合", "W"},         {"个位", "L3"},
        {"十位", "L2"},       {"百位", "L1"},
    };
    const char* const attributes[][2] = {
        {"码", "A"},   {"大小", "B"}, {"单双", "C"},   {"5余", "D"},     {"3余", "E"},    {"5段", "F"},
        {"平方", "G"}, {"立方", "K"}, {"互补数", "I"}, {"2指数方", "J"}, {"邻号和", "P"}, {"邻号差", "Q"},
    };
    std::vector<WordCode> table;
    for (const auto& row : fixed) {
        table.push_back({QString::fromUtf8(row[0]), QString::fromUtf8(row[1])});
    }
    // The remainder words must come before "5余" and "3余", which they contain.
    for (int k = 1; k <= 5; ++k) {
        table.push_back({QStringLiteral("除5余%1").arg(k % 5), QStringLiteral("L%1H").arg(k)});
    }
    for (int k = 1; k <= 3; ++k) {
        table.push_back({QStringLiteral("除3余%1").arg(k % 3), QStringLiteral("L%1L").arg(k)});
    }
    for (const auto& row : attributes) {
        table.push_back({QString::fromUtf8(row[0]), QString::fromUtf8(row[1])});
    }
    return table;
}

} // namespace

QString sReplace(const QString& text, const QString& find, const QString& replacement)
{
    if (find.isEmpty()) {
        return text;
    }
    const qsizetype at = text.indexOf(find, 0, Qt::CaseSensitive);
    if (at < 0) {
        return text;
    }
    QString out = text;
    out.replace(at, find.size(), replacement);
    return out;
}

namespace {

// Replaces every occurrence left to right without overlap, the first of them at `first`.
void replaceFromFirst(QString& text, qsizetype first, const QString& find, const QString& replacement)
{
    const QStringView given(text);
    QString out;
    out.reserve(text.size() + replacement.size() * 2);
    qsizetype from = 0;
    for (qsizetype at = first; at >= 0; at = text.indexOf(find, from, Qt::CaseSensitive)) {
        out.append(given.mid(from, at - from));
        out.append(replacement);
        from = at + find.size();
    }
    out.append(given.mid(from));
    text = std::move(out);
}

// Every occurrence from the first, at `first`, replaced, for a word none of whose characters is in its
// nonempty replacement: the occurrences are those of the text as given.
void replaceDisjoint(QString& text, qsizetype first, const QString& find, const QString& replacement)
{
    if (text.indexOf(find, first + find.size(), Qt::CaseSensitive) < 0) {
        text.replace(first, find.size(), replacement); // the one occurrence, in place
    } else {
        replaceFromFirst(text, first, find, replacement);
    }
}

bool disjoint(const QString& find, const QString& replacement)
{
    return !replacement.isEmpty() &&
           std::none_of(find.begin(), find.end(), [&](QChar c) { return replacement.contains(c); });
}

} // namespace

void AsReplace(QString& text, const QString& find, const QString& replacement)
{
    if (find.isEmpty()) {
        return;
    }
    // A word absent from the text (most calls of a translation) costs this one search.
    const qsizetype first = text.indexOf(find, 0, Qt::CaseSensitive);
    if (first < 0) {
        return;
    }
    if (replacement.contains(find, Qt::CaseSensitive)) {
        // The repeated search would never end; replacing all once is what such a call can mean.
        text.replace(find, replacement, Qt::CaseSensitive);
        return;
    }
    if (disjoint(find, replacement)) {
        // No occurrence can take a character of a replacement, nor span one (an empty replacement would join
        // its neighbours into new occurrences): every occurrence the repeated
        // search finds lies in the text as given, left to right without overlap, which is what replacing
        // all at once does. Every word of the parameter table takes this path.
        replaceDisjoint(text, first, find, replacement);
        return;
    }
    // One pass instead of a search from the start after every replacement (quadratic on a long line), with
    // the same result. The text is read into `out`, which never holds an occurrence, so the first occurrence
    // of the whole text (out + what is still to read) is the first one to end: it is found the moment its
    // last character is read. It is replaced by putting the replacement back in front of what is still to
    // read, as its characters may complete an occurrence with those before or after them, exactly as the
    // search from the start would find it. Where the last m - 1 characters read came from the text as
    // given, the next occurrence is an occurrence of the text itself, which indexOf finds.
    const qsizetype n = text.size();
    const qsizetype m = find.size();
    const QStringView given(text);
    const QStringView pattern(find);
    const QChar last = find.back();
    QString out;
    out.reserve(n);
    out.append(given.first(first));
    std::vector<QChar> pending; // read before the rest of the text, last first
    qsizetype next = first;
    qsizetype fromText = m; // characters read from the text since the last replacement
    for (;;) {
        if (pending.empty()) {
            if (fromText >= m - 1) {
                const qsizetype at = text.indexOf(find, std::max<qsizetype>(next - (m - 1), 0), Qt::CaseSensitive);
                const qsizetype upTo = at < 0 ? n : at;
                if (upTo > next) {
                    out.append(given.mid(next, upTo - next));
                    next = upTo;
                }
            }
            if (next >= n) {
                break;
            }
        }
        QChar c;
        if (!pending.empty()) {
            c = pending.back();
            pending.pop_back();
            fromText = 0;
        } else {
            c = text[next++];
            ++fromText;
        }
        out.append(c);
        if (c == last && out.size() >= m && QStringView(out).last(m) == pattern) {
            out.chop(m);
            for (qsizetype k = replacement.size(); k-- > 0;) {
                pending.push_back(replacement[k]);
            }
            fromText = 0;
        }
    }
    text = std::move(out);
}

const std::vector<WordCode>& parameterWordTable()
{
    static const std::vector<WordCode> table = buildWordTable();
    return table;
}

namespace {

// The longest parameter word (a vocabulary name) at `pos`, 0 when none starts there.
qsizetype parameterWordAt(const QString& text, qsizetype pos)
{
    qsizetype longest = 0;
    for (int n = 1; n <= 77; ++n) {
        const QString name = vocabularyName(n);
        if (name.size() > longest && QStringView(text).mid(pos).startsWith(name)) {
            longest = name.size();
        }
    }
    return longest;
}

// The words that already hold 上期 keep their meaning.
bool inPreviousDrawWord(const QString& text, qsizetype at)
{
    const QStringView v(text);
    return v.mid(at).startsWith(QStringLiteral("上期号")) ||
           (at > 0 && (v.mid(at - 1).startsWith(QStringLiteral("重上期号")) ||
                       v.mid(at - 1).startsWith(QStringLiteral("同上期数"))));
}

// "上期" / "上上期" / "前N期" (N = 1..9) right before a parameter word: the draws back it names, and the
// prefix's length; 0 when there is none at `at`.
std::pair<int, qsizetype> earlierDrawPrefix(const QString& text, qsizetype at)
{
    const QStringView v = QStringView(text).mid(at);
    if (v.startsWith(QStringLiteral("上上期"))) {
        return {2, 3};
    }
    if (v.startsWith(QStringLiteral("上期")) && !inPreviousDrawWord(text, at)) {
        return {1, 2};
    }
    if (v.size() >= 3 && v[0] == QChar(u'前') && v[1] >= QLatin1Char('1') && v[1] <= QLatin1Char('9') &&
        v[2] == QChar(u'期')) {
        return {v[1].unicode() - '0', 3};
    }
    return {0, 0};
}

} // namespace

QString markEarlierDraws(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != QChar(u'上') && text[i] != QChar(u'前')) {
            out += text[i]; // no prefix starts here
            ++i;
            continue;
        }
        const auto [lag, length] = earlierDrawPrefix(text, i);
        const qsizetype word = lag > 0 ? parameterWordAt(text, i + length) : 0;
        if (word > 0) {
            out += QStringLiteral("Prev%1(").arg(lag) + text.mid(i + length, word) + QLatin1Char(')');
            i += length + word;
            continue;
        }
        out += text[i];
        ++i;
    }
    return out;
}

namespace {

constexpr std::size_t kCharSlots = 1024;
constexpr std::size_t kPairSlots = 4096;

std::uint16_t charSlot(QChar c)
{
    return static_cast<std::uint16_t>(c.unicode() & (kCharSlots - 1));
}

std::uint16_t pairSlot(QChar a, QChar b)
{
    return static_cast<std::uint16_t>((a.unicode() * 31u + b.unicode()) & (kPairSlots - 1));
}

std::uint16_t tripleSlot(QChar a, QChar b, QChar c)
{
    return static_cast<std::uint16_t>(((a.unicode() * 31u + b.unicode()) * 31u + c.unicode()) & (kPairSlots - 1));
}

bool wide(QChar c)
{
    return c.unicode() >= 0x80;
}

// What a word of the table needs in a text to be found there: its non-ASCII characters and its pairs and
// triples of adjacent non-ASCII characters, as slots of the sets TranslateWords fills (the triples tell
// apart words that share their pairs, "大数个" and "奇数和" against "大数和").
struct WordNeeds {
    std::vector<std::uint16_t> chars;
    std::vector<std::uint16_t> pairs;
    std::vector<std::uint16_t> triples;
    bool disjoint = false; // the word shares no character with its code (AsReplace's one-pass case)
};

const std::vector<WordNeeds>& wordNeeds()
{
    static const std::vector<WordNeeds> needs = [] {
        std::vector<WordNeeds> all;
        for (const auto& row : parameterWordTable()) {
            WordNeeds n;
            for (qsizetype i = 0; i < row.word.size(); ++i) {
                if (row.word[i].unicode() < 0x80) {
                    continue;
                }
                n.chars.push_back(charSlot(row.word[i]));
                if (i + 1 < row.word.size() && wide(row.word[i + 1])) {
                    n.pairs.push_back(pairSlot(row.word[i], row.word[i + 1]));
                    if (i + 2 < row.word.size() && wide(row.word[i + 2])) {
                        n.triples.push_back(tripleSlot(row.word[i], row.word[i + 1], row.word[i + 2]));
                    }
                }
            }
            n.disjoint = disjoint(row.word, row.code) && !row.word.isEmpty();
            all.push_back(std::move(n));
        }
        return all;
    }();
    return needs;
}

} // namespace

QString TranslateWords(const QString& expression)
{
    // Every code is ASCII and not empty, so replacing never brings in a character that was not in the text,
    // nor puts two non-ASCII characters side by side that were not (marking earlier draws only drops
    // characters and puts ASCII between them). A word with a non-ASCII character, or a pair or triple of
    // adjacent non-ASCII characters, absent from the marked text cannot be found at its turn either: one
    // scan of the text spares the search for most of the table's words (a long import is mostly this).
    QString text = markEarlierDraws(expression);
    std::bitset<kCharSlots> chars;
    std::bitset<kPairSlots> pairs;
    std::bitset<kPairSlots> triples;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!wide(c)) {
            continue;
        }
        chars.set(charSlot(c));
        if (i + 1 < text.size() && wide(text[i + 1])) {
            pairs.set(pairSlot(c, text[i + 1]));
            if (i + 2 < text.size() && wide(text[i + 2])) {
                triples.set(tripleSlot(c, text[i + 1], text[i + 2]));
            }
        }
    }
    AsReplace(text, QStringLiteral("取整"), QStringLiteral("Int"));
    AsReplace(text, QStringLiteral("绝对值"), QStringLiteral("Abs"));
    const auto& table = parameterWordTable();
    const auto& needs = wordNeeds();
    for (std::size_t k = 0; k < table.size(); ++k) {
        const bool possible = std::all_of(needs[k].chars.begin(), needs[k].chars.end(),
                                          [&](std::uint16_t slot) { return chars.test(slot); }) &&
                              std::all_of(needs[k].pairs.begin(), needs[k].pairs.end(),
                                          [&](std::uint16_t slot) { return pairs.test(slot); }) &&
                              std::all_of(needs[k].triples.begin(), needs[k].triples.end(),
                                          [&](std::uint16_t slot) { return triples.test(slot); });
        if (!possible) {
            continue;
        }
        if (!needs[k].disjoint) {
            AsReplace(text, table[k].word, table[k].code);
        } else if (const qsizetype first = text.indexOf(table[k].word, 0, Qt::CaseSensitive); first >= 0) {
            replaceDisjoint(text, first, table[k].word, table[k].code);
        }
    }
    return text.trimmed();
}

QString shortFormulaText(const QString& text, qsizetype at)
{
    if (text.size() <= at) {
        return text;
    }
    const qsizetype tail = at / 3;
    return text.first(at - tail - 1) + QChar(u'…') + text.last(tail);
}

QString formulaTooLongText(qsizetype characters)
{
    return QStringLiteral("公式太长（%1 个字符），一条公式最多 %2 个字符").arg(characters).arg(kMaxFormulaLineLength);
}

ParsedFormula ParseFormulaText(const QString& line, const FormulaKind& currentKind, bool currentKill)
{
    ParsedFormula r = parseFormulaWords(line, currentKind, currentKill);
    if (r.ok()) {
        r.expressionText = TranslateWords(r.expressionText);
    }
    return r;
}

ParsedFormula parseFormulaWords(const QString& line, const FormulaKind& currentKind, bool currentKill)
{
    ParsedFormula r;
    if (line.isEmpty()) {
        r.status = ParseStatus::EmptyInput;
        r.messageText = QStringLiteral("请在左边文本框输入需要添加的公式");
        r.messageTitle = QStringLiteral("添加公式失败");
        return r;
    }
    const QString s = line.trimmed();
    r.kill = currentKill;
    if (s.size() > kMaxFormulaLineLength) {
        // Longer than any real formula: refused before the translation, which would only cost time.
        r.status = ParseStatus::TooLong;
        r.displayText = shortFormulaText(s);
        r.messageText = QStringLiteral("%1，没有添加：\n%2").arg(formulaTooLongText(s.size()), r.displayText);
        r.messageTitle = QStringLiteral("添加公式失败");
        return r;
    }
    r.displayText = s;

    QString expression;
    QStringView positionWord;
    QStringView playWord;
    const qsizetype found = s.indexOf(QStringLiteral("下期"));
    if (found >= 0) {
        const int p = static_cast<int>(found) + 1;
        if (p < 2) {
            return unreadable(r); // nothing precedes "下期": not even the "=" that the expression ends with
        }
        r.kill = mid(s, p + 2, 1) == QStringLiteral("杀");
        r.senseFromLine = true;
        static const QString numerals = QStringLiteral("一二三四五");
        const QStringView at3 = mid(s, p + 3, 1);
        if (!at3.isEmpty() && numerals.contains(at3)) {
            positionWord = mid(s, p + 3, 2).trimmed();
            playWord = mid(s, p + 5, 2).trimmed();
        } else {
            positionWord = mid(s, p + 4, 2).trimmed();
            playWord = mid(s, p + 6, 2).trimmed();
        }
        expression = s.left(p - 2).trimmed();
    } else {
        if (s.size() < 5) {
            return unreadable(r);
        }
        int bracket = 5;
        for (int at : {6, 7, 8}) {
            if (mid(s, at, 1) == QStringLiteral("]")) {
                bracket = at;
                break;
            }
        }
        expression = s.mid(bracket);
        positionWord = mid(s, 2, 2);
        playWord = mid(s, 4, 2);
    }

    r.namedPosition = positionOfWord(positionWord);
    r.namedPlay = playOfWord(playWord);
    if (r.namedPosition) {
        r.kind.position = *r.namedPosition;
        if (r.namedPlay) {
            r.kind.play = *r.namedPlay;
        } else {
            r.kind.play = r.kind.position == 1 ? Play::Single : currentKind.play;
        }
    } else {
        r.kind = currentKind;
    }
    if (!r.kind.valid()) {
        r.status = ParseStatus::NoSuchTable;
        return r;
    }
    r.expressionText = expression;
    return r;
}

} // namespace korvel
