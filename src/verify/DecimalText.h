#pragma once

#include <QString>

#include <optional>

namespace korvel {

// A number with `decimals` places (at least 1), left-padded with zeros to `width` characters, as
// QString::asprintf("%0<width>.<decimals>f") writes it: the exact decimal expansion rounded half up.
// Without the locale machinery of asprintf, which a printed list of tens of thousands of rows notices.
// Empty where this form does not apply (a negative, non-finite or huge value): the caller formats those.
std::optional<QString> fixedText(double value, int decimals, int width = 0, const char* prefix = "",
                                 const char* suffix = "");

} // namespace korvel
