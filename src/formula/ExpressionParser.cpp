#include "formula/Expression.h"
#include "formula/ExpressionMath.h"
#include "history/Param.h"

#include <algorithm>
#include <cmath>

namespace korvel {

using namespace expression_math;

// Compiler: recursive descent over a token list, building the post-order node array with constant folding.

class ExpressionParser {
public:
    explicit ExpressionParser(const QString& text) : m_text(text) {}

    Expression run()
    {
        Expression e;
        e.m_text = m_text;
        if (m_text.size() > Expression::kMaxLength) {
            // Refused before any work: no real formula comes near, and a longer text would only cost time.
            e.m_error = QStringLiteral("公式太长（%1 个字符），一条公式最多 %2 个字符")
                            .arg(m_text.size())
                            .arg(Expression::kMaxLength);
            e.m_tooLarge = true;
            return e;
        }
        tokenize();
        if (m_failed) {
            return fail(std::move(e));
        }
        if (m_tokens.size() == 1) {
            e.m_error = QStringLiteral("公式表达式为空");
            return e;
        }
        m_nodes.clear();
        // Every token makes at most one node: one allocation instead of a growth per node.
        m_nodes.reserve(m_tokens.size());
        m_columns.reserve(static_cast<std::size_t>(
            std::count_if(m_tokens.begin(), m_tokens.end(), [](const Token& t) { return t.kind == Tok::Column; })));
        const int root = parseAdditive();
        if (!m_failed && peek().kind != Tok::End) {
            const Token& t = peek();
            if (t.kind == Tok::Close) {
                setError(t.text, QStringLiteral("多余的右括号「)」"));
            } else {
                setError(t.text, QStringLiteral("公式在「%1」处有语法错误（缺少运算符）").arg(t.text));
            }
        }
        if (m_failed) {
            return fail(std::move(e));
        }
        (void)root;
        e.m_nodes = std::move(m_nodes);
        e.m_columns = std::move(m_columns);
        e.m_maxLag = m_maxLag;
        e.m_ok = true;
        e.setExactLimits();
        e.findIntegerSum();
        return e;
    }

private:
    using Node = Expression::Node;
    using Op = Expression::Op;

    enum class Tok { Number, Column, Plus, Minus, Times, Slash, Backslash, Mod, Function, Prev, Open, Close, End };
    struct Token {
        Tok kind = Tok::End;
        QStringView text; // a part of the compiled text, which outlives the tokens
        double number = 0.0;
        Param param = Param::L1A;
        Op function = Op::Floor; // Function: Floor (Int) or Abs
        int lag = 0;             // Prev: PrevN
    };

    // Int( / Abs( / PrevN( : a word that names a function, followed by an opening parenthesis.
    bool function(QStringView word, qsizetype after, Token& t) const
    {
        qsizetype j = after;
        while (j < m_text.size() && m_text[j].isSpace()) {
            ++j;
        }
        if (j >= m_text.size() || m_text[j] != QLatin1Char('(')) {
            return false;
        }
        if (word.compare(QLatin1String("Int"), Qt::CaseInsensitive) == 0 ||
            word.compare(QLatin1String("Abs"), Qt::CaseInsensitive) == 0) {
            t.kind = Tok::Function;
            t.function = word.compare(QLatin1String("Int"), Qt::CaseInsensitive) == 0 ? Op::Floor : Op::Abs;
            return true;
        }
        if (word.size() == 5 && word.first(4).compare(QLatin1String("Prev"), Qt::CaseInsensitive) == 0 &&
            word[4] >= QLatin1Char('1') && word[4] <= QLatin1Char('9')) {
            t.kind = Tok::Prev;
            t.lag = word[4].unicode() - '0';
            return true;
        }
        return false;
    }

    Expression fail(Expression e)
    {
        e.m_error = m_error;
        e.m_errorPart = m_errorPart;
        e.m_tooLarge = m_tooDeep;
        return e;
    }

    // Every parenthesis, function and sign the parser descends into is one level of its recursion; the
    // levels are limited, so that no text can exhaust the stack (of any thread that compiles).
    bool enter(const Token& at)
    {
        if (++m_depth > Expression::kMaxDepth) {
            m_tooDeep = !m_failed;
            setError(at.text,
                     QStringLiteral("公式嵌套太深：括号、函数和正负号最多嵌套 %1 层").arg(Expression::kMaxDepth));
            return false;
        }
        return true;
    }
    void leave() { --m_depth; }

    void setError(QStringView part, const QString& message)
    {
        if (!m_failed) {
            m_failed = true;
            m_errorPart = part.toString();
            m_error = message;
        }
    }

    static bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }
    static bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

    void tokenize()
    {
        const qsizetype n = m_text.size();
        // At most one token a character and the end: one allocation for any text.
        m_tokens.reserve(static_cast<std::size_t>(n) + 1);
        qsizetype i = 0;
        while (i < n && !m_failed) {
            const QChar c = m_text[i];
            if (c.isSpace()) {
                ++i;
                continue;
            }
            Token t;
            if (isDigit(c) || (c == QLatin1Char('.') && i + 1 < n && isDigit(m_text[i + 1]))) {
                const qsizetype start = i;
                while (i < n && isDigit(m_text[i])) {
                    ++i;
                }
                if (i < n && m_text[i] == QLatin1Char('.')) {
                    ++i;
                    while (i < n && isDigit(m_text[i])) {
                        ++i;
                    }
                }
                t.kind = Tok::Number;
                t.text = QStringView(m_text).mid(start, i - start);
                t.number = t.text.toDouble();
                if (i < n && isWordChar(m_text[i]) && !isDigit(m_text[i])) {
                    // "3L1A": a number glued to a word is neither a number nor a column.
                    qsizetype j = i;
                    while (j < n && isWordChar(m_text[j])) {
                        ++j;
                    }
                    const QStringView part = QStringView(m_text).mid(start, j - start);
                    setError(part, QStringLiteral("无法识别「%1」").arg(part));
                    return;
                }
            } else if (isWordChar(c)) {
                const qsizetype start = i;
                while (i < n && isWordChar(m_text[i])) {
                    ++i;
                }
                t.text = QStringView(m_text).mid(start, i - start);
                if (t.text.compare(QLatin1String("MOD"), Qt::CaseInsensitive) == 0) {
                    t.kind = Tok::Mod;
                } else if (!function(t.text, i, t) && !column(t.text, t)) {
                    return;
                }
            } else if (c == QLatin1Char('[')) {
                const qsizetype close = m_text.indexOf(QLatin1Char(']'), i + 1);
                if (close < 0) {
                    const QString part = m_text.mid(i);
                    setError(part, QStringLiteral("「%1」缺少右方括号「]」").arg(part));
                    return;
                }
                const QStringView inner = QStringView(m_text).mid(i + 1, close - i - 1);
                t.text = QStringView(m_text).mid(i, close + 1 - i);
                i = close + 1;
                if (!column(inner, t)) {
                    return;
                }
            } else {
                t.text = QStringView(m_text).mid(i, 1);
                switch (c.unicode()) {
                case '+':
                    t.kind = Tok::Plus;
                    break;
                case '-':
                    t.kind = Tok::Minus;
                    break;
                case '*':
                    t.kind = Tok::Times;
                    break;
                case '/':
                    t.kind = Tok::Slash;
                    break;
                case '\\':
                    t.kind = Tok::Backslash;
                    break;
                case '(':
                    t.kind = Tok::Open;
                    break;
                case ')':
                    t.kind = Tok::Close;
                    break;
                default:
                    setError(t.text, QStringLiteral("无法识别的字符「%1」").arg(t.text));
                    return;
                }
                ++i;
            }
            m_tokens.push_back(std::move(t));
        }
        Token end;
        end.kind = Tok::End;
        m_tokens.push_back(end);
    }

    bool column(QStringView name, Token& t)
    {
        const auto p = paramFromCode(name);
        if (!p) {
            setError(name, QStringLiteral("无法识别「%1」：没有这个参数").arg(name));
            return false;
        }
        t.kind = Tok::Column;
        t.param = *p;
        return true;
    }

    const Token& peek() const { return m_tokens[m_pos]; }
    const Token& next() { return m_tokens[m_pos++]; }

    int parseAdditive()
    {
        int left = parseModulo();
        while (!m_failed && (peek().kind == Tok::Plus || peek().kind == Tok::Minus)) {
            const Op op = next().kind == Tok::Plus ? Op::Add : Op::Subtract;
            left = binary(op, left, parseModulo());
        }
        return left;
    }

    int parseModulo()
    {
        int left = parseIntDivide();
        while (!m_failed && peek().kind == Tok::Mod) {
            next();
            left = binary(Op::Modulo, left, parseIntDivide());
        }
        return left;
    }

    int parseIntDivide()
    {
        int left = parseMultiplicative();
        while (!m_failed && peek().kind == Tok::Backslash) {
            next();
            left = binary(Op::IntDivide, left, parseMultiplicative());
        }
        return left;
    }

    int parseMultiplicative()
    {
        int left = parseUnary();
        while (!m_failed && (peek().kind == Tok::Times || peek().kind == Tok::Slash)) {
            const Op op = next().kind == Tok::Times ? Op::Multiply : Op::Divide;
            left = binary(op, left, parseUnary());
        }
        return left;
    }

    int parseUnary()
    {
        if (m_failed) {
            return -1;
        }
        if (peek().kind == Tok::Minus) {
            if (!enter(next())) {
                return -1;
            }
            const int operand = parseUnary();
            leave();
            if (m_failed) {
                return -1;
            }
            Node& child = m_nodes[static_cast<std::size_t>(operand)];
            if (child.op == Op::Constant) {
                child.constant = -child.constant;
                child.exact = exact::apply(Op::Negate, child.exact, child.exact);
                return operand;
            }
            Node n;
            n.op = Op::Negate;
            n.left = operand;
            return push(n);
        }
        if (peek().kind == Tok::Plus) {
            if (!enter(next())) {
                return -1;
            }
            const int operand = parseUnary();
            leave();
            return operand;
        }
        return parsePrimary();
    }

    int parsePrimary()
    {
        const Token& t = peek();
        switch (t.kind) {
        case Tok::Number: {
            next();
            Node n;
            n.op = Op::Constant;
            n.constant = t.number;
            n.exact = exact::ofLiteral(t.text, t.number);
            return push(n);
        }
        case Tok::Column: {
            next();
            Node n;
            n.op = Op::Column;
            n.param = t.param;
            if (std::find(m_columns.begin(), m_columns.end(), t.param) == m_columns.end()) {
                m_columns.push_back(t.param);
            }
            return push(n);
        }
        case Tok::Open: {
            if (!enter(next())) {
                return -1;
            }
            const int inner = parenthesised();
            leave();
            return inner;
        }
        case Tok::Function: {
            if (!enter(t)) {
                return -1;
            }
            const Op op = next().function;
            next(); // the opening parenthesis
            const int operand = parenthesised();
            leave();
            if (m_failed) {
                return -1;
            }
            Node& child = m_nodes[static_cast<std::size_t>(operand)];
            if (child.op == Op::Constant) {
                if (!child.constantEmpty) {
                    child.exact = exact::apply(op, child.exact, child.exact);
                    child.constantEmpty = child.exact.kind == exact::Value::Kind::Empty;
                    child.constant = child.exact.kind == exact::Value::Kind::Inexact
                                         ? (op == Op::Abs ? std::fabs(child.constant) : std::floor(child.constant))
                                         : exact::toDouble(child.exact);
                }
                return operand;
            }
            Node n;
            n.op = op;
            n.left = operand;
            return push(n);
        }
        case Tok::Prev:
            return parsePrev();
        case Tok::End:
            setError(m_text.trimmed(), QStringLiteral("公式「%1」不完整：末尾缺少运算数").arg(m_text.trimmed()));
            return -1;
        default:
            setError(t.text, QStringLiteral("公式在「%1」处有语法错误（缺少运算数）").arg(t.text));
            return -1;
        }
    }

    // After an opening parenthesis: an expression and its closing parenthesis.
    int parenthesised()
    {
        const int inner = parseAdditive();
        if (m_failed) {
            return -1;
        }
        if (peek().kind != Tok::Close) {
            if (peek().kind == Tok::End) {
                setError(QStringLiteral("("), QStringLiteral("左括号「(」缺少对应的右括号「)」"));
            } else {
                setError(peek().text, QStringLiteral("公式在「%1」处有语法错误").arg(peek().text));
            }
            return -1;
        }
        next();
        return inner;
    }

    // PrevN(column): the column of the draw N before; it takes one column, as the search's operands do.
    int parsePrev()
    {
        const Token prev = next();
        next(); // the opening parenthesis
        if (peek().kind != Tok::Column || m_tokens[m_pos + 1].kind != Tok::Close) {
            setError(prev.text, QStringLiteral("「%1(…)」只能引用一个参数，例如 %1(L1A)").arg(prev.text));
            return -1;
        }
        const Token col = next();
        next();
        Node n;
        n.op = Op::Column;
        n.param = col.param;
        n.lag = prev.lag;
        if (std::find(m_columns.begin(), m_columns.end(), col.param) == m_columns.end()) {
            m_columns.push_back(col.param);
        }
        m_maxLag = std::max(m_maxLag, prev.lag);
        return push(n);
    }

    int push(const Node& n)
    {
        m_nodes.push_back(n);
        return static_cast<int>(m_nodes.size()) - 1;
    }

    // Folds constant operands, and turns an operation that is empty on every row (a constant zero divisor,
    // an empty operand) into one empty constant. The children of a folded node are always the last nodes
    // pushed, so they are removed from the end.
    int binary(Op op, int left, int right)
    {
        if (m_failed || left < 0 || right < 0) {
            return -1;
        }
        const Node l = m_nodes[static_cast<std::size_t>(left)];
        const Node r = m_nodes[static_cast<std::size_t>(right)];
        const bool lConst = l.op == Op::Constant;
        const bool rConst = r.op == Op::Constant;
        bool zeroDivisor = false;
        if (rConst && !r.constantEmpty) {
            zeroDivisor = (op == Op::Divide && r.constant == 0.0) ||
                          ((op == Op::IntDivide || op == Op::Modulo) && roundHalfEven(r.constant) == 0.0);
        }
        const bool empty = (lConst && l.constantEmpty) || (rConst && r.constantEmpty) || zeroDivisor;
        if ((lConst && rConst) || empty) {
            Node folded;
            folded.op = Op::Constant;
            folded.constantEmpty = empty;
            if (!empty) {
                // Folded exactly, so that a large constant keeps its true remainder; the double is its
                // nearest value (exact below 2^53, where both agree).
                folded.exact = exact::apply(op, l.exact, r.exact);
                folded.constantEmpty = folded.exact.kind == exact::Value::Kind::Empty;
                folded.constant = folded.exact.kind == exact::Value::Kind::Inexact ? apply(op, l.constant, r.constant)
                                                                                   : exact::toDouble(folded.exact);
            }
            // Drop the operand subtrees: they are the tail of the array, starting at the left subtree.
            m_nodes.resize(static_cast<std::size_t>(firstNodeOf(left)));
            return push(folded);
        }
        Node n;
        n.op = op;
        n.left = left;
        n.right = right;
        return push(n);
    }

    // First node index of the subtree rooted at `index` (post-order: a subtree is a contiguous range, and
    // its first node is reached by following the left children).
    int firstNodeOf(int index) const
    {
        while (m_nodes[static_cast<std::size_t>(index)].left >= 0) {
            index = m_nodes[static_cast<std::size_t>(index)].left;
        }
        return index;
    }

    static double apply(Op op, double a, double b)
    {
        switch (op) {
        case Op::Add:
            return a + b;
        case Op::Subtract:
            return a - b;
        case Op::Multiply:
            return a * b;
        case Op::Divide:
            return a / b;
        case Op::IntDivide:
            return intDivide(a, b);
        case Op::Modulo:
            return modulo(a, b);
        default:
            return 0.0;
        }
    }

    const QString& m_text;
    // The token list of this thread's compiles: it keeps its room from one formula to the next.
    static std::vector<Token>& tokenScratch()
    {
        thread_local std::vector<Token> tokens;
        tokens.clear();
        return tokens;
    }
    std::vector<Token>& m_tokens = tokenScratch();
    std::size_t m_pos = 0;
    std::vector<Node> m_nodes;
    std::vector<Param> m_columns;
    int m_maxLag = 0;
    int m_depth = 0;
    bool m_tooDeep = false;
    bool m_failed = false;
    QString m_error;
    QString m_errorPart;
};

Expression Expression::compile(const QString& expressionText)
{
    return ExpressionParser(expressionText).run();
}

} // namespace korvel
