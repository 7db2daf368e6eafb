#pragma once

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>

namespace korvel {

// The shapes a three-digit number is read by in the trend chart and in the bet filters. Digits are given in
// position order 百位, 十位, 个位.

// "组选形态": 豹子 (three alike), 组三 (two alike), 组六 (three different).
enum class GroupForm : std::uint8_t { Triple, Pair, Distinct };
constexpr int kGroupForms = 3;

constexpr GroupForm groupFormOf(int a, int b, int c)
{
    if (a == b && b == c) {
        return GroupForm::Triple;
    }
    return a == b || b == c || a == c ? GroupForm::Pair : GroupForm::Distinct;
}

inline QString groupFormName(GroupForm form)
{
    switch (form) {
    case GroupForm::Triple:
        return QStringLiteral("豹子");
    case GroupForm::Pair:
        return QStringLiteral("组三");
    default:
        return QStringLiteral("组六");
    }
}

// "012路": the remainder of a digit divided by 3.
constexpr int roadOf(int digit)
{
    return digit % 3;
}

// "大中小" of one digit: 小 0-2, 中 3-6, 大 7-9 (index 0 大, 1 中, 2 小, as the chart lists them).
constexpr int sizeClassOf(int digit)
{
    return digit >= 7 ? 0 : digit >= 3 ? 1 : 2;
}

inline QString sizeClassName(int sizeClass)
{
    switch (sizeClass) {
    case 0:
        return QStringLiteral("大");
    case 1:
        return QStringLiteral("中");
    default:
        return QStringLiteral("小");
    }
}

// 奇偶比, 大小比 (big = 5-9) and 质合比 count the digits of one kind among the three. The primes of the game
// are 1, 2, 3, 5, 7: players count 1 as a prime digit, 0 as composite.
constexpr bool isOddDigit(int d)
{
    return d % 2 == 1;
}
constexpr bool isBigDigit(int d)
{
    return d >= 5;
}
constexpr bool isPrimeDigit(int d)
{
    return d == 1 || d == 2 || d == 3 || d == 5 || d == 7;
}

} // namespace korvel
