#include "search/SearchKind.h"
#include "search/VerificationKernel.h"

#include "support/TestData.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTextStream>

namespace korvel {
namespace {

// Seeded searches over the real histories, with the found formulas and their figures as they were
// recorded before the kernel was vectorised by hand: a change of the candidate sequence, of a path
// choice or of a figure shows up here as a changed line.
constexpr int kRandomDigit = 1 << 20;

struct GoldenCase {
    const char* name;
    const char* draws;
    int window;
    bool weighted;
    int kindNumber;
    bool kill;
    const char* rateLow;
    int operands;
    int constant = kRandomDigit; // else the specified constant
};

const GoldenCase kCases[] = {
    {"fc3d-300-1D-kill", "fc3d_draws.tsv", 300, true, 1, true, "94", 8},
    {"fc3d-all-3G-keep", "fc3d_draws.tsv", 0, true, 6, false, "28.6", 8},
    {"pl3-300-2G-kill", "pl3_draws.tsv", 300, false, 5, true, "86", 5},
    {"fc3d-1000-2D-keep", "fc3d_draws.tsv", 1000, true, 2, false, "14", 12},
    {"pl3-all-3D-kill", "pl3_draws.tsv", 0, false, 3, true, "90.7", 24},
    // A negative constant takes the 16-bit sums, a large one the 32-bit sums.
    {"fc3d-300-1D-keep-minus", "fc3d_draws.tsv", 300, true, 1, false, "15", 8, -9},
    {"pl3-500-2G-keep-large", "pl3_draws.tsv", 500, true, 5, false, "24", 3, 32000},
};

std::vector<std::string> search(const GoldenCase& g, KernelIsa isa)
{
    const HistorySnapshot s = test::snapshotOf(test::loadDraws(QString::fromLatin1(g.draws)));
    const auto data = std::make_shared<KernelData>(s, g.window, g.weighted);
    const FormulaKind kind = *formulaKindOf(g.kindNumber);
    const VerificationKernel kernel(data, kind, g.kill, isa);
    const Thresholds t =
        Thresholds::fromTexts({g.rateLow, "100", "0", "32768", "0", "32768", "0", "32768", "0", "32768"});
    CandidateGenerator gen(20261208);
    KernelScratch scratch;
    std::vector<std::string> out;
    for (int i = 0; i < 20000 && out.size() < 25; ++i) {
        const Candidate c =
            gen.next({g.operands, g.constant == kRandomDigit ? ConstantMode::Random : ConstantMode::Specified,
                      static_cast<std::int16_t>(g.constant)});
        const FormulaFigures f = kernel.figures(c, scratch);
        if (qualifies(f, t)) {
            out.push_back(std::string(g.name) + '\t' + std::to_string(i) + '\t' + candidateExpression(c).toStdString() +
                          '\t' + std::to_string(f.stats.hitSum) + '/' + std::to_string(f.stats.total) + '\t' +
                          std::to_string(f.stats.errCon) + ' ' + std::to_string(f.stats.trueCon) + ' ' +
                          std::to_string(f.stats.errLst) + ' ' + std::to_string(f.stats.trueLst));
        }
    }
    return out;
}

TEST(SearchGoldenTest, SeededSearchesFindTheRecordedFormulas)
{
    QFile f(test::dataPath(QStringLiteral("search_golden_20261208.tsv")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
    std::vector<std::string> want;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!line.isEmpty()) {
            want.push_back(line.toStdString());
        }
    }
    for (KernelIsa isa : {KernelIsa::Baseline, KernelIsa::Avx2}) {
        if (!kernelIsaAvailable(isa)) {
            continue;
        }
        const char* isaName = isa == KernelIsa::Avx2 ? "AVX2" : "baseline";
        std::vector<std::string> got;
        for (const GoldenCase& g : kCases) {
            const auto lines = search(g, isa);
            EXPECT_GE(lines.size(), 10u) << g.name; // every case does find formulas
            got.insert(got.end(), lines.begin(), lines.end());
        }
        ASSERT_EQ(got.size(), want.size()) << isaName;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i], want[i]) << isaName << " line " << i + 1;
        }
    }
}

} // namespace
} // namespace korvel
