#pragma once

// Random formulas for the differential test and the benchmark. Each formula is generated as a tree and
// written twice: as formula text for the engine (minimal parentheses by operator precedence, mixed case,
// optional [brackets], stray blanks and redundant parentheses) and as SQLite SQL with every operation
// explicit, so that a precedence mistake of the engine's parser shows as a difference.

#include "history/Param.h"

#include <QString>

#include <cctype>
#include <memory>
#include <random>
#include <string>

namespace korvel::test {

struct GeneratedFormula {
    QString expressionText;
    std::string sql;
};

class RandomFormulaGenerator {
public:
    explicit RandomFormulaGenerator(std::uint64_t seed) : m_rng(seed) {}

    // A random tree of at most `maxDepth` operator levels.
    GeneratedFormula next(int maxDepth = 4)
    {
        const auto tree = node(maxDepth);
        return {QString::fromStdString(jet(*tree)), sql(*tree)};
    }

    // Shapes the formula lists hold: sums of a few columns and a constant, a digit-wise mix, and random
    // trees; used by the benchmark.
    GeneratedFormula mixed()
    {
        switch (pick(4)) {
        case 0: { // a + b + c + k
            std::string t = code();
            std::string s = t;
            const int terms = 1 + pick(4);
            for (int i = 0; i < terms; ++i) {
                const std::string c = code();
                t += "+" + c;
                s = "(" + s + " + " + c + ")";
            }
            const int k = pick(10);
            return {QString::fromStdString(t + "+" + std::to_string(k)), "(" + s + " + " + std::to_string(k) + ")"};
        }
        case 1: { // a * k + b MOD m
            const std::string a = code();
            const std::string b = code();
            const int k = 1 + pick(9);
            const int m = 2 + pick(8);
            return {QString::fromStdString(a + "*" + std::to_string(k) + "+" + b + " MOD " + std::to_string(m)),
                    "((" + a + " * " + std::to_string(k) + ") + jmod(" + b + ", " + std::to_string(m) + "))"};
        }
        default:
            return next(3);
        }
    }

private:
    enum Kind { Constant, Column, Negate, Add, Sub, Mul, Div, IntDiv, Mod };
    struct Node {
        Kind kind = Constant;
        std::string constant; // literal text of a non-negative constant
        bool negative = false;
        Param param = Param::L1A;
        std::unique_ptr<Node> l;
        std::unique_ptr<Node> r;
    };

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool chance(int percent) { return pick(100) < percent; }

    std::string code() { return paramCode(paramAt(pick(kParamCount))); }

    std::unique_ptr<Node> leaf()
    {
        auto n = std::make_unique<Node>();
        if (chance(55)) {
            n->kind = Column;
            n->param = paramAt(pick(kParamCount));
            return n;
        }
        static const char* const constants[] = {"0",   "1",   "2",   "3",   "5",   "7",    "10", "12",
                                                "0.5", "1.5", "2.5", "0.4", "0.6", "3.75", ".5", "25"};
        n->kind = Constant;
        n->constant = constants[pick(static_cast<int>(std::size(constants)))];
        n->negative = chance(25);
        return n;
    }

    std::unique_ptr<Node> node(int depth)
    {
        if (depth <= 0 || chance(25)) {
            return leaf();
        }
        auto n = std::make_unique<Node>();
        if (chance(10)) {
            n->kind = Negate;
            n->l = node(depth - 1);
            return n;
        }
        static const Kind ops[] = {Add, Sub, Mul, Div, IntDiv, Mod};
        n->kind = ops[pick(6)];
        n->l = node(depth - 1);
        n->r = node(depth - 1);
        return n;
    }

    // Binding strength in the formula language: + - 1, MOD 2, \ 3, * / 4, unary sign 5, operands 6.
    static int level(const Node& n)
    {
        switch (n.kind) {
        case Add:
        case Sub:
            return 1;
        case Mod:
            return 2;
        case IntDiv:
            return 3;
        case Mul:
        case Div:
            return 4;
        case Negate:
            return 5;
        case Constant:
            return n.negative ? 5 : 6;
        default:
            return 6;
        }
    }

    std::string maybeParens(const std::string& text, bool needed)
    {
        if (needed || chance(5)) {
            return "(" + text + ")";
        }
        return text;
    }

    std::string blank() { return chance(30) ? " " : ""; }

    std::string jet(const Node& n)
    {
        switch (n.kind) {
        case Constant:
            return (n.negative ? "-" : "") + n.constant;
        case Column: {
            std::string c = paramCode(n.param);
            if (chance(20)) {
                for (char& ch : c) {
                    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                }
            }
            return chance(20) ? "[" + c + "]" : c;
        }
        case Negate:
            return "-" + blank() + maybeParens(jet(*n.l), level(*n.l) < 5);
        default:
            break;
        }
        const int me = level(n);
        const std::string left = maybeParens(jet(*n.l), level(*n.l) < me);
        const std::string right = maybeParens(jet(*n.r), level(*n.r) <= me);
        static const char* const modWords[] = {"MOD", "mod", "Mod"};
        std::string op;
        switch (n.kind) {
        case Add:
            op = "+";
            break;
        case Sub:
            op = "-";
            break;
        case Mul:
            op = "*";
            break;
        case Div:
            op = "/";
            break;
        case IntDiv:
            op = "\\";
            break;
        default:
            return left + " " + modWords[pick(3)] + " " + right;
        }
        return left + blank() + op + blank() + right;
    }

    static std::string sql(const Node& n)
    {
        switch (n.kind) {
        case Constant:
            return n.negative ? "(-" + n.constant + ")" : n.constant;
        case Column:
            return paramCode(n.param);
        case Negate:
            return "(-" + sql(*n.l) + ")";
        case Add:
            return "(" + sql(*n.l) + " + " + sql(*n.r) + ")";
        case Sub:
            return "(" + sql(*n.l) + " - " + sql(*n.r) + ")";
        case Mul:
            return "(" + sql(*n.l) + " * " + sql(*n.r) + ")";
        case Div:
            return "(CAST(" + sql(*n.l) + " AS REAL) / " + sql(*n.r) + ")";
        case IntDiv:
            return "jidiv(" + sql(*n.l) + ", " + sql(*n.r) + ")";
        case Mod:
            return "jmod(" + sql(*n.l) + ", " + sql(*n.r) + ")";
        }
        return {};
    }

    std::mt19937_64 m_rng;
};

} // namespace korvel::test
