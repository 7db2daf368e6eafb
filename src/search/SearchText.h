#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace korvel {

// Number texts of the search window's fields.

// True when the whole text (blanks around it allowed) is one number: an optional sign, digits with at most
// one decimal point, and an optional exponent ("12", "-4.5", " 1e3 "). Letters, an empty text or a lone
// sign are not numbers.
bool isNumericText(QStringView text);

// The value of a numeric text (isNumericText), else nullopt.
std::optional<double> numericValue(QStringView text);

// The shortest decimal text that reads back as the same single-precision value, never in exponent form
// ("94.6", "32768", "0.0001"): how a threshold held as a float is shown in its field.
QString floatText(float value);

// The shortest decimal text of a double that reads back as the same value, never in exponent form.
QString numberText(double value);

} // namespace korvel
