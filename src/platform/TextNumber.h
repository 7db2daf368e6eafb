#pragma once

#include <QStringView>

namespace korvel {

// The numeric value of a text the way the user's numbers have always been read: leading blanks skipped,
// then an optional sign, digits and one decimal point; reading stops at the first other character.
// A text that starts with no number reads as 0 ("12ab" is 12, "ab" is 0, "" is 0).
double textValue(QStringView text);

// True when the text starts with a number in the sense of textValue (after leading blanks).
bool startsWithNumber(QStringView text);

} // namespace korvel
