#include "search/CandidateSpace.h"

#include <QString>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace korvel {

namespace {

constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint64_t>::max();

// Multisets of k elements of an alphabet of n: C(n + k - 1, k), saturating.
std::uint64_t multisets(int n, int k)
{
    unsigned __int128 r = 1;
    for (int i = 1; i <= k; ++i) {
        // r * (n + i - 1) / i stays an integer at every step (it is C(n + i - 1, i)).
        r = r * static_cast<unsigned>(n + i - 1) / static_cast<unsigned>(i);
        if (r > kSaturated) {
            return kSaturated;
        }
    }
    return static_cast<std::uint64_t>(r);
}

double multisetsApprox(int n, int k)
{
    return std::exp(std::lgamma(n + k) - std::lgamma(k + 1) - std::lgamma(n));
}

} // namespace

CandidateSpace::CandidateSpace(const CandidateRule& rule)
    : m_operands(std::clamp(rule.operandCount, 1, kMaxOperands)),
      m_alphabet(operandAlphabet(std::clamp(rule.maxLag, 0, kMaxLag)))
{
    if (rule.constantMode == ConstantMode::Random) {
        for (std::int16_t d = 0; d < 10; ++d) {
            m_constants.push_back(d);
        }
    } else {
        m_constants.push_back(rule.specifiedValue);
    }
    const std::uint64_t sets = multisets(m_alphabet, m_operands);
    const auto constants = static_cast<std::uint64_t>(m_constants.size());
    m_size = sets > kSaturated / constants ? kSaturated : sets * constants;
    m_approximate = m_size < kSaturated ? static_cast<double>(m_size)
                                        : multisetsApprox(m_alphabet, m_operands) * static_cast<double>(constants);
}

CandidateSpace::Cursor CandidateSpace::begin() const
{
    Cursor c;
    c.next.operandCount = static_cast<std::uint8_t>(m_operands);
    for (int i = 0; i < m_operands; ++i) {
        c.next.operands[static_cast<std::size_t>(i)] = 1;
    }
    c.done = m_constants.empty();
    if (!c.done) {
        c.next.constant = m_constants.front();
    }
    return c;
}

void CandidateSpace::advance(Cursor& cursor) const
{
    if (cursor.done) {
        return;
    }
    ++cursor.position;
    if (cursor.constantIndex + 1 < static_cast<int>(m_constants.size())) {
        ++cursor.constantIndex;
        cursor.next.constant = m_constants[static_cast<std::size_t>(cursor.constantIndex)];
        return;
    }
    cursor.constantIndex = 0;
    cursor.next.constant = m_constants.front();
    // The next non-decreasing sequence: raise the last operand that can rise, and every later one with it.
    auto& ops = cursor.next.operands;
    int i = m_operands - 1;
    while (i >= 0 && ops[static_cast<std::size_t>(i)] >= m_alphabet) {
        --i;
    }
    if (i < 0) {
        cursor.done = true;
        return;
    }
    const std::uint16_t v = ops[static_cast<std::size_t>(i)] + 1;
    for (int j = i; j < m_operands; ++j) {
        ops[static_cast<std::size_t>(j)] = v;
    }
}

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
} // namespace

std::uint64_t* TriedSet::reserve()
{
    const std::size_t bytes = kReserved * sizeof(std::uint64_t);
#if defined(__linux__)
    // Mapped one huge page more than needed, so that the table can start on a huge page boundary; the
    // unused head and tail go back at once.
    void* base = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(base);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) {
        munmap(base, aligned - start);
    }
    const std::uintptr_t end = (aligned + bytes + 4095) & ~std::uintptr_t{4095};
    if (start + bytes + kHugePage > end) {
        munmap(reinterpret_cast<void*>(end), start + bytes + kHugePage - end);
    }
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE); // a hint: without it, small pages
    return reinterpret_cast<std::uint64_t*>(aligned);
#else
    void* p = std::calloc(kReserved, sizeof(std::uint64_t)); // large callocs map zero pages lazily
    if (!p) {
        throw std::bad_alloc();
    }
    return static_cast<std::uint64_t*>(p);
#endif
}

void TriedSet::unreserve(std::uint64_t* table)
{
    if (!table) {
        return;
    }
#if defined(__linux__)
    munmap(table, kReserved * sizeof(std::uint64_t));
#else
    std::free(table);
#endif
}

TriedSet::TriedSet(const TriedSet& other) : m_capacity(other.m_capacity), m_size(other.m_size)
{
    if (other.m_slots) {
        m_slots = reserve();
        std::memcpy(m_slots, other.m_slots, (m_capacity + kSlack) * sizeof(std::uint64_t));
    }
}

TriedSet& TriedSet::operator=(const TriedSet& other)
{
    if (this != &other) {
        TriedSet copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TriedSet::TriedSet(TriedSet&& other) noexcept
    : m_slots(std::exchange(other.m_slots, nullptr)), m_capacity(std::exchange(other.m_capacity, 0)),
      m_size(std::exchange(other.m_size, 0))
{
}

TriedSet& TriedSet::operator=(TriedSet&& other) noexcept
{
    if (this != &other) {
        unreserve(m_slots);
        m_slots = std::exchange(other.m_slots, nullptr);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

TriedSet::~TriedSet()
{
    unreserve(m_slots);
}

bool TriedSet::insert(std::uint64_t key)
{
    key = key == 0 ? 1 : key;
    // Grown at three quarters full: linear probing stays within a cache line or two.
    if (!full() && m_capacity < kMaxCapacity && (m_capacity == 0 || (m_size + 1) * 4 > m_capacity * 3)) {
        grow();
    }
    for (;;) {
        const std::size_t end = m_capacity + kSlack;
        for (std::size_t i = home(key) & (m_capacity - 1); i < end; i += 4) {
            // A group of four slots at once, without a branch per slot: the first that holds the key or is
            // empty ends the probe (a set below three quarters full nearly always has one among four).
            const std::uint64_t s0 = m_slots[i];
            const std::uint64_t s1 = m_slots[i + 1];
            const std::uint64_t s2 = m_slots[i + 2];
            const std::uint64_t s3 = m_slots[i + 3];
            const unsigned found = static_cast<unsigned>(s0 == key) | static_cast<unsigned>(s1 == key) << 1 |
                                   static_cast<unsigned>(s2 == key) << 2 | static_cast<unsigned>(s3 == key) << 3;
            const unsigned empty = static_cast<unsigned>(s0 == 0) | static_cast<unsigned>(s1 == 0) << 1 |
                                   static_cast<unsigned>(s2 == 0) << 2 | static_cast<unsigned>(s3 == 0) << 3;
            if (const unsigned stop = found | empty; stop != 0) {
                const int at = std::countr_zero(stop);
                if ((found >> at) & 1u) {
                    return false;
                }
                if (!full()) {
                    m_slots[i + static_cast<std::size_t>(at)] = key;
                    ++m_size;
                }
                return true; // once full no longer recorded: a key not found is taken as new
            }
        }
        // The probe ran past the slack: not there, and no room for it at this size. Growing makes room;
        // at the largest size (below half full, where so long a cluster has no chance) the key goes
        // unrecorded like one past a full set.
        if (full() || m_capacity >= kMaxCapacity) {
            return true;
        }
        grow();
    }
}

void TriedSet::place(std::uint64_t key)
{
    std::size_t i = home(key) & (m_capacity - 1);
    while (m_slots[i] != 0) {
        ++i;
    }
    if (i >= m_capacity + kSlack) {
        throw std::length_error("tried candidates: a probe ran past the table");
    }
    m_slots[i] = key;
}

void TriedSet::grow()
{
    if (!m_slots) {
        m_slots = reserve();
        m_capacity = kFirstCapacity;
        return;
    }
    // Growing in place. A key's start at a multiple of the capacity is its start plus a multiple (maybe
    // none) of the old capacity. The keys past the old capacity (probes that ran on) are taken out first,
    // so that everything from the old capacity up is empty (slots past the old slack were never written);
    // then, slot by slot upwards, each key is taken out and placed again. One whose start stays finds the
    // slot it left at the latest, every slot before it on its way having been placed already (and no
    // later step empties those); one whose start moves up lands above the old capacity, where only placed
    // keys are.
    const std::size_t old = m_capacity;
    std::vector<std::uint64_t> ranOn;
    for (std::size_t j = old; j < old + kSlack; ++j) {
        if (m_slots[j] != 0) {
            ranOn.push_back(m_slots[j]);
            m_slots[j] = 0;
        }
    }
    m_capacity = std::min(old * kGrowth, kMaxCapacity);
    for (std::size_t j = 0; j < old; ++j) {
        const std::uint64_t k = m_slots[j];
        if (k != 0) {
            m_slots[j] = 0;
            place(k);
        }
    }
    for (std::uint64_t k : ranOn) {
        place(k);
    }
}

bool SpaceProgress::takeSampled(std::uint64_t key)
{
    if (measuredRepeats) {
        // Measured while the set records the sample (its first 4 million keys, some 256 million draws):
        // past that a repeat of an unrecorded key would go unseen, so the rate stays the one measured.
        if (inRepeatSample(key) && !tried.full()) {
            ++sampleDraws;
            sampleRepeats += tried.insert(key) ? 0 : 1;
        }
        ++covered;
        return true;
    }
    if (!tried.insert(key)) {
        ++repeats;
        return false;
    }
    if (tried.full()) {
        ++untracked;
    }
    ++covered;
    return true;
}

double SpaceProgress::share() const
{
    const double total = space.approximateSize();
    return total > 0 ? std::min(1.0, static_cast<double>(covered) / total) : 0.0;
}

QString spaceSizeText(const CandidateSpace& s)
{
    if (s.size() < 1'000'000'000'000'000ull) {
        return QString::number(s.size());
    }
    return QStringLiteral("约 %1").arg(s.approximateSize(), 0, 'g', 3);
}

QString spaceProgressText(const SpaceProgress& p)
{
    const double percent = p.share() * 100.0;
    const QString share =
        percent >= 0.01 || percent == 0.0 ? QString::number(percent, 'f', 2) : QString::number(percent, 'g', 2);
    QString text = QStringLiteral("%1 %2% (%3 / %4)")
                       .arg(p.exhaustive ? QStringLiteral("已检索") : QStringLiteral("已抽样"), share)
                       .arg(p.covered)
                       .arg(spaceSizeText(p.space));
    if (!p.exhaustive && p.measuredRepeats) {
        const double rate =
            p.sampleDraws > 0 ? 100.0 * static_cast<double>(p.sampleRepeats) / static_cast<double>(p.sampleDraws) : 0.0;
        text += QStringLiteral("，重复率 %1%").arg(rate, 0, 'f', 4);
    } else if (!p.exhaustive && p.tried.full()) {
        const std::uint64_t draws = p.covered + p.repeats;
        const double rate = draws > 0 ? 100.0 * static_cast<double>(p.repeats) / static_cast<double>(draws) : 0.0;
        text += QStringLiteral("，重复率 %1%").arg(rate, 0, 'f', 4);
    }
    return text;
}

} // namespace korvel
