#include "formula/Expression.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

// What the compiler works out about a compiled tree once: the magnitude below which the doubles are exact
// (setExactLimits) and whether the expression is an integer sum of columns (findIntegerSum).
namespace korvel {

namespace {

// A node as a linear form over the columns, with a bound of its magnitude for column values within the
// 16-bit range; the coefficients are exact integers (128 bits) until the bound check rejects them.
struct Linear {
    exact::Int constant = 0;
    std::vector<std::pair<Param, exact::Int>> terms;

    exact::Int bound() const
    {
        exact::Int b = exact::magnitude(constant);
        for (const auto& t : terms) {
            b += exact::magnitude(t.second) * 32768;
        }
        return b;
    }
    bool isConstant() const { return terms.empty(); }
};

// Every partial value of an integer sum stays within 32 bits.
constexpr exact::Int kIntegerSumLimit = 2147483647;

// In place, into forms that keep their buffers from formula to formula (a list compiles tens of thousands).
void scale(Linear& a, exact::Int k)
{
    a.constant *= k;
    for (auto& t : a.terms) {
        t.second *= k;
    }
}

void assignScaled(Linear& out, const Linear& a, exact::Int k)
{
    out.constant = a.constant;
    out.terms.assign(a.terms.begin(), a.terms.end());
    scale(out, k);
}

void assignAdded(Linear& out, const Linear& a, const Linear& b, exact::Int sign)
{
    out.constant = a.constant + sign * b.constant;
    out.terms.assign(a.terms.begin(), a.terms.end());
    for (const auto& t : b.terms) {
        const auto it =
            std::find_if(out.terms.begin(), out.terms.end(), [&](const auto& x) { return x.first == t.first; });
        if (it == out.terms.end()) {
            out.terms.emplace_back(t.first, sign * t.second);
        } else {
            it->second += sign * t.second;
        }
    }
}

} // namespace

void Expression::setExactLimits()
{
    // Every value of the tree is bounded by its number of nodes times the largest product, quotient,
    // constant or column under it; below 2^53 / nodes the doubles hold every integer of it exactly.
    m_exactLimit = exact::kTwo53 / static_cast<double>(std::max<std::size_t>(m_nodes.size(), 1));
    m_exactAlways = false;
    for (const Node& node : m_nodes) {
        if (node.op != Op::Constant || node.constantEmpty) {
            continue;
        }
        const bool small = (node.exact.kind == exact::Value::Kind::Int &&
                            exact::magnitude(node.exact.i) < static_cast<exact::Int>(m_exactLimit)) ||
                           (node.exact.kind == exact::Value::Kind::Real && std::fabs(node.exact.d) < m_exactLimit);
        m_exactAlways = m_exactAlways || !small;
    }
}

void Expression::findIntegerSum()
{
    m_integerSum.reset();
    if (!m_ok || m_nodes.empty()) {
        return;
    }
    // One form per node, reused by every compile on this thread: their term lists keep their room.
    thread_local std::vector<Linear> forms;
    if (forms.size() < m_nodes.size()) {
        forms.resize(m_nodes.size());
    }
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const Node& node = m_nodes[i];
        Linear& f = forms[i];
        f.constant = 0;
        f.terms.clear();
        switch (node.op) {
        case Op::Constant:
            if (node.constantEmpty || node.exact.kind != exact::Value::Kind::Int) {
                return;
            }
            f.constant = node.exact.i;
            break;
        case Op::Column:
            if (node.lag != 0) {
                return; // an earlier draw's column is not a column of the sum's draw
            }
            f.terms.emplace_back(node.param, 1);
            break;
        case Op::Negate:
            assignScaled(f, forms[static_cast<std::size_t>(node.left)], -1);
            break;
        case Op::Add:
        case Op::Subtract:
            assignAdded(f, forms[static_cast<std::size_t>(node.left)], forms[static_cast<std::size_t>(node.right)],
                        node.op == Op::Add ? 1 : -1);
            break;
        case Op::Multiply: {
            const Linear& l = forms[static_cast<std::size_t>(node.left)];
            const Linear& r = forms[static_cast<std::size_t>(node.right)];
            if (!l.isConstant() && !r.isConstant()) {
                return;
            }
            if (l.isConstant()) {
                assignScaled(f, r, l.constant);
            } else {
                assignScaled(f, l, r.constant);
            }
            break;
        }
        default:
            return;
        }
        // Removing cancelled terms keeps "L1A-L1A" a constant; the bound holds every partial value.
        std::erase_if(f.terms, [](const auto& t) { return t.second == 0; });
        if (f.bound() > kIntegerSumLimit) {
            return;
        }
    }
    const Linear& root = forms[m_nodes.size() - 1];
    IntegerSum sum;
    sum.constant = static_cast<std::int32_t>(root.constant);
    sum.terms.reserve(root.terms.size());
    for (const auto& t : root.terms) {
        sum.terms.push_back({t.first, static_cast<std::int32_t>(t.second)});
    }
    m_integerSum = std::move(sum);
}

} // namespace korvel
