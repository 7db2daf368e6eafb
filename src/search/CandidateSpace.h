#pragma once

#include "search/Candidate.h"

#include <array>
#include <cstdint>
#include <vector>

namespace korvel {

// "穷举上限": a space of at most this many candidates is enumerated, a larger one sampled.
inline constexpr std::uint64_t kDefaultExhaustiveLimit = 50'000'000;

namespace spacekey {
// splitmix64's finaliser: a bijection of 64-bit numbers that spreads every input bit.
constexpr std::uint64_t mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
// One mixed number per operand code (0 unused): the terms of CandidateSpace::key().
inline constexpr std::array<std::uint64_t, operandAlphabet(kMaxLag) + 1> kOperandKeys = [] {
    std::array<std::uint64_t, operandAlphabet(kMaxLag) + 1> keys{};
    for (std::size_t code = 0; code < keys.size(); ++code) {
        keys[code] = mix(0x9E3779B97F4A7C15ull * (code + 1));
    }
    return keys;
}();
} // namespace spacekey

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

    // An identity of a candidate that does not depend on the order of its operands (for de-duplication):
    // a sum of a mixed number per operand code, so that neither a sort nor a chain of mixes is needed (the
    // search computes one per sampled candidate), then mixed with the count and the constant.
    static std::uint64_t key(const Candidate& c)
    {
        std::uint64_t sum = 0;
        for (int i = 0; i < c.operandCount; ++i) {
            sum += spacekey::kOperandKeys[c.operands[static_cast<std::size_t>(i)]];
        }
        return spacekey::mix(sum + keyTail(c));
    }
    // The term of the key that the count and the constant give (the operands ignored).
    static std::uint64_t keyTail(const Candidate& c)
    {
        return spacekey::mix(0xD1B54A32D192ED03ull ^ (static_cast<std::uint64_t>(c.operandCount) << 32) ^
                             static_cast<std::uint16_t>(c.constant));
    }

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
//
// Linear probing that never wraps: a probe runs on past the last slot into a few thousand more, and the
// table, reserved at its largest size up front (untouched memory costs nothing), doubles in place, its
// keys moved within it. So the memory a set has used is only ever its own table's, zeroed once by the
// system as the probes first reach it.
class TriedSet {
public:
    static constexpr std::size_t kMaxKeys = std::size_t{1} << 22;

    TriedSet() = default;
    TriedSet(const TriedSet& other);
    TriedSet& operator=(const TriedSet& other);
    TriedSet(TriedSet&& other) noexcept;
    TriedSet& operator=(TriedSet&& other) noexcept;
    ~TriedSet();

    // True when the key was not there (and is now, unless the set is full).
    bool insert(std::uint64_t key);
    // A hint that insert(key) comes soon: its slot is fetched into the cache meanwhile (the set is far
    // larger than the caches once it holds a few hundred thousand keys).
    void prefetch(std::uint64_t key) const
    {
        // Plain arithmetic on the address, no condition and one prefetch only: GCC drops a prefetch whose
        // address needs a branch, and both of two in a row. A hint may name any address (an empty set's is
        // meaningless and harmless).
        const auto base = reinterpret_cast<std::uintptr_t>(m_slots);
        __builtin_prefetch(reinterpret_cast<const void*>(base + (home(key) & (m_capacity - 1)) * sizeof(std::uint64_t)),
                           1);
    }
    // Where the probes start as the set stands: taken under the lock that guards the set, it lets another
    // thread fetch a key's slot while the set may change (a stale hint names other lines, harmlessly).
    struct Hint {
        std::uintptr_t base = 0;
        std::size_t mask = 0;
        void prefetch(std::uint64_t key) const
        {
            // For reading: a line fetched for writing on one core is taken from the one committing.
            __builtin_prefetch(reinterpret_cast<const void*>(base + (home(key) & mask) * sizeof(std::uint64_t)), 0);
        }
    };
    Hint hint() const { return {reinterpret_cast<std::uintptr_t>(m_slots), m_capacity > 0 ? m_capacity - 1 : 0}; }
    std::size_t size() const { return m_size; }
    bool full() const { return m_size >= kMaxKeys; }

private:
    static constexpr std::size_t kFirstCapacity = 1024;
    // Grown at three quarters full until full: the capacity at which growing stops.
    static constexpr std::size_t kMaxCapacity = std::size_t{1} << 23;
    // Each growth moves every key, so the set grows fourfold (the last step to kMaxCapacity twofold): a
    // third of the moves that doubling makes on the way to a few million keys.
    static constexpr std::size_t kGrowth = 4;
    static_assert(kMaxCapacity * 3 / 4 >= kMaxKeys && kMaxCapacity * 3 / 8 < kMaxKeys);
    // Slots past the capacity that probes run on into; a cluster reaching past them is beyond any chance
    // below three quarters full (and would make the set grow, or once full leave the key unrecorded).
    static constexpr std::size_t kSlack = 4096;
    static constexpr std::size_t kReserved = kMaxCapacity + kSlack;

    // Where the probe for a key starts (before the mask): the first of the aligned group of four slots
    // (32 bytes, within one cache line) that holds the key's own slot. Key 0 is stored as 1.
    static std::uint64_t home(std::uint64_t key) { return (key == 0 ? 1 : key) & ~std::uint64_t{3}; }
    void grow();
    // Places a key not in the table at the end of its probe (growing keeps every probe short).
    void place(std::uint64_t key);
    // kReserved zeroed slots, mapped from the system in huge pages where it offers them (a few page faults
    // rather than one per 4 KB, and the lookups few TLB misses).
    static std::uint64_t* reserve();
    static void unreserve(std::uint64_t* table);

    std::uint64_t* m_slots = nullptr; // kReserved slots once the first key came; 0 marks an empty slot
    std::size_t m_capacity = 0;       // a power of two; probes start below it
    std::size_t m_size = 0;
};

// Above this size a sampled space measures its repeats instead of excluding them. Its first
// TriedSet::kMaxKeys draws repeat at most 0.05 % of the time (kMaxKeys / (2 · size)), while looking every
// draw up in a set of millions of keys costs a memory access per candidate. The measure takes the draws
// whose key lies in a fixed 1/64 of the keys (keys are mixed, so that is a fair sample of the draws), in a
// set that stays in the caches.
inline constexpr double kMeasuredRepeatsSize = 1000.0 * static_cast<double>(TriedSet::kMaxKeys);

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
    // Beyond kMeasuredRepeatsSize: repeats are handed on and measured on the sample of keys (the tried set
    // then holds that sample only, and `covered` counts every draw).
    bool measuredRepeats = false;
    std::uint64_t sampleDraws = 0;
    std::uint64_t sampleRepeats = 0;

    SpaceProgress() = default;
    SpaceProgress(const CandidateSpace& s, std::uint64_t exhaustiveLimit)
        : space(s), exhaustive(s.size() <= exhaustiveLimit), cursor(s.begin()),
          measuredRepeats(!exhaustive && s.approximateSize() > kMeasuredRepeatsSize)
    {
    }
    // Takes a sampled draw by its key: true when it goes on to the job, false for a repeat excluded.
    bool takeSampled(std::uint64_t key);
    // The sample of keys the measured repeats are counted on.
    static bool inRepeatSample(std::uint64_t key) { return (key >> 58) == 0; }
    bool complete() const { return exhaustive ? cursor.done : covered >= space.size(); }
    // The share of the space covered, 0..1.
    double share() const;
};

// "已检索 12.5% (375 / 3003)" or, for a space that is sampled, "已抽样 0.0001% (…)" with the repeat rate
// once repeats can no longer be excluded, or from the start where they are measured.
QString spaceProgressText(const SpaceProgress& p);
// "3003" or, beyond 10^15, "约 4.3e+10".
QString spaceSizeText(const CandidateSpace& s);

} // namespace korvel
