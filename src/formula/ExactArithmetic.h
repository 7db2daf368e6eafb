#pragma once

// The exact side of the formula arithmetic, for values that doubles cannot hold: integers in 128 bits,
// reals only where doubles are exact enough (magnitude below 2^53). The column loops compute in doubles;
// a row whose products or quotients reach the range where doubles skip integers is recomputed here, so
// that MOD and \ of a large integer give its true remainder and quotient, and a value that cannot be
// computed exactly (a real beyond 2^53, an integer beyond 128 bits) is empty rather than a wrong digit.
// Used by the expression compiler and evaluator only.

#include <QStringView>

#include <cmath>
#include <cstdint>

namespace korvel::exact {

using Int = __int128;

constexpr double kTwo53 = 9007199254740992.0; // below this every integer is a double

struct Value {
    enum class Kind : std::uint8_t { Int, Real, Empty, Inexact };
    Kind kind = Kind::Int;
    Int i = 0;
    double d = 0.0;

    static Value ofInt(Int v) { return {Kind::Int, v, 0.0}; }
    static Value empty() { return {Kind::Empty, 0, 0.0}; }
    static Value inexact() { return {Kind::Inexact, 0, 0.0}; }
    // A computed real: exact enough only below 2^53.
    static Value ofReal(double v)
    {
        if (std::isnan(v) || std::fabs(v) >= kTwo53) {
            return inexact();
        }
        return {Kind::Real, 0, v};
    }
};

inline Int magnitude(Int v)
{
    return v < 0 ? -v : v;
}

// The nearest double, for the value column (a large integer is shown approximately).
inline double toDouble(const Value& v)
{
    return v.kind == Value::Kind::Int ? static_cast<double>(v.i) : v.d;
}

// A value as an operand of real arithmetic; false when it has no exact double.
inline bool asReal(const Value& v, double& out)
{
    if (v.kind == Value::Kind::Real) {
        out = v.d;
        return true;
    }
    if (v.kind != Value::Kind::Int) {
        return false;
    }
    out = static_cast<double>(v.i);
    return magnitude(v.i) <= static_cast<Int>(kTwo53) || static_cast<Int>(out) == v.i;
}

// A value as an operand of MOD and \: rounded half-to-even to an integer; false when it has none.
inline bool asInteger(const Value& v, Int& out)
{
    if (v.kind == Value::Kind::Int) {
        out = v.i;
        return true;
    }
    if (v.kind != Value::Kind::Real) {
        return false;
    }
    out = static_cast<Int>(std::nearbyint(v.d)); // the default rounding mode: half to even
    return true;
}

// Operators; `Op` is the expression's own enumeration (Negate takes `a` alone).
template <class Op> Value apply(Op op, const Value& a, const Value& b)
{
    using K = Value::Kind;
    if (op == Op::Floor || op == Op::Abs) {
        // Unary, on `a` alone. Floor goes toward minus infinity.
        if (a.kind == K::Empty || a.kind == K::Inexact) {
            return a;
        }
        if (a.kind == K::Int) {
            return op == Op::Abs ? Value::ofInt(magnitude(a.i)) : a;
        }
        const double r = op == Op::Abs ? std::fabs(a.d) : std::floor(a.d);
        if (op == Op::Floor && std::fabs(r) < kTwo53) {
            return Value::ofInt(static_cast<Int>(r));
        }
        return Value::ofReal(r);
    }
    if (a.kind == K::Empty || (op != Op::Negate && b.kind == K::Empty)) {
        return Value::empty();
    }
    if (op == Op::IntDivide || op == Op::Modulo) {
        Int x = 0;
        Int y = 0;
        if (!asInteger(a, x) || !asInteger(b, y)) {
            return Value::empty(); // an operand beyond exact range has no knowable remainder
        }
        if (y == 0) {
            return Value::empty();
        }
        // C++ division truncates toward zero, so the remainder keeps the dividend's sign, as MOD does.
        return Value::ofInt(op == Op::Modulo ? x % y : x / y);
    }
    if (a.kind == K::Inexact || (op != Op::Negate && b.kind == K::Inexact)) {
        return Value::inexact();
    }
    if (a.kind == K::Int && (op == Op::Negate || b.kind == K::Int)) {
        Int r = 0;
        switch (op) {
        case Op::Negate:
            return Value::ofInt(-a.i);
        case Op::Add:
            return __builtin_add_overflow(a.i, b.i, &r) ? Value::inexact() : Value::ofInt(r);
        case Op::Subtract:
            return __builtin_sub_overflow(a.i, b.i, &r) ? Value::inexact() : Value::ofInt(r);
        case Op::Multiply:
            return __builtin_mul_overflow(a.i, b.i, &r) ? Value::inexact() : Value::ofInt(r);
        case Op::Divide:
            if (b.i == 0) {
                return Value::empty();
            }
            if (a.i % b.i == 0) {
                return Value::ofInt(a.i / b.i);
            }
            break; // a real quotient
        default:
            return Value::inexact();
        }
    }
    double x = 0.0;
    double y = 0.0;
    if (!asReal(a, x) || (op != Op::Negate && !asReal(b, y))) {
        return Value::inexact();
    }
    switch (op) {
    case Op::Negate:
        return Value::ofReal(-x);
    case Op::Add:
        return Value::ofReal(x + y);
    case Op::Subtract:
        return Value::ofReal(x - y);
    case Op::Multiply:
        return Value::ofReal(x * y);
    case Op::Divide:
        return y == 0.0 ? Value::empty() : Value::ofReal(x / y);
    default:
        return Value::inexact();
    }
}

// A number literal: digits, optionally a fraction. Integers are kept exactly up to 38 digits.
inline Value ofLiteral(QStringView text, double asDouble)
{
    Int v = 0;
    bool integral = true;
    for (const QChar c : text) {
        const int digit = c.unicode() - '0';
        if (digit < 0 || digit > 9) {
            integral = false;
            break;
        }
        if (__builtin_mul_overflow(v, Int{10}, &v) || __builtin_add_overflow(v, Int{digit}, &v)) {
            return Value::inexact();
        }
    }
    return integral ? Value::ofInt(v) : Value::ofReal(asDouble);
}

} // namespace korvel::exact
