#pragma once

#include "search/Candidate.h"

#include <cstdint>
#include <vector>

namespace korvel {

// "穷举上限": a space of at most this many candidates is enumerated, a larger one sampled.
inline constexpr std::uint64_t kDefaultExhaustiveLimit = 50'000'000;

// The distinct candidates a candidate rule allows: every multiset of `operandCount` operand codes (a sum
// does not depend on the order of its terms, so A+B and B+A are one candidate) with every tail constant
// the rule can give (one in mode 指定, the ten digits in mode 随机).
//
// The fixed order of the enumeration: operand codes non-decreasing, the last operand varying fastest,
// and within one multiset the constants in increasing order. Value type, cheap to copy.
class CandidateSpace {
public:
    CandidateSpace() = default;
    explicit CandidateSpace(const CandidateRule& rule);

    int operandCount() const { return m_operands; }
    int alphabet() const { return m_alphabet; }
    const std::vector<std::int16_t>& constants() const { return m_constants; }

    // The number of candidates; saturates at UINT64_MAX (a space that large is sampled anyway).
    std::uint64_t size() const { return m_size; }
    // The same as a double, for spaces beyond 64 bits (shown rounded).
    double approximateSize() const { return m_approximate; }

    // An exhaustive walk: the candidate to build next, and the count already built.
    struct Cursor {
        Candidate next;
        int constantIndex = 0;
        std::uint64_t position = 0;
        bool done = false;
    };
    Cursor begin() const;
    // Moves to the next candidate of the order (done after the last one).
    void advance(Cursor& cursor) const;

    // An identity of a candidate that does not depend on the order of its operands (for de-duplication).
    static std::uint64_t key(const Candidate& c);

    friend bool operator==(const CandidateSpace& a, const CandidateSpace& b)
    {
        return a.m_operands == b.m_operands && a.m_alphabet == b.m_alphabet && a.m_constants == b.m_constants;
    }

private:
    int m_operands = 0;
    int m_alphabet = 0;
    std::vector<std::int16_t> m_constants;
    std::uint64_t m_size = 0;
    double m_approximate = 0;
};

// The 64-bit keys of the candidates a sampled search has tried: an open-addressing set that grows up to a
// fixed number of keys (about 4 million, 64 MB), after which it stops recording and the search reports
// its measured repeat rate instead of excluding repeats.
class TriedSet {
public:
    static constexpr std::size_t kMaxKeys = std::size_t{1} << 22;

    // True when the key was not there (and is now, unless the set is full).
    bool insert(std::uint64_t key);
    std::size_t size() const { return m_size; }
    bool full() const { return m_size >= kMaxKeys; }

private:
    void grow();
    std::vector<std::uint64_t> m_slots; // 0 marks an empty slot; key 0 is stored as 1
    std::size_t m_size = 0;
};

// Where one stretch of a search stands in its space: the enumeration's cursor, or the keys a sampled
// search has tried. Owned by a job, changed by the runner under its lock as candidates are handed to the
// job, so that pausing and starting again continues where it stood.
struct SpaceProgress {
    CandidateSpace space;
    bool exhaustive = false;
    CandidateSpace::Cursor cursor; // exhaustive: the next candidate to hand over
    TriedSet tried;                // sampled: the distinct candidates handed over
    std::uint64_t covered = 0;     // distinct candidates handed over
    std::uint64_t repeats = 0;     // sampled draws that repeated a candidate already tried (skipped)
    std::uint64_t untracked = 0;   // sampled draws made after the tried set was full

    SpaceProgress() = default;
    SpaceProgress(const CandidateSpace& s, std::uint64_t exhaustiveLimit)
        : space(s), exhaustive(s.size() <= exhaustiveLimit), cursor(s.begin())
    {
    }
    bool complete() const { return exhaustive ? cursor.done : covered >= space.size(); }
    // The share of the space covered, 0..1.
    double share() const;
};

// "已检索 12.5% (375 / 3003)" or, for a space that is sampled, "已抽样 0.0001% (…)" with the repeat rate
// once repeats can no longer be excluded.
QString spaceProgressText(const SpaceProgress& p);
// "3003" or, beyond 10^15, "约 4.3e+10".
QString spaceSizeText(const CandidateSpace& s);

} // namespace korvel
