#pragma once

#include "history/NumberShape.h"

#include <QString>

#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

namespace korvel {

// The 缩水 filters of a bet list. Each is on or off (its values are kept while it is off, so that the window
// can switch it back on); the list keeps a number only when every filter that is on lets it through.
// A filter reads a number's digits regardless of their order except 012路, whose pattern names the 百位, 十位
// and 个位 remainders; for a 组选 set it passes when some order of the set's digits matches a pattern.
struct BetFilters {
    template <std::size_t N> struct Choice {
        bool on = false;
        std::bitset<N> values; // the values let through
        friend bool operator==(const Choice&, const Choice&) = default;
    };
    Choice<28> sum;           // 和值 0..27
    Choice<10> span;          // 跨度 0..9
    Choice<kGroupForms> form; // 形态: bit 0 豹子, 1 组三, 2 组六
    struct Dan {
        bool on = false;
        std::bitset<10> digits;
        bool all = false; // false: at least one of the digits, true: every one of them
        friend bool operator==(const Dan&, const Dan&) = default;
    } dan;
    Choice<4> oddCount;   // 奇偶比 by the number of odd digits (2:1 is 2)
    Choice<4> bigCount;   // 大小比 by the number of big digits 5-9
    Choice<4> primeCount; // 质合比 by the number of prime digits 1 2 3 5 7
    Choice<27> road;      // 012路 patterns, index r1*9 + r2*3 + r3
    struct Recent {
        bool on = false;
        int draws = 0; // exclude the numbers drawn in the newest K draws
        friend bool operator==(const Recent&, const Recent&) = default;
    } recent;

    bool anyOn() const;
    friend bool operator==(const BetFilters&, const BetFilters&) = default;
};

// The texts of the filters, as the window's fields and the command line take them. Each parser returns the
// values, or nullopt with the reason in *error.
//   values   "10-12", "3,5,8", "0-3,7" (whole numbers in [min, max])
//   digits   "1,2" or "12"
//   ratio    "2:1" or "2:1,1:2" (first:second, summing to 3): the counts of the first kind
//   roads    "012" or "012,120"; "*" stands for any remainder at its position ("0*2")
std::optional<std::vector<int>> parseValueList(const QString& text, int min, int max, QString* error);
std::optional<std::bitset<10>> parseDigitSet(const QString& text, QString* error);
std::optional<std::bitset<4>> parseRatioSet(const QString& text, QString* error);
std::optional<std::bitset<27>> parseRoadPatterns(const QString& text, QString* error);
std::optional<GroupForm> parseGroupForm(const QString& text);

// The reverse, for showing a saved set: "10-12,15", "12", "2:1,1:2", "012,120".
QString valueListText(const std::vector<int>& values);
QString digitSetText(const std::bitset<10>& digits);
QString ratioSetText(const std::bitset<4>& counts);
QString roadPatternsText(const std::bitset<27>& patterns);

template <std::size_t N> std::vector<int> valuesOf(const std::bitset<N>& set)
{
    std::vector<int> out;
    for (std::size_t i = 0; i < N; ++i) {
        if (set.test(i)) {
            out.push_back(static_cast<int>(i));
        }
    }
    return out;
}

// One filter set as text (JSON) for the settings store, and back; nullopt for text that is not one.
QString filtersToText(const BetFilters& filters);
std::optional<BetFilters> filtersFromText(const QString& text);

} // namespace korvel
