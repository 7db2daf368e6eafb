#pragma once

#include "formula/ExactArithmetic.h"
#include "formula/Rounding.h"
#include "formula/ValueColumn.h"
#include "history/ParamId.h"
#include "history/SnapshotPtr.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace korvel {

// An expression that is an integer combination of columns: constant + sum of coefficient * column, each
// column once. Every partial value of the expression, and of the sum taken term by term in 32 bits, stays
// within the 32-bit range for any 16-bit column values, so that sum is exactly the value the doubles give.
struct IntegerSum {
    struct Term {
        Param param{}; // the first parameter (L1A) until set
        std::int32_t coefficient = 0;
    };
    std::int32_t constant = 0;
    std::vector<Term> terms; // in order of first appearance, no zero coefficient
};

namespace detail {
struct ExpressionSlot; // a node's output for one batch (Expression.cpp)
}

// Working memory of one evaluation: one preallocated buffer per node of the tree. A caller that evaluates
// many times on one thread (a search worker) keeps one and passes it in; the overloads without it use a
// thread-local one.
class ExpressionScratch {
public:
    ExpressionScratch() = default;

private:
    friend class Expression;
    std::vector<double> m_values;
    std::vector<double> m_valid; // validity per node as 1.0 / 0.0
    std::vector<std::int16_t> m_narrow;
};

// A formula expression (`gongshi`) compiled once into a tree and evaluated column-at-a-time over a
// history snapshot.
//
// Language: numbers (12, 0.5, .5), column codes ("L1A", any case, optionally in [brackets]), binary
// + - * / \ MOD (MOD is a word, any case), unary - and +, parentheses, the functions Int(x) and Abs(x),
// and PrevN(column) (N = 1..9, any case) for a column of the draw N draws before the evaluated one.
// Precedence, highest first: unary sign, * and /, \, MOD, + and -; binary operators associate to the left.
// Semantics: `/` is real division; `\` (integer division) and MOD first round both operands half-to-even
// to integers; `\` truncates toward zero, MOD keeps the sign of the dividend; Int rounds toward minus
// infinity (Int(-2.5) = -3), Abs drops the sign; a zero divisor makes the row empty; so does PrevN on the
// first N rows of the history (there is no draw N before them); empty propagates through every operator.
// Older versions know none of Int, Abs, PrevN and refuse such a text as an unknown parameter.
// Arithmetic is in doubles, column at a time; integers are exact up to 2^53. A row in which a product or a
// quotient (or a constant) leaves the range where that holds for the whole tree is recomputed exactly
// (integers in 128 bits), so MOD and \ of a large integer give its true remainder and quotient; a value
// that cannot be computed exactly there (a real beyond 2^53, an integer beyond 128 bits, MOD of either)
// is empty: never a wrong digit.
//
// A compiled expression is immutable: const members may be called from any number of threads at once,
// each with its own scratch (or the thread-local default).
class Expression {
public:
    // What the compiler takes: a text of at most kMaxLength characters, in which parentheses, functions and
    // unary signs nest at most kMaxDepth deep. A text beyond either is refused (not ok, tooLarge()) with a
    // message that says so, never compiled: the compiler descends one level per nesting, and without a limit a
    // deep enough text (thousands of "(" or of "-") would exhaust the stack.
    static constexpr qsizetype kMaxLength = 10000;
    static constexpr int kMaxDepth = 100;

    Expression() = default; // an empty expression: not ok
    static Expression compile(const QString& expressionText);

    // False when the text did not compile; then error() names the part not understood and every evaluated
    // row is empty.
    bool ok() const { return m_ok; }
    const QString& error() const { return m_error; }
    // The text that was not understood ("LTW", "^", ...), empty when ok() or when the expression is empty.
    const QString& errorPart() const { return m_errorPart; }
    // True when the text was refused for its length or its nesting (see kMaxLength, kMaxDepth).
    bool tooLarge() const { return m_tooLarge; }
    const QString& text() const { return m_text; }

    // The columns the expression names, each once, in order of first appearance (a column inside a part
    // that folded to a constant, such as L1A / 0, is still listed).
    const std::vector<Param>& columns() const { return m_columns; }
    // The most draws back any PrevN names (0: the expression reads the evaluated draw only).
    int maxLag() const { return m_maxLag; }

    // Values of rows [first, end) of the snapshot into `out` (resized to end - first).
    void evaluate(const HistorySnapshot& snapshot, int first, int end, ValueColumn& out) const;
    void evaluate(const HistorySnapshot& snapshot, int first, int end, ValueColumn& out,
                  ExpressionScratch& scratch) const;

    // The value of one row, or empty. Slow path for single values (the tally's reference draw, tests).
    std::optional<double> evaluateRow(const HistorySnapshot& snapshot, int row) const;

    // The expression as an IntegerSum when it is one: column codes, integer constants, + and -, unary signs
    // and products with a constant ("L1A+L2B+5", "L1A-L3C*2", "(L2A+LH)*3-7"). Empty for anything else
    // (a product of columns, /, \ or MOD, a real constant, an expression that does not compile) and when a
    // partial value could leave 32 bits; those take the general evaluation.
    const std::optional<IntegerSum>& integerSum() const { return m_integerSum; }

    // Number of tree nodes after constant folding (for tests of the compiler and for cost estimates).
    int nodeCount() const { return static_cast<int>(m_nodes.size()); }

private:
    enum class Op : std::uint8_t {
        Constant,
        Column,
        Negate,
        Floor,
        Abs,
        Add,
        Subtract,
        Multiply,
        Divide,
        IntDivide,
        Modulo
    };
    struct Node {
        Op op = Op::Constant;
        bool constantEmpty = false; // Constant only: folded to an empty value (e.g. 1/0)
        Param param{};              // Column only
        int lag = 0;                // Column only: draws before the evaluated one
        int left = -1;              // child node indices (post-order: children come first)
        int right = -1;
        double constant = 0.0;
        exact::Value exact; // Constant only: the value as written or folded, exactly where possible
    };
    friend class ExpressionParser;

    using Slot = detail::ExpressionSlot;
    void evaluateBatch(const HistorySnapshot& snapshot, int first, int count, double* outValues, std::uint8_t* outValid,
                       bool& allValid, ExpressionScratch& scratch) const;
    // The steps of evaluateBatch: every node's output, the exactness check, the root into the outputs and
    // the exact recomputation of the rows that need it.
    void evaluateNodes(const HistorySnapshot& snapshot, int first, int count, double* outValues, Slot* nodeOut,
                       ExpressionScratch& scratch) const;
    bool needsExactRows(const Slot* nodeOut, int count) const;
    static void writeRoot(const Slot& root, int count, double* outValues, std::uint8_t* outValid, bool& allValid,
                          ExpressionScratch& scratch);
    void recomputeExactRows(const HistorySnapshot& snapshot, int first, int count, const Slot* nodeOut,
                            double* outValues, std::uint8_t* outValid, bool& allValid) const;
    // One row computed exactly (the rows the doubles cannot be trusted with).
    exact::Value exactRow(const HistorySnapshot& snapshot, int row) const;
    void setExactLimits(); // after compiling
    void findIntegerSum(); // after compiling

    std::vector<Node> m_nodes; // post-order; the last node is the root
    std::vector<Param> m_columns;
    QString m_text;
    QString m_error;
    QString m_errorPart;
    bool m_ok = false;
    bool m_tooLarge = false;
    int m_maxLag = 0;
    // Below this magnitude every product, quotient and constant leaves all values of the tree exact in doubles.
    double m_exactLimit = 0.0;
    bool m_exactAlways = false; // a constant beyond m_exactLimit: every row is computed exactly
    std::optional<IntegerSum> m_integerSum;
};

} // namespace korvel
