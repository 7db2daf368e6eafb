#include "history/DrawParameters.h"
#include "history/Param.h"

#include <QString>

#include <algorithm>
#include <cstdlib>

namespace korvel {

namespace {

int digitSum(int value)
{
    value = std::abs(value);
    int sum = 0;
    while (value > 0) {
        sum += value % 10;
        value /= 10;
    }
    return sum;
}

bool isPrime(int d)
{
    return d == 2 || d == 3 || d == 5 || d == 7;
}

int numberOr0(QStringView text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

} // namespace

namespace {

void set(DrawParams& out, Param p, int v)
{
    out[paramIndex(p)] = static_cast<std::int16_t>(v);
}

// Per-position families in vocabulary order: position p of family f is number first + p (names as in
// history/Param.cpp: 码, 大小, 单双, 5余, 3余, 5段, 平方, 互补数, 2指数方, 立方, 邻号和, 邻号差).
void setPositionParams(DrawParams& out, const int (&d)[3])
{
    static constexpr Param digitParams[3] = {Param::L1A, Param::L2A, Param::L3A};
    static constexpr Param bigSmallParams[3] = {Param::L1B, Param::L2B, Param::L3B};
    static constexpr Param oddEvenParams[3] = {Param::L1C, Param::L2C, Param::L3C};
    static constexpr Param remainder5Params[3] = {Param::L1D, Param::L2D, Param::L3D};
    static constexpr Param remainder3Params[3] = {Param::L1E, Param::L2E, Param::L3E};
    static constexpr Param segment5Params[3] = {Param::L1F, Param::L2F, Param::L3F};
    static constexpr Param squareParams[3] = {Param::L1G, Param::L2G, Param::L3G};
    static constexpr Param complementParams[3] = {Param::L1I, Param::L2I, Param::L3I};
    static constexpr Param powerOfTwoParams[3] = {Param::L1J, Param::L2J, Param::L3J};
    static constexpr Param cubeParams[3] = {Param::L1K, Param::L2K, Param::L3K};
    static constexpr Param neighbourSumParams[3] = {Param::L1P, Param::L2P, Param::L3P};
    static constexpr Param neighbourGapParams[3] = {Param::L1Q, Param::L2Q, Param::L3Q};
    for (int p = 0; p < 3; ++p) {
        const int v = d[p];
        set(out, digitParams[p], v);
        set(out, bigSmallParams[p], v > 4 ? 1 : 0);
        set(out, oddEvenParams[p], v % 2);
        set(out, remainder5Params[p], v % 5);
        set(out, remainder3Params[p], v % 3);
        set(out, segment5Params[p], v / 2 + 1);
        set(out, squareParams[p], v * v);
        set(out, complementParams[p], 9 - v);
        set(out, powerOfTwoParams[p], 1 << v);
        set(out, cubeParams[p], v * v * v);
    }
    set(out, neighbourSumParams[0], d[1] + d[2]);
    set(out, neighbourSumParams[1], d[0] + d[2]);
    set(out, neighbourSumParams[2], d[0] + d[1]);
    set(out, neighbourGapParams[0], std::abs(d[2] - d[1]));
    set(out, neighbourGapParams[1], std::abs(d[0] - d[2]));
    set(out, neighbourGapParams[2], std::abs(d[1] - d[0]));
}

// Counts and sums over the three digits, and how they relate to each other and to the draw before.
struct DigitTotals {
    int remainder5Counts[5] = {};
    int remainder3Counts[3] = {};
    int sum = 0, primeCount = 0, primeSum = 0, compositeCount = 0, compositeSum = 0;
    int bigCount = 0, bigSum = 0, smallCount = 0, smallSum = 0, oddCount = 0, oddSum = 0, evenCount = 0, evenSum = 0;
    int smallest = 9, largest = 0, maxStep = 0, equalPairs = 0, upPairs = 0, downPairs = 0;
    int samePosition = 0, inPrevious = 0, distinct = 0;
};

DigitTotals digitTotals(const int (&d)[3], const int (&prev)[3])
{
    DigitTotals t;
    bool seen[10] = {};
    for (int p = 0; p < 3; ++p) {
        const int v = d[p];
        seen[v] = true;
        t.smallest = std::min(t.smallest, v);
        t.largest = std::max(t.largest, v);
        if (p > 0) {
            t.maxStep = std::max(t.maxStep, std::abs(v - d[p - 1]));
            t.equalPairs += v == d[p - 1];
            t.upPairs += v == d[p - 1] + 1;
            t.downPairs += d[p - 1] == v + 1;
        }
        if (isPrime(v)) {
            ++t.primeCount;
            t.primeSum += v;
        } else if (v != 1) {
            ++t.compositeCount;
            t.compositeSum += v;
        }
        (v > 4 ? t.bigCount : t.smallCount) += 1;
        (v > 4 ? t.bigSum : t.smallSum) += v;
        (v % 2 == 1 ? t.oddCount : t.evenCount) += 1;
        (v % 2 == 1 ? t.oddSum : t.evenSum) += v;
        ++t.remainder5Counts[v % 5];
        ++t.remainder3Counts[v % 3];
        t.sum += v;
        t.samePosition += v == prev[p];
        t.inPrevious += (v == prev[0] || v == prev[1] || v == prev[2]);
    }
    for (bool s : seen) {
        t.distinct += s;
    }
    return t;
}

void setTotalParams(DrawParams& out, const DigitTotals& t)
{
    set(out, Param::L1H, t.remainder5Counts[1]);
    set(out, Param::L2H, t.remainder5Counts[2]);
    set(out, Param::L3H, t.remainder5Counts[3]);
    set(out, Param::L4H, t.remainder5Counts[4]);
    set(out, Param::L5H, t.remainder5Counts[0]);
    set(out, Param::L1L, t.remainder3Counts[1]);
    set(out, Param::L2L, t.remainder3Counts[2]);
    set(out, Param::L3L, t.remainder3Counts[0]);

    set(out, Param::L1M, t.maxStep);
    set(out, Param::L2M, t.primeCount);
    set(out, Param::L3M, t.primeSum);
    set(out, Param::L4M, t.compositeCount);
    set(out, Param::L5M, t.compositeSum);

    set(out, Param::LH, t.sum);
    set(out, Param::LI, t.sum % 10);
    set(out, Param::LJ, t.bigCount);
    set(out, Param::LK, t.bigSum);
    set(out, Param::LL, t.smallCount);
    set(out, Param::LM, t.smallSum);
    set(out, Param::LN, t.oddCount);
    set(out, Param::LO, t.oddSum);
    set(out, Param::LP, t.evenCount);
    set(out, Param::LQ, t.evenSum);
    set(out, Param::LR, t.distinct);
    set(out, Param::LS, 3 - t.distinct);
    set(out, Param::LT, t.largest - t.smallest);
    set(out, Param::LU, t.equalPairs);
    set(out, Param::LV, t.upPairs);
    set(out, Param::LW, t.downPairs);
    set(out, Param::LX, t.samePosition);
    set(out, Param::LY, t.inPrevious);
}

void setDateParams(DrawParams& out, const IssueDate& when)
{
    set(out, Param::QH, when.qh);
    set(out, Param::QHW, digitSum(when.qh));
    set(out, Param::SQH, when.sqh);
    set(out, Param::SQHW, digitSum(when.sqh));
    set(out, Param::NF, when.year);
    set(out, Param::NFW, digitSum(when.year));
    set(out, Param::YF, when.month);
    set(out, Param::YFW, when.month % 10 + when.month / 10);
    set(out, Param::RQ, when.day);
    set(out, Param::RQW, when.day % 10 + when.day / 10);
}

} // namespace

DrawParams computeDrawParameters(Digits draw, Digits previous, const IssueDate& when)
{
    DrawParams out{};
    const int d[3] = {draw.d1, draw.d2, draw.d3};
    const int prev[3] = {previous.d1, previous.d2, previous.d3};
    setPositionParams(out, d);
    setTotalParams(out, digitTotals(d, prev));
    setDateParams(out, when);
    return out;
}

IssueDate issueDateFromText(QStringView issue, QStringView date)
{
    return issueDateOfTypedSequence(numberOr0(issue.right(3)), numberOr0(date.mid(0, 4)), numberOr0(date.mid(5, 2)),
                                    numberOr0(date.mid(8, 2)));
}

IssueDate issueDateOfTypedSequence(int sequence, int year, int month, int day)
{
    IssueDate when;
    when.sqh = sequence;
    when.qh = sequence == 358 ? 1 : sequence + 1;
    when.year = year;
    when.month = month;
    when.day = day;
    return when;
}

IssueDate issueDateFromSequence(int k, int year, int month, int day)
{
    IssueDate when;
    when.qh = k % 358 + 1;
    when.sqh = (k - 1) % 358 + 1;
    when.year = year;
    when.month = month;
    when.day = day;
    return when;
}

} // namespace korvel
