#include "formula/Expression.h"

#include "formula/SimdClones.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvel {

namespace {

constexpr int kBatch = 512;
constexpr double kTwo52 = 4503599627370496.0; // from here on every double is an integer

inline double rhe(double v)
{
    return roundHalfEven(v);
}

// Truncation toward zero, same technique: round the magnitude, step back when it went up.
inline double truncate(double v)
{
    const double a = std::fabs(v);
    const double nearest = (a + kTwo52) - kTwo52;
    const double below = nearest - 1.0; // computed unconditionally: the selects below then vectorise
    const double t = nearest > a ? below : nearest;
    return std::copysign(a < kTwo52 ? t : a, v);
}

// For integral operands of magnitude up to 2^53 the quotient's truncation is exact, and so is the product
// and the difference: the remainder keeps the dividend's sign, as integer MOD does.
inline double intDivide(double a, double b)
{
    return truncate(rhe(a) / rhe(b));
}

inline double modulo(double a, double b)
{
    const double x = rhe(a);
    const double y = rhe(b);
    return x - y * truncate(x / y);
}

} // namespace

std::optional<std::int32_t> toInt32HalfEven(double v)
{
    const double r = rhe(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(r);
}

// ---------------------------------------------------------------------------------------------------------
// Compiler: recursive descent over a token list, building the post-order node array with constant folding.

class ExpressionParser {
public:
    explicit ExpressionParser(const QString& text) : m_text(text) {}

    Expression run()
    {
        Expression e;
        e.m_text = m_text;
        tokenize();
        if (m_failed) {
            return fail(std::move(e));
        }
        if (m_tokens.size() == 1) {
            e.m_error = QStringLiteral("公式表达式为空");
            return e;
        }
        m_nodes.clear();
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
        e.m_ok = true;
        return e;
    }

private:
    using Node = Expression::Node;
    using Op = Expression::Op;

    enum class Tok { Number, Column, Plus, Minus, Times, Slash, Backslash, Mod, Open, Close, End };
    struct Token {
        Tok kind = Tok::End;
        QString text;
        double number = 0.0;
        Param param = Param::L1A;
    };

    Expression fail(Expression e)
    {
        e.m_error = m_error;
        e.m_errorPart = m_errorPart;
        return e;
    }

    void setError(const QString& part, const QString& message)
    {
        if (!m_failed) {
            m_failed = true;
            m_errorPart = part;
            m_error = message;
        }
    }

    static bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }
    static bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

    void tokenize()
    {
        const qsizetype n = m_text.size();
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
                t.text = m_text.mid(start, i - start);
                t.number = t.text.toDouble();
                if (i < n && isWordChar(m_text[i]) && !isDigit(m_text[i])) {
                    // "3L1A": a number glued to a word is neither a number nor a column.
                    qsizetype j = i;
                    while (j < n && isWordChar(m_text[j])) {
                        ++j;
                    }
                    const QString part = m_text.mid(start, j - start);
                    setError(part, QStringLiteral("无法识别「%1」").arg(part));
                    return;
                }
            } else if (isWordChar(c)) {
                const qsizetype start = i;
                while (i < n && isWordChar(m_text[i])) {
                    ++i;
                }
                t.text = m_text.mid(start, i - start);
                if (t.text.compare(QLatin1String("MOD"), Qt::CaseInsensitive) == 0) {
                    t.kind = Tok::Mod;
                } else if (!column(t.text, t)) {
                    return;
                }
            } else if (c == QLatin1Char('[')) {
                const qsizetype close = m_text.indexOf(QLatin1Char(']'), i + 1);
                if (close < 0) {
                    const QString part = m_text.mid(i);
                    setError(part, QStringLiteral("「%1」缺少右方括号「]」").arg(part));
                    return;
                }
                const QString inner = m_text.mid(i + 1, close - i - 1);
                i = close + 1;
                if (!column(inner, t)) {
                    return;
                }
                t.text = QLatin1Char('[') + inner + QLatin1Char(']');
            } else {
                t.text = QString(c);
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

    bool column(const QString& name, Token& t)
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
            next();
            const int operand = parseUnary();
            if (m_failed) {
                return -1;
            }
            Node& child = m_nodes[static_cast<std::size_t>(operand)];
            if (child.op == Op::Constant) {
                child.constant = -child.constant;
                return operand;
            }
            Node n;
            n.op = Op::Negate;
            n.left = operand;
            return push(n);
        }
        if (peek().kind == Tok::Plus) {
            next();
            return parseUnary();
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
            next();
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
        case Tok::End:
            setError(m_text.trimmed(), QStringLiteral("公式「%1」不完整：末尾缺少运算数").arg(m_text.trimmed()));
            return -1;
        default:
            setError(t.text, QStringLiteral("公式在「%1」处有语法错误（缺少运算数）").arg(t.text));
            return -1;
        }
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
                          ((op == Op::IntDivide || op == Op::Modulo) && rhe(r.constant) == 0.0);
        }
        const bool empty = (lConst && l.constantEmpty) || (rConst && r.constantEmpty) || zeroDivisor;
        if ((lConst && rConst) || empty) {
            Node folded;
            folded.op = Op::Constant;
            folded.constantEmpty = empty;
            if (!empty) {
                folded.constant = apply(op, l.constant, r.constant);
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

    // First node index of the subtree rooted at `index` (post-order: a subtree is a contiguous range).
    int firstNodeOf(int index) const
    {
        const Node& n = m_nodes[static_cast<std::size_t>(index)];
        if (n.left < 0) {
            return index;
        }
        return firstNodeOf(n.left);
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
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    std::vector<Node> m_nodes;
    std::vector<Param> m_columns;
    bool m_failed = false;
    QString m_error;
    QString m_errorPart;
};

Expression Expression::compile(const QString& gongshi)
{
    return ExpressionParser(gongshi).run();
}

// ---------------------------------------------------------------------------------------------------------
// Evaluator

namespace {

// A node's output for one batch: a constant, or a flat buffer; validity is "all valid" or a mask.
struct Slot {
    const double* values = nullptr;       // computed doubles
    const std::int16_t* column = nullptr; // or a snapshot column, read in place
    const double* mask = nullptr; // null: every row valid; 1.0 / 0.0, as wide as the values so that loops vectorise
    bool isConstant = false;
    double constant = 0.0;
};

template <class X, class Y, class F> inline void loop2(X x, Y y, double* __restrict out, int n, F f)
{
    for (int k = 0; k < n; ++k) {
        out[k] = f(x(k), y(k));
    }
}

// Calls `body` with an accessor k -> operand value for the slot's representation.
template <class Body> inline void withOperand(const Slot& s, Body body)
{
    if (s.isConstant) {
        const double c = s.constant;
        body([c](int) { return c; });
    } else if (s.column) {
        const std::int16_t* p = s.column;
        body([p](int k) { return static_cast<double>(p[k]); });
    } else {
        const double* p = s.values;
        body([p](int k) { return p[k]; });
    }
}

template <class F> void binaryKernel(const Slot& l, const Slot& r, double* __restrict out, int n, F f)
{
    withOperand(l, [&](auto x) { withOperand(r, [&](auto y) { loop2(x, y, out, n, f); }); });
}

thread_local ExpressionScratch t_scratch;

} // namespace

void Expression::evaluate(const HistorySnapshot& snapshot, int first, int end, ValueColumn& out) const
{
    evaluate(snapshot, first, end, out, t_scratch);
}

void Expression::evaluate(const HistorySnapshot& snapshot, int first, int end, ValueColumn& out,
                          ExpressionScratch& scratch) const
{
    first = std::max(first, 0);
    end = std::min(end, snapshot.size());
    const int n = std::max(end - first, 0);
    out.value.resize(static_cast<std::size_t>(n));
    out.valid.resize(static_cast<std::size_t>(n));
    out.allValid = true;
    if (!m_ok) {
        std::fill(out.value.begin(), out.value.end(), 0.0);
        std::fill(out.valid.begin(), out.valid.end(), std::uint8_t{0});
        out.allValid = n == 0;
        return;
    }
    const std::size_t need = m_nodes.size() * kBatch;
    if (scratch.m_values.size() < need) {
        scratch.m_values.resize(need);
        scratch.m_valid.resize(need);
        scratch.m_narrow.resize(kBatch);
    }
    for (int at = 0; at < n; at += kBatch) {
        const int count = std::min(kBatch, n - at);
        bool batchValid = true;
        evaluateBatch(snapshot, first + at, count, out.value.data() + at, out.valid.data() + at, batchValid, scratch);
        out.allValid = out.allValid && batchValid;
    }
}

KORVEL_SIMD_CLONES
void Expression::evaluateBatch(const HistorySnapshot& snapshot, int first, int count, double* outValues,
                               std::uint8_t* outValid, bool& allValid, ExpressionScratch& scratch) const
{
    // Node outputs live on the stack for small trees, which is all a formula ever is; larger ones use the heap.
    std::vector<Slot> heapOut;
    Slot stackOut[64];
    Slot* nodeOut = stackOut;
    if (m_nodes.size() > 64) {
        heapOut.resize(m_nodes.size());
        nodeOut = heapOut.data();
    }
    const std::size_t rootIndex = m_nodes.size() - 1;
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const Node& node = m_nodes[i];
        Slot& s = nodeOut[i];
        double* const values = i == rootIndex ? outValues : scratch.m_values.data() + i * kBatch;
        double* const mask = scratch.m_valid.data() + i * kBatch;
        switch (node.op) {
        case Op::Constant:
            s.isConstant = true;
            s.constant = node.constant;
            if (node.constantEmpty) {
                // Only a whole expression folds to an empty constant.
                std::fill(mask, mask + count, 0.0);
                s.mask = mask;
            }
            break;
        case Op::Column: {
            s.column = snapshot.column(node.param).data() + first;
            break;
        }
        case Op::Negate: {
            const Slot& c = nodeOut[node.left];
            withOperand(c, [&](auto x) {
                for (int k = 0; k < count; ++k) {
                    values[k] = -x(k);
                }
            });
            s.values = values;
            s.mask = c.mask;
            break;
        }
        default: {
            const Slot& l = nodeOut[node.left];
            const Slot& r = nodeOut[node.right];
            switch (node.op) {
            case Op::Add:
                binaryKernel(l, r, values, count, [](double a, double b) { return a + b; });
                break;
            case Op::Subtract:
                binaryKernel(l, r, values, count, [](double a, double b) { return a - b; });
                break;
            case Op::Multiply:
                binaryKernel(l, r, values, count, [](double a, double b) { return a * b; });
                break;
            case Op::Divide:
                binaryKernel(l, r, values, count, [](double a, double b) { return a / b; });
                break;
            case Op::IntDivide:
                binaryKernel(l, r, values, count, [](double a, double b) { return intDivide(a, b); });
                break;
            case Op::Modulo:
                binaryKernel(l, r, values, count, [](double a, double b) { return modulo(a, b); });
                break;
            default:
                break;
            }
            s.values = values;
            // A constant divisor is never zero here (the compiler folded that case), so only a flat
            // divisor can empty rows.
            const bool divides = node.op == Op::Divide || node.op == Op::IntDivide || node.op == Op::Modulo;
            const bool divisorChecks = divides && !r.isConstant;
            if (!divisorChecks && !l.mask && !r.mask) {
                s.mask = nullptr;
            } else if (!divisorChecks && !l.mask) {
                s.mask = r.mask;
            } else if (!divisorChecks && !r.mask) {
                s.mask = l.mask;
            } else {
                const double* __restrict lm = l.mask;
                const double* __restrict rm = r.mask;
                double* __restrict m = mask;
                if (divisorChecks) {
                    // Integers need no rounding: only computed (possibly fractional) divisors do.
                    const bool rounds = node.op != Op::Divide && !r.column;
                    withOperand(r, [&](auto y) {
                        if (rounds) {
                            for (int k = 0; k < count; ++k) {
                                m[k] = rhe(y(k)) != 0.0 ? 1.0 : 0.0;
                            }
                        } else {
                            for (int k = 0; k < count; ++k) {
                                m[k] = y(k) != 0.0 ? 1.0 : 0.0;
                            }
                        }
                    });
                } else {
                    std::fill(m, m + count, 1.0);
                }
                if (lm) {
                    for (int k = 0; k < count; ++k) {
                        m[k] *= lm[k];
                    }
                }
                if (rm) {
                    for (int k = 0; k < count; ++k) {
                        m[k] *= rm[k];
                    }
                }
                s.mask = m;
            }
            break;
        }
        }
    }

    // Bring the root's result into the output buffers (its values already are there unless it is a
    // constant; its mask is narrowed to bytes).
    const Slot& root = nodeOut[rootIndex];
    if (root.isConstant) {
        std::fill(outValues, outValues + count, root.constant);
    } else if (root.column) {
        const std::int16_t* __restrict col = root.column;
        for (int k = 0; k < count; ++k) {
            outValues[k] = col[k];
        }
    } else if (root.values != outValues) {
        std::copy(root.values, root.values + count, outValues);
    }
    if (!root.mask) {
        std::fill(outValid, outValid + count, std::uint8_t{1});
        allValid = true;
    } else {
        // Narrowed in two steps (doubles to 16 bits, 16 bits to bytes), each of which vectorises.
        const double* __restrict m = root.mask;
        std::int16_t* __restrict narrow = scratch.m_narrow.data();
        for (int k = 0; k < count; ++k) {
            narrow[k] = static_cast<std::int16_t>(static_cast<std::int32_t>(m[k]));
        }
        std::int16_t all = 1;
        for (int k = 0; k < count; ++k) {
            outValid[k] = static_cast<std::uint8_t>(narrow[k]);
            all &= narrow[k];
        }
        allValid = all != 0;
    }
}

std::optional<double> Expression::evaluateRow(const HistorySnapshot& snapshot, int row) const
{
    if (!m_ok || row < 0 || row >= snapshot.size()) {
        return std::nullopt;
    }
    ValueColumn one;
    evaluate(snapshot, row, row + 1, one);
    if (!one.valid[0]) {
        return std::nullopt;
    }
    return one.value[0];
}

} // namespace korvel
