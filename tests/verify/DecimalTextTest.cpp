#include "verify/DecimalText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace korvel {
namespace {

// Values a list prints (rates, baselines, excesses, probabilities), exact halves at the fourth place
// (k / 2^m), values a hair either side of a half, and the ends of the range.
std::vector<double> printedValues()
{
    std::vector<double> v = {0.0, 1e-9,    0.00004,  0.00005, 0.00015,  0.03125,         0.5,
                             1.0, 9.99995, 99.99995, 100.0,   86.53125, 12345.678949999, 999999999.99995};
    for (int m = 5; m <= 12; ++m) {
        for (int k = 1; k < 64; k += 3) {
            v.push_back(std::ldexp(static_cast<double>(k), -m));
            v.push_back(std::ldexp(static_cast<double>(k), -m) * 100.0);
        }
    }
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 20000; ++i) {
        const double x = unit(rng);
        v.push_back(x);
        v.push_back(x * 100.0);
        v.push_back(std::nextafter(std::round(x * 20000.0) / 20000.0, 0.0)); // just below a half
        v.push_back(std::nextafter(std::round(x * 20000.0) / 20000.0, 1.0)); // just above
    }
    return v;
}

TEST(DecimalText, WritesWhatAsprintfWritesForEveryPrintedForm)
{
    for (const double x : printedValues()) {
        ASSERT_EQ(*fixedText(x, 4), QString::asprintf("%.4f", x)) << x;
        ASSERT_EQ(*fixedText(x, 4, 7, "", "%"), QString::asprintf("%07.4f%%", x)) << x;
        ASSERT_EQ(*fixedText(x, 4, 0, "+"), QString::asprintf("%+.4f", x)) << x;
        if (x >= 0.0001) { // a negative that rounds to zero keeps asprintf's own sign (excessText)
            ASSERT_EQ(*fixedText(x, 4, 0, "-"), QString::asprintf("%+.4f", -x)) << x;
        }
        ASSERT_EQ(*fixedText(x, 1), QString::asprintf("%.1f", x)) << x;
    }
}

TEST(DecimalText, LeavesToTheCallerWhatItDoesNotWrite)
{
    EXPECT_FALSE(fixedText(-0.5, 4));
    EXPECT_FALSE(fixedText(std::nan(""), 4));
    EXPECT_FALSE(fixedText(INFINITY, 4));
    EXPECT_FALSE(fixedText(1e15, 4));
    EXPECT_FALSE(fixedText(1.0, 0));
}

} // namespace
} // namespace korvel
