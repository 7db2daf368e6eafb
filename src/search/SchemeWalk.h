#pragma once

#include "search/SearchKind.h"
#include "search/SearchSettings.h"

#include <array>
#include <optional>

namespace korvel {

// The walk of the automatic scheme over the kinds 1, 2, 3, 5, 6 (kind 4 is never searched; 7 = finished).
// Each kind gets a target when it becomes current: in 新增 mode its quota, in 保有 mode its quota minus the
// formulas its table already holds. A kind whose quota is not a number, or whose target is not positive,
// is skipped: marked done without a candidate. The current kind's label shows red, finished kinds blue.
class SchemeWalk {
public:
    enum class Mark { None, Current, Done };

    // existing: formula counts of the tables, by kind number - 1, taken when the scheme starts.
    SchemeWalk(const SchemeSettings& scheme, const KindCounts& existing);

    int kind() const { return m_kind; }
    bool finished() const { return m_kind >= kSchemeFinished; }
    // Target of the current kind (positive), or nullopt when finished.
    std::optional<double> target() const;
    int foundForKind() const { return m_foundForKind; }
    Mark mark(int kindNumber) const { return m_marks[static_cast<std::size_t>(kindNumber - 1)]; }

    // A formula was accepted for the current kind. True when that completes the kind: it is marked done
    // and the walk has moved on (past any kinds that need nothing).
    bool accept();
    // The current kind's candidates are all tried before its target was reached: it is marked done and
    // the walk moves on.
    void exhaustKind();

    // The target a kind would get (nullopt: skipped).
    std::optional<double> targetOf(int kindNumber) const;

private:
    void settle(); // skips kinds that need nothing, marks the current kind
    void advance();

    SchemeSettings m_scheme;
    KindCounts m_existing{};
    int m_kind = 1;
    int m_foundForKind = 0;
    std::array<Mark, 7> m_marks{};
};

} // namespace korvel
