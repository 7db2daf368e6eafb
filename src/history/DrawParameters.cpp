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

DrawParams computeDrawParameters(Digits draw, Digits previous, const IssueDate& when)
{
    DrawParams out{};
    auto set = [&out](Param p, int v) { out[paramIndex(p)] = static_cast<std::int16_t>(v); };
    const int d[3] = {draw.d1, draw.d2, draw.d3};
    const int prev[3] = {previous.d1, previous.d2, previous.d3};

    // Per-position families in vocabulary order: position p of family f is number first + p (names as in
    // history/Param.cpp: 码, 大小, 单双, 5余, 3余, 5段, 平方, 互补数, 2指数方, 立方, 邻号和, 邻号差).
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

    int remainder5Counts[5] = {};
    int remainder3Counts[3] = {};
    int sum = 0, primeCount = 0, primeSum = 0, compositeCount = 0, compositeSum = 0;
    int bigCount = 0, bigSum = 0, smallCount = 0, smallSum = 0, oddCount = 0, oddSum = 0, evenCount = 0, evenSum = 0;
    int smallest = 9, largest = 0, maxStep = 0, equalPairs = 0, upPairs = 0, downPairs = 0;
    int samePosition = 0, inPrevious = 0;
    bool seen[10] = {};

    for (int p = 0; p < 3; ++p) {
        const int v = d[p];
        seen[v] = true;
        smallest = std::min(smallest, v);
        largest = std::max(largest, v);
        if (p > 0) {
            maxStep = std::max(maxStep, std::abs(v - d[p - 1]));
            equalPairs += v == d[p - 1];
            upPairs += v == d[p - 1] + 1;
            downPairs += d[p - 1] == v + 1;
        }
        if (isPrime(v)) {
            ++primeCount;
            primeSum += v;
        } else if (v != 1) {
            ++compositeCount;
            compositeSum += v;
        }
        if (v > 4) {
            ++bigCount;
            bigSum += v;
        } else {
            ++smallCount;
            smallSum += v;
        }
        if (v % 2 == 1) {
            ++oddCount;
            oddSum += v;
        } else {
            ++evenCount;
            evenSum += v;
        }
        set(digitParams[p], v);
        set(bigSmallParams[p], v > 4 ? 1 : 0);
        set(oddEvenParams[p], v % 2);
        set(remainder5Params[p], v % 5);
        set(remainder3Params[p], v % 3);
        set(segment5Params[p], v / 2 + 1);
        set(squareParams[p], v * v);
        set(complementParams[p], 9 - v);
        set(powerOfTwoParams[p], 1 << v);
        set(cubeParams[p], v * v * v);
        ++remainder5Counts[v % 5];
        ++remainder3Counts[v % 3];
        sum += v;
        samePosition += v == prev[p];
        inPrevious += (v == prev[0] || v == prev[1] || v == prev[2]);
    }

    set(neighbourSumParams[0], d[1] + d[2]);
    set(neighbourSumParams[1], d[0] + d[2]);
    set(neighbourSumParams[2], d[0] + d[1]);
    set(neighbourGapParams[0], std::abs(d[2] - d[1]));
    set(neighbourGapParams[1], std::abs(d[0] - d[2]));
    set(neighbourGapParams[2], std::abs(d[1] - d[0]));

    set(Param::L1H, remainder5Counts[1]);
    set(Param::L2H, remainder5Counts[2]);
    set(Param::L3H, remainder5Counts[3]);
    set(Param::L4H, remainder5Counts[4]);
    set(Param::L5H, remainder5Counts[0]);
    set(Param::L1L, remainder3Counts[1]);
    set(Param::L2L, remainder3Counts[2]);
    set(Param::L3L, remainder3Counts[0]);

    set(Param::L1M, maxStep);
    set(Param::L2M, primeCount);
    set(Param::L3M, primeSum);
    set(Param::L4M, compositeCount);
    set(Param::L5M, compositeSum);

    int distinct = 0;
    for (bool s : seen) {
        distinct += s;
    }
    set(Param::LH, sum);
    set(Param::LI, sum % 10);
    set(Param::LJ, bigCount);
    set(Param::LK, bigSum);
    set(Param::LL, smallCount);
    set(Param::LM, smallSum);
    set(Param::LN, oddCount);
    set(Param::LO, oddSum);
    set(Param::LP, evenCount);
    set(Param::LQ, evenSum);
    set(Param::LR, distinct);
    set(Param::LS, 3 - distinct);
    set(Param::LT, largest - smallest);
    set(Param::LU, equalPairs);
    set(Param::LV, upPairs);
    set(Param::LW, downPairs);
    set(Param::LX, samePosition);
    set(Param::LY, inPrevious);

    set(Param::QH, when.qh);
    set(Param::QHW, digitSum(when.qh));
    set(Param::SQH, when.sqh);
    set(Param::SQHW, digitSum(when.sqh));
    set(Param::NF, when.year);
    set(Param::NFW, digitSum(when.year));
    set(Param::YF, when.month);
    set(Param::YFW, when.month % 10 + when.month / 10);
    set(Param::RQ, when.day);
    set(Param::RQW, when.day % 10 + when.day / 10);
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
