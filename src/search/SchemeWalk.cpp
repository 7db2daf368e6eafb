#include "search/SchemeWalk.h"

#include "search/SearchKind.h"
#include "search/SearchText.h"

namespace korvel {

SchemeWalk::SchemeWalk(const SchemeSettings& scheme, const KindCounts& existing)
    : m_scheme(scheme), m_existing(existing)
{
    settle();
}

std::optional<double> SchemeWalk::targetOf(int kindNumber) const
{
    if (!formulaKindOf(kindNumber)) {
        return std::nullopt;
    }
    const std::optional<double> quota = numericValue(m_scheme.quota(kindNumber));
    if (!quota) {
        return std::nullopt;
    }
    const double target =
        m_scheme.mode == QuotaMode::Add ? *quota : *quota - m_existing[static_cast<std::size_t>(kindNumber - 1)];
    // A target of 0 or less asks for nothing, in either mode.
    if (!(target > 0)) {
        return std::nullopt;
    }
    return target;
}

std::optional<double> SchemeWalk::target() const
{
    return finished() ? std::nullopt : targetOf(m_kind);
}

void SchemeWalk::advance()
{
    m_marks[static_cast<std::size_t>(m_kind - 1)] = Mark::Done;
    m_kind = nextSchemeKind(m_kind);
    m_foundForKind = 0;
}

void SchemeWalk::settle()
{
    while (!finished() && !targetOf(m_kind)) {
        advance();
    }
    if (!finished()) {
        m_marks[static_cast<std::size_t>(m_kind - 1)] = Mark::Current;
    }
}

void SchemeWalk::exhaustKind()
{
    if (!finished()) {
        advance();
        settle();
    }
}

bool SchemeWalk::accept()
{
    if (finished()) {
        return false;
    }
    ++m_foundForKind;
    if (*targetOf(m_kind) <= m_foundForKind) {
        advance();
        settle();
        return true;
    }
    return false;
}

} // namespace korvel
