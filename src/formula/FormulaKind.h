#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace korvel {

// Play of a formula kind: 单选 (table letter "D", judged on its own position) or 通选 ("G", judged on
// several positions).
enum class Play : std::uint8_t { Single, Group };

// A formula kind: a position (个位 1, 十位 2, 百位 3) and a play. Five kinds exist; 个位 has no group play.
struct FormulaKind {
    int position = 3;
    Play play = Play::Single;

    bool valid() const { return position >= 1 && position <= 3 && !(position == 1 && play == Play::Group); }
    // "Gongshi" + position + play letter, e.g. "Gongshi2D".
    QString tableName() const;
    // Position word + play word, e.g. "百位单选".
    QString label() const;
    // Short name used by the command line: "1D", "2D", "3D", "2G", "3G".
    QString shortName() const;

    // Accepts "1D", "Gongshi1D" or a label such as "百位单选".
    static std::optional<FormulaKind> parse(const QString& text);

    friend bool operator==(const FormulaKind&, const FormulaKind&) = default;
};

inline constexpr std::array<FormulaKind, 5> kAllKinds = {
    FormulaKind{1, Play::Single}, FormulaKind{2, Play::Single}, FormulaKind{3, Play::Single},
    FormulaKind{2, Play::Group},  FormulaKind{3, Play::Group},
};

// Position word of a position number: 1 "个位", 2 "十位", 3 "百位".
QString positionWord(int position);
// Play word: "单选" / "通选".
QString playWord(Play play);
// Sense caption: "杀" for kill, "生" for keep.
QString senseWord(bool kill);

} // namespace korvel
