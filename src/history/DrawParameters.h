#pragma once

#include "history/ParamId.h"

#include <QStringView>

namespace korvel {

// The three digits of a draw: d1 = 百位, d2 = 十位, d3 = 个位.
struct Digits {
    int d1 = 0;
    int d2 = 0;
    int d3 = 0;
    friend bool operator==(const Digits&, const Digits&) = default;
};

// Issue and date inputs of the parameter computation, already taken apart.
struct IssueDate {
    int qh = 0;  // sequence number of the following issue
    int sqh = 0; // this draw's own sequence number
    int year = 0;
    int month = 0;
    int day = 0;
};

// All 77 parameters of a draw from its digits, the previous draw's digits (0, 0, 0 when there is none) and
// its issue and date values. Pure: nothing carries over between calls.
DrawParams computeDrawParameters(Digits draw, Digits previous, const IssueDate& when);

// Issue and date values of a typed draw: the sequence number is the issue's last three characters, the
// next one wraps to 1 after 358; the date is "YYYY-MM-DD" read at its fixed character positions.
// A part that does not read as a number gives 0.
IssueDate issueDateFromText(QStringView issue, QStringView date);

// The same rule from the sequence number and a date already taken apart (the draw file import).
IssueDate issueDateOfTypedSequence(int sequence, int year, int month, int day);

// Issue and date values of a downloaded draw with sequence number k: both sequence values are taken
// modulo 358 so that a 359th draw of a year still gets values in range. The online update's rule only.
IssueDate issueDateFromSequence(int k, int year, int month, int day);

} // namespace korvel
