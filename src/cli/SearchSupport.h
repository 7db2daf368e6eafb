#pragma once

#include "cli/OptionTable.h"
#include "search/SearchSession.h"

#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace korvel::cli {

class CliContext;
class Document;

// The options the search commands share.
struct SearchOptions {
    std::optional<std::uint64_t> seed;            // --seed S: a search that can be repeated
    int threads = 0;                              // --threads T (0: every core)
    std::optional<QString> constant;              // --constant C|random
    std::optional<DisplayForm> form;              // --form bracket|equation
    std::optional<int> lags;                      // --lags N: 允许引用前N期 (0: off)
    std::optional<std::uint64_t> exhaustiveLimit; // --exhaustive-limit N: 穷举上限
};
// Their declarations (--seed, --threads, --constant, --lags, --exhaustive-limit, --form) and what they read.
std::vector<OptionDecl> searchOptions();
SearchOptions searchOptionsOf(const OptionValues& values);
// The constant and form options into the session (after open()).
void applyCandidateOptions(SearchSession& search, const SearchOptions& options);
// "--thresholds a,b,...": the first fields of the ten (正确率 from, to, 最大连错 from, to, ...).
void applyThresholds(SearchSession& search, const QString& option, const QString& list);

// A run until it ends by itself or Ctrl-C stops it; a line of progress on stderr every two seconds.
struct SearchRun {
    SearchProgress progress;
    double seconds = 0;
    bool interrupted = false;
};
SearchRun runToEnd(SearchSession& search, CliContext& context,
                   const std::function<QString(const SearchProgress&)>& progressLine);

// Why a run ended: count, candidates, full, scheme done, tuning done, interrupt.
QString stopText(StopReason reason, bool interrupted);
// The verified count, the time and the candidates per second of a run.
void addRate(Document& doc, const SearchRun& run, int threads);
QString rateText(std::int64_t verified, double seconds);
// The found formulas: gongshiCN, gongshi and the kind.
void addFoundTable(Document& doc, const std::vector<FoundFormula>& found);
// The ten threshold fields as the window shows them.
QJsonValue thresholdsValue(const std::array<QString, kThresholdSlots>& fields);

} // namespace korvel::cli
