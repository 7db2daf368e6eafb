#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace korvel {

// A stored parameter of a draw, named without the parameter table: what a file that passes parameters
// around, keeps them in a member or looks them up by code or vocabulary number needs. Only the files that
// name a parameter (Param::L1A), count them (kParamCount) or hold a draw's values (DrawParams) include the
// table itself (history/Param.h), so that a change to the table rebuilds those files alone.
enum class Param : std::uint8_t;
// The values of every parameter of one draw (history/Param.h).
struct DrawParams;

constexpr int paramIndex(Param p)
{
    return static_cast<int>(p);
}
constexpr Param paramAt(int index)
{
    return static_cast<Param>(index);
}

// Column code ("L1A" ... "NFW").
const char* paramCode(Param p);
// Column codes compare as the database compares column names: without regard to case.
std::optional<Param> paramFromCode(QStringView code);

// The parameter vocabulary: numbers 1..kParamCount with their code and Chinese name.
Param vocabularyParam(int number);
QString vocabularyName(int number);
std::optional<int> vocabularyNumberOfName(QStringView name);

} // namespace korvel
