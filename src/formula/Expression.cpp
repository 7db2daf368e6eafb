#include "formula/Expression.h"
#include "formula/ExpressionMath.h"

#include "formula/SimdClones.h"
#include "history/HistorySnapshot.h"

#include <algorithm>
#include <cmath>

namespace korvel {

using namespace expression_math;

namespace {

constexpr int kBatch = 512; // rows per pass: the buffers of all nodes of a batch stay in cache

} // namespace

std::optional<std::int32_t> toInt32HalfEven(double v)
{
    const double r = roundHalfEven(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(r);
}

// A node's output for one batch: a constant, or a flat buffer; validity is "all valid" or a mask.
struct detail::ExpressionSlot {
    const double* values = nullptr;       // computed doubles
    const std::int16_t* column = nullptr; // or a snapshot column, read in place
    const double* mask = nullptr; // null: every row valid; 1.0 / 0.0, as wide as the values so that loops vectorise
    bool isConstant = false;
    double constant = 0.0;
};

namespace {

using Slot = detail::ExpressionSlot;

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

// The largest finite magnitude of a batch of values (infinities come from zero divisors, which the masks
// handle). Branch-free, so that it vectorises.
inline double largestFinite(const double* __restrict v, int n)
{
    double top = 0.0;
    for (int k = 0; k < n; ++k) {
        const double a = std::fabs(v[k]);
        const double finite = a < HUGE_VAL ? a : 0.0;
        top = top > finite ? top : finite;
    }
    return top;
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
    evaluateNodes(snapshot, first, count, outValues, nodeOut, scratch);
    const bool recompute = needsExactRows(nodeOut, count);
    writeRoot(nodeOut[m_nodes.size() - 1], count, outValues, outValid, allValid, scratch);
    if (recompute) {
        recomputeExactRows(snapshot, first, count, nodeOut, outValues, outValid, allValid);
    }
}

namespace {

// A column of the draw `lag` before each row: read in place when every row has that draw, else copied with
// the rows before the history marked empty.
void columnSlot(const HistorySnapshot& snapshot, Param param, int lag, int first, int count, double* values,
                double* mask, Slot& s)
{
    const std::int16_t* col = snapshot.column(param).data();
    if (first - lag >= 0) {
        s.column = col + first - lag;
        return;
    }
    for (int k = 0; k < count; ++k) {
        const int row = first + k - lag;
        values[k] = row >= 0 ? col[row] : 0.0;
        mask[k] = row >= 0 ? 1.0 : 0.0;
    }
    s.values = values;
    s.mask = mask;
}

template <class F> void unarySlot(const Slot& c, double* __restrict values, int count, Slot& s, F f)
{
    withOperand(c, [&](auto x) {
        for (int k = 0; k < count; ++k) {
            values[k] = f(x(k));
        }
    });
    s.values = values;
    s.mask = c.mask;
}

// The validity of a binary node: its operands' masks combined, and a computed divisor's zero rows.
template <class Op> void binaryMask(Op op, const Slot& l, const Slot& r, double* __restrict m, int count, Slot& s)
{
    // A constant divisor is never zero here (the compiler folded that case), so only a flat divisor can
    // empty rows.
    const bool divides = op == Op::Divide || op == Op::IntDivide || op == Op::Modulo;
    const bool divisorChecks = divides && !r.isConstant;
    if (!divisorChecks && (!l.mask || !r.mask)) {
        s.mask = l.mask ? l.mask : r.mask; // null when neither operand has one
        return;
    }
    const double* __restrict lm = l.mask;
    const double* __restrict rm = r.mask;
    if (divisorChecks) {
        // Integers need no rounding: only computed (possibly fractional) divisors do.
        const bool rounds = op != Op::Divide && !r.column;
        withOperand(r, [&](auto y) {
            if (rounds) {
                for (int k = 0; k < count; ++k) {
                    m[k] = roundHalfEven(y(k)) != 0.0 ? 1.0 : 0.0;
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

} // namespace

KORVEL_SIMD_CLONES
void Expression::evaluateNodes(const HistorySnapshot& snapshot, int first, int count, double* outValues, Slot* nodeOut,
                               ExpressionScratch& scratch) const
{
    const std::size_t rootIndex = m_nodes.size() - 1;
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const Node& node = m_nodes[i];
        Slot& s = nodeOut[i];
        s = Slot{};
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
        case Op::Column:
            columnSlot(snapshot, node.param, node.lag, first, count, values, mask, s);
            break;
        case Op::Negate:
            unarySlot(nodeOut[node.left], values, count, s, [](double a) { return -a; });
            break;
        case Op::Floor:
            unarySlot(nodeOut[node.left], values, count, s, [](double a) { return std::floor(a); });
            break;
        case Op::Abs:
            unarySlot(nodeOut[node.left], values, count, s, [](double a) { return std::fabs(a); });
            break;
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
            binaryMask(node.op, l, r, mask, count, s);
            break;
        }
        }
    }
}

// Rows in which a product or quotient left the range where the tree is exact in doubles are computed
// again exactly. The check is one reduction per product or quotient; a zero divisor's infinity is the
// mask's business and does not count.
bool Expression::needsExactRows(const Slot* nodeOut, int count) const
{
    if (m_exactAlways) {
        return true;
    }
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        if ((m_nodes[i].op == Op::Multiply || m_nodes[i].op == Op::Divide) &&
            largestFinite(nodeOut[i].values, count) >= m_exactLimit) {
            return true;
        }
    }
    return false;
}

// Brings the root's result into the output buffers (its values already are there unless it is a
// constant or a column read in place; its mask is narrowed to bytes).
KORVEL_SIMD_CLONES
void Expression::writeRoot(const Slot& root, int count, double* outValues, std::uint8_t* outValid, bool& allValid,
                           ExpressionScratch& scratch)
{
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
        return;
    }
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

void Expression::recomputeExactRows(const HistorySnapshot& snapshot, int first, int count, const Slot* nodeOut,
                                    double* outValues, std::uint8_t* outValid, bool& allValid) const
{
    for (int k = 0; k < count; ++k) {
        bool inexact = m_exactAlways;
        for (std::size_t i = 0; i < m_nodes.size() && !inexact; ++i) {
            if (m_nodes[i].op == Op::Multiply || m_nodes[i].op == Op::Divide) {
                const double a = std::fabs(nodeOut[i].values[k]);
                inexact = a >= m_exactLimit && a != HUGE_VAL;
            }
        }
        if (!inexact) {
            continue;
        }
        const exact::Value v = exactRow(snapshot, first + k);
        const bool valid = v.kind == exact::Value::Kind::Int || v.kind == exact::Value::Kind::Real;
        outValues[k] = valid ? exact::toDouble(v) : 0.0;
        outValid[k] = valid ? 1 : 0;
    }
    allValid = std::all_of(outValid, outValid + count, [](std::uint8_t v) { return v != 0; });
}

exact::Value Expression::exactRow(const HistorySnapshot& snapshot, int row) const
{
    std::vector<exact::Value> heap;
    exact::Value stack[64];
    exact::Value* at = stack;
    if (m_nodes.size() > 64) {
        heap.resize(m_nodes.size());
        at = heap.data();
    }
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const Node& node = m_nodes[i];
        switch (node.op) {
        case Op::Constant:
            at[i] = node.constantEmpty ? exact::Value::empty() : node.exact;
            break;
        case Op::Column:
            at[i] = row - node.lag >= 0 ? exact::Value::ofInt(snapshot.value(row - node.lag, node.param))
                                        : exact::Value::empty();
            break;
        case Op::Negate:
        case Op::Floor:
        case Op::Abs:
            at[i] = exact::apply(node.op, at[node.left], at[node.left]);
            break;
        default:
            at[i] = exact::apply(node.op, at[node.left], at[node.right]);
            break;
        }
    }
    return at[m_nodes.size() - 1];
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
