#pragma once

#include <QString>

namespace korvel {

// The words of a formula line as the player typed them, for messages. The compiler sees the translated
// expression and names its faults in column codes ("L1吗"); a player who typed "百位吗" should read that.

// The operand of the line's expression whose translation holds `translatedPart` ("百位吗" for "L1吗" in
// "百位吗+3=下期杀 十位单选"), or empty when no operand does.
QString typedWordsOf(const QString& line, const QString& translatedPart);

// `message` with `translatedPart` replaced by the words typed, when they can be found; else unchanged.
QString inTypedWords(const QString& message, const QString& line, const QString& translatedPart);

} // namespace korvel
